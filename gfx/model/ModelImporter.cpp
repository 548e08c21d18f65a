#include "gfx/model/ModelImporter.h"

#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>

#include <cstdio>

#include "Core/Fatal.h"
#include "Core/Progress.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshVertex.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/model/ModelProbe.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/shading/Material.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\ModelImporter";

// The file's matrices are for column vectors; the engine's for row vectors.
Matrix fromFile(const aiMatrix4x4& t) {
  Matrix m;
  const float rows[4][4] = {{t.a1, t.b1, t.c1, t.d1},
                            {t.a2, t.b2, t.c2, t.d2},
                            {t.a3, t.b3, t.c3, t.d3},
                            {t.a4, t.b4, t.c4, t.d4}};
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) m.m[r][c] = rows[r][c];
  }
  return m;
}

Texture* loadNamedTexture(const aiString& nameInModel) {
  const std::string name = textureFileName(nameInModel.C_Str());
  if (name.empty()) return nullptr;
  return GraphicsContext::instance()->loadTexture(dataFile(name));
}

}  // namespace

std::string textureFileName(const std::string& nameInModel) {
  const std::size_t cut = nameInModel.find_last_of("/\\");
  std::string name = cut == std::string::npos ? nameInModel : nameInModel.substr(cut + 1);
  if (name == "." || name == "..") name.clear();
  return name;
}

ModelImporter::ModelImporter() : importer(std::make_unique<Assimp::Importer>()) {}

ModelImporter::~ModelImporter() = default;

DummyNode* ModelImporter::loadModel(const char* file, bool mergeOnRebuild, bool generateNormals,
                                    Matrix transform) {
  meshes.clear();
  materials.clear();
  meshMaterials.clear();
  root = nullptr;
  fileName = file ? file : "";

  // The reader is asked for nothing beyond the file's own content: triangulation, winding
  // and texture-coordinate conventions are the conversion's business below.
  // The file is opened where the data files are found (the working folder's data/, the data
  // folder beside the program or installed), so the model loads from any working folder.
  std::string path = findDataFile(fileName);
  if (path.empty()) path = fileName;
  importedScene = modelReadSurvives(path.c_str()) ? importer->ReadFile(path, 0) : nullptr;
  progressPoint();
  if (!importedScene || !importedScene->mRootNode) return nullptr;

  for (unsigned i = 0; i < importedScene->mNumMeshes; ++i) {
    const aiMesh& mesh = *importedScene->mMeshes[i];
    meshes.push_back(convertImportedMesh(mesh, mergeOnRebuild, generateNormals, transform));
    meshMaterials.push_back(mesh.mMaterialIndex);
    progressPoint();
    progressPoint();
  }
  for (unsigned i = 0; i < importedScene->mNumMaterials; ++i) {
    materials.push_back(convertImportedMaterial(*importedScene->mMaterials[i]));
  }
  convertNode(nullptr, *importedScene->mRootNode);
  return root;
}

Mesh* convertImportedMesh(const aiMesh& in, bool mergeOnRebuild, bool generateNormals,
                          const Matrix& transform) {
  const unsigned vertexCount = in.mVertices ? in.mNumVertices : 0;
  const bool hasNormals = in.mNormals != nullptr;
  const aiVector3D* set0 = in.mTextureCoords[0];
  const aiVector3D* set1 = in.mTextureCoords[1];
  VertexList vertices;
  vertices.reserve(vertexCount);
  for (unsigned v = 0; v < vertexCount; ++v) {
    // Placed here rather than by moving the finished mesh: moving reads the buffers back,
    // which keeps only the first texture set, and fills them a second time.
    const aiVector3D& p = in.mVertices[v];
    auto* vertex = new Vertex;
    vertex->setPosition(Vector3{p.x, p.y, p.z}.transformCoord(transform));
    if (hasNormals) {
      const aiVector3D& n = in.mNormals[v];
      vertex->setNormal(Vector3{n.x, n.y, n.z}.transformNormal(transform));  // not renormalised
    }
    // Set 0 is stored with t upwards and gets flipped; set 1 is taken as it is. A mesh with
    // one set uses it for both.
    if (set0) {
      const Vector2 flipped{set0[v].x, 1.0f - set0[v].y};
      vertex->setTexcoord0(flipped);
      if (!set1) vertex->setTexcoord1(flipped);
    }
    if (set1) {
      const Vector2 stored{set1[v].x, set1[v].y};
      vertex->setTexcoord1(stored);
      if (!set0) vertex->setTexcoord0(stored);
    }
    vertices.push_back(vertex);
  }

  // Every triangle's winding is reversed ((a, b, c) becomes (b, a, c)); a polygon becomes a
  // fan around its first corner, points and lines are left out, and so is any face that
  // names a vertex the mesh does not have.
  IndexList indices;
  for (unsigned f = 0; f < in.mNumFaces; ++f) {
    const aiFace& face = in.mFaces[f];
    if (face.mNumIndices < 3 || !face.mIndices) continue;
    bool inRange = true;
    for (unsigned k = 0; k < face.mNumIndices; ++k) inRange &= face.mIndices[k] < vertexCount;
    if (!inRange) continue;
    for (unsigned k = 1; k + 1 < face.mNumIndices; ++k) {
      indices.push_back(face.mIndices[k]);
      indices.push_back(face.mIndices[0]);
      indices.push_back(face.mIndices[k + 1]);
    }
  }

  auto* mesh = new Mesh(static_cast<int>(vertexCount), static_cast<int>(indices.size() / 3));
  mesh->setMergeOnRebuild(mergeOnRebuild);
  if (hasNormals && !generateNormals) mesh->setAutoNormals(false);
  mesh->setGpuData(vertices, indices);
  for (VertexBase* vertex : vertices) delete vertex;
  return mesh;
}

Material* convertImportedMaterial(const aiMaterial& in) {
  auto* material = new Material;
  struct Colour {
    const char* key;
    float* into;
  };
  for (const Colour& colour :
       {Colour{"$clr.ambient", material->ambient}, Colour{"$clr.diffuse", material->diffuse},
        Colour{"$clr.specular", material->specular}}) {
    aiColor4D value;
    if (aiGetMaterialColor(&in, colour.key, 0, 0, &value) == aiReturn_SUCCESS) {
      colour.into[0] = value.r;
      colour.into[1] = value.g;
      colour.into[2] = value.b;
      colour.into[3] = value.a;
    }
  }
  aiString name;
  if (in.Get(AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0), name) == aiReturn_SUCCESS &&
      name.length > 0) {
    progressPoint();
    material->tex = loadNamedTexture(name);
  }
  name.Clear();
  if (in.Get(AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 1), name) == aiReturn_SUCCESS &&
      name.length > 0) {
    progressPoint();
  }
  name.Clear();
  if (in.Get(AI_MATKEY_TEXTURE(aiTextureType_NORMALS, 0), name) == aiReturn_SUCCESS &&
      name.length > 0) {
    progressPoint();
    material->normalmap = loadNamedTexture(name);
  }
  name.Clear();
  if (in.Get(AI_MATKEY_TEXTURE(aiTextureType_HEIGHT, 0), name) == aiReturn_SUCCESS &&
      name.length > 0) {
    progressPoint();
  }
  return material;
}

void ModelImporter::convertNode(INode* parent, const aiNode& node) {
  const std::string name = node.mName.C_Str();
  const Matrix local = fromFile(node.mTransformation);
  INode* attach = parent;
  if (node.mNumMeshes == 0) {
    auto* dummy = new DummyNode;
    dummy->setName(name);
    dummy->setTransform(local);
    if (!parent) {
      root = dummy;
      attach = dummy;
    } else {
      parent->addChild(dummy);
    }
  }
  for (unsigned i = 0; i < node.mNumMeshes; ++i) {
    const unsigned k = node.mMeshes[i];
    const bool meshIndexInRange = k < meshes.size();
    if (!meshIndexInRange) {
      std::fprintf(stderr, "vantor: the model \"%s\" is broken: node \"%s\" names mesh %u of %zu\n",
                   fileName.c_str(), name.c_str(), k, meshes.size());
    }
    VANTOR_ASSERT(meshIndexInRange);
    const unsigned materialIndex = meshMaterials[k];
    const bool materialIndexInRange = materialIndex < materials.size();
    if (!materialIndexInRange) {
      std::fprintf(stderr, "vantor: the model \"%s\" is broken: mesh %u names material %u of %zu\n",
                   fileName.c_str(), k, materialIndex, materials.size());
    }
    VANTOR_ASSERT(materialIndexInRange);

    auto* instance = new MeshInstance;
    instance->addChild(meshes[k]);
    meshes[k]->setName(name + "Mesh");
    instance->setName(name);
    instance->setTransform(local);
    instance->setMaterial(*materials[materialIndex]);
    if (!attach) {
      auto* group = new DummyNode;
      attach = group;
      if (!root) root = group;
    }
    attach->addChild(instance);
  }
  for (unsigned i = 0; i < node.mNumChildren; ++i) {
    if (node.mChildren[i]) convertNode(attach, *node.mChildren[i]);
  }
}

}  // namespace vantor

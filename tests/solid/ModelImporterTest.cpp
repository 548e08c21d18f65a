// The model importer on small DirectX files written here: vertex attributes, winding and
// polygons, the node tree it builds, materials and texture names, repeated loads, and files
// that cannot be read.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "ModelFiles.h"
#include "SolidFixture.h"
#include "gfx/mesh/MeshVertex.h"
#include "gfx/model/ModelProbe.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/shading/Material.h"

namespace vantor_test {
namespace {

using vantor::DummyNode;
using vantor::INode;
using vantor::Material;
using vantor::Matrix;
using vantor::MeshInstance;
using vantor::ModelImporter;

const char* const kNormals =
    " MeshNormals { 3; 1;0;0;, 1;0;0;, 1;0;0;; 1; 3;0,1,2;; }\n";  // deliberately not the face's
const char* const kTexcoords = " MeshTextureCoords { 3; 0.1;0.2;, 0.3;0.4;, 0.5;0.6;; }\n";
const char* const kSecondTexcoords = " MeshTextureCoords { 3; 0.7;0.8;, 0.9;1.0;, 0.2;0.1;; }\n";

std::string materialList(const std::string& material) {
  return " MeshMaterialList { 1; 1; 0;;\n" + material + " }\n";
}

class Import : public SolidTest {
 protected:
  void TearDown() override {
    for (auto& importer : importers) {
      if (importer->root) scene->removeNode(importer->root);
      releaseModel(*importer);
    }
    SolidTest::TearDown();
  }
  ModelImporter& importer() {
    if (importers.empty()) importers.push_back(std::make_unique<ModelImporter>());
    return *importers.front();
  }
  // Loads into the fixture's importer, first giving back what its previous load made (the
  // importer itself keeps every load's objects for the whole run).
  DummyNode* load(const std::string& path, bool generateNormals = false) {
    releaseModel(importer());
    return importer().loadModel(path.c_str(), false, generateNormals, Matrix());
  }
  // The file as Assimp itself reads it, for comparing what the conversion did.
  const aiScene* reference(const std::string& path) {
    const aiScene* s = referenceReader.ReadFile(path, 0);
    EXPECT_NE(s, nullptr) << referenceReader.GetErrorString();
    return s;
  }
  // The vertex records of the imported tree's meshes as their buffers hold them, in drawing
  // order. The instances draw unlit: a lit drawing recomputes automatic normals from a
  // read-back topology, which keeps texture set 0 only.
  std::vector<vantor::VertexAttributes> drawnVertices(DummyNode* root) {
    for (INode* node : childrenOf(*root)) {
      if (auto* instance = dynamic_cast<MeshInstance*>(node)) instance->getMaterial().lit = false;
    }
    scene->addNode(root);
    const auto records = drawnVertices();
    scene->removeNode(root);
    return records;
  }
  // Draws the scene and reads back the vertex buffers it drew from. The device has no getter
  // for its stream source; the call observer names the buffer, which the mesh keeps alive.
  std::vector<vantor::VertexAttributes> drawnVertices() {
    CallRecorder calls("device");
    render(drawTime += 1.0f);
    std::vector<vantor::VertexAttributes> records;
    for (const std::string& call : calls.calls) {
      if (call.rfind("SetStreamSource(0, ", 0) != 0) continue;
      void* named = nullptr;
      std::sscanf(call.c_str() + 19, "%p", &named);
      auto* buffer = static_cast<IDirect3DVertexBuffer9*>(named);
      D3DVERTEXBUFFER_DESC desc{};
      buffer->GetDesc(&desc);
      void* memory = nullptr;
      EXPECT_EQ(buffer->Lock(0, 0, &memory, D3DLOCK_READONLY), D3D_OK);
      const std::size_t first = records.size();
      records.resize(first + desc.Size / sizeof(vantor::VertexAttributes));
      std::memcpy(records.data() + first, memory,
                  desc.Size / sizeof(vantor::VertexAttributes) * sizeof(vantor::VertexAttributes));
      buffer->Unlock();
    }
    return records;
  }
  // Draws the imported tree once at a new time.
  void drawLit(DummyNode* root) {
    scene->addNode(root);
    render(drawTime += 1.0f);
    scene->removeNode(root);
  }

  std::vector<std::unique_ptr<ModelImporter>> importers;
  Assimp::Importer referenceReader;
  float drawTime = 0.0f;
};

// File normals survive a lit drawing when generateNormals is false, even normals that do not
// match the face; asked to generate, or given none, the lit drawing computes them.
TEST_F(Import, NormalsFromTheFileAreKeptUnlessGenerated) {
  const std::string withNormals =
      writeXFile("normals.x", frame("Body", triangleMesh("M", kNormals)));
  drawLit(load(withNormals));
  vantor::Mesh* kept = importer().meshes.at(0);
  for (vantor::VertexBase* v : kept->getVertices()) EXPECT_FLOAT_EQ(v->getNormal()->x, 1.0f);

  drawLit(load(withNormals, true));
  for (vantor::VertexBase* v : importer().meshes.at(0)->getVertices()) {
    EXPECT_NEAR(std::fabs(v->getNormal()->z), 1.0f, 1e-5f);
  }

  drawLit(load(writeXFile("bare.x", frame("Body", triangleMesh("M")))));
  for (vantor::VertexBase* v : importer().meshes.at(0)->getVertices()) {
    EXPECT_NEAR(std::fabs(v->getNormal()->z), 1.0f, 1e-5f);
  }
}

// Set 0 (s, t) is flipped to (s, 1 - t) and fills set 1 too when there is no set 1; a set 1
// is taken as it stands.
TEST_F(Import, TextureSetsAreFlippedOrSharedAsTheyCome) {
  const std::string one = writeXFile("set0.x", frame("Body", triangleMesh("M", kTexcoords)));
  const aiMesh* ref = reference(one)->mMeshes[0];
  const auto vertices = drawnVertices(load(one));
  ASSERT_GE(vertices.size(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    const aiVector3D& st = ref->mTextureCoords[0][i];
    for (const vantor::Vector2& uv : {vertices[i].texcoord0, vertices[i].texcoord1}) {
      EXPECT_FLOAT_EQ(uv.x, st.x);
      EXPECT_FLOAT_EQ(uv.y, 1.0f - st.y);
    }
  }

  const std::string two = writeXFile(
      "set01.x", frame("Body", triangleMesh("M", std::string(kTexcoords) + kSecondTexcoords)));
  const aiMesh* ref2 = reference(two)->mMeshes[0];
  ASSERT_NE(ref2->mTextureCoords[1], nullptr);
  const auto both = drawnVertices(load(two));
  ASSERT_GE(both.size(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(both[i].texcoord0.y, 1.0f - ref2->mTextureCoords[0][i].y);
    EXPECT_FLOAT_EQ(both[i].texcoord1.x, ref2->mTextureCoords[1][i].x);
    EXPECT_FLOAT_EQ(both[i].texcoord1.y, ref2->mTextureCoords[1][i].y);
  }
}

// A DirectX file cannot hold set 1 without set 0, so that mesh is made in memory.
TEST_F(Import, OnlySetOneFillsBothSetsUnflipped) {
  aiMesh mesh;
  mesh.mNumVertices = 3;
  mesh.mVertices = new aiVector3D[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  mesh.mTextureCoords[1] = new aiVector3D[3]{{0.1f, 0.2f, 0}, {0.3f, 0.4f, 0}, {0.5f, 0.6f, 0}};
  mesh.mNumUVComponents[1] = 2;
  mesh.mNumFaces = 1;
  mesh.mFaces = new aiFace[1];
  mesh.mFaces[0].mNumIndices = 3;
  mesh.mFaces[0].mIndices = new unsigned[3]{0, 1, 2};
  MeshInstance* solid = addSolid(vantor::convertImportedMesh(mesh, false, false, Matrix()));
  solid->getMaterial().lit = false;
  const auto vertices = drawnVertices();
  ASSERT_GE(vertices.size(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    for (const vantor::Vector2& uv : {vertices[i].texcoord0, vertices[i].texcoord1}) {
      EXPECT_FLOAT_EQ(uv.x, mesh.mTextureCoords[1][i].x);
      EXPECT_FLOAT_EQ(uv.y, mesh.mTextureCoords[1][i].y);
    }
  }
}

// Triangles (a, b, c) become (b, a, c); a five-cornered polygon becomes a fan of three such
// triangles around its first corner, and a two-index face (a line) is left out.
TEST_F(Import, WindingIsReversedAndPolygonsAreFanned) {
  const std::string path = writeXFile(
      "polygon.x", frame("Body",
                         "Mesh M {\n 6;\n 0;0;0;, 1;0;0;, 2;1;0;, 1;2;0;, 0;1;0;, 5;5;5;;\n"
                         " 3;\n 3;0,1,4;,\n 5;0,1,2,3,4;,\n 2;4,5;;\n}\n"));
  const aiMesh* ref = reference(path)->mMeshes[0];
  ASSERT_NE(load(path), nullptr);
  std::vector<std::array<int, 3>> expected;
  for (unsigned f = 0; f < ref->mNumFaces; ++f) {
    const aiFace& face = ref->mFaces[f];
    for (unsigned k = 1; k + 1 < face.mNumIndices; ++k) {
      expected.push_back({int(face.mIndices[k]), int(face.mIndices[0]), int(face.mIndices[k + 1])});
    }
  }
  ASSERT_EQ(expected.size(), 4u);  // the triangle, three from the pentagon, none from the line
  // The read-back may start a triangle at another corner; the turning sense is what counts.
  const auto rotated = [](std::vector<std::array<int, 3>> list) {
    for (auto& t : list) std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
    return list;
  };
  EXPECT_EQ(rotated(triangles(*importer().meshes.at(0))), rotated(expected));
}

// A root frame holding the file's one part: the root keeps the file root's name and matrix,
// the part becomes an instance of that name over the mesh renamed "<part>Mesh".
TEST_F(Import, PartUnderTheRootBecomesANamedInstance) {
  const std::string path = writeXFile(
      "body.x",
      frame("Grill", frame("Body", triangleMesh("Anything")), Matrix::translation(1, 2, 3)));
  DummyNode* root = load(path);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->getName(), "Grill");
  EXPECT_FLOAT_EQ(root->getTransform().m[3][1], 2.0f);  // the file's translation row
  const auto children = childrenOf(*root);
  ASSERT_EQ(children.size(), 1u);
  auto* body = dynamic_cast<MeshInstance*>(children[0]);
  ASSERT_NE(body, nullptr);
  EXPECT_EQ(body->getName(), "Body");
  const auto meshes = childrenOf(*body);
  ASSERT_EQ(meshes.size(), 1u);
  EXPECT_EQ(meshes[0], importer().meshes.at(0));
  EXPECT_EQ(meshes[0]->getName(), "BodyMesh");
  EXPECT_EQ(body->getBoundingBox().maxX, 1.0f);
}

// A root frame that holds a mesh itself gets a new unnamed group above it.
TEST_F(Import, RootWithAMeshHangsBelowANewGroup) {
  DummyNode* root = load(writeXFile("rootmesh.x", frame("Top", triangleMesh("M"))));
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->getName(), "");
  EXPECT_EQ(root->getTransform(), Matrix());
  const auto children = childrenOf(*root);
  ASSERT_EQ(children.size(), 1u);
  EXPECT_EQ(children[0]->getName(), "Top");
  EXPECT_NE(dynamic_cast<MeshInstance*>(children[0]), nullptr);
}

// Frames three levels deep all hang directly below the root, each with only its own matrix.
TEST_F(Import, NestedFramesAllHangBelowTheRoot) {
  const std::string path = writeXFile(
      "nested.x",
      frame("Root", frame("A",
                          frame("B", frame("C", triangleMesh("M"), Matrix::translation(3, 0, 0)),
                                Matrix::translation(2, 0, 0)),
                          Matrix::translation(1, 0, 0))));
  DummyNode* root = load(path);
  ASSERT_NE(root, nullptr);
  const auto children = childrenOf(*root);
  ASSERT_EQ(children.size(), 3u);
  const char* names[] = {"A", "B", "C"};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(children[i]->getName(), names[i]);
    EXPECT_TRUE(childrenOf(*children[i]).empty() || i == 2);
    EXPECT_FLOAT_EQ(children[i]->getTransform().m[3][0], float(i + 1)) << names[i];  // its own
  }
  EXPECT_NE(dynamic_cast<MeshInstance*>(children[2]), nullptr);
}

// The file's colours reach the instance's material; a material with no colours or textures
// at all keeps every default.
TEST_F(Import, MaterialsTakeTheFilesColours) {
  const std::string path = writeXFile(
      "material.x",
      frame("Body", triangleMesh("M", materialList("  Material Red { 0.5;0.25;0.125;1.0;; 7.0; "
                                                   "0.3;0.3;0.3;; 0.0;0.0;0.0;; }\n"))));
  const aiMaterial* ref = reference(path)->mMaterials[0];
  DummyNode* root = load(path);
  ASSERT_NE(root, nullptr);
  const Material& m = dynamic_cast<MeshInstance&>(*childrenOf(*root).at(0)).getMaterial();
  aiColor4D diffuse, specular;
  ASSERT_EQ(aiGetMaterialColor(ref, AI_MATKEY_COLOR_DIFFUSE, &diffuse), aiReturn_SUCCESS);
  ASSERT_EQ(aiGetMaterialColor(ref, AI_MATKEY_COLOR_SPECULAR, &specular), aiReturn_SUCCESS);
  EXPECT_FLOAT_EQ(m.diffuse[0], diffuse.r);
  EXPECT_FLOAT_EQ(m.diffuse[2], diffuse.b);
  EXPECT_FLOAT_EQ(m.specular[1], specular.g);
  EXPECT_EQ(m.tex, nullptr);
  EXPECT_FLOAT_EQ(m.specularPower, 5.0f);  // the file's power is not one of the keys

  aiMaterial empty;
  std::unique_ptr<Material> plain(vantor::convertImportedMaterial(empty));
  const Material defaults;
  EXPECT_TRUE(std::equal(plain->ambient, plain->ambient + 4, defaults.ambient));
  EXPECT_TRUE(std::equal(plain->diffuse, plain->diffuse + 4, defaults.diffuse));
  EXPECT_TRUE(std::equal(plain->specular, plain->specular + 4, defaults.specular));
  EXPECT_EQ(plain->tex, nullptr);
  EXPECT_EQ(plain->normalmap, nullptr);
  EXPECT_TRUE(plain->lit);
}

// A texture name from the file is looked up by its file name alone: folders and ".." are
// dropped, so a model cannot reach files outside the data folders.
TEST_F(Import, TextureNamesLoseTheirFolders) {
  EXPECT_EQ(vantor::textureFileName("../../secret/kivei.jpg"), "kivei.jpg");
  EXPECT_EQ(vantor::textureFileName("C:\\textures\\..\\kivei.jpg"), "kivei.jpg");
  EXPECT_EQ(vantor::textureFileName("kivei.jpg"), "kivei.jpg");
  EXPECT_EQ(vantor::textureFileName(".."), "");
  EXPECT_EQ(vantor::textureFileName("textures/.."), "");
  EXPECT_EQ(vantor::textureFileName("textures/"), "");

  const std::string path = writeXFile(
      "texture.x",
      frame("Body",
            triangleMesh("M", materialList("  Material T { 1;1;1;1;; 5.0; 1;1;1;; 0;0;0;;\n"
                                           "   TextureFilename { \"../../data/kivei.jpg\"; }\n"
                                           "  }\n"))));
  DummyNode* root = load(path);
  ASSERT_NE(root, nullptr);
  const Material& m = dynamic_cast<MeshInstance&>(*childrenOf(*root).at(0)).getMaterial();
  EXPECT_NE(m.tex, nullptr);
  EXPECT_NE(vantor::DataFileCache::instance()->find("kivei.jpg"), nullptr);
  EXPECT_EQ(vantor::DataFileCache::instance()->find("../../data/kivei.jpg"), nullptr);
}

// A second load starts empty lists and a new tree; the first tree still draws.
TEST_F(Import, SecondLoadKnowsNothingOfTheFirst) {
  importers.push_back(std::make_unique<ModelImporter>());
  ModelImporter& twice = *importers.back();
  DummyNode* first = twice.loadModel(
      writeXFile("first.x",
                 frame("R", frame("A", triangleMesh("M")) + frame("B", triangleMesh("N"))))
          .c_str(),
      false, false, Matrix::translation(0, 0, 1));
  ASSERT_NE(first, nullptr);
  const std::vector<vantor::Mesh*> firstMeshes = twice.meshes;
  ASSERT_EQ(firstMeshes.size(), 2u);
  // The first load's nodes are released by the fixture through the importer's last lists,
  // so this test keeps them apart and gives them back itself.
  std::vector<INode*> firstNodes = childrenOf(*first);
  std::vector<Material*> firstMaterials = twice.materials;

  DummyNode* second =
      twice.loadModel(writeXFile("second.x", frame("S", frame("C", triangleMesh("O")))).c_str(),
                      false, false, Matrix());
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_EQ(twice.meshes.size(), 1u);
  EXPECT_EQ(childrenOf(*second).size(), 1u);

  scene->addNode(first);
  {
    CallRecorder draws("device");
    render(1.0f);
    int drawn = 0;
    for (const std::string& c : draws.calls) drawn += c.rfind("DrawIndexedPrimitive", 0) == 0;
    EXPECT_EQ(drawn, 2);
  }
  scene->removeNode(first);
  for (INode* node : firstNodes) deleteNode(node);
  deleteNode(first);
  for (vantor::Mesh* mesh : firstMeshes) delete mesh;
  for (Material* material : firstMaterials) delete material;
}

// A file that is missing, not a model, or crashes Assimp's reader gives no tree, and the
// process goes on.
TEST_F(Import, UnreadableFilesGiveNoTree) {
  EXPECT_EQ(load("/nonexistent/none.x"), nullptr);
  EXPECT_EQ(load(writeFile("garbage.x", "this is no model")), nullptr);
  // A damaged copy of the grill (a number replaced by a huge one) on which Assimp's reader
  // itself dies with a segmentation fault; the trial read in a child process catches it.
  const std::string crashing = writeFile("crashing.x", mutated(readFile(grillPath()), 20));
  EXPECT_FALSE(vantor::modelReadSurvives(crashing.c_str()));
  EXPECT_EQ(load(crashing), nullptr);
  // The same face index made huge where the reader survives: the face is left out and the
  // rest of the grill comes through.
  std::string grill = readFile(grillPath());
  const std::size_t face = grill.find("\n3;0,38,37;,");
  ASSERT_NE(face, std::string::npos);
  grill.replace(face, 12, "\n3;999999999,38,37;,");
  ASSERT_NE(load(writeFile("wild-index.x", grill)), nullptr);
  EXPECT_EQ(triangles(*importer().meshes.at(0)).size(), 215u);  // the slab had 216
  EXPECT_EQ(load(crashing), nullptr);
  EXPECT_EQ(importer().meshes.size(), 0u);
  EXPECT_EQ(importer().root, nullptr);
}

}  // namespace
}  // namespace vantor_test

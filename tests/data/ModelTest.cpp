// The grill model as the engine will see it: read by Assimp's own .x reader with no
// post-processing (which negates z and reverses the winding), then converted as the model
// importer does (faces taken in the order 1, 0, 2; t flipped), then placed by the
// invitation's setup transform: rotationX(1.57) of the engine's maths library, then a
// uniform scale of 0.03.
#include <assimp/Importer.hpp>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

namespace {

struct V3 {
  double x, y, z;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
V3 toV3(const aiVector3D& v) { return {v.x, v.y, v.z}; }

// The engine's rotationX(a) has the rows (1,0,0), (0,cos,-sin), (0,sin,cos) and multiplies
// row vectors from the left; the angle is computed in float as the engine does.
V3 setupTransform(V3 p, double scale) {
  double c = std::cos(1.57f), s = std::sin(1.57f);
  return {p.x * scale, (p.y * c + p.z * s) * scale, (-p.y * s + p.z * c) * scale};
}

struct Box {
  V3 min{1e30, 1e30, 1e30}, max{-1e30, -1e30, -1e30};
  void add(V3 p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
  }
  V3 centre() const { return {(min.x + max.x) / 2, (min.y + max.y) / 2, (min.z + max.z) / 2}; }
};

const char* const kParts[] = {"Slab", "Legs", "Wheels", "Bowl", "Lid", "Handles"};

class ModelTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    importer_ = new Assimp::Importer;
    scene_ = importer_->ReadFile(VANTOR_DATA_DIR "/grilli9.x", 0);
  }
  static void TearDownTestSuite() { delete importer_; }

  // The mesh of the part frame with this name, or null.
  static const aiMesh* partMesh(const char* name) {
    const aiNode* node = scene_->mRootNode->FindNode(name);
    return node && node->mNumMeshes == 1 ? scene_->mMeshes[node->mMeshes[0]] : nullptr;
  }

  // The part's box in the engine's scene, as placed by the setup transform.
  static Box engineBox(const aiMesh* mesh) {
    Box box;
    for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
      box.add(setupTransform(toV3(mesh->mVertices[i]), 0.03));
    }
    return box;
  }

  static Assimp::Importer* importer_;
  static const aiScene* scene_;
};
Assimp::Importer* ModelTest::importer_ = nullptr;
const aiScene* ModelTest::scene_ = nullptr;

// The importer hangs every node directly below the root with only its own matrix, applies
// the setup transform to the vertices alone and replaces the root's matrix every frame, so
// every frame matrix must be the identity for the parts to stay where the vertices put them.
TEST_F(ModelTest, HasARootFrameWithOneIdentityFramePerPart) {
  ASSERT_NE(scene_, nullptr) << importer_->GetErrorString();
  const aiNode* root = scene_->mRootNode;
  EXPECT_STREQ(root->mName.C_Str(), "Grill");
  EXPECT_EQ(root->mNumMeshes, 0u);
  ASSERT_EQ(root->mNumChildren, std::size(kParts));
  for (unsigned i = 0; i < root->mNumChildren; ++i) {
    const aiNode* part = root->mChildren[i];
    EXPECT_STREQ(part->mName.C_Str(), kParts[i]);
    EXPECT_EQ(part->mNumMeshes, 1u) << kParts[i];
    EXPECT_EQ(part->mNumChildren, 0u) << kParts[i];
    EXPECT_TRUE(part->mTransformation.IsIdentity()) << kParts[i];
  }
  EXPECT_TRUE(root->mTransformation.IsIdentity());
}

TEST_F(ModelTest, MeshesAreTrianglesWithNormalsAndTextureCoordinates) {
  ASSERT_NE(scene_, nullptr);
  EXPECT_EQ(scene_->mNumMeshes, std::size(kParts));
  for (const char* name : kParts) {
    const aiMesh* mesh = partMesh(name);
    ASSERT_NE(mesh, nullptr) << name;
    EXPECT_EQ(mesh->mPrimitiveTypes, unsigned(aiPrimitiveType_TRIANGLE)) << name;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) ASSERT_EQ(mesh->mFaces[f].mNumIndices, 3u);
    EXPECT_TRUE(mesh->HasNormals()) << name;
    EXPECT_TRUE(mesh->HasTextureCoords(0)) << name;
    EXPECT_GT(mesh->mNumFaces, 100u) << name;
  }
}

// The invitation multiplies every diffuse colour by 10 and every specular colour by 3 at
// setup, so the file's colours must stay at or below a tenth and a third of full scale.
TEST_F(ModelTest, MaterialsSurviveTheInvitationsColourScaling) {
  ASSERT_NE(scene_, nullptr);
  ASSERT_EQ(scene_->mNumMaterials, std::size(kParts));
  int textured = 0;
  for (unsigned i = 0; i < scene_->mNumMaterials; ++i) {
    const aiMaterial* m = scene_->mMaterials[i];
    aiColor4D diffuse, specular;
    ASSERT_EQ(aiGetMaterialColor(m, AI_MATKEY_COLOR_DIFFUSE, &diffuse), aiReturn_SUCCESS);
    ASSERT_EQ(aiGetMaterialColor(m, AI_MATKEY_COLOR_SPECULAR, &specular), aiReturn_SUCCESS);
    for (float c : {diffuse.r, diffuse.g, diffuse.b, diffuse.a}) EXPECT_LE(c * 10, 1.0f);
    for (float c : {specular.r, specular.g, specular.b}) EXPECT_LE(c * 3, 1.0f);
    EXPECT_GT(diffuse.r + diffuse.g + diffuse.b, 0.0f);
    aiString file;
    if (m->Get(AI_MATKEY_TEXTURE(aiTextureType_DIFFUSE, 0), file) == aiReturn_SUCCESS) {
      ++textured;
      FILE* f = std::fopen((std::string(VANTOR_DATA_DIR "/") + file.C_Str()).c_str(), "rb");
      EXPECT_NE(f, nullptr) << file.C_Str() << " is not a file of data/";
      if (f) std::fclose(f);
    }
  }
  EXPECT_GE(textured, 1);
}

// The model stands upright on the ground: about 3 units tall, its base on y = 0, the lid on
// top of the bowl, the slab and the wheels at the bottom.
TEST_F(ModelTest, StandsUprightOnTheGroundAfterTheSetupTransform) {
  ASSERT_NE(scene_, nullptr);
  Box all;
  std::map<std::string, Box> boxes;
  for (const char* name : kParts) {
    const aiMesh* mesh = partMesh(name);
    ASSERT_NE(mesh, nullptr) << name;
    boxes[name] = engineBox(mesh);
    all.add(boxes[name].min);
    all.add(boxes[name].max);
  }
  EXPECT_NEAR(all.min.y, 0.0, 0.01);
  EXPECT_NEAR(all.max.y - all.min.y, 3.0, 0.15);
  EXPECT_DOUBLE_EQ(boxes["Lid"].max.y, all.max.y);
  EXPECT_GT(boxes["Lid"].min.y, boxes["Bowl"].centre().y);
  EXPECT_DOUBLE_EQ(boxes["Slab"].min.y, all.min.y);
  EXPECT_LT(boxes["Wheels"].max.y, boxes["Bowl"].min.y);
  // Centred on its own vertical axis, so that turning it about y keeps it in place.
  EXPECT_NEAR(all.centre().x, 0.0, 0.05);
  EXPECT_NEAR(all.centre().z, 0.0, 0.05);
}

// Splits a mesh into its pieces (triangles joined through vertices at the same position)
// and gives every face the box centre of its piece.
std::vector<V3> pieceCentres(const aiMesh* mesh) {
  std::vector<unsigned> parent(mesh->mNumVertices);
  std::iota(parent.begin(), parent.end(), 0u);
  auto find = [&parent](unsigned v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
  };
  std::map<std::tuple<long, long, long>, unsigned> byPosition;
  for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
    const aiVector3D& p = mesh->mVertices[v];
    auto key =
        std::make_tuple(std::lround(p.x * 100), std::lround(p.y * 100), std::lround(p.z * 100));
    auto [it, added] = byPosition.emplace(key, v);
    if (!added) parent[find(v)] = find(it->second);
  }
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const aiFace& face = mesh->mFaces[f];
    parent[find(face.mIndices[1])] = find(face.mIndices[0]);
    parent[find(face.mIndices[2])] = find(face.mIndices[0]);
  }
  std::map<unsigned, Box> boxes;
  for (unsigned v = 0; v < mesh->mNumVertices; ++v) boxes[find(v)].add(toV3(mesh->mVertices[v]));
  std::vector<V3> centres;
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    centres.push_back(boxes[find(mesh->mFaces[f].mIndices[0])].centre());
  }
  return centres;
}

// Normals point out of the solid: away from the centre of the piece a face belongs to. The
// few faces that miss are the undersides of rims and ledges.
TEST_F(ModelTest, NormalsPointAwayFromTheCentreOfEachPiece) {
  ASSERT_NE(scene_, nullptr);
  for (const char* name : kParts) {
    const aiMesh* mesh = partMesh(name);
    ASSERT_NE(mesh, nullptr);
    std::vector<V3> centres = pieceCentres(mesh);
    unsigned outward = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const unsigned* idx = mesh->mFaces[f].mIndices;
      V3 n{0, 0, 0}, c{0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        V3 vn = toV3(mesh->mNormals[idx[k]]), vp = toV3(mesh->mVertices[idx[k]]);
        n = {n.x + vn.x, n.y + vn.y, n.z + vn.z};
        c = {c.x + vp.x / 3, c.y + vp.y / 3, c.z + vp.z / 3};
      }
      outward += dot(n, c - centres[f]) > 0;
    }
    EXPECT_GE(double(outward) / mesh->mNumFaces, 0.9) << name;
  }
}

// After both winding reversals the triangles reach the engine in the file's own order, in a
// mirrored frame; they must come out clockwise seen from outside (Direct3D's front), which
// with left-handed coordinates means cross(b - a, c - a) along the outward normal.
TEST_F(ModelTest, TrianglesFaceOutwardInTheEnginesConvention) {
  ASSERT_NE(scene_, nullptr);
  for (const char* name : kParts) {
    const aiMesh* mesh = partMesh(name);
    ASSERT_NE(mesh, nullptr);
    unsigned agreeing = 0;
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const unsigned* idx = mesh->mFaces[f].mIndices;
      unsigned order[3] = {idx[1], idx[0], idx[2]};  // the model importer's index order
      V3 p[3], n{0, 0, 0};
      for (int k = 0; k < 3; ++k) {
        p[k] = setupTransform(toV3(mesh->mVertices[order[k]]), 0.03);
        V3 vn = setupTransform(toV3(mesh->mNormals[order[k]]), 1.0);
        n = {n.x + vn.x, n.y + vn.y, n.z + vn.z};
      }
      agreeing += dot(cross(p[1] - p[0], p[2] - p[0]), n) > 0;
    }
    EXPECT_EQ(agreeing, mesh->mNumFaces) << name;
  }
}

}  // namespace

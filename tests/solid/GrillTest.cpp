// The demo's grill, imported from its model file with the invitation's setup transform and
// drawn through SolidObject.fxo under the invitation's camera with a light at the eye.
#include <algorithm>
#include <cmath>

#include "ModelFiles.h"
#include "SolidFixture.h"
#include "gfx/shading/Material.h"

namespace vantor_test {
namespace {

using vantor::Matrix;
using vantor::Vector3;

class Grill : public SolidTest {
 protected:
  void SetUp() override {
    SolidTest::SetUp();
    Matrix scale;
    for (int i = 0; i < 3; ++i) scale.m[i][i] = 0.03f;
    root = importer.loadModel(grillPath().c_str(), false, false, Matrix::rotationX(1.57f) * scale);
    ASSERT_NE(root, nullptr);
    // As the invitation prepares it: diffuse colours times 10, specular times 3.
    for (vantor::INode* node : childrenOf(*root)) {
      auto* part = dynamic_cast<vantor::MeshInstance*>(node);
      if (!part) continue;
      for (int i = 0; i < 4; ++i) {
        part->getMaterial().diffuse[i] *= 10.0f;
        part->getMaterial().specular[i] *= 3.0f;
      }
    }
    root->setTransform(Matrix::translation(-3, 0, 0));
    scene->addNode(root);
  }
  void TearDown() override {
    if (root) scene->removeNode(root);
    releaseModel(importer);
    SolidTest::TearDown();
  }
  void lookFrom(const Vector3& eye, const Vector3& target) {
    camera->fovY = 1.5f;
    camera->zNear = 1.0f;
    camera->zFar = 200.0f;
    camera->setLookAt(eye, target, {0, 1, 0});
    addLight(eye.x, eye.y, eye.z, 2.0f, 1.0f);
  }
  // The picture box of a part's world box, in pixels: min x, min y, max x, max y.
  std::array<float, 4> pictureBox(vantor::Mesh& mesh) {
    const vantor::BoundingBox box = *mesh.getBoundingBox();
    std::array<float, 4> r{1e9f, 1e9f, -1e9f, -1e9f};
    for (int i = 0; i < 8; ++i) {
      Vector3 corner = box.corner(i);
      corner.x -= 3.0f;
      float x = 0, y = 0;
      project(corner, x, y);
      r = {std::min(r[0], x), std::min(r[1], y), std::max(r[2], x), std::max(r[3], y)};
    }
    return r;
  }
  vantor::Mesh* part(const std::string& name) {
    for (vantor::Mesh* mesh : importer.meshes) {
      if (mesh->getName() == name) return mesh;
    }
    return nullptr;
  }

  vantor::ModelImporter importer;
  vantor::DummyNode* root = nullptr;
};

TEST_F(Grill, RedBowlInsideItsBoxUnderTheInvitationsCamera) {
  lookFrom({0, 8, -14}, {6, 5, 0});
  render(1.0f);
  const auto picture = colour();
  savePng(picture, "grill-in-scene");

  // Every lit pixel lies inside the picture box of the whole model (a pixel of margin for
  // the rasteriser's coverage of the box's own edges).
  std::array<float, 4> all{1e9f, 1e9f, -1e9f, -1e9f};
  for (vantor::Mesh* mesh : importer.meshes) {
    const auto b = pictureBox(*mesh);
    all = {std::min(all[0], b[0]), std::min(all[1], b[1]), std::max(all[2], b[2]),
           std::max(all[3], b[3])};
  }
  int lit = 0, outside = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb c = rgbOf(at(picture, x, y));
      if (c.r + c.g + c.b < 12) continue;
      ++lit;
      outside += x < all[0] - 1 || x > all[2] + 1 || y < all[1] - 1 || y > all[3] + 1;
    }
  }
  EXPECT_GT(lit, 1000);  // the grill stands about 50 pixels tall in this wide view
  EXPECT_EQ(outside, 0);

  // The bowl's enamel is red: over the middle of its picture box red is well above green
  // and blue.
  vantor::Mesh* bowl = part("BowlMesh");
  ASSERT_NE(bowl, nullptr);
  const auto b = pictureBox(*bowl);
  const int cx = int((b[0] + b[2]) / 2), cy = int((b[1] + b[3]) / 2);
  long r = 0, g = 0, bl = 0;
  for (int y = cy - 4; y <= cy + 4; ++y) {
    for (int x = cx - 4; x <= cx + 4; ++x) {
      const Rgb c = rgbOf(at(picture, x, y));
      r += c.r, g += c.g, bl += c.b;
    }
  }
  EXPECT_GT(r, 81 * 60);
  EXPECT_GT(r, 2 * g);
  EXPECT_GT(r, 2 * bl);

  // The close-up for the documentation: the same light and model, the camera a few units away.
  scene->removeNode(lights.front().get());
  lookFrom({-1.8f, 2.6f, -2.6f}, {-3, 1.3f, 0});
  render(2.0f);
  savePng(colour(), "grill");
}

}  // namespace
}  // namespace vantor_test

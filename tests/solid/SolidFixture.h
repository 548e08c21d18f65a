// A scene with a camera on the headless device, small meshes made in code, and read-backs of
// the scene's four pictures, for the solid-object shading and model import tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EngineFixture.h"
#include "gfx/math/Matrix.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/scene/Scene.h"

namespace vantor_test {

// The picture every pool target has: the 16:9 area of the 640 x 480 back buffer.
constexpr int kWidth = 640;
constexpr int kHeight = 359;

struct Rgb {
  int r, g, b, a;
};
inline Rgb rgbOf(std::uint32_t argb) {
  return {int((argb >> 16) & 255), int((argb >> 8) & 255), int(argb & 255), int(argb >> 24)};
}

// Meshes made in code. Normals are those of the shape; texture set 0 runs 0..1 over each
// face. The caller owns the mesh.
vantor::Mesh* quadMesh(float size);  // in z = 0, facing -z (towards a camera at -z)
vantor::Mesh* boxMesh(float size);   // a cube around the origin, 24 vertices
vantor::Mesh* sphereMesh(float radius, int rings, int segments);
// 2 * cells² triangles over 2 x 2 units in z = 0, with automatic normals (and so tangents).
vantor::Mesh* gridMesh(int cells);

class SolidTest : public EngineTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The scene draws at `time` (seconds): the motion update runs when the time moved by more
  // than 0.01 since the last one.
  void render(float time) { scene->render(time); }
  // Pixels (0xAARRGGBB, top row first) of the colour output and of the extra buffers.
  std::vector<std::uint32_t> colour();
  std::vector<std::uint32_t> blurMap();
  std::vector<std::uint32_t> normals();
  // The depth buffer's red channel as floats.
  std::vector<float> depth();
  // Where a world point lands on the picture, in pixels (x right, y down).
  void project(const vantor::Vector3& world, float& x, float& y);
  static std::uint32_t at(const std::vector<std::uint32_t>& picture, int x, int y) {
    return picture[static_cast<std::size_t>(y) * kWidth + x];
  }
  // Writes the picture to `name`.png under the test output folder and answers the path.
  std::string savePng(const std::vector<std::uint32_t>& picture, const std::string& name);

  std::unique_ptr<vantor::Scene> scene;
  std::unique_ptr<vantor::PerspectiveCamera> camera;
  std::vector<std::unique_ptr<vantor::Mesh>> meshes;
  std::vector<std::unique_ptr<vantor::MeshInstance>> instances;
  std::vector<std::unique_ptr<vantor::NodePointlight>> lights;

  // An instance of `mesh` (kept by the fixture) added to the scene.
  vantor::MeshInstance* addSolid(vantor::Mesh* mesh, const vantor::Matrix& place = {});
  vantor::NodePointlight* addLight(float x, float y, float z, float intensity = 1.0f,
                                   float power = 1.0f);
};

}  // namespace vantor_test

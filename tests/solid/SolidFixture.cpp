#include "SolidFixture.h"

#include <cmath>
#include <filesystem>

#include "DeviceGl.h"
#include "common/PngFile.h"
#include "gfx/mesh/MeshVertex.h"
#include "gfx/resources/RenderTarget.h"

namespace vantor_test {

using vantor::Matrix;
using vantor::Mesh;
using vantor::Vector2;
using vantor::Vector3;

namespace {

struct Corner {
  Vector3 position, normal;
  Vector2 uv;
};

// The shapes' own normals are kept (lit instances would otherwise recompute them) unless
// `autoNormals`, which the tangent frame of a normal-mapped solid needs.
Mesh* meshOf(const std::vector<Corner>& corners, const std::vector<std::uint32_t>& indices,
             bool autoNormals = false) {
  vantor::VertexList vertices;
  for (const Corner& c : corners) {
    auto* v = new vantor::Vertex(c.position.x, c.position.y, c.position.z);
    v->setNormal(c.normal);
    v->setTexcoord0(c.uv);
    v->setTexcoord1(c.uv);
    vertices.push_back(v);
  }
  auto* mesh = new Mesh(static_cast<int>(corners.size()), static_cast<int>(indices.size() / 3));
  mesh->setAutoNormals(autoNormals);
  mesh->setGpuData(vertices, indices);
  for (auto* v : vertices) delete v;
  return mesh;
}

// One face of a box: the four corners of a square around `centre` spanned by u and v.
void addFace(std::vector<Corner>& corners, std::vector<std::uint32_t>& indices, Vector3 centre,
             Vector3 u, Vector3 v, Vector3 normal) {
  const auto base = static_cast<std::uint32_t>(corners.size());
  const float s[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (const auto& k : s) {
    corners.push_back({{centre.x + k[0] * u.x + k[1] * v.x, centre.y + k[0] * u.y + k[1] * v.y,
                        centre.z + k[0] * u.z + k[1] * v.z},
                       normal,
                       {(k[0] + 1) / 2, (1 - k[1]) / 2}});
  }
  // Clockwise as seen from outside, the front faces of Direct3D.
  for (std::uint32_t i : {0u, 2u, 1u, 0u, 3u, 2u}) indices.push_back(base + i);
}

}  // namespace

Mesh* quadMesh(float size) {
  std::vector<Corner> corners;
  std::vector<std::uint32_t> indices;
  const float h = size / 2;
  addFace(corners, indices, {0, 0, 0}, {h, 0, 0}, {0, h, 0}, {0, 0, -1});
  return meshOf(corners, indices);
}

Mesh* boxMesh(float size) {
  std::vector<Corner> corners;
  std::vector<std::uint32_t> indices;
  const float h = size / 2;
  addFace(corners, indices, {0, 0, -h}, {h, 0, 0}, {0, h, 0}, {0, 0, -1});
  addFace(corners, indices, {0, 0, h}, {-h, 0, 0}, {0, h, 0}, {0, 0, 1});
  addFace(corners, indices, {0, h, 0}, {h, 0, 0}, {0, 0, h}, {0, 1, 0});
  addFace(corners, indices, {0, -h, 0}, {h, 0, 0}, {0, 0, -h}, {0, -1, 0});
  addFace(corners, indices, {h, 0, 0}, {0, 0, h}, {0, h, 0}, {1, 0, 0});
  addFace(corners, indices, {-h, 0, 0}, {0, 0, -h}, {0, h, 0}, {-1, 0, 0});
  return meshOf(corners, indices);
}

Mesh* sphereMesh(float radius, int rings, int segments) {
  std::vector<Corner> corners;
  std::vector<std::uint32_t> indices;
  const float pi = 3.14159265f;
  for (int r = 0; r <= rings; ++r) {
    const float theta = pi * r / rings;
    for (int s = 0; s <= segments; ++s) {
      const float phi = 2 * pi * s / segments;
      const Vector3 n{std::sin(theta) * std::cos(phi), std::cos(theta),
                      std::sin(theta) * std::sin(phi)};
      corners.push_back(
          {{n.x * radius, n.y * radius, n.z * radius}, n, {float(s) / segments, float(r) / rings}});
    }
  }
  const auto row = static_cast<std::uint32_t>(segments + 1);
  for (std::uint32_t r = 0; r < std::uint32_t(rings); ++r) {
    for (std::uint32_t s = 0; s < std::uint32_t(segments); ++s) {
      const std::uint32_t a = r * row + s, b = a + 1, c = a + row, d = c + 1;
      for (std::uint32_t i : {a, c, b, b, c, d}) indices.push_back(i);
    }
  }
  return meshOf(corners, indices);
}

Mesh* gridMesh(int cells) {
  std::vector<Corner> corners;
  std::vector<std::uint32_t> indices;
  for (int y = 0; y <= cells; ++y) {
    for (int x = 0; x <= cells; ++x) {
      const float u = float(x) / cells, v = float(y) / cells;
      corners.push_back({{u * 2 - 1, 1 - v * 2, 0}, {0, 0, -1}, {u, v}});
    }
  }
  const auto row = static_cast<std::uint32_t>(cells + 1);
  for (std::uint32_t y = 0; y < std::uint32_t(cells); ++y) {
    for (std::uint32_t x = 0; x < std::uint32_t(cells); ++x) {
      const std::uint32_t a = y * row + x, b = a + 1, c = a + row, d = c + 1;
      for (std::uint32_t i : {a, b, c, b, d, c}) indices.push_back(i);
    }
  }
  Mesh* mesh = meshOf(corners, indices, true);
  // The tangent frame follows texture set 1, which reading the buffers back does not keep.
  for (vantor::VertexBase* v : mesh->editVertices()) v->setTexcoord1(*v->getTexcoord0());
  return mesh;
}

void SolidTest::SetUp() {
  scene = std::make_unique<vantor::Scene>();
  camera = std::make_unique<vantor::PerspectiveCamera>(1.0f, 1.0f, 100.0f);
  camera->setLookAt({0, 0, -5}, {0, 0, 0}, {0, 1, 0});
  scene->setCamera(camera.get());
}

void SolidTest::TearDown() {
  // The nodes go before the scene that lists them; the scene's buffers go back to the pool.
  scene.reset();
  instances.clear();
  meshes.clear();
  lights.clear();
}

vantor::MeshInstance* SolidTest::addSolid(Mesh* mesh, const Matrix& place) {
  meshes.emplace_back(mesh);
  instances.push_back(std::make_unique<vantor::MeshInstance>(mesh));
  instances.back()->setTransform(place);
  scene->addNode(instances.back().get());
  return instances.back().get();
}

vantor::NodePointlight* SolidTest::addLight(float x, float y, float z, float intensity,
                                            float power) {
  lights.push_back(
      std::make_unique<vantor::NodePointlight>(x, y, z, 1, 1, 1, 1, intensity, power, 0));
  scene->addNode(lights.back().get());
  return lights.back().get();
}

std::vector<std::uint32_t> SolidTest::colour() {
  return pixels(surfaceOf(scene->getColorBuffer()));
}
std::vector<std::uint32_t> SolidTest::blurMap() { return pixels(surfaceOf(scene->getBlurMap())); }
std::vector<std::uint32_t> SolidTest::normals() {
  return pixels(surfaceOf(scene->getNormalBuffer()));
}

std::vector<float> SolidTest::depth() {
  std::vector<float> values;
  UINT width = 0, height = 0;
  EXPECT_EQ(
      platform::d3d9::readSurfaceFloat(surfaceOf(scene->getDepthBuffer()), values, width, height),
      D3D_OK);
  return values;
}

void SolidTest::project(const Vector3& p, float& x, float& y) {
  const Matrix vp = camera->getViewProjection();
  float clip[4];
  for (int c = 0; c < 4; ++c) {
    clip[c] = p.x * vp.m[0][c] + p.y * vp.m[1][c] + p.z * vp.m[2][c] + vp.m[3][c];
  }
  x = (clip[0] / clip[3] * 0.5f + 0.5f) * kWidth;
  y = (0.5f - clip[1] / clip[3] * 0.5f) * kHeight;
}

std::string SolidTest::savePng(const std::vector<std::uint32_t>& picture, const std::string& name) {
  datagen::RgbImage image;
  image.width = kWidth;
  image.height = kHeight;
  for (std::uint32_t argb : picture) {
    const Rgb c = rgbOf(argb);
    image.pixels.insert(image.pixels.end(),
                        {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b)});
  }
  const std::filesystem::path folder = std::filesystem::path(VANTOR_BINARY_DIR) / "pictures";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / (name + ".png")).string();
  EXPECT_TRUE(datagen::writePng(path, image)) << path;
  return path;
}

}  // namespace vantor_test

// A cube drawn through Mesh::draw inside a flat-colour effect covers exactly the outline
// that the camera maths gives its corners.
#include <d3dx9.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "DeviceGl.h"
#include "MeshFixture.h"

namespace mesh_test {
namespace {

using MeshPixelTest = MeshTest;

struct Point {
  float x, y;
};

float cross(const Point& o, const Point& a, const Point& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Convex hull, counter-clockwise in a y-up sense (monotone chain).
std::vector<Point> hullOf(std::vector<Point> points) {
  std::sort(points.begin(), points.end(),
            [](const Point& a, const Point& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::vector<Point> hull(2 * points.size());
  std::size_t k = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (std::size_t i = points.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k - 1);
  return hull;
}

// Signed distance from p to the hull's outline: positive inside, negative outside.
float insideBy(const std::vector<Point>& hull, const Point& p) {
  float nearest = 1e9f;
  for (std::size_t i = 0; i < hull.size(); ++i) {
    const Point& a = hull[i];
    const Point& b = hull[(i + 1) % hull.size()];
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    nearest = std::min(nearest, cross(a, b, p) / length);
  }
  return nearest;
}

// The cube from -1 to 1 as a topology of six quads, wound clockwise seen from outside.
void setCube(Mesh& mesh) {
  Parts parts;
  VertexBase* v[8];
  for (int i = 0; i < 8; ++i) {
    v[i] = parts.vertex(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f);
  }
  parts.quad(v[0], v[2], v[3], v[1]);  // z = -1, facing the camera
  parts.quad(v[4], v[5], v[7], v[6]);  // z = +1
  parts.quad(v[0], v[4], v[6], v[2]);  // x = -1
  parts.quad(v[1], v[3], v[7], v[5]);  // x = +1
  parts.quad(v[0], v[1], v[5], v[4]);  // y = -1
  parts.quad(v[2], v[6], v[7], v[3]);  // y = +1
  mesh.setTopology(&parts.vertices, &parts.edges, &parts.faces);
}

TEST_F(MeshPixelTest, ACubeCoversTheOutlineOfItsProjectedCorners) {
  std::ifstream file(TEST_EFFECT_DIR "/Flat.fxo", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  ASSERT_FALSE(bytes.empty());
  ID3DXEffect* effect = nullptr;
  ASSERT_EQ(D3DXCreateEffect(device(), bytes.data(), static_cast<UINT>(bytes.size()), nullptr,
                             nullptr, 0, nullptr, &effect, nullptr),
            D3D_OK);

  constexpr int width = 64, height = 48;
  const Matrix viewProjection =
      Matrix::lookAtLH({2.5f, 2.0f, -4.0f}, {0, 0, 0}, {0, 1, 0}) *
      Matrix::perspectiveFovLH(0.7853982f, float(width) / height, 0.1f, 100.0f);
  D3DXMATRIX matrix;
  static_cast<D3DMATRIX&>(matrix) = viewProjection.toD3D();
  const D3DXVECTOR4 green = {0, 1, 0, 1};
  effect->SetTechnique("Flat");
  effect->SetMatrix("worldViewProjection", &matrix);
  effect->SetVector("color", &green);

  Mesh cube(0, 0);
  setCube(cube);
  ASSERT_EQ(device()->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0),
            D3D_OK);
  ASSERT_EQ(device()->BeginScene(), D3D_OK);
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  cube.draw(Matrix());
  effect->EndPass();
  effect->End();
  ASSERT_EQ(device()->EndScene(), D3D_OK);
  effect->Release();

  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  std::vector<std::uint32_t> argb;
  UINT readWidth = 0, readHeight = 0;
  ASSERT_EQ(platform::d3d9::readSurface(back, argb, readWidth, readHeight), D3D_OK);
  back->Release();
  ASSERT_EQ(readWidth, UINT(width));
  ASSERT_EQ(readHeight, UINT(height));

  // The corners in pixels (row 0 at the top), y flipped to keep the hull's orientation.
  std::vector<Point> corners;
  for (int i = 0; i < 8; ++i) {
    const float p[4] = {i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f, 1};
    float clip[4] = {};
    for (int c = 0; c < 4; ++c) {
      for (int r = 0; r < 4; ++r) clip[c] += p[r] * viewProjection.m[r][c];
    }
    corners.push_back({(clip[0] / clip[3] + 1) / 2 * width, -(1 - clip[1] / clip[3]) / 2 * height});
  }
  const std::vector<Point> hull = hullOf(corners);

  // Pixels whose centre lies more than one pixel inside the outline are the cube's colour,
  // those more than one pixel outside keep the clear colour; the band between is where
  // rasterisation rules and rounding of the projected corners may go either way.
  int inside = 0, wrong = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const float depth = insideBy(hull, {x + 0.5f, -(y + 0.5f)});
      if (std::fabs(depth) <= 1.0f) continue;
      const std::uint32_t expected = depth > 0 ? 0xFF00FF00u : 0xFF000000u;
      inside += depth > 0;
      if (argb[y * width + x] != expected) {
        ++wrong;
        ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << argb[y * width + x];
        if (wrong > 5) return;
      }
    }
  }
  EXPECT_GT(inside, 200);  // the cube fills a good part of the picture
}

}  // namespace
}  // namespace mesh_test

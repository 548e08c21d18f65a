// A headless device with a small back buffer, and helpers to draw and read pixels back.
#pragma once

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "DeviceGl.h"

namespace testing_d3d9 {

// Vertex of the screen-quad format (D3DFVF_XYZ | D3DFVF_TEX1).
struct QuadVertex {
  float x, y, z, u, v;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;

struct Pixels {
  std::vector<std::uint32_t> argb;
  UINT width = 0;
  UINT height = 0;
  std::uint32_t at(UINT x, UINT y) const { return argb[static_cast<size_t>(y) * width + x]; }
};

// Channels of 0xAARRGGBB.
inline int alphaOf(std::uint32_t c) { return (c >> 24) & 0xFF; }
inline int redOf(std::uint32_t c) { return (c >> 16) & 0xFF; }
inline int greenOf(std::uint32_t c) { return (c >> 8) & 0xFF; }
inline int blueOf(std::uint32_t c) { return c & 0xFF; }

// Colours compare per channel within `tolerance` (8-bit steps).
::testing::AssertionResult sameColour(std::uint32_t actual, std::uint32_t expected,
                                      int tolerance = 2);

class DeviceTest : public ::testing::Test {
 protected:
  static constexpr UINT kWidth = 64;
  static constexpr UINT kHeight = 48;

  void SetUp() override;
  void TearDown() override;

  Pixels read(IDirect3DSurface9* surface);
  Pixels readBackBuffer();
  // A render-target texture and its level-0 surface (both held; released at tear-down).
  IDirect3DSurface9* makeTarget(UINT width, UINT height, D3DFORMAT format,
                                IDirect3DTexture9** texture = nullptr);
  // A plain texture filled with one colour (0xAARRGGBB).
  IDirect3DTexture9* makeTexture(UINT width, UINT height, std::uint32_t argb);
  // Two triangles over the clip rectangle [x0, x1] x [y0, y1] (clip space, y up), textured
  // with (0, 0) at the top-left, drawn inside its own scene.
  void drawQuad(float x0 = -1, float y0 = -1, float x1 = 1, float y1 = 1, float z = 0);

  IDirect3D9* direct3d = nullptr;
  IDirect3DDevice9* device = nullptr;

 private:
  std::vector<IUnknown*> held_;
};

}  // namespace testing_d3d9

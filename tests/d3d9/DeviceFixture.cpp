#include "DeviceFixture.h"

#include <cstdio>
#include <cstdlib>

namespace testing_d3d9 {

::testing::AssertionResult sameColour(std::uint32_t actual, std::uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    if (std::abs(a - e) > tolerance) {
      char text[96];
      std::snprintf(text, sizeof text, "0x%08X is not 0x%08X (within %d)", actual, expected,
                    tolerance);
      return ::testing::AssertionFailure() << text;
    }
  }
  return ::testing::AssertionSuccess();
}

void DeviceTest::SetUp() {
  direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(direct3d, nullptr);
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(kWidth, kHeight);
  ASSERT_EQ(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
            D3D_OK);
  static bool named = false;
  if (!named) {
    std::printf("GL renderer: %s\n", platform::d3d9::rendererName(device));
    named = true;
  }
}

void DeviceTest::TearDown() {
  for (IUnknown* object : held_) object->Release();
  if (device) {
    EXPECT_EQ(device->Release(), 0u);
  }
  if (direct3d) direct3d->Release();
}

Pixels DeviceTest::read(IDirect3DSurface9* surface) {
  Pixels pixels;
  EXPECT_EQ(platform::d3d9::readSurface(surface, pixels.argb, pixels.width, pixels.height), D3D_OK);
  return pixels;
}

Pixels DeviceTest::readBackBuffer() {
  IDirect3DSurface9* back = nullptr;
  EXPECT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  Pixels pixels = read(back);
  back->Release();
  return pixels;
}

IDirect3DSurface9* DeviceTest::makeTarget(UINT width, UINT height, D3DFORMAT format,
                                          IDirect3DTexture9** texture) {
  IDirect3DTexture9* created = nullptr;
  EXPECT_EQ(device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT,
                                  &created, nullptr),
            D3D_OK);
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(created->GetSurfaceLevel(0, &surface), D3D_OK);
  held_.push_back(surface);
  held_.push_back(created);
  if (texture) *texture = created;
  return surface;
}

IDirect3DTexture9* DeviceTest::makeTexture(UINT width, UINT height, std::uint32_t argb) {
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(device->CreateTexture(width, height, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture,
                                  nullptr),
            D3D_OK);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  for (UINT y = 0; y < height; ++y) {
    auto* row =
        reinterpret_cast<std::uint32_t*>(static_cast<char*>(locked.pBits) + y * locked.Pitch);
    for (UINT x = 0; x < width; ++x) row[x] = argb;
  }
  EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
  held_.push_back(texture);
  return texture;
}

void DeviceTest::drawQuad(float x0, float y0, float x1, float y1, float z) {
  const QuadVertex quad[6] = {{x0, y0, z, 0, 1}, {x0, y1, z, 0, 0}, {x1, y1, z, 1, 0},
                              {x1, y1, z, 1, 0}, {x1, y0, z, 1, 1}, {x0, y0, z, 0, 1}};
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(QuadVertex)), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
}

}  // namespace testing_d3d9

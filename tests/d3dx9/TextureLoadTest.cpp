// D3DXCreateTextureFromFileInMemoryEx with the engine's arguments: sizes rounded to powers of
// two, full mip chain, the picture's own information, and refusal of bad data.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include "DeviceFixture.h"
#include "ImageEncoding.h"

namespace {

using testing_d3d9::DeviceTest;
using testing_d3d9::sameColour;
using testing_d3dx9::encodeJpeg;
using testing_d3dx9::encodePng;

class TextureLoadTest : public DeviceTest {
 protected:
  // The engine's call: default sizes, full chain, the picture's format, triangle/box filters.
  HRESULT load(const std::vector<unsigned char>& bytes, IDirect3DTexture9** texture,
               D3DXIMAGE_INFO* info) {
    return D3DXCreateTextureFromFileInMemoryEx(
        device, bytes.data(), static_cast<UINT>(bytes.size()), D3DX_DEFAULT, D3DX_DEFAULT, 0, 0,
        D3DFMT_UNKNOWN, D3DPOOL_DEFAULT, D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, D3DX_FILTER_BOX,
        0, info, nullptr, texture);
  }
  testing_d3d9::Pixels level(IDirect3DTexture9* texture, UINT index) {
    IDirect3DSurface9* surface = nullptr;
    EXPECT_EQ(texture->GetSurfaceLevel(index, &surface), D3D_OK);
    testing_d3d9::Pixels pixels = read(surface);
    surface->Release();
    return pixels;
  }
};

TEST_F(TextureLoadTest, PngRoundsUpToPowersOfTwoWithAFullChain) {
  const std::uint32_t colour = 0x80C86432;  // translucent orange
  const auto bytes = encodePng(5, 3, std::vector<std::uint32_t>(15, colour), true);
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(load(bytes, &texture, &info), D3D_OK);
  EXPECT_EQ(info.Width, 5u);
  EXPECT_EQ(info.Height, 3u);
  EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 8u);
  EXPECT_EQ(desc.Height, 4u);
  EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(texture->GetLevelCount(), 4u);  // 8×4, 4×2, 2×1, 1×1
  // A flat picture stays flat through scaling and every box level (rounding only).
  for (UINT i = 0; i < 4; ++i) {
    const auto pixels = level(texture, i);
    EXPECT_TRUE(sameColour(pixels.at(0, 0), colour, 1)) << "level " << i;
    EXPECT_TRUE(sameColour(pixels.at(pixels.width - 1, pixels.height - 1), colour, 1));
  }
  texture->Release();
}

TEST_F(TextureLoadTest, MipLevelsAreBoxAveragesOfTheLevelAbove) {
  // Four 2×2 quadrants: red, green, blue, white; opaque, without alpha channel.
  std::vector<std::uint32_t> argb(16);
  const std::uint32_t quadrant[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) argb[y * 4 + x] = quadrant[(y / 2) * 2 + x / 2];
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(load(encodePng(4, 4, argb, false), &texture, &info), D3D_OK);
  EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
  D3DSURFACE_DESC desc{};
  texture->GetLevelDesc(0, &desc);
  EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
  ASSERT_EQ(texture->GetLevelCount(), 3u);
  const auto top = level(texture, 0);
  EXPECT_EQ(top.at(3, 0), 0xFF00FF00u);  // a power-of-two picture is copied exactly
  EXPECT_EQ(top.at(0, 3), 0xFF0000FFu);
  const auto middle = level(texture, 1);
  EXPECT_EQ(middle.at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(middle.at(1, 1), 0xFFFFFFFFu);
  // (255 + 0 + 0 + 255) / 4 = 127.5 for red and blue and green: rounded to 128.
  EXPECT_TRUE(sameColour(level(texture, 2).at(0, 0), 0xFF808080, 1));
  texture->Release();
}

TEST_F(TextureLoadTest, JpegDecodesToItsSizeAndColour) {
  const auto bytes = encodeJpeg(16, 8, std::vector<std::uint32_t>(128, 0xFF3070B0));
  IDirect3DTexture9* texture = nullptr;
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(load(bytes, &texture, &info), D3D_OK);
  EXPECT_EQ(info.Width, 16u);
  EXPECT_EQ(info.Height, 8u);
  EXPECT_EQ(info.Format, D3DFMT_R8G8B8);
  EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
  EXPECT_EQ(texture->GetLevelCount(), 5u);
  // JPEG at quality 95 keeps a flat colour within a few steps (chroma rounding).
  EXPECT_TRUE(sameColour(level(texture, 0).at(7, 3), 0xFF3070B0, 4));
  EXPECT_TRUE(sameColour(level(texture, 4).at(0, 0), 0xFF3070B0, 4));
  texture->Release();
}

TEST_F(TextureLoadTest, CorruptTruncatedEmptyAndHugePicturesAreRefused) {
  const auto png = encodePng(8, 8, std::vector<std::uint32_t>(64, 0xFF102030), false);
  const auto jpeg = encodeJpeg(32, 32, std::vector<std::uint32_t>(1024, 0xFF102030));
  const std::vector<unsigned char> garbage(100, 0x5A);
  std::vector<unsigned char> flippedPng = png;
  flippedPng[flippedPng.size() / 2] ^= 0xFF;  // breaks the data chunk's CRC
  const std::vector<std::vector<unsigned char>> bad = {
      {png.begin(), png.begin() + png.size() / 2},
      {jpeg.begin(), jpeg.begin() + jpeg.size() / 2},
      {png.begin(), png.begin() + 20},
      {jpeg.begin(), jpeg.begin() + 2},
      garbage,
      flippedPng,
      encodePng(20000, 1, std::vector<std::uint32_t>(20000, 0xFF000000), false),
      encodeJpeg(20000, 1, std::vector<std::uint32_t>(20000, 0xFF000000)),
  };
  for (std::size_t i = 0; i < bad.size(); ++i) {
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
    EXPECT_EQ(load(bad[i], &texture, nullptr), D3DXERR_INVALIDDATA) << "case " << i;
    EXPECT_EQ(texture, nullptr);
  }
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(load({}, &texture, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture, nullptr);
}

}  // namespace

// D3DXCreateTextureFromFileInMemoryEx: decode, scale to the texture's size, build the mip chain
// and fill each level through LockRect.
#include <d3dx9tex.h>

#include <algorithm>
#include <cstring>

#include "CallReport.h"
#include "ImageDecoder.h"
#include "ImageFilter.h"

namespace {

using platform::d3dx9::Picture;
using platform::d3dx9::ScaleFilter;

std::uint32_t nextPowerOfTwo(std::uint32_t value) {
  std::uint32_t power = 1;
  while (power < value) power <<= 1;
  return power;
}

// The texture edge for a requested size and the picture's own edge.
std::uint32_t textureEdge(UINT requested, std::uint32_t picture) {
  if (requested == 0 || requested == D3DX_DEFAULT) return nextPowerOfTwo(picture);
  if (requested == D3DX_DEFAULT_NONPOW2 || requested == D3DX_FROM_FILE) return picture;
  return requested;
}

UINT fullChainLength(std::uint32_t width, std::uint32_t height) {
  UINT levels = 1;
  while (width > 1 || height > 1) {
    width = std::max(1u, width / 2);
    height = std::max(1u, height / 2);
    ++levels;
  }
  return levels;
}

// A filter is a type in the low byte (none, point, linear, triangle, box; D3DX_DEFAULT means
// triangle) plus flags. Dither and mirror change nothing for 8-bit pictures with clamped
// edges and are accepted; sRGB conversions are not implemented and are refused.
bool validFilter(DWORD filter) {
  if (filter == D3DX_DEFAULT) return true;
  const DWORD kind = filter & 0xFF;
  return kind >= D3DX_FILTER_NONE && kind <= D3DX_FILTER_BOX && (filter & D3DX_FILTER_SRGB) == 0;
}

ScaleFilter scaleFilterOf(DWORD filter) {
  const DWORD kind = filter == D3DX_DEFAULT ? D3DX_FILTER_TRIANGLE : filter & 0xFF;
  return kind <= D3DX_FILTER_POINT ? ScaleFilter::kPoint : ScaleFilter::kTriangle;
}

HRESULT fillLevel(IDirect3DTexture9* texture, UINT level, const Picture& picture,
                  std::uint32_t forcedAlpha) {
  D3DLOCKED_RECT locked{};
  if (HRESULT hr = texture->LockRect(level, &locked, nullptr, 0); FAILED(hr)) return hr;
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<char*>(locked.pBits) +
                                                 static_cast<std::size_t>(y) * locked.Pitch);
    const std::uint32_t* in = picture.argb.data() + static_cast<std::size_t>(y) * picture.width;
    for (std::uint32_t x = 0; x < picture.width; ++x) row[x] = in[x] | forcedAlpha;
  }
  return texture->UnlockRect(level);
}

}  // namespace

HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 device, LPCVOID srcData,
                                                   UINT srcDataSize, UINT width, UINT height,
                                                   UINT mipLevels, DWORD usage, D3DFORMAT format,
                                                   D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                                   D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                                   PALETTEENTRY* /*palette*/,
                                                   LPDIRECT3DTEXTURE9* texture) {
  using platform::refuse;
  constexpr const char* kCall = "D3DXCreateTextureFromFileInMemoryEx";
  if (texture == nullptr)
    return refuse(D3DERR_INVALIDCALL, kCall, "the texture out-pointer is null");
  *texture = nullptr;
  if (device == nullptr || srcData == nullptr || srcDataSize == 0) {
    return refuse(D3DERR_INVALIDCALL, kCall, "the device and at least one byte of data are needed");
  }
  // Mip levels are always box-filtered from the level above, whichever valid mip filter.
  if (!validFilter(filter) || !validFilter(mipFilter)) {
    return refuse(D3DERR_INVALIDCALL, kCall, "filter 0x%X or mip filter 0x%X is not a D3DX filter",
                  static_cast<unsigned>(filter), static_cast<unsigned>(mipFilter));
  }

  platform::d3dx9::DecodedImage image;
  if (!platform::d3dx9::decodeImage(srcData, srcDataSize, image)) {
    return refuse(D3DXERR_INVALIDDATA, kCall, "the %u bytes are not a PNG or JPEG picture",
                  srcDataSize);
  }

  const bool pictureAlpha = image.format == D3DFMT_A8R8G8B8;
  if (format == D3DFMT_UNKNOWN || format == D3DFMT_FROM_FILE) {
    format = pictureAlpha || (colorKey >> 24) != 0 ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  }
  if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) {
    return refuse(D3DERR_INVALIDCALL, kCall, "format %u is neither A8R8G8B8 nor X8R8G8B8",
                  static_cast<unsigned>(format));
  }

  const std::uint32_t textureWidth = textureEdge(width, image.width);
  const std::uint32_t textureHeight = textureEdge(height, image.height);
  if (!platform::d3dx9::acceptableSize(textureWidth, textureHeight)) {
    return refuse(D3DERR_INVALIDCALL, kCall, "a %ux%u texture is not possible", textureWidth,
                  textureHeight);
  }
  const UINT fullChain = fullChainLength(textureWidth, textureHeight);
  UINT levels = mipLevels;
  if (levels == 0 || levels == D3DX_DEFAULT) levels = fullChain;
  if (levels == D3DX_FROM_FILE) levels = 1;
  levels = std::min(levels, fullChain);

  Picture picture{image.width, image.height, std::move(image.argb)};
  if ((colorKey >> 24) != 0) {
    for (std::uint32_t& texel : picture.argb) {
      if (texel == colorKey) texel = 0;
    }
  }
  picture =
      platform::d3dx9::scalePicture(picture, textureWidth, textureHeight, scaleFilterOf(filter));

  IDirect3DTexture9* created = nullptr;
  if (HRESULT hr = device->CreateTexture(textureWidth, textureHeight, levels, usage, format, pool,
                                         &created, nullptr);
      FAILED(hr)) {
    return refuse(hr, kCall, "the device refused the %ux%u texture", textureWidth, textureHeight);
  }
  const std::uint32_t forcedAlpha = format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
  for (UINT level = 0; level < levels; ++level) {
    if (level > 0) picture = platform::d3dx9::halvePicture(picture);
    if (HRESULT hr = fillLevel(created, level, picture, forcedAlpha); FAILED(hr)) {
      created->Release();
      return refuse(hr, kCall, "level %u could not be filled", level);
    }
  }
  if (srcInfo != nullptr) {
    *srcInfo = D3DXIMAGE_INFO{image.width,      image.height,    1, 1, image.format,
                              D3DRTYPE_TEXTURE, image.fileFormat};
  }
  *texture = created;
  return D3D_OK;
}

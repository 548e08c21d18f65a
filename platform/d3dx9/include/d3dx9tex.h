// D3DX 9 texture loading of the subset the engine uses: JPEG and PNG pictures from memory.
#pragma once

#include "d3dx9core.h"

constexpr DWORD D3DX_FILTER_NONE = 1 << 0;
constexpr DWORD D3DX_FILTER_POINT = 2 << 0;
constexpr DWORD D3DX_FILTER_LINEAR = 3 << 0;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4 << 0;
constexpr DWORD D3DX_FILTER_BOX = 5 << 0;
constexpr DWORD D3DX_FILTER_MIRROR_U = 1 << 16;
constexpr DWORD D3DX_FILTER_MIRROR_V = 2 << 16;
constexpr DWORD D3DX_FILTER_MIRROR_W = 4 << 16;
constexpr DWORD D3DX_FILTER_MIRROR = 7 << 16;
constexpr DWORD D3DX_FILTER_DITHER = 1 << 19;
constexpr DWORD D3DX_FILTER_DITHER_DIFFUSION = 2 << 19;
constexpr DWORD D3DX_FILTER_SRGB_IN = 1 << 21;
constexpr DWORD D3DX_FILTER_SRGB_OUT = 2 << 21;
constexpr DWORD D3DX_FILTER_SRGB = 3 << 21;

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8,
};

// What the picture itself is: its own size and pixel format, before any rounding.
struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

// Decodes a JPEG or PNG picture and creates a texture from it. Width/Height D3DX_DEFAULT round
// the picture's size up to powers of two (D3DX_DEFAULT_NONPOW2 or D3DX_FROM_FILE keep it);
// other sizes are used as given, the picture scaled with Filter. MipLevels 0 or D3DX_DEFAULT
// make the full chain down to 1×1, each level box-filtered from the one above. Format
// D3DFMT_UNKNOWN takes the picture's own (A8R8G8B8 with alpha, X8R8G8B8 without); A8R8G8B8 and
// X8R8G8B8 may be asked for. ColorKey (when its alpha is not 0) turns matching opaque pixels
// into transparent black. Corrupt, truncated or empty data, or a picture larger than 16384
// pixels on a side, answers D3DXERR_INVALIDDATA and creates no texture. srcInfo and palette
// may be null; no palette is ever written.
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(
    LPDIRECT3DDEVICE9 device, LPCVOID srcData, UINT srcDataSize, UINT width, UINT height,
    UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
    D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* palette, LPDIRECT3DTEXTURE9* texture);

// Decoding of JPEG (libjpeg-turbo) and PNG (libpng) pictures from untrusted memory.
#pragma once

#include <d3dx9tex.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform::d3dx9 {

// Larger pictures are refused from their header, before any pixel memory is allocated.
constexpr std::uint32_t kMaxImageEdge = 16384;
constexpr std::uint64_t kMaxImagePixels = 64ull << 20;

inline bool acceptableSize(std::uint64_t width, std::uint64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxImageEdge && height <= kMaxImageEdge &&
         width * height <= kMaxImagePixels;
}

struct DecodedImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  D3DFORMAT format = D3DFMT_UNKNOWN;  // the picture's own: R8G8B8, A8R8G8B8 or L8
  D3DXIMAGE_FILEFORMAT fileFormat = D3DXIFF_BMP;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB, top row first; alpha 0xFF without alpha
};

// Answers false for anything but a complete, well-formed JPEG or PNG within the size limits
// (truncated data and decoder warnings count as failures).
bool decodeImage(const void* data, std::size_t size, DecodedImage& image);

bool decodeJpeg(const void* data, std::size_t size, DecodedImage& image);
bool decodePng(const void* data, std::size_t size, DecodedImage& image);

}  // namespace platform::d3dx9

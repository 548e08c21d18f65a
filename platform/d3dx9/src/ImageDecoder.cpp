#include "ImageDecoder.h"

#include <cstring>

namespace platform::d3dx9 {

bool decodeImage(const void* data, std::size_t size, DecodedImage& image) {
  if (data == nullptr || size < 8) return false;
  const auto* bytes = static_cast<const unsigned char*>(data);
  static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (std::memcmp(bytes, kPng, 8) == 0) return decodePng(data, size, image);
  if (bytes[0] == 0xFF && bytes[1] == 0xD8) return decodeJpeg(data, size, image);
  return false;
}

}  // namespace platform::d3dx9

// Encodes small pictures in memory for texture-loading tests.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_d3dx9 {

// argb: 0xAARRGGBB, top row first. PNG keeps alpha when withAlpha; JPEG drops it (quality 95).
std::vector<unsigned char> encodePng(std::uint32_t width, std::uint32_t height,
                                     const std::vector<std::uint32_t>& argb, bool withAlpha);
std::vector<unsigned char> encodeJpeg(std::uint32_t width, std::uint32_t height,
                                      const std::vector<std::uint32_t>& argb);

}  // namespace testing_d3dx9

// Resampling of 0xAARRGGBB pictures for texture creation: scaling to the texture's size and
// halving into the next mip level.
#pragma once

#include <cstdint>
#include <vector>

namespace platform::d3dx9 {

struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint32_t> argb;  // top row first
};

enum class ScaleFilter { kPoint, kTriangle };

// Scales to width × height. kTriangle weighs source texels with a tent as wide as one source
// texel or one destination texel, whichever is larger (bilinear when enlarging, an area
// average when reducing); edges clamp.
Picture scalePicture(const Picture& source, std::uint32_t width, std::uint32_t height,
                     ScaleFilter filter);

// The next mip level: max(1, w/2) × max(1, h/2), each texel the box average of the 2×2 (or
// 2×1, 1×2) source texels it covers, per channel and rounded; an odd last row or column of
// the source is left out, as in a plain 2×2 reduction.
Picture halvePicture(const Picture& source);

}  // namespace platform::d3dx9

#include "ImageFilter.h"

#include <algorithm>
#include <cmath>

namespace platform::d3dx9 {
namespace {

struct Tap {
  std::uint32_t index;
  float weight;
};

// For each destination position along one axis, the source texels and their weights.
std::vector<std::vector<Tap>> axisTaps(std::uint32_t sourceSize, std::uint32_t size,
                                       ScaleFilter filter) {
  std::vector<std::vector<Tap>> taps(size);
  const float scale = static_cast<float>(sourceSize) / static_cast<float>(size);
  const float radius = std::max(1.0f, scale);
  for (std::uint32_t i = 0; i < size; ++i) {
    const float centre = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
    if (filter == ScaleFilter::kPoint) {
      const auto nearest = static_cast<std::int64_t>(std::floor(centre + 0.5f));
      taps[i].push_back(
          {static_cast<std::uint32_t>(std::clamp<std::int64_t>(nearest, 0, sourceSize - 1)), 1.0f});
      continue;
    }
    const auto first = static_cast<std::int64_t>(std::ceil(centre - radius));
    const auto last = static_cast<std::int64_t>(std::floor(centre + radius));
    float total = 0;
    for (std::int64_t s = first; s <= last; ++s) {
      const float weight = 1.0f - std::abs(static_cast<float>(s) - centre) / radius;
      if (weight <= 0) continue;
      const auto index = static_cast<std::uint32_t>(std::clamp<std::int64_t>(s, 0, sourceSize - 1));
      taps[i].push_back({index, weight});
      total += weight;
    }
    for (Tap& tap : taps[i]) tap.weight /= total;
  }
  return taps;
}

float channel(std::uint32_t argb, int shift) { return static_cast<float>((argb >> shift) & 0xFF); }

std::uint32_t pack(const float (&channels)[4]) {
  std::uint32_t argb = 0;
  for (int c = 0; c < 4; ++c) {
    const auto value = static_cast<std::uint32_t>(std::clamp(std::lround(channels[c]), 0l, 255l));
    argb |= value << (8 * c);
  }
  return argb;
}

}  // namespace

Picture scalePicture(const Picture& source, std::uint32_t width, std::uint32_t height,
                     ScaleFilter filter) {
  if (width == source.width && height == source.height) return source;
  const auto columns = axisTaps(source.width, width, filter);
  const auto rows = axisTaps(source.height, height, filter);
  // Horizontal pass into floats, then vertical.
  std::vector<float> horizontal(static_cast<std::size_t>(width) * source.height * 4);
  for (std::uint32_t y = 0; y < source.height; ++y) {
    const std::uint32_t* in = source.argb.data() + static_cast<std::size_t>(y) * source.width;
    float* out = horizontal.data() + static_cast<std::size_t>(y) * width * 4;
    for (std::uint32_t x = 0; x < width; ++x) {
      for (const Tap& tap : columns[x]) {
        for (int c = 0; c < 4; ++c) out[4 * x + c] += tap.weight * channel(in[tap.index], 8 * c);
      }
    }
  }
  Picture result{width, height,
                 std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (const Tap& tap : rows[y]) {
        const float* in = horizontal.data() + (static_cast<std::size_t>(tap.index) * width + x) * 4;
        for (int c = 0; c < 4; ++c) sum[c] += tap.weight * in[c];
      }
      result.argb[static_cast<std::size_t>(y) * width + x] = pack(sum);
    }
  }
  return result;
}

Picture halvePicture(const Picture& source) {
  Picture result;
  result.width = std::max(1u, source.width / 2);
  result.height = std::max(1u, source.height / 2);
  result.argb.resize(static_cast<std::size_t>(result.width) * result.height);
  const std::uint32_t stepX = source.width > 1 ? 2 : 1;
  const std::uint32_t stepY = source.height > 1 ? 2 : 1;
  for (std::uint32_t y = 0; y < result.height; ++y) {
    for (std::uint32_t x = 0; x < result.width; ++x) {
      float sum[4] = {0, 0, 0, 0};
      for (std::uint32_t dy = 0; dy < stepY; ++dy) {
        for (std::uint32_t dx = 0; dx < stepX; ++dx) {
          const std::uint32_t texel =
              source.argb[static_cast<std::size_t>(y * stepY + dy) * source.width + x * stepX + dx];
          for (int c = 0; c < 4; ++c) sum[c] += channel(texel, 8 * c);
        }
      }
      for (float& c : sum) c /= static_cast<float>(stepX * stepY);
      result.argb[static_cast<std::size_t>(y) * result.width + x] = pack(sum);
    }
  }
  return result;
}

}  // namespace platform::d3dx9

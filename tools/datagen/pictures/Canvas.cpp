#include "Canvas.h"

#include <algorithm>
#include <cmath>

namespace datagen {

Canvas::Canvas(int width, int height, Vec3 fill)
    : width_(width), height_(height), pixels_(size_t(width) * height, fill) {}

void Canvas::blend(int x, int y, Vec3 colour, double coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || coverage <= 0) return;
  coverage = std::min(coverage, 1.0);
  Vec3& p = at(x, y);
  p = p * (1 - coverage) + colour * coverage;
}

RgbImage Canvas::toImage(bool gamma) const {
  RgbImage image{width_, height_, std::vector<uint8_t>(pixels_.size() * 3)};
  auto encode = [gamma](double v) {
    v = std::clamp(v, 0.0, 1.0);
    if (gamma) v = std::pow(v, 1 / 2.2);
    return uint8_t(std::lround(v * 255));
  };
  for (size_t i = 0; i < pixels_.size(); ++i) {
    image.pixels[i * 3 + 0] = encode(pixels_[i].x);
    image.pixels[i * 3 + 1] = encode(pixels_[i].y);
    image.pixels[i * 3 + 2] = encode(pixels_[i].z);
  }
  return image;
}

}  // namespace datagen

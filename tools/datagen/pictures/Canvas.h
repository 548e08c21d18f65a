#pragma once

#include <vector>

#include "common/JpegFile.h"
#include "common/Vec3.h"

namespace datagen {

// A linear-light RGB picture of doubles (0 = black, 1 = full), rows top to bottom. The
// generators paint in it and convert to 8-bit sRGB-ish bytes (gamma 2.2) at the end; normal
// maps are stored without gamma.
class Canvas {
 public:
  Canvas(int width, int height, Vec3 fill = {});
  int width() const { return width_; }
  int height() const { return height_; }
  Vec3& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }
  const Vec3& at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
  // Mixes colour into the pixel by coverage (0..1); pixels outside are ignored.
  void blend(int x, int y, Vec3 colour, double coverage);
  RgbImage toImage(bool gamma) const;

 private:
  int width_, height_;
  std::vector<Vec3> pixels_;
};

}  // namespace datagen

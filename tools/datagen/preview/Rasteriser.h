#pragma once

#include <vector>

#include "common/JpegFile.h"
#include "common/Vec3.h"

namespace datagen {

// A vertex handed to the rasteriser: world position, world normal, and the colour terms of
// its surface (already lit by nothing; lighting happens per pixel).
struct ShadedVertex {
  Vec3 position;
  Vec3 normal;
  Vec3 diffuse;
  Vec3 specular;
  double specularPower = 1;
};

// The viewer: a left-handed look-at camera with a vertical field of view in radians.
struct PreviewCamera {
  Vec3 eye, at, up{0, 1, 0};
  double fovY = 1.0;
};

// A small z-buffered software rasteriser for documentation pictures: per-pixel Blinn-Phong
// with a white key light above and left of the camera plus a dim fill, 3x3 supersampled,
// drawn over a background picture. Not a model of the engine's shading, only of where the
// geometry ends up.
class Rasteriser {
 public:
  Rasteriser(int width, int height, const PreviewCamera& camera, const RgbImage& background);
  void drawTriangle(const ShadedVertex& a, const ShadedVertex& b, const ShadedVertex& c);
  RgbImage resolve() const;

 private:
  struct Projected {
    double x, y, depth;
  };
  bool project(Vec3 p, Projected& out) const;
  Vec3 shade(const ShadedVertex& v) const;

  int width_, height_;  // of the supersampled buffers
  PreviewCamera camera_;
  Vec3 right_, up_, forward_;
  double focal_;
  std::vector<Vec3> colour_;
  std::vector<double> depth_;
};

}  // namespace datagen

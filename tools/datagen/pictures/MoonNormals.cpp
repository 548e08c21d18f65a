#include <algorithm>
#include <cmath>
#include <vector>

#include "Noise.h"
#include "Pictures.h"

namespace datagen {
namespace {

constexpr int kSize = 512;

// Shortest distance along one axis on a surface that repeats every kSize pixels.
double wrapped(double d) {
  d = std::fmod(d, kSize);
  if (d > kSize / 2.0) d -= kSize;
  if (d < -kSize / 2.0) d += kSize;
  return d;
}

// Three passes of a wrapping 5-tap box blur in each direction: rounds off the crater rims,
// whose sharp creases JPEG would otherwise ring around, bending the decoded normals.
std::vector<double> smoothed(std::vector<double> h) {
  std::vector<double> tmp(h.size());
  for (int pass = 0; pass < 3; ++pass) {
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        double sum = 0;
        for (int k = -2; k <= 2; ++k) sum += h[size_t(y) * kSize + (x + k + kSize) % kSize];
        tmp[size_t(y) * kSize + x] = sum / 5;
      }
    }
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        double sum = 0;
        for (int k = -2; k <= 2; ++k) sum += tmp[size_t((y + k + kSize) % kSize) * kSize + x];
        h[size_t(y) * kSize + x] = sum / 5;
      }
    }
  }
  return h;
}

// Height field of the surface, in pixels of height: rolling ground, then craters of many
// sizes, each a bowl with a raised rim, placed with wrap-around so that the map tiles.
std::vector<double> craterHeights() {
  std::vector<double> h(size_t(kSize) * kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      h[size_t(y) * kSize + x] = 10 * periodicFbm(x / 64.0, y / 64.0, 8, 5, 0.5, 7);
    }
  }
  Random random(409);
  for (int i = 0; i < 140; ++i) {
    double radius = 4 + 46 * std::pow(random.next(), 4.0);
    double cx = random.range(0, kSize), cy = random.range(0, kSize);
    double depth = radius * 0.3, rim = radius * 0.12;
    int reach = int(radius * 1.8) + 1;
    for (int dy = -reach; dy <= reach; ++dy) {
      for (int dx = -reach; dx <= reach; ++dx) {
        int px = ((int(cx) + dx) % kSize + kSize) % kSize;
        int py = ((int(cy) + dy) % kSize + kSize) % kSize;
        double r = std::hypot(wrapped(px + 0.5 - cx), wrapped(py + 0.5 - cy)) / radius;
        if (r > 1.8) continue;
        double bowl = r < 1 ? -depth * (1 - r * r) * (1 - r * r) : 0;
        double ring = rim * std::exp(-std::pow((r - 0.95) / 0.25, 2));
        double ejecta = r > 1 ? rim * 0.4 * std::exp(-(r - 1) * 3) : 0;
        h[size_t(py) * kSize + px] += bowl + ring + ejecta;
      }
    }
  }
  return smoothed(h);
}

}  // namespace

Canvas paintMoonNormals() {
  std::vector<double> h = craterHeights();
  auto height = [&h](int x, int y) {
    return h[size_t((y + kSize) % kSize) * kSize + (x + kSize) % kSize];
  };
  Canvas canvas(kSize, kSize);
  const double strength = 0.45;  // how steep the slopes look
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      double gx = (height(x + 1, y) - height(x - 1, y)) * 0.5 * strength;
      double gy = (height(x, y + 1) - height(x, y - 1)) * 0.5 * strength;
      Vec3 n = normalize({-gx, -gy, 1});
      canvas.at(x, y) = n * 0.5 + Vec3{0.5, 0.5, 0.5};
    }
  }
  return canvas;
}

}  // namespace datagen

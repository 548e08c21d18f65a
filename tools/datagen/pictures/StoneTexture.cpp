#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Pictures.h"

namespace datagen {
namespace {

constexpr int kSize = 512;
constexpr int kCells = 6;  // stones per side, on a jittered grid that repeats
constexpr double kCell = double(kSize) / kCells;

// The stone centre of grid cell (i, j), with the grid wrapped so that the texture tiles.
void stoneCentre(int i, int j, double& x, double& y) {
  int wi = (i % kCells + kCells) % kCells, wj = (j % kCells + kCells) % kCells;
  x = (i + 0.2 + 0.6 * hash01(wi, wj, 31)) * kCell;
  y = (j + 0.2 + 0.6 * hash01(wi, wj, 32)) * kCell;
}

Vec3 stoneTint(int i, int j) {
  int wi = (i % kCells + kCells) % kCells, wj = (j % kCells + kCells) % kCells;
  double a = hash01(wi, wj, 33), b = hash01(wi, wj, 34);
  Vec3 grey{0.30, 0.29, 0.27}, warm{0.42, 0.30, 0.22}, cool{0.22, 0.24, 0.26};
  return a < 0.5 ? grey + (warm - grey) * (b * 0.8) : grey + (cool - grey) * b;
}

}  // namespace

Canvas paintStoneTexture() {
  Canvas canvas(kSize, kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      // Worley distances: nearest and second nearest stone centre.
      int ci = int(x / kCell), cj = int(y / kCell);
      double d1 = 1e9, d2 = 1e9;
      int bi = 0, bj = 0;
      for (int j = cj - 2; j <= cj + 2; ++j) {
        for (int i = ci - 2; i <= ci + 2; ++i) {
          double sx, sy;
          stoneCentre(i, j, sx, sy);
          double d = std::hypot(x + 0.5 - sx, y + 0.5 - sy);
          if (d < d1) {
            d2 = d1, d1 = d, bi = i, bj = j;
          } else if (d < d2) {
            d2 = d;
          }
        }
      }
      double edge = (d2 - d1) / 2;  // distance to the joint between two stones
      double grain = periodicFbm(x / 16.0, y / 16.0, 32, 4, 0.55, 41);
      double speck = hash01(x, y, 43);
      Vec3 stone = stoneTint(bi, bj) * (0.75 + 0.5 * grain);
      if (speck > 0.97) stone = stone * 1.6;  // quartz
      if (speck < 0.03) stone = stone * 0.5;  // dark mica
      double rounded = std::clamp(edge / 10.0, 0.0, 1.0);
      stone = stone * (0.55 + 0.45 * std::sqrt(rounded));
      Vec3 joint = Vec3{0.06, 0.055, 0.05} * (0.7 + 0.6 * grain);
      canvas.at(x, y) = joint + (stone - joint) * std::clamp((edge - 1.5) / 1.5, 0.0, 1.0);
    }
  }
  return canvas;
}

}  // namespace datagen

#include "Noise.h"

#include <cmath>

namespace datagen {

double hash01(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 16;
  h *= 0x7feb352du;
  h ^= h >> 15;
  h *= 0x846ca68bu;
  h ^= h >> 16;
  return (h >> 8) * (1.0 / 16777216.0);
}

double periodicNoise(double x, double y, int period, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  auto wrap = [period](double v) {
    int i = int(v) % period;
    return i < 0 ? i + period : i;
  };
  int x0 = wrap(fx), y0 = wrap(fy), x1 = (x0 + 1) % period, y1 = (y0 + 1) % period;
  double a = hash01(x0, y0, seed), b = hash01(x1, y0, seed);
  double c = hash01(x0, y1, seed), d = hash01(x1, y1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

double periodicFbm(double x, double y, int period, int octaves, double gain, uint32_t seed) {
  double sum = 0, amplitude = 1, total = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * periodicNoise(x, y, period, seed + o * 101);
    total += amplitude;
    amplitude *= gain;
    x *= 2, y *= 2, period *= 2;
  }
  return sum / total;
}

double Random::next() {
  state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
  return (state_ >> 11) * (1.0 / 9007199254740992.0);
}

}  // namespace datagen

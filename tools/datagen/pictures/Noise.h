#pragma once

#include <cstdint>

namespace datagen {

// Deterministic integer hash to [0, 1); the same arguments give the same value everywhere.
double hash01(int32_t x, int32_t y, uint32_t seed);

// Value noise on a lattice that repeats every `period` cells in x and y, smoothly
// interpolated; x and y in cells. Result in [0, 1).
double periodicNoise(double x, double y, int period, uint32_t seed);

// Sum of octaves of periodicNoise, each at twice the frequency and `gain` times the
// amplitude of the last, normalised back to [0, 1). Repeats every `period` cells of the
// first octave.
double periodicFbm(double x, double y, int period, int octaves, double gain, uint32_t seed);

// A small deterministic generator for placing things (stars, craters, stones).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 6364136223846793005ull + 1442695040888963407ull) {}
  double next();  // uniform in [0, 1)
  double range(double lo, double hi) { return lo + (hi - lo) * next(); }

 private:
  uint64_t state_;
};

}  // namespace datagen

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Pictures.h"

namespace datagen {
namespace {

constexpr int kWidth = 1024, kHeight = 576;
constexpr double kHorizon = 0.70;  // of the height: where the far shore meets the water

Vec3 mix(Vec3 a, Vec3 b, double t) { return a + (b - a) * std::clamp(t, 0.0, 1.0); }

// Sky colour at (u, v) in [0,1]^2, v down: deep blue above, a low warm glow of the sun just
// below the horizon to the right (the midsummer night never gets quite dark).
Vec3 skyColour(double u, double v) {
  double height = std::clamp((kHorizon - v) / kHorizon, 0.0, 1.0);  // 0 at horizon, 1 at top
  Vec3 zenith{0.004, 0.006, 0.030}, middle{0.012, 0.020, 0.075}, low{0.060, 0.035, 0.075};
  Vec3 c =
      height > 0.45 ? mix(middle, zenith, (height - 0.45) / 0.55) : mix(low, middle, height / 0.45);
  double du = (u - 0.72) / 0.35, glow = std::exp(-du * du) * std::exp(-height * 7.0);
  return c + Vec3{0.16, 0.075, 0.030} * glow;
}

// Height of the forest's silhouette above the horizon at x (pixels): spruce tips on a
// rolling ridge.
double treeline(int x) {
  double ridge = 0.035 + 0.020 * periodicFbm(x / 160.0, 0.5, 64, 3, 0.5, 11);
  double trees = 0;
  for (int k = -3; k <= 3; ++k) {  // nearest spruces, one every 9 pixels on average
    int cell = x / 9 + k;
    double centre = cell * 9 + 9 * hash01(cell, 0, 21);
    double tall = 0.015 + 0.045 * hash01(cell, 1, 21) * hash01(cell, 2, 21);
    double halfWidth = 3 + 5 * hash01(cell, 3, 21);
    double d = std::fabs(x - centre) / halfWidth;
    if (d < 1) trees = std::max(trees, tall * (1 - d));
  }
  return ridge + trees;
}

}  // namespace

Canvas paintNightSky() {
  Canvas canvas(kWidth, kHeight);
  Random random(2009);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double u = double(x) / kWidth, v = double(y) / kHeight;
      if (v < kHorizon) {
        // Thin, high clouds lit faintly from below by the glow.
        double cloud = periodicFbm(u * 6, v * 18, 64, 5, 0.55, 3);
        cloud =
            std::clamp((cloud - 0.52) * 3.0, 0.0, 1.0) * std::clamp(v / kHorizon * 1.6, 0.0, 1.0);
        Vec3 sky = skyColour(u, v);
        canvas.at(x, y) = mix(sky, sky * 0.5 + Vec3{0.05, 0.03, 0.05}, cloud * 0.6);
      } else {
        // The lake mirrors the sky, darker and broken into ripples.
        double depth = (v - kHorizon) / (1 - kHorizon);
        double mirrored = kHorizon - (v - kHorizon) * 1.4;
        double ripple = periodicFbm(u * 3, v * 140, 64, 3, 0.5, 5);
        Vec3 c =
            skyColour(u + (ripple - 0.5) * 0.05, std::max(mirrored, 0.0)) * (0.55 - 0.3 * depth);
        canvas.at(x, y) = c * (0.75 + 0.5 * ripple);
      }
    }
  }
  // Stars in the upper sky: small, soft and dim so that nothing in the backdrop is bright.
  for (int i = 0; i < 420; ++i) {
    double sx = random.range(0, kWidth), sy = random.range(0, kHeight * kHorizon * 0.8);
    double brightness = 0.06 + 0.30 * std::pow(random.next(), 3.0);
    double fade = std::clamp(1.2 - sy / (kHeight * kHorizon * 0.8), 0.0, 1.0);
    Vec3 tint = mix(Vec3{0.8, 0.85, 1.0}, Vec3{1.0, 0.9, 0.75}, random.next());
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) {
        int px = int(sx) + dx, py = int(sy) + dy;
        if (px < 0 || py < 0 || px >= kWidth || py >= kHeight) continue;
        double r2 = (px + 0.5 - sx) * (px + 0.5 - sx) + (py + 0.5 - sy) * (py + 0.5 - sy);
        canvas.at(px, py) = canvas.at(px, py) + tint * (brightness * fade * std::exp(-r2 * 1.6));
      }
    }
  }
  // The far shore: a black forest on the horizon and its reflection.
  for (int x = 0; x < kWidth; ++x) {
    double h = treeline(x) * kHeight;
    int horizon = int(kHorizon * kHeight);
    for (int y = horizon - int(std::ceil(h)); y < horizon; ++y) {
      double cover = std::clamp(y - (horizon - h) + 1, 0.0, 1.0);
      canvas.blend(x, y, {0.003, 0.005, 0.008}, cover);
    }
    for (int y = horizon; y < horizon + int(h * 0.6); ++y) {
      canvas.blend(x, y, {0.004, 0.006, 0.012}, 0.85);
    }
  }
  return canvas;
}

}  // namespace datagen

#include <algorithm>
#include <cmath>

#include "Noise.h"
#include "Pictures.h"
#include "TextPainter.h"

namespace datagen {
namespace {

constexpr int kWidth = 1024, kHeight = 576;
constexpr double kWaterLine = 0.74;

Vec3 mix(Vec3 a, Vec3 b, double t) { return a + (b - a) * std::clamp(t, 0.0, 1.0); }

// Sunset sky from violet at the top through pink to orange at the water line.
Vec3 sunsetSky(double v) {
  double t = v / kWaterLine;
  Vec3 top{0.05, 0.03, 0.16}, middle{0.55, 0.12, 0.30}, low{1.0, 0.45, 0.12};
  return t < 0.6 ? mix(top, middle, t / 0.6) : mix(middle, low, (t - 0.6) / 0.4);
}

void paintSunsetAndSea(Canvas& canvas) {
  const double sunX = 0.5 * kWidth, sunY = kWaterLine * kHeight, sunR = 0.24 * kHeight;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      double v = double(y) / kHeight;
      double dx = x + 0.5 - sunX, dy = y + 0.5 - sunY, r = std::hypot(dx, dy);
      if (v < kWaterLine) {
        Vec3 c = sunsetSky(v);
        // A setting sun with bands cut out of its lower half, as on a summer poster.
        double band = std::fmod((sunY - y) / (sunR * 0.11), 1.0);
        bool cut = dy > -sunR * 0.55 && band < 0.18 + 0.5 * (1 - (sunY - y) / (sunR * 0.55));
        double disc = std::clamp(sunR - r + 0.5, 0.0, 1.0) * (cut ? 0 : 1);
        Vec3 sun = mix(Vec3{1.0, 0.85, 0.35}, Vec3{1.0, 0.35, 0.25}, (y - (sunY - sunR)) / sunR);
        c = mix(c, sun, disc);
        c = c + Vec3{0.25, 0.10, 0.04} * std::exp(-r / (sunR * 1.4)) * (1 - disc);
        canvas.at(x, y) = c;
      } else {
        double depth = (v - kWaterLine) / (1 - kWaterLine);
        double ripple = periodicFbm(x / 90.0, y / 3.0, 64, 3, 0.5, 17);
        Vec3 c = mix(Vec3{0.35, 0.10, 0.22}, Vec3{0.04, 0.03, 0.12}, depth);
        // The sun's glitter on the water, a broken column under it.
        double column = std::exp(-std::pow(dx / (sunR * (0.5 + depth)), 2));
        double glitter = std::clamp((ripple - 0.45) * 4, 0.0, 1.0) * column;
        canvas.at(x, y) = mix(c, Vec3{1.0, 0.6, 0.3}, glitter * 0.8);
      }
    }
  }
}

}  // namespace

Canvas paintLoadingScreen(const std::string& fontDir) {
  TextPainter bold(fontDir + "/DejaVuSans-Bold.ttf");
  TextPainter regular(fontDir + "/DejaVuSans.ttf");
  if (!bold.ok() || !regular.ok()) return Canvas(0, 0);
  Canvas canvas(kWidth, kHeight);
  paintSunsetAndSea(canvas);

  const std::string title = "KESTU09";
  const int titleSize = 150;
  const double titleSpacing = 4;
  double titleX = (kWidth - bold.measure(title, titleSize, titleSpacing)) / 2, titleY = 290;
  bold.paint(canvas, title, titleSize, titleX + 6, titleY + 8, {0.05, 0.0, 0.08}, 0.85,
             titleSpacing, 10);
  bold.paint(canvas, title, titleSize, titleX, titleY, {1.0, 0.95, 0.85}, 1.0, titleSpacing);

  const std::string subtitle = "a summer party invitation";
  double subX = (kWidth - regular.measure(subtitle, 44, 2)) / 2;
  regular.paint(canvas, subtitle, 44, subX + 2, 372, {0.08, 0.0, 0.1}, 0.8, 2, 3);
  regular.paint(canvas, subtitle, 44, subX, 370, {1.0, 0.93, 0.8}, 1.0, 2);

  // The loading line on the dark water, with a row of dots under it.
  const std::string loading = "loading, please wait";
  double loadX = (kWidth - regular.measure(loading, 34, 1)) / 2;
  regular.paint(canvas, loading, 34, loadX, 500, {0.95, 0.9, 1.0}, 1.0, 1);
  for (int i = 0; i < 9; ++i) {
    double cx = kWidth / 2.0 + (i - 4) * 22, cy = 526;
    for (int y = int(cy) - 6; y <= int(cy) + 6; ++y) {
      for (int x = int(cx) - 6; x <= int(cx) + 6; ++x) {
        double cover = std::clamp(5.0 - std::hypot(x + 0.5 - cx, y + 0.5 - cy), 0.0, 1.0);
        canvas.blend(x, y, mix(Vec3{1.0, 0.8, 0.4}, Vec3{0.6, 0.3, 0.7}, i / 8.0), cover);
      }
    }
  }
  return canvas;
}

}  // namespace datagen

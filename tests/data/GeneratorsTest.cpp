// The building blocks of the generators whose faults the finished files would hide:
// filters and effects of the synthesizer, closed and outward meshes, tiling noise.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <tuple>

#include "Dsp.h"
#include "Effects.h"
#include "MeshBuilder.h"
#include "Noise.h"

namespace {

using namespace datagen;

// Amplitude of a sine of the given frequency after the low-pass, once it has settled.
double lowPassGain(double frequency, double cutoff) {
  Filter filter;
  double peak = 0;
  for (int i = 0; i < 44100 / 4; ++i) {
    double out =
        filter.process(std::sin(2 * std::numbers::pi * frequency * i / kSampleRate), cutoff, 0.707)
            .low;
    if (i > 44100 / 8) peak = std::max(peak, std::fabs(out));
  }
  return peak;
}

TEST(SynthTest, LowPassKeepsTheBandBelowItsCutoffAndRemovesTheBandAbove) {
  EXPECT_NEAR(lowPassGain(100, 1000), 1.0, 0.02);
  EXPECT_NEAR(lowPassGain(1000, 1000), 0.707, 0.03);  // -3 dB at the cutoff
  EXPECT_LT(lowPassGain(10000, 1000), 0.02);          // two poles: -40 dB a decade
}

// The pads and the riser sweep their cutoff every sample; the filter must stay bounded.
TEST(SynthTest, FilterStaysBoundedWhileItsCutoffSweepsAtHighResonance) {
  Filter filter;
  Noise noise(7);
  double peak = 0;
  for (int i = 0; i < 44100; ++i) {
    double cutoff = 200 + 15000 * (0.5 + 0.5 * std::sin(i * 0.01));
    auto out = filter.process(noise.next(), cutoff, 4.0);
    peak = std::max({peak, std::fabs(out.low), std::fabs(out.band), std::fabs(out.high)});
  }
  EXPECT_TRUE(std::isfinite(peak));
  EXPECT_LT(peak, 20.0);
}

TEST(SynthTest, OscillatorsSpanFullScaleWithoutOffset) {
  const double step = 440 / kSampleRate;
  double sawSum = 0, pulseSum = 0, peak = 0;
  const int n = int(100 / step);  // a hundred whole cycles
  for (int i = 0; i < n; ++i) {
    double saw = sawWave(i * step, step), pulse = pulseWave(i * step, step, 0.5);
    sawSum += saw, pulseSum += pulse;
    peak = std::max({peak, std::fabs(saw), std::fabs(pulse)});
  }
  EXPECT_NEAR(sawSum / n, 0.0, 0.01);
  EXPECT_NEAR(pulseSum / n, 0.0, 0.01);
  EXPECT_GT(peak, 0.95);
  EXPECT_LT(peak, 1.2);  // PolyBLEP overshoots a little at the jumps, never more
}

TEST(SynthTest, PingPongEchoAlternatesSidesAndFades) {
  StereoBuffer impulse(44100);
  impulse.left[0] = 1;
  StereoBuffer echoes = pingPongEcho(impulse, 0.1, 0.5);
  auto energy = [&echoes](const std::vector<double>& side, int echo) {
    double sum = 0;
    for (size_t i = echo * 4410; i < (echo + 1) * 4410u; ++i) sum += std::fabs(side[i]);
    return sum;
  };
  EXPECT_EQ(energy(echoes.left, 0) + energy(echoes.right, 0), 0.0);  // nothing before the delay
  EXPECT_GT(energy(echoes.left, 1), 10 * energy(echoes.right, 1));
  EXPECT_GT(energy(echoes.right, 2), 10 * energy(echoes.left, 2));
  EXPECT_LT(energy(echoes.left, 3), energy(echoes.left, 1));
}

TEST(SynthTest, ReverbTailDiesAway) {
  StereoBuffer impulse(4 * 44100);
  impulse.left[0] = impulse.right[0] = 1;
  StereoBuffer tail = roomReverb(impulse, 0.86, 0.3);
  double early = 0, late = 0;  // energy of the first and of the last half second
  for (size_t i = 0; i < tail.frames(); ++i) {
    double e = tail.left[i] * tail.left[i] + tail.right[i] * tail.right[i];
    if (i < 44100 / 2) early += e;
    if (i >= tail.frames() - 44100 / 2) late += e;
  }
  EXPECT_GT(early, 0);
  EXPECT_LT(late, early * 1e-3);
}

// Signed volume of a closed mesh by the divergence theorem: positive when every triangle is
// wound so that cross(b - a, c - a) points out of the solid.
double signedVolume(const MeshPart& mesh) {
  double volume = 0;
  for (const auto& t : mesh.triangles) {
    volume += dot(mesh.positions[t[0]], cross(mesh.positions[t[1]], mesh.positions[t[2]])) / 6;
  }
  return volume;
}

// Every edge, taken by the positions of its ends, is shared by exactly two triangles.
bool isClosed(const MeshPart& mesh) {
  auto key = [&mesh](int v) {
    const Vec3& p = mesh.positions[v];
    return std::make_tuple(std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4));
  };
  std::map<std::pair<decltype(key(0)), decltype(key(0))>, int> edges;
  for (const auto& t : mesh.triangles) {
    for (int k = 0; k < 3; ++k) {
      auto a = key(t[k]), b = key(t[(k + 1) % 3]);
      ++edges[a < b ? std::make_pair(a, b) : std::make_pair(b, a)];
    }
  }
  for (const auto& [edge, count] : edges) {
    if (count != 2) return false;
  }
  return true;
}

TEST(MeshBuilderTest, CylinderIsClosedWoundOutwardAndOfTheRightSize) {
  MeshPart mesh;
  addCylinder(mesh, {1, 2, 3}, {1, 2, 13}, 2.0, 32);
  EXPECT_TRUE(isClosed(mesh));
  // A 32-sided prism of circumradius 2 and length 10.
  double expected = 0.5 * 32 * 4 * std::sin(2 * std::numbers::pi / 32) * 10;
  EXPECT_NEAR(signedVolume(mesh), expected, 1e-6);
  for (size_t v = 0; v < mesh.normals.size(); ++v) EXPECT_NEAR(length(mesh.normals[v]), 1.0, 1e-9);
}

// A lathe whose profile starts and ends on the axis: the collapsed triangles at the poles
// are left out and the sphere stays closed and outward.
TEST(MeshBuilderTest, LatheSphereHasNoCollapsedTriangles) {
  MeshPart mesh;
  addLathe(mesh, {0, 0, 0}, {0, 0, 1},
           {ellipseArc(0, 0, 1, 1, -std::numbers::pi / 2, std::numbers::pi / 2, 16)}, 24);
  EXPECT_TRUE(isClosed(mesh));
  EXPECT_GT(signedVolume(mesh), 0.95 * 4 / 3.0 * std::numbers::pi);
  for (const auto& t : mesh.triangles) {
    const auto& p = mesh.positions;
    EXPECT_GT(length(cross(p[t[1]] - p[t[0]], p[t[2]] - p[t[0]])), 1e-9);
  }
}

TEST(NoiseTest, PeriodicNoiseRepeatsAfterItsPeriod) {
  for (double x = 0; x < 8; x += 0.37) {
    for (double y = 0; y < 8; y += 0.53) {
      // Not bit-equal: x + 8 rounds the fraction of x differently in the last place.
      EXPECT_NEAR(periodicNoise(x, y, 8, 3), periodicNoise(x + 8, y - 8, 8, 3), 1e-9);
      EXPECT_NEAR(periodicFbm(x, y, 8, 4, 0.5, 3), periodicFbm(x + 8, y + 16, 8, 4, 0.5, 3), 1e-9);
    }
  }
}

}  // namespace

#include "Dsp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace datagen {
namespace {

// PolyBLEP residual that rounds off the jump of a wave at phase 0.
double blep(double t, double step) {
  if (t < step) {
    t /= step;
    return t + t - t * t - 1;
  }
  if (t > 1 - step) {
    t = (t - 1) / step;
    return t * t + t + t + 1;
  }
  return 0;
}

double wrap(double phase) { return phase - std::floor(phase); }

}  // namespace

void StereoBuffer::add(size_t frame, double sample, double pan) {
  if (frame >= left.size()) return;
  double angle = (pan + 1) * std::numbers::pi / 4;
  left[frame] += sample * std::cos(angle) * std::numbers::sqrt2;
  right[frame] += sample * std::sin(angle) * std::numbers::sqrt2;
}

void StereoBuffer::mixInto(StereoBuffer& target, double gain) const {
  size_t n = std::min(frames(), target.frames());
  for (size_t i = 0; i < n; ++i) {
    target.left[i] += left[i] * gain;
    target.right[i] += right[i] * gain;
  }
}

double Noise::next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_ * (2.0 / 4294967296.0) - 1;
}

double sawWave(double phase, double step) {
  phase = wrap(phase);
  return 2 * phase - 1 - blep(phase, step);
}

double pulseWave(double phase, double step, double width) {
  phase = wrap(phase);
  double value = phase < width ? 1 : -1;
  return value + blep(phase, step) - blep(wrap(phase - width), step);
}

Filter::Outputs Filter::process(double input, double cutoff, double resonance) {
  cutoff = std::clamp(cutoff, 20.0, kSampleRate * 0.45);
  double g = std::tan(std::numbers::pi * cutoff / kSampleRate);
  double k = 1 / resonance;
  double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
  double v3 = input - s2_;
  double v1 = a1 * s1_ + a2 * v3;
  double v2 = s2_ + a2 * s1_ + a3 * v3;
  s1_ = 2 * v1 - s1_;
  s2_ = 2 * v2 - s2_;
  return {v2, v1, input - k * v1 - v2};
}

double noteFrequency(double note) { return 440.0 * std::pow(2.0, (note - 69) / 12); }

}  // namespace datagen

#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace datagen {

constexpr double kSampleRate = 44100;

// Two channels of samples at kSampleRate, full scale +-1. Instruments add into it.
struct StereoBuffer {
  std::vector<double> left, right;
  explicit StereoBuffer(size_t frames = 0) : left(frames), right(frames) {}
  size_t frames() const { return left.size(); }
  // Adds a mono sample panned by pan (-1 left .. +1 right, constant power).
  void add(size_t frame, double sample, double pan = 0);
  void mixInto(StereoBuffer& target, double gain) const;
};

// White noise from a fixed seed: the same sequence on every run.
class Noise {
 public:
  explicit Noise(uint32_t seed) : state_(seed ? seed : 1) {}
  double next();  // uniform in [-1, 1)

 private:
  uint32_t state_;
};

// Band-limited sawtooth and pulse (PolyBLEP), phase in cycles, advanced by the caller.
double sawWave(double phase, double step);
double pulseWave(double phase, double step, double width);

// State-variable filter (topology-preserving transform): stable while its cutoff moves.
class Filter {
 public:
  struct Outputs {
    double low, band, high;
  };
  // cutoff in Hz (clamped below Nyquist), resonance >= 0.5 (0.707 is flat).
  Outputs process(double input, double cutoff, double resonance);

 private:
  double s1_ = 0, s2_ = 0;
};

// Midi note number to frequency (A4 = note 69 = 440 Hz).
double noteFrequency(double note);

}  // namespace datagen

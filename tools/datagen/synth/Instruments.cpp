#include "Instruments.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace datagen {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

size_t frameAt(double seconds) { return size_t(std::llround(seconds * kSampleRate)); }
uint32_t seedAt(double seconds, uint32_t salt) {
  return uint32_t(frameAt(seconds)) * 2654435761u ^ salt;
}

// Linear attack to 1, hold, then linear release to 0 after length; t in seconds.
double envelope(double t, double attack, double length, double release) {
  if (t < attack) return t / attack;
  if (t < length) return 1;
  return std::max(0.0, 1 - (t - length) / release);
}

// Gain that takes the last 10 ms of a note of `count` frames down to zero, so that a note
// cut off while still sounding ends without a click.
double endFade(size_t i, size_t count) {
  return std::min(1.0, double(count - i) / (0.01 * kSampleRate));
}

}  // namespace

void kick(StereoBuffer& out, double start, double gain) {
  Noise noise(seedAt(start, 1));
  size_t first = frameAt(start), count = frameAt(0.45);
  double phase = 0;
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double frequency = 46 + 120 * std::exp(-t / 0.028);
    phase += frequency / kSampleRate;
    double body = std::tanh(1.6 * std::sin(kTwoPi * phase)) * std::exp(-t / 0.16);
    double click = noise.next() * std::exp(-t / 0.0015) * 0.4;
    double attack = std::min(1.0, t / 0.001);
    out.add(first + i, (body + click) * attack * gain * endFade(i, count));
  }
}

void clap(StereoBuffer& out, double start, double gain) {
  Noise noise(seedAt(start, 2));
  Filter band;
  size_t first = frameAt(start), count = frameAt(0.35);
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double bursts = 0;  // three fast claps, then the room's tail
    for (double b : {0.0, 0.011, 0.022}) {
      if (t >= b) bursts = std::max(bursts, std::exp(-(t - b) / 0.005));
    }
    double level =
        std::max(bursts, 0.6 * std::exp(-std::max(0.0, t - 0.022) / 0.09) * (t >= 0.022));
    double x = band.process(noise.next(), 1400, 1.4).band;
    out.add(first + i, x * level * gain * 2.5 * endFade(i, count), -0.05);
  }
}

void hiHat(StereoBuffer& out, double start, double gain, bool open) {
  Noise noise(seedAt(start, 3));
  Filter high;
  double decay = open ? 0.22 : 0.032;
  size_t first = frameAt(start), count = frameAt(decay * 6);
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double x = high.process(noise.next(), 7500, 0.8).high;
    out.add(first + i, x * std::exp(-t / decay) * gain * endFade(i, count), 0.25);
  }
}

void snare(StereoBuffer& out, double start, double gain) {
  Noise noise(seedAt(start, 4));
  Filter band;
  size_t first = frameAt(start), count = frameAt(0.3);
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double tone = std::sin(kTwoPi * 185 * t) * std::exp(-t / 0.04);
    double rattle = band.process(noise.next(), 3200, 0.9).band * std::exp(-t / 0.08);
    out.add(first + i, (0.5 * tone + 1.2 * rattle) * gain * endFade(i, count), 0.1);
  }
}

void riser(StereoBuffer& out, double start, double length, double gain) {
  Noise noise(seedAt(start, 5));
  Filter band;
  size_t first = frameAt(start), count = frameAt(length);
  for (size_t i = 0; i < count; ++i) {
    double p = double(i) / count;
    double cutoff = 300 * std::pow(8000.0 / 300, p);
    double x = band.process(noise.next(), cutoff, 2.0).band;
    double pan = 0.6 * std::sin(kTwoPi * 2 * p * p);
    out.add(first + i, x * p * p * gain * endFade(i, count), pan);
  }
}

void crash(StereoBuffer& out, double start, double gain) {
  Noise left(seedAt(start, 6)), right(seedAt(start, 7));
  Filter highLeft, highRight;
  size_t first = frameAt(start), count = frameAt(3.0);
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double level = std::exp(-t / 0.7) * gain * endFade(i, count);
    if (first + i >= out.frames()) break;
    out.left[first + i] += highLeft.process(left.next(), 5000, 0.7).high * level;
    out.right[first + i] += highRight.process(right.next(), 5200, 0.7).high * level;
  }
}

void bass(StereoBuffer& out, double start, double length, double note, double gain, double cutoff) {
  Filter filter;
  double frequency = noteFrequency(note);
  size_t first = frameAt(start), count = frameAt(length + 0.03);
  double a = 0, b = 0, sub = 0;
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double stepA = frequency * 1.003 / kSampleRate, stepB = frequency * 0.997 / kSampleRate;
    a += stepA, b += stepB, sub += frequency / 2 / kSampleRate;
    double raw = 0.5 * (sawWave(a, stepA) + sawWave(b, stepB));
    double f = cutoff * (0.45 + 0.55 * std::exp(-t / 0.09));
    double x = filter.process(raw, f, 1.1).low + 0.6 * std::sin(kTwoPi * sub);
    out.add(first + i, x * envelope(t, 0.004, length, 0.03) * gain);
  }
}

void pad(StereoBuffer& out, double start, double length, const std::vector<double>& notes,
         double gain, double release, const std::function<double(double)>& cutoff) {
  const double detune[5] = {-0.11, -0.05, 0, 0.06, 0.12};  // semitones
  const double pans[5] = {-0.8, 0.5, 0, -0.4, 0.8};
  size_t first = frameAt(start), count = frameAt(length + release * 5);
  std::vector<Filter> filters(2);
  std::vector<double> phases(notes.size() * 5);
  for (size_t v = 0; v < phases.size(); ++v) phases[v] = (v * 0.618034) - std::floor(v * 0.618034);
  for (size_t i = 0; i < count && first + i < out.frames(); ++i) {
    double t = i / kSampleRate;
    double left = 0, right = 0;
    for (size_t n = 0; n < notes.size(); ++n) {
      for (int d = 0; d < 5; ++d) {
        double step = noteFrequency(notes[n] + detune[d]) / kSampleRate;
        double& phase = phases[n * 5 + d];
        phase += step;
        double s = sawWave(phase, step);
        double angle = (pans[d] + 1) * std::numbers::pi / 4;
        left += s * std::cos(angle), right += s * std::sin(angle);
      }
    }
    double level = t < length ? std::min(1.0, t / 0.15) : std::exp(-(t - length) / release);
    double f = cutoff(start + t);
    level *= gain / std::sqrt(double(notes.size() * 5)) * endFade(i, count);
    out.left[first + i] += filters[0].process(left, f, 0.8).low * level;
    out.right[first + i] += filters[1].process(right, f, 0.8).low * level;
  }
}

void stab(StereoBuffer& out, double start, const std::vector<double>& notes, double gain) {
  size_t first = frameAt(start), count = frameAt(0.3);
  Filter filter;
  std::vector<double> phases(notes.size());
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate, sum = 0;
    for (size_t n = 0; n < notes.size(); ++n) {
      double step = noteFrequency(notes[n]) / kSampleRate;
      phases[n] += step;
      sum += sawWave(phases[n], step);
    }
    double x = filter.process(sum / notes.size(), 600 + 3200 * std::exp(-t / 0.05), 1.2).low;
    out.add(first + i, x * std::exp(-t / 0.07) * gain * endFade(i, count), 0.15);
  }
}

void lead(StereoBuffer& out, double start, double length, double note, double gain) {
  Filter filter;
  size_t first = frameAt(start), count = frameAt(length + 0.12);
  double a = 0, b = 0;
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    double vibrato =
        0.18 * std::min(1.0, std::max(0.0, t - 0.18) / 0.3) * std::sin(kTwoPi * 5.5 * t);
    double frequency = noteFrequency(note + vibrato);
    double step = frequency / kSampleRate, stepB = frequency * 1.004 / kSampleRate;
    a += step, b += stepB;
    double raw = 0.6 * sawWave(a, step) + 0.4 * pulseWave(b, stepB, 0.3);
    double f = 1800 + 2600 * std::exp(-t / 0.12);
    double x = filter.process(raw, f, 1.0).low;
    double level = envelope(t, 0.006, length, 0.12) * (0.75 + 0.25 * std::exp(-t / 0.2));
    out.add(first + i, x * level * gain, -0.1);
  }
}

void pluck(StereoBuffer& out, double start, double note, double gain, double pan, double cutoff) {
  Filter filter;
  size_t first = frameAt(start), count = frameAt(0.4);
  double phase = 0, step = noteFrequency(note) / kSampleRate;
  for (size_t i = 0; i < count; ++i) {
    double t = i / kSampleRate;
    phase += step;
    double raw = pulseWave(phase, step, 0.5);
    double x = filter.process(raw, cutoff * (0.3 + 0.7 * std::exp(-t / 0.06)), 1.5).low;
    out.add(first + i, x * std::exp(-t / 0.09) * gain * endFade(i, count), pan);
  }
}

}  // namespace datagen

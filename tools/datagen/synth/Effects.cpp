#include "Effects.h"

#include <array>
#include <cmath>

namespace datagen {
namespace {

class Comb {
 public:
  explicit Comb(size_t length) : buffer_(length) {}
  double process(double input, double feedback, double damping) {
    double out = buffer_[index_];
    store_ = out * (1 - damping) + store_ * damping;
    buffer_[index_] = input + store_ * feedback;
    index_ = (index_ + 1) % buffer_.size();
    return out;
  }

 private:
  std::vector<double> buffer_;
  size_t index_ = 0;
  double store_ = 0;
};

class AllPass {
 public:
  explicit AllPass(size_t length) : buffer_(length) {}
  double process(double input) {
    double delayed = buffer_[index_];
    buffer_[index_] = input + delayed * 0.5;
    index_ = (index_ + 1) % buffer_.size();
    return delayed - input;
  }

 private:
  std::vector<double> buffer_;
  size_t index_ = 0;
};

// Delay lengths in samples at 44.1 kHz, mutually prime so the echoes do not pile up.
constexpr std::array<size_t, 8> kCombLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<size_t, 4> kAllPassLengths = {556, 441, 341, 225};
constexpr size_t kStereoSpread = 23;

std::vector<double> reverbChannel(const std::vector<double>& input, size_t spread, double roomSize,
                                  double damping) {
  std::vector<Comb> combs;
  std::vector<AllPass> allPasses;
  for (size_t length : kCombLengths) combs.emplace_back(length + spread);
  for (size_t length : kAllPassLengths) allPasses.emplace_back(length + spread);
  std::vector<double> out(input.size());
  for (size_t i = 0; i < input.size(); ++i) {
    double x = input[i] * 0.015, sum = 0;
    for (Comb& comb : combs) sum += comb.process(x, roomSize, damping);
    for (AllPass& allPass : allPasses) sum = allPass.process(sum);
    out[i] = sum;
  }
  return out;
}

}  // namespace

StereoBuffer pingPongEcho(const StereoBuffer& input, double delaySeconds, double feedback) {
  size_t delay = size_t(std::lround(delaySeconds * kSampleRate));
  StereoBuffer out(input.frames());
  std::vector<double> lineLeft(delay), lineRight(delay);
  double toneLeft = 0, toneRight = 0;
  for (size_t i = 0; i < input.frames(); ++i) {
    size_t slot = i % delay;
    double echoLeft = lineLeft[slot], echoRight = lineRight[slot];
    out.left[i] = echoLeft;
    out.right[i] = echoRight;
    toneLeft += 0.35 * (echoRight - toneLeft);  // one-pole low-pass darkens each repeat
    toneRight += 0.35 * (echoLeft - toneRight);
    lineLeft[slot] = input.left[i] * 0.5 + input.right[i] * 0.5 + toneLeft * feedback;
    lineRight[slot] = toneRight * feedback;
  }
  return out;
}

StereoBuffer roomReverb(const StereoBuffer& input, double roomSize, double damping) {
  StereoBuffer out;
  out.left = reverbChannel(input.left, 0, roomSize, damping);
  out.right = reverbChannel(input.right, kStereoSpread, roomSize, damping);
  return out;
}

}  // namespace datagen

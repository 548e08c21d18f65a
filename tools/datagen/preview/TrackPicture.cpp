#include "TrackPicture.h"

#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace datagen {
namespace {

constexpr int kFftSize = 4096, kHeight = 240;
constexpr double kColumnSeconds = 0.1, kLowHz = 30, kHighHz = 16000, kRangeDb = 72;

// Mono samples of the whole file at its own rate, or empty.
std::vector<float> decodeMono(const std::string& path, long& rate) {
  std::vector<float> mono;
  mpg123_init();
  int error = 0, channels = 0, encoding = 0;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (!handle) return mono;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT, 0);
  if (mpg123_open(handle, path.c_str()) == MPG123_OK &&
      mpg123_getformat(handle, &rate, &channels, &encoding) == MPG123_OK && channels > 0) {
    std::vector<unsigned char> buffer(1 << 16);
    size_t bytes = 0;
    int result;
    do {
      result = mpg123_read(handle, buffer.data(), buffer.size(), &bytes);
      const float* f = reinterpret_cast<const float*>(buffer.data());
      for (size_t i = 0; i + channels <= bytes / sizeof(float); i += channels) {
        float sum = 0;
        for (int c = 0; c < channels; ++c) sum += f[i + c];
        mono.push_back(sum / channels);
      }
    } while (result == MPG123_OK);
  }
  mpg123_close(handle);
  mpg123_delete(handle);
  return mono;
}

// In-place radix-2 FFT.
void fft(std::vector<std::complex<double>>& a) {
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> w = std::polar(1.0, -2 * std::numbers::pi / len);
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> wk = 1;
      for (size_t k = 0; k < len / 2; ++k, wk *= w) {
        std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
}

// Dark blue through magenta and orange to pale yellow, for 0..1.
void heat(double t, uint8_t* rgb) {
  const double stops[5][3] = {
      {8, 8, 24}, {60, 20, 110}, {190, 40, 110}, {250, 140, 40}, {255, 240, 180}};
  t = std::clamp(t, 0.0, 1.0) * 4;
  int i = std::min(3, int(t));
  double f = t - i;
  for (int c = 0; c < 3; ++c) rgb[c] = uint8_t(stops[i][c] + (stops[i + 1][c] - stops[i][c]) * f);
}

}  // namespace

RgbImage trackSpectrogram(const std::string& mp3Path) {
  long rate = 0;
  std::vector<float> mono = decodeMono(mp3Path, rate);
  if (mono.empty()) return {};
  const int columns = int(mono.size() / (rate * kColumnSeconds));
  RgbImage image{columns, kHeight, std::vector<uint8_t>(size_t(columns) * kHeight * 3)};
  std::vector<std::complex<double>> frame(kFftSize);
  for (int col = 0; col < columns; ++col) {
    size_t centre = size_t(col * kColumnSeconds * rate);
    for (int i = 0; i < kFftSize; ++i) {
      long at = long(centre) + i - kFftSize / 2;
      double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kFftSize);
      frame[i] = at >= 0 && size_t(at) < mono.size() ? mono[at] * window : 0.0;
    }
    fft(frame);
    for (int row = 0; row < kHeight; ++row) {
      double hz = kLowHz * std::pow(kHighHz / kLowHz, double(kHeight - 1 - row) / (kHeight - 1));
      int bin = std::clamp(int(std::lround(hz * kFftSize / rate)), 1, kFftSize / 2 - 1);
      double db = 20 * std::log10(std::abs(frame[bin]) / (kFftSize / 4) + 1e-12);
      heat((db + kRangeDb) / kRangeDb, &image.pixels[(size_t(row) * columns + col) * 3]);
    }
  }
  return image;
}

}  // namespace datagen

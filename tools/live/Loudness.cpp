#include "Loudness.h"

#include <mpg123.h>

#include <cmath>

namespace live {

std::vector<float> trackLoudness(const std::string& path, std::uint32_t lengthMs,
                                 std::uint32_t binMs) {
  std::vector<float> levels;
  mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
  if (!decoder) return levels;
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0);
  long rate = 0;
  int channels = 0, encoding = 0;
  mpg123_format_none(decoder);
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i) {
    mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
  }
  if (mpg123_open(decoder, path.c_str()) != MPG123_OK ||
      mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
    mpg123_delete(decoder);
    return levels;
  }
  const std::uint64_t framesPerBin = static_cast<std::uint64_t>(rate) * binMs / 1000;
  const std::size_t bins = (lengthMs + binMs - 1) / binMs;
  std::vector<float> buffer(4096 * 2);
  double sum = 0.0;
  std::uint64_t inBin = 0;
  while (levels.size() < bins) {
    std::size_t bytes = 0;
    const int status = mpg123_read(decoder, buffer.data(), buffer.size() * sizeof(float), &bytes);
    const std::size_t frames = bytes / (2 * sizeof(float));
    for (std::size_t i = 0; i < frames && levels.size() < bins; ++i) {
      sum += buffer[2 * i] * buffer[2 * i] + buffer[2 * i + 1] * buffer[2 * i + 1];
      if (++inBin == framesPerBin) {
        levels.push_back(static_cast<float>(std::sqrt(sum / (2.0 * inBin))));
        sum = 0.0;
        inBin = 0;
      }
    }
    if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
  }
  mpg123_delete(decoder);
  levels.resize(bins, 0.0f);  // silence after the track's end
  return levels;
}

}  // namespace live

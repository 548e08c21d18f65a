// Whether two pictures of the same moment are the same picture up to the renderer's rounding:
// the rule the golden frames are held to, shared by the golden-frame test and picture-match.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "common/PngPicture.h"

namespace vantor_test {

struct PictureDifference {
  bool sameSize = false;
  double meanLevels = 0.0;      // mean absolute difference over all channels, in 8-bit levels
  std::size_t farChannels = 0;  // channels off by more than kFarLevels
  std::size_t channels = 0;

  // The same renderer draws the same picture up to rounding: llvmpipe is deterministic, but
  // unoptimised float code (the sanitizer build) or another build of the same program may
  // place a glyph vertex a hair apart, which moves a few edge pixels. So: the mean difference
  // within one level, and at most half a percent of the channels off by more than 24 levels
  // (an edge pixel, not a changed look).
  static constexpr int kFarLevels = 24;
  bool meanWithin() const { return meanLevels <= 1.0; }
  bool farWithin() const { return farChannels <= channels / 200; }
  bool same() const { return sameSize && channels > 0 && meanWithin() && farWithin(); }
};

inline PictureDifference comparePictures(const PngPicture& a, const PngPicture& b) {
  PictureDifference difference;
  difference.sameSize = a.width == b.width && a.height == b.height && a.rgb.size() == b.rgb.size();
  if (!difference.sameSize) return difference;
  double sum = 0.0;
  for (std::size_t i = 0; i < a.rgb.size(); ++i) {
    const int d = std::abs(int(a.rgb[i]) - int(b.rgb[i]));
    sum += d;
    if (d > PictureDifference::kFarLevels) ++difference.farChannels;
  }
  difference.channels = a.rgb.size();
  if (difference.channels > 0) difference.meanLevels = sum / difference.channels;
  return difference;
}

}  // namespace vantor_test

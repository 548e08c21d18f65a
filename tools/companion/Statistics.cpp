#include "Statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace companion {

FrameStatistics frameStatistics(std::vector<double> frameMs) {
  FrameStatistics figures;
  if (frameMs.empty()) return figures;
  std::sort(frameMs.begin(), frameMs.end());
  const auto rank = [&](double percent) {
    // The smallest time that at least `percent` of the frames do not exceed.
    const auto index = static_cast<std::size_t>(std::ceil(percent / 100.0 * frameMs.size()));
    return frameMs[std::clamp<std::size_t>(index, 1, frameMs.size()) - 1];
  };
  figures.median = rank(50);
  figures.p90 = rank(90);
  figures.p99 = rank(99);
  figures.max = frameMs.back();
  const double total = std::accumulate(frameMs.begin(), frameMs.end(), 0.0);
  figures.framesPerSecond = total > 0 ? frameMs.size() * 1000.0 / total : 0.0;
  return figures;
}

std::string jsonString(const std::string& text) {
  std::string quoted = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", c);
      quoted += escape;
    } else {
      quoted += static_cast<char>(c);
    }
  }
  return quoted + "\"";
}

}  // namespace companion

// Frame-time figures of a benchmark run and their JSON form.
#pragma once

#include <string>
#include <vector>

namespace companion {

struct FrameStatistics {
  double median = 0, p90 = 0, p99 = 0, max = 0;  // milliseconds
  double framesPerSecond = 0;
};

// Nearest-rank percentiles of the frame times (ms), and frames over their sum; all 0 for none.
FrameStatistics frameStatistics(std::vector<double> frameMs);

// The text as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

}  // namespace companion

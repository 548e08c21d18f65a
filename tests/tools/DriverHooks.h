// Demo hooks for the driver tests: configured like the invitation, a loading screen that
// presents, and frames whose colour spells their music time, so that a read-back names the
// frame it came from.
#pragma once

#include <cstdint>
#include <vector>

namespace companion_test {

struct DriverLog {
  std::vector<float> musicSeconds;  // as demoFrame received them
  std::vector<float> frameSeconds;
  int loadingPresents = 0;
};
DriverLog& driverLog();

// The colour a frame at that music time clears its picture to, and back.
std::uint32_t colourOf(std::uint32_t musicMs);
std::uint32_t musicMsOf(std::uint32_t argb);

}  // namespace companion_test

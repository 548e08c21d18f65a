// The loudness of a music track over time, for drawing it along a timeline.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace live {

// The RMS level (0..1) of each binMs of the track's first lengthMs, both channels together;
// empty when the file cannot be decoded.
std::vector<float> trackLoudness(const std::string& path, std::uint32_t lengthMs,
                                 std::uint32_t binMs);

}  // namespace live

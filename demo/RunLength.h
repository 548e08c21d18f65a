// How long the demo runs: it ends itself this long after the music started. The companion
// tools read it too: it is the longest run they render, capture or time.
#pragma once

#include <cstdint>

namespace vantor {

constexpr std::uint32_t kRunLengthMs = 91000;

}  // namespace vantor

// The demo's loading hook as the gfx test program defines it: it counts the progress points.
#pragma once

namespace vantor {
extern int progressTicks;
}  // namespace vantor

// Whether a program with a window can show anything on this machine: a display, a window on
// it, and an OpenGL 4.5 core context in that window. Asked once, before any window is made,
// by the entry of a program that is pointless when nothing can be seen.
#pragma once

#include <string>

namespace platform::d3d9 {

// Empty when a device could present into a window here; otherwise why not, in a few words
// ("no display (...)", "no window can be opened (...)", "OpenGL 4.5 ... is not available").
std::string whyNothingCanBeShown();

}  // namespace platform::d3d9

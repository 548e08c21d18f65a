// Whether windows go to a real display, and SDL's video subsystem behind it.
#pragma once

#include <string>

namespace platform::win32 {

// True once SDL's video subsystem runs on a real display (X11 or Wayland); initialises it on
// the first call. False without a display or after forbidDisplay.
bool hasDisplay();
// Why hasDisplay answered false, in a few words.
const std::string& whyNoDisplay();

// The window system refused a window although there is a display; remembered for the
// program's entry, which cannot tell from the engine's own end that nothing was shown.
void noteWindowRefused(const char* why);
// Why the last window was refused; empty when none was.
const std::string& whyAWindowWasRefused();

}  // namespace platform::win32

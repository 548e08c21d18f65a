// Whether windows go to a real display, and SDL's video subsystem behind it.
#pragma once

namespace platform::win32 {

// True once SDL's video subsystem runs on a real display (X11 or Wayland); initialises it on
// the first call. False without a display or after forbidDisplay.
bool hasDisplay();

}  // namespace platform::win32

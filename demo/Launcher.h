// The launcher: a small window in which the viewer picks a display mode and full screen, or
// quits, before the demo window opens.
#pragma once

#include <windows.h>

#include <string>

#include "demo/DisplaySettings.h"

namespace vantor {

// Shows the launcher and runs its message loop until it is closed. "start" writes the chosen
// mode's size and the full-screen choice into `settings` and answers true; "quit", Escape and
// closing the window answer false.
bool runLauncher(DisplaySettings& settings, HINSTANCE instance);

// The list entry of a display mode: "1024x768  [4:3] 60hz".
std::string modeEntryText(UINT width, UINT height, UINT refreshRate);

}  // namespace vantor

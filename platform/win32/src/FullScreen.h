// The display mode taken by ChangeDisplaySettingsA for this process. There is no real mode
// switch: top-level WS_POPUP windows cover the desktop borderless while a mode is taken.
#pragma once

namespace platform::win32 {

bool fullScreenActive();
int fullScreenWidth();
int fullScreenHeight();

}  // namespace platform::win32

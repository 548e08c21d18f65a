// User input turned into window messages. The display's events come through here, and so
// does a script's input; coordinates are in the top-level window's client area.
#pragma once

#include <windows.h>

namespace platform::win32 {

// A key press or release for the focused window (the foreground window when nothing has
// the focus): WM_KEYDOWN/WM_KEYUP, or WM_SYSKEYDOWN/WM_SYSKEYUP while Alt is held.
void keyEvent(int virtualKey, bool down);
void mouseButton(HWND topLevel, int x, int y, bool down);
void mouseMove(HWND topLevel, int x, int y);
// delta in WHEEL_DELTA units per notch, positive away from the user.
void mouseWheel(HWND topLevel, int x, int y, int delta);
// A left click in the middle of a control (mouse down and up).
void clickWindow(HWND control);
// The close box: WM_SYSCOMMAND with SC_CLOSE.
void closeRequest(HWND topLevel);

// Turns pending display events into messages; with wait, first waits up to timeoutMs for one.
void pumpDisplayEvents(bool wait, int timeoutMs);

}  // namespace platform::win32

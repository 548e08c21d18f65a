// A top-level window whose procedure records every message it gets, for the window-system
// tests. Tests run without a display: windows are offscreen.
#pragma once

#include <windows.h>

#include <vector>

#include "Hooks.h"

namespace win32test {

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
};

inline std::vector<Received> received;
// Set to make the procedure answer 0 to the screen saver queries instead of passing them on.
inline bool refuseScreenSaver = false;

inline LRESULT CALLBACK recordingProcedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  received.push_back({window, message, wParam});
  if (message == WM_SYSCOMMAND && refuseScreenSaver &&
      (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)) {
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

inline HWND createTopLevel(const char* title = "test",
                           DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
  platform::win32::forbidDisplay();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = 48;  // what 32-bit Windows code writes
  windowClass.lpfnWndProc = recordingProcedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = "recording";
  RegisterClassExA(&windowClass);  // 0 after the first test: the class stays registered
  received.clear();
  refuseScreenSaver = false;
  return CreateWindowExA(0, "recording", title, style, 100, 100, 200, 380, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}

// Dispatches every queued message, as the demo's frame loop does.
inline void drainMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

inline std::vector<UINT> messagesTo(HWND window) {
  std::vector<UINT> messages;
  for (const Received& r : received) {
    if (r.window == window) messages.push_back(r.message);
  }
  return messages;
}

}  // namespace win32test

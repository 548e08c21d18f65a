#include "BrowserRun.h"

#include <windows.h>

#include <vector>

#include "Hooks.h"
#include "PageBridge.h"
#include "WindowHost.h"

namespace platform::web {

void offerCanvasSize(int width, int height) {
  win32::offerModes({{static_cast<UINT>(width), static_cast<UINT>(height), 60}});
}

void offerCanvasSizesThatFit() {
  constexpr int kSizes[][2] = {{1920, 1080}, {1600, 900}, {1280, 720}, {960, 540}, {640, 360}};
  int roomWidth = 0, roomHeight = 0;
  availableSize(roomWidth, roomHeight);
  std::vector<win32::DisplayMode> modes;
  for (const auto& size : kSizes) {
    if (size[0] <= roomWidth && size[1] <= roomHeight) {
      modes.push_back({static_cast<UINT>(size[0]), static_cast<UINT>(size[1]), 60});
    }
  }
  if (modes.empty()) modes.push_back({640, 360, 60});
  win32::offerModes(modes);
}

void startLauncherAtOnce(int startButton, int fullScreenBox) {
  // Runs while the launcher's loop waits. After the one start it only lets the loop go on
  // (the waiting is done by the loop's own polling), and the launcher is gone soon after.
  static int startButtonId = 0, fullScreenBoxId = 0;
  static bool started = false;
  startButtonId = startButton;
  fullScreenBoxId = fullScreenBox;
  win32::setIdleHandler([] {
    if (started) return true;
    HWND launcher = GetForegroundWindow();
    if (!launcher) return true;
    started = true;
    CheckDlgButton(launcher, fullScreenBoxId, BST_UNCHECKED);
    PostMessageA(launcher, WM_COMMAND, MAKEWPARAM(startButtonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(launcher, startButtonId)));
    return true;
  });
}

}  // namespace platform::web

#include <gtest/gtest.h>

#include "ScriptedRun.h"

namespace {

using platform::scripted::Input;
using platform::scripted::ScriptedRun;

std::vector<std::pair<UINT, WPARAM>> received;
LRESULT CALLBACK launcherProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND || message == WM_KEYDOWN || message == WM_CLOSE) {
    received.push_back({message, wParam});
  }
  if (message == WM_COMMAND || (message == WM_KEYDOWN && wParam == VK_ESCAPE)) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A launcher-like window with its own message loop, as the engine's launcher runs it.
HWND openLauncher() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = 48;
    windowClass.lpfnWndProc = launcherProcedure;
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = "vantor";
    registered = RegisterClassExA(&windowClass) != 0;
  }
  HWND top = CreateWindowExA(0, "vantor", "ZOV", 0x10CB0000, 100, 100, 200, 380, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  CreateWindowExA(0, "BUTTON", "start", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0, 0, 50, 20, top,
                  reinterpret_cast<HMENU>(1001), nullptr, nullptr);
  CreateWindowExA(0, "BUTTON", "quit", WS_CHILD | WS_VISIBLE, 0, 20, 50, 20, top,
                  reinterpret_cast<HMENU>(1002), nullptr, nullptr);
  SetFocus(GetDlgItem(top, 1001));
  received.clear();
  return top;
}

int runLoop(HWND top) {
  MSG message;
  int result;
  while ((result = GetMessageA(&message, top, 0, 0xFFFF)) > 0) {
    if (!IsDialogMessageA(top, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return result;
}

TEST(ScriptedRun, TimedInputReachesAWaitingMessageLoopInOrder) {
  ScriptedRun run(20, 1000);
  EXPECT_EQ(timeGetTime(), 1000u);

  HWND top = openLauncher();
  run.atTime(1500, Input::key(VK_TAB));
  run.atTime(2500, Input::click(1002));
  EXPECT_EQ(runLoop(top), -1);  // the loop ends once its window is gone
  EXPECT_FALSE(IsWindow(top));
  EXPECT_EQ(run.nowMs(), 2500u);  // the clock jumped to each input while the loop waited
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].first, static_cast<UINT>(WM_COMMAND));
  EXPECT_EQ(LOWORD(received[0].second), 1002);

  // Escape goes to the window's procedure; a close request too.
  top = openLauncher();
  run.atTime(0, Input::key(VK_ESCAPE));  // already due
  runLoop(top);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0], (std::pair<UINT, WPARAM>{WM_KEYDOWN, VK_ESCAPE}));
  top = openLauncher();
  run.atTime(3000, Input::close());
  runLoop(top);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received[0].first, static_cast<UINT>(WM_CLOSE));

  // Nothing scheduled: the loop is told that nothing can come instead of hanging.
  top = openLauncher();
  EXPECT_EQ(runLoop(top), -1);
  EXPECT_TRUE(IsWindow(top));

  platform::scripted::Image image;
  ASSERT_TRUE(platform::scripted::captureWindow(top, image));
  EXPECT_EQ(image.width, 194);
  EXPECT_EQ(image.argb[100 * image.width + 100] & 0xFFFFFF, 0xF0F0F0u);  // the dialog face
  DestroyWindow(top);

  EXPECT_EQ(MessageBoxA(nullptr, "Couldn't open file!", "error", MB_OK), IDOK);
  ASSERT_EQ(run.messageBoxes().size(), 1u);
  EXPECT_EQ(run.messageBoxes()[0].caption, "error");
  EXPECT_EQ(run.messageBoxes()[0].text, "Couldn't open file!");
}

}  // namespace

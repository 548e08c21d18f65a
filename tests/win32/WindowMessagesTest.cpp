#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Input.h"
#include "TestWindow.h"
#include "Window.h"
#include "WindowHost.h"

using namespace win32test;

namespace {

bool contains(const std::vector<UINT>& messages, UINT message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

TEST(WindowMessages, ButtonClickSendsCommandWithItsIdentifier) {
  HWND top = createTopLevel();
  ASSERT_TRUE(top);
  HWND button = CreateWindowExA(0, "BUTTON", "start", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 0,
                                0, 50, 20, top, reinterpret_cast<HMENU>(1001), nullptr, nullptr);
  ASSERT_TRUE(button);
  platform::win32::clickWindow(button);
  drainMessages();
  auto command = std::find_if(received.begin(), received.end(),
                              [](const Received& r) { return r.message == WM_COMMAND; });
  ASSERT_NE(command, received.end());
  EXPECT_EQ(command->window, top);
  EXPECT_EQ(LOWORD(command->wParam), 1001);
  EXPECT_EQ(HIWORD(command->wParam), BN_CLICKED);
  EXPECT_EQ(GetFocus(), button);  // a click focuses the button
  DestroyWindow(top);
}

TEST(WindowMessages, PressOutsideReleaseDoesNotClick) {
  HWND top = createTopLevel();
  HWND button = CreateWindowExA(0, "BUTTON", "quit", WS_CHILD | WS_VISIBLE, 0, 20, 50, 20, top,
                                reinterpret_cast<HMENU>(1002), nullptr, nullptr);
  ASSERT_TRUE(button);
  platform::win32::mouseButton(top, 10, 30, true);
  platform::win32::mouseMove(top, 120, 30);  // dragged off while held: captured by the button
  platform::win32::mouseButton(top, 120, 30, false);
  drainMessages();
  EXPECT_FALSE(contains(messagesTo(top), WM_COMMAND));
  DestroyWindow(top);
}

TEST(WindowMessages, KeysReachTheFocusedWindowWithVirtualKeyCodes) {
  HWND top = createTopLevel();
  SetFocus(top);
  platform::win32::keyEvent(VK_ESCAPE, true);
  platform::win32::keyEvent(VK_ESCAPE, false);
  platform::win32::keyEvent('A', true);
  drainMessages();
  std::vector<std::pair<UINT, WPARAM>> keys;
  for (const Received& r : received) {
    if (r.message == WM_KEYDOWN || r.message == WM_KEYUP || r.message == WM_CHAR) {
      keys.push_back({r.message, r.wParam});
    }
  }
  std::vector<std::pair<UINT, WPARAM>> expected = {{WM_KEYDOWN, VK_ESCAPE},
                                                   {WM_CHAR, 27},
                                                   {WM_KEYUP, VK_ESCAPE},
                                                   {WM_KEYDOWN, 'A'},
                                                   {WM_CHAR, 'a'}};
  EXPECT_EQ(keys, expected);
  platform::win32::keyEvent('A', false);
  drainMessages();
  DestroyWindow(top);
}

TEST(WindowMessages, CloseBoxAndAltF4GiveCloseThenDestroy) {
  for (bool altF4 : {false, true}) {
    HWND top = createTopLevel();
    if (altF4) {
      platform::win32::keyEvent(VK_MENU, true);
      platform::win32::keyEvent(VK_F4, true);
    } else {
      platform::win32::closeRequest(top);
    }
    drainMessages();
    auto messages = messagesTo(top);
    auto close = std::find(messages.begin(), messages.end(), WM_CLOSE);
    auto destroy = std::find(messages.begin(), messages.end(), WM_DESTROY);
    ASSERT_NE(close, messages.end()) << "altF4 " << altF4;
    ASSERT_NE(destroy, messages.end()) << "altF4 " << altF4;
    EXPECT_LT(close, destroy);
    EXPECT_FALSE(IsWindow(top));
    if (altF4) {
      platform::win32::keyEvent(VK_F4, false);
      platform::win32::keyEvent(VK_MENU, false);
      drainMessages();
    }
  }
}

TEST(MessageQueue, GetMessageAnswersQueuedMessagesThenZeroForQuit) {
  HWND top = createTopLevel();
  PostMessageA(top, WM_USER, 7, 0);
  PostQuitMessage(3);
  MSG message;
  ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 1);  // posted before the quit, comes first
  EXPECT_EQ(message.message, WM_USER);
  ASSERT_EQ(GetMessageA(&message, nullptr, 0, 0), 0);
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 3u);
  DestroyWindow(top);
  // The launcher's loop filters on its own window: it ends once that window is gone.
  EXPECT_EQ(GetMessageA(&message, top, 0, 0xFFFF), -1);
  // Nothing can arrive without a display or a script: an error, not a hang.
  EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), -1);
}

TEST(Windows, UserDataClassSizeAndCloseWindow) {
  HWND top = createTopLevel();
  EXPECT_EQ(SetWindowLongPtrA(top, GWL_USERDATA, 1234), 0);
  EXPECT_EQ(GetWindowLongPtrA(top, GWL_USERDATA), 1234);
  WNDCLASSEXA bad{};
  bad.cbSize = 40;
  bad.lpfnWndProc = recordingProcedure;
  bad.lpszClassName = "badsize";
  EXPECT_EQ(RegisterClassExA(&bad), 0);
  EXPECT_FALSE(
      CreateWindowExA(0, "badsize", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  // The outer size of a captioned window is larger than its client area.
  RECT client;
  ASSERT_TRUE(GetClientRect(top, &client));
  EXPECT_LT(client.right, 200);
  EXPECT_LT(client.bottom, 380);
  EXPECT_TRUE(CloseWindow(top));  // minimises; the window stays
  EXPECT_TRUE(IsWindow(top));
  EXPECT_EQ(platform::win32::sdlWindowOf(top), nullptr);  // offscreen: the device runs headless
  DestroyWindow(top);
}

TEST(Windows, ScreenSaverStaysOffOnlyWhileTheProcedureRefusesIt) {
  HWND top = createTopLevel();
  SetForegroundWindow(top);
  EXPECT_FALSE(platform::win32::screenSaverSuppressed());
  refuseScreenSaver = true;
  SetForegroundWindow(top);
  EXPECT_TRUE(platform::win32::screenSaverSuppressed());
  DestroyWindow(top);
}

TEST(Display, WithoutADisplayOneModeAndNoFullScreen) {
  platform::win32::forbidDisplay();
  auto modes = platform::win32::displayModes();
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0].width, 640u);
  EXPECT_EQ(modes[0].height, 480u);
  EXPECT_EQ(modes[0].refreshRate, 60u);
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  EXPECT_EQ(mode.dmFields, 0x1C0000u);
  mode.dmBitsPerPel = 32;
  mode.dmPelsWidth = 640;
  mode.dmPelsHeight = 480;
  EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_FAILED);
}

TEST(MessageBox, WithoutADisplayWritesCaptionAndTextAndAnswersOk) {
  platform::win32::forbidDisplay();
  testing::internal::CaptureStderr();
  int answer = MessageBoxA(nullptr, "Unexpected fatal error(#160).", "Vantor error", MB_OK);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Vantor error: Unexpected fatal error(#160).\n");
  EXPECT_EQ(answer, IDOK);
}

}  // namespace

namespace {

LRESULT CALLBACK refusingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    return create->cx == 13 ? -1 : 0;  // refuses the one size the test asks to be refused
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Windows, ProcedureRefusingCreateMakesCreationFail) {
  platform::win32::forbidDisplay();
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = refusingProcedure;
  windowClass.lpszClassName = "refusing";
  ASSERT_NE(RegisterClassExA(&windowClass), 0);
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);  // names are registered once
  EXPECT_FALSE(
      CreateWindowExA(0, "REFUSING", "", 0, 0, 0, 13, 10, nullptr, nullptr, nullptr, nullptr));
  HWND accepted =
      CreateWindowExA(0, "Refusing", "", 0, 0, 0, 14, 10, nullptr, nullptr, nullptr, nullptr);
  EXPECT_TRUE(accepted);  // class names compare case-insensitively
  DestroyWindow(accepted);
}

}  // namespace

// A manual check of the window system on a real display (not run by ctest): opens a
// launcher-like window and prints the messages that Escape, the close box, clicks and
// keys bring, until the window is destroyed. Run it under an X server and press keys.
#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      std::printf("WM_KEYDOWN 0x%02X%s\n", static_cast<unsigned>(wParam),
                  wParam == VK_ESCAPE ? " (VK_ESCAPE)" : "");
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      break;
    case WM_COMMAND: std::printf("WM_COMMAND %u\n", LOWORD(wParam)); break;
    case WM_CLOSE: std::printf("WM_CLOSE\n"); break;
    case WM_DESTROY: std::printf("WM_DESTROY\n"); break;
  }
  std::fflush(stdout);
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = 48;
  windowClass.lpfnWndProc = procedure;
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = "vantor";
  RegisterClassExA(&windowClass);
  HWND top = CreateWindowExA(0, "vantor", "ZOV", 0x10CB0000, 100, 100, 200, 380, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
  if (!top) return 1;
  auto control = [&](const char* cls, const char* text, DWORD style, int x, int y, int w, int h,
                     int id) {
    CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, top,
                    reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
  };
  control("BUTTON", "start", BS_DEFPUSHBUTTON, 0, 0, 50, 20, 1001);
  control("BUTTON", "quit", 0, 0, 20, 50, 20, 1002);
  control("BUTTON", "fullScreenSelection", BS_AUTOCHECKBOX, 52, 22, 10, 10, 1004);
  control("STATIC", "fullscreen", 0, 62, 18, 130, 20, 1004);
  control("LISTBOX", nullptr, WS_VSCROLL, 0, 40, 194, 200, 1003);
  HWND list = GetDlgItem(top, 1003);
  for (int i = 0; i < 40; ++i) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%dx%d  [4:3] 60hz", 640 + 32 * i, 480 + 24 * i);
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
  }
  SendMessageA(list, LB_SETCURSEL, 0, 0);
  CheckDlgButton(top, 1004, BST_CHECKED);
  SetFocus(GetDlgItem(top, 1001));
  InvalidateRect(top, nullptr, TRUE);
  MSG message;
  while (GetMessageA(&message, top, 0, 0xFFFF) > 0) {
    if (!IsDialogMessageA(top, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return 0;
}

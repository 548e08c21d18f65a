#include "demo/Launcher.h"

#include <d3d9.h>

#include <cstdio>

#include "demo/D3DWindow.h"

namespace vantor {

namespace {

constexpr int kStartId = 1001;
constexpr int kQuitId = 1002;
constexpr int kModeListId = 1003;
constexpr int kFullScreenId = 1004;  // shared by the check box and its label

bool launcherStart = false;
HWND modeList = nullptr;
DisplaySettings* chosenSettings = nullptr;

// Writes the selected mode and the full-screen choice into the settings. Without a selection
// (an adapter with no modes) the size stays as it was.
void applyChoice(HWND launcher) {
  const LRESULT index = SendMessageA(modeList, LB_GETCURSEL, 0, 0);
  D3DDISPLAYMODE mode{};
  IDirect3D9* d3d = D3DWindow::current()->direct3d();
  const bool haveMode = index >= 0 && d3d &&
                        SUCCEEDED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8,
                                                        static_cast<UINT>(index), &mode));
  const bool fullscreen =
      SendMessageA(GetDlgItem(launcher, kFullScreenId), BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (haveMode) {
    chosenSettings->width = static_cast<int>(mode.Width);
    chosenSettings->height = static_cast<int>(mode.Height);
  }
  chosenSettings->fullscreen = fullscreen;
}

LRESULT CALLBACK launcherProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kStartId) {
        applyChoice(hwnd);
        DestroyWindow(hwnd);
        return 0;
      }
      if (LOWORD(wParam) == kQuitId) {
        launcherStart = false;
        DestroyWindow(hwnd);
        return 0;
      }
      break;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) {
        launcherStart = false;
        DestroyWindow(hwnd);
      }
      break;
    case WM_CLOSE:
      launcherStart = false;
      DestroyWindow(hwnd);
      break;
    case WM_DESTROY: PostQuitMessage(0); break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND createControl(const char* className, const char* text, DWORD style, int x, int y, int width,
                   int height, HWND parent, int id, HINSTANCE instance) {
  return CreateWindowExA(0, className, text, style, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
}

}  // namespace

std::string modeEntryText(UINT width, UINT height, UINT refreshRate) {
  // The largest divisor of both below half the height; the quotients are compared in 32-bit
  // floats, which is exact for display sizes.
  int divisor = 1;
  const int W = static_cast<int>(width), H = static_cast<int>(height);
  for (int i = 1; i < H / 2; ++i) {
    const float w = static_cast<float>(W) / static_cast<float>(i);
    const float h = static_cast<float>(H) / static_cast<float>(i);
    if (w == static_cast<float>(static_cast<int>(w)) &&
        h == static_cast<float>(static_cast<int>(h))) {
      divisor = i;
    }
  }
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%i:%i", W / divisor, H / divisor);
  char entry[96];
  std::snprintf(entry, sizeof entry, "%ix%i  [%s] %ihz", W, H, ratio,
                static_cast<int>(refreshRate));
  return entry;
}

bool runLauncher(DisplaySettings& settings, HINSTANCE instance) {
  launcherStart = true;
  chosenSettings = &settings;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.lpfnWndProc = launcherProcedure;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = "vantor";
  RegisterClassExA(&windowClass);

  HWND launcher = CreateWindowExA(
      0, "vantor", "ZOV", WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
      100, 100, 200, 380, nullptr, nullptr, instance, nullptr);

  constexpr DWORD child = WS_CHILD | WS_VISIBLE;
  HWND start = createControl("BUTTON", "start", child | BS_DEFPUSHBUTTON, 0, 0, 50, 20, launcher,
                             kStartId, instance);
  createControl("BUTTON", "quit", child, 0, 20, 50, 20, launcher, kQuitId, instance);
  createControl("BUTTON", "fullScreenSelection", child | BS_AUTOCHECKBOX, 52, 22, 10, 10, launcher,
                kFullScreenId, instance);
  createControl("STATIC", "fullscreen", child, 62, 18, 130, 20, launcher, kFullScreenId, instance);
  modeList = createControl("LISTBOX", nullptr, child | WS_VSCROLL, 0, 40, 194, 200, launcher,
                           kModeListId, instance);
  SetFocus(start);
  CheckDlgButton(launcher, kFullScreenId, BST_CHECKED);

  if (IDirect3D9* d3d = D3DWindow::current()->direct3d()) {
    for (UINT i = 0; i < d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8); ++i) {
      D3DDISPLAYMODE mode{};
      d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, D3DFMT_X8R8G8B8, i, &mode);
      const std::string entry = modeEntryText(mode.Width, mode.Height, mode.RefreshRate);
      SendMessageA(modeList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  SendMessageA(modeList, LB_SETCURSEL, 0, 0);
  SendMessageA(modeList, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(launcher, nullptr, TRUE);

  MSG message;
  while (GetMessageA(&message, launcher, 0, 0xFFFF) > 0) {
    if (!IsDialogMessageA(launcher, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return launcherStart;
}

}  // namespace vantor

// Keyboard navigation between a top-level window's controls, as IsDialogMessageA gives a
// dialog: Tab and Shift+Tab move the focus, Enter presses the focused or default push button,
// Escape goes to the window's own procedure, other keys go to the focused control.
#include <algorithm>

#include "Window.h"

namespace platform::win32 {

namespace {

bool takesFocus(const Window& window) {
  if (!window.visible || (window.style & WS_DISABLED)) return false;
  return window.className == "BUTTON" || window.className == "LISTBOX";
}

void moveFocus(Window& dialog, bool backwards) {
  std::vector<HWND> order;
  for (HWND child : dialog.children) {
    if (takesFocus(*findWindow(child))) order.push_back(child);
  }
  if (order.empty()) return;
  auto current = std::find(order.begin(), order.end(), GetFocus());
  size_t index = current == order.end() ? (backwards ? order.size() - 1 : 0)
                 : backwards ? (current - order.begin() + order.size() - 1) % order.size()
                             : (current - order.begin() + 1) % order.size();
  SetFocus(order[index]);
}

bool isPushButton(const Window* window) {
  if (!window || window->className != "BUTTON") return false;
  DWORD kind = window->style & BS_TYPEMASK;
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

void pressDefault(Window& dialog) {
  Window* focused = findWindow(GetFocus());
  Window* target = isPushButton(focused) && focused->parent == dialog.handle ? focused : nullptr;
  for (HWND child : dialog.children) {
    if (target) break;
    Window* window = findWindow(child);
    if (window->className == "BUTTON" && (window->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
        window->visible) {
      target = window;
    }
  }
  if (target) SendMessageA(target->handle, BM_CLICK, 0, 0);
}

}  // namespace

}  // namespace platform::win32

using namespace platform::win32;

BOOL IsDialogMessageA(HWND dialogHandle, LPMSG message) {
  Window* dialog = findWindow(dialogHandle);
  if (!dialog || !message || !isDescendant(message->hwnd, dialogHandle)) return FALSE;
  if (message->message == WM_KEYDOWN) {
    switch (message->wParam) {
      case VK_TAB: moveFocus(*dialog, GetKeyState(VK_SHIFT) < 0); return TRUE;
      case VK_RETURN: pressDefault(*dialog); return TRUE;
      case VK_ESCAPE:
        SendMessageA(dialogHandle, WM_KEYDOWN, message->wParam, message->lParam);
        return TRUE;
    }
  }
  if (message->message == WM_CHAR &&
      (message->wParam == '\t' || message->wParam == '\r' || message->wParam == 27)) {
    return TRUE;
  }
  DispatchMessageA(message);
  return TRUE;
}

BOOL CheckDlgButton(HWND dialog, int identifier, UINT check) {
  HWND button = GetDlgItem(dialog, identifier);
  if (!button) return FALSE;
  SendMessageA(button, BM_SETCHECK, check, 0);
  return TRUE;
}

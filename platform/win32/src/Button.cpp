// "BUTTON": push buttons, default push buttons and automatic check boxes.
#include <algorithm>

#include "Controls.h"
#include "SysColors.h"

namespace platform::win32 {

namespace {

DWORD kind(const Window& button) { return button.style & BS_TYPEMASK; }
bool isCheckBox(const Window& button) {
  return kind(button) == BS_CHECKBOX || kind(button) == BS_AUTOCHECKBOX;
}

void click(Window& button) {
  if (kind(button) == BS_AUTOCHECKBOX) {
    button.button.check = button.button.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
  }
  invalidate(button.handle);
  if (button.parent) {
    SendMessageA(button.parent, WM_COMMAND, MAKEWPARAM(button.identifier, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button.handle));
  }
}

void setPushed(Window& button, bool pushed) {
  if (button.button.pushed == pushed) return;
  button.button.pushed = pushed;
  invalidate(button.handle);
}

bool inside(const Window& button, LPARAM point) {
  int x = GET_X_LPARAM(point), y = GET_Y_LPARAM(point);
  return x >= 0 && y >= 0 && x < button.clientWidth && y < button.clientHeight;
}

}  // namespace

LRESULT CALLBACK buttonProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* button = findWindow(handle);
  if (!button) return 0;
  switch (message) {
    case WM_LBUTTONDOWN:
      SetFocus(handle);
      setCapture(handle);
      setPushed(*button, true);
      return 0;
    case WM_MOUSEMOVE:
      if (capture() == handle) setPushed(*button, inside(*button, lParam));
      return 0;
    case WM_LBUTTONUP:
      if (capture() != handle) return 0;
      setCapture(nullptr);
      setPushed(*button, false);
      if (inside(*button, lParam)) click(*button);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) setPushed(*button, true);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && button->button.pushed) {
        setPushed(*button, false);
        click(*button);
      }
      return 0;
    case BM_GETCHECK: return isCheckBox(*button) ? button->button.check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (isCheckBox(*button)) {
        button->button.check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
        invalidate(handle);
      }
      return 0;
    case BM_CLICK: click(*button); return 0;
    default: return DefWindowProcA(handle, message, wParam, lParam);
  }
}

void paintButton(Painter& painter, const Window& button, bool focused) {
  int w = button.clientWidth, h = button.clientHeight;
  int textHeight = painter.lineHeight();
  if (isCheckBox(button)) {
    painter.fill(0, 0, w, h, GetSysColor(COLOR_BTNFACE));
    int box = std::min(13, std::min(w, h));
    int boxY = (h - box) / 2;
    painter.fill(0, boxY, box, box, GetSysColor(COLOR_WINDOW));
    painter.frame(0, boxY, box, box, rgb(51, 51, 51));
    if (button.button.check == BST_CHECKED) {
      // A tick scaled to the box: down from the left third, up to the right edge.
      int left = box / 5, bottom = boxY + box * 3 / 4, right = box - 1 - box / 6;
      for (int thickness = 0; thickness < 2; ++thickness) {
        painter.line(left, boxY + box / 2 + thickness, box * 2 / 5, bottom + thickness,
                     GetSysColor(COLOR_BTNTEXT));
        painter.line(box * 2 / 5, bottom + thickness, right, boxY + box / 4 + thickness,
                     GetSysColor(COLOR_BTNTEXT));
      }
    }
    painter.text(box + 4, (h - textHeight) / 2, button.text, GetSysColor(COLOR_BTNTEXT));
    if (focused) painter.dottedFrame(box + 2, 0, w - box - 2, h, GetSysColor(COLOR_BTNTEXT));
    return;
  }
  bool isDefault = kind(button) == BS_DEFPUSHBUTTON;
  COLORREF face = button.button.pushed ? rgb(204, 228, 247) : rgb(225, 225, 225);
  COLORREF border = button.button.pushed     ? rgb(0, 84, 153)
                    : (isDefault || focused) ? GetSysColor(COLOR_HIGHLIGHT)
                                             : rgb(173, 173, 173);
  painter.fill(0, 0, w, h, face);
  painter.frame(0, 0, w, h, border);
  if (isDefault) painter.frame(1, 1, w - 2, h - 2, border);
  int textWidth = painter.textWidth(button.text);
  painter.text((w - textWidth) / 2, (h - textHeight) / 2, button.text, GetSysColor(COLOR_BTNTEXT));
  if (focused) painter.dottedFrame(3, 3, w - 6, h - 6, GetSysColor(COLOR_BTNTEXT));
}

}  // namespace platform::win32

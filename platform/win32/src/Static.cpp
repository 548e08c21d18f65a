// "STATIC": a label of one line, drawn on the dialog colour. It never takes the focus.
#include "Controls.h"

namespace platform::win32 {

LRESULT CALLBACK staticProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(handle, message, wParam, lParam);
}

void paintStatic(Painter& painter, const Window& label) {
  painter.fill(0, 0, label.clientWidth, label.clientHeight, GetSysColor(COLOR_BTNFACE));
  painter.text(0, 0, label.text, GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace platform::win32

// The system colours of a plain light Windows desktop, and the brushes that stand for them.
#pragma once

#include <windows.h>

namespace platform::win32 {

// The colour a class background brush paints; false for a null or unknown brush. Both
// GetSysColorBrush handles and the (HBRUSH)(COLOR_* + 1) convention are understood.
bool brushColour(HBRUSH brush, COLORREF& colour);

constexpr COLORREF rgb(int r, int g, int b) {
  return static_cast<COLORREF>(r | (g << 8) | (b << 16));
}

}  // namespace platform::win32

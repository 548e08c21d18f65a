#include "SysColors.h"

#include <array>

namespace platform::win32 {

namespace {
constexpr std::array<COLORREF, 31> kSystemColours = {
    rgb(200, 200, 200), rgb(0, 0, 0),       rgb(153, 180, 209), rgb(191, 205, 219),
    rgb(240, 240, 240), rgb(255, 255, 255), rgb(100, 100, 100), rgb(0, 0, 0),
    rgb(0, 0, 0),       rgb(0, 0, 0),       rgb(180, 180, 180), rgb(244, 247, 252),
    rgb(171, 171, 171), rgb(0, 120, 215),   rgb(255, 255, 255), rgb(240, 240, 240),
    rgb(160, 160, 160), rgb(109, 109, 109), rgb(0, 0, 0),       rgb(0, 0, 0),
    rgb(255, 255, 255), rgb(105, 105, 105), rgb(227, 227, 227), rgb(0, 0, 0),
    rgb(255, 255, 225), rgb(0, 0, 0),       rgb(0, 102, 204),   rgb(185, 209, 234),
    rgb(215, 228, 242), rgb(0, 120, 215),   rgb(240, 240, 240)};

std::array<HBRUSH__, kSystemColours.size()> systemBrushes{};

bool validIndex(int index) {
  return index >= 0 && index < static_cast<int>(kSystemColours.size()) && index != 25;
}
}  // namespace

bool brushColour(HBRUSH brush, COLORREF& colour) {
  if (!brush) return false;
  if (brush >= &systemBrushes.front() && brush <= &systemBrushes.back()) {
    colour = kSystemColours[brush - systemBrushes.data()];
    return true;
  }
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value >= 1 && value <= kSystemColours.size() && validIndex(static_cast<int>(value) - 1)) {
    colour = kSystemColours[value - 1];
    return true;
  }
  return false;
}

}  // namespace platform::win32

using namespace platform::win32;

HBRUSH GetSysColorBrush(int index) { return validIndex(index) ? &systemBrushes[index] : nullptr; }

DWORD GetSysColor(int index) { return validIndex(index) ? kSystemColours[index] : 0; }

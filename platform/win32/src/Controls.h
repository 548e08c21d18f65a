// Painting of the built-in controls, and the list box's geometry that its procedure shares.
#pragma once

#include "Painter.h"
#include "Window.h"

namespace platform::win32 {

void paintButton(Painter& painter, const Window& button, bool focused);
void paintStatic(Painter& painter, const Window& label);
void paintListBox(Painter& painter, const Window& list, bool focused);

constexpr int kListItemHeight = 16;
constexpr int kScrollBarWidth = 17;  // also the height of its arrow boxes

struct ListBoxLayout {
  int visibleCount;  // whole items that fit
  bool scrollBar;    // WS_VSCROLL and more items than fit
  int itemWidth;
  int trackTop;  // the track between the arrows
  int trackHeight;
  int thumbTop;
  int thumbHeight;
  int maxTopIndex;
};
ListBoxLayout listBoxLayout(const Window& list);

}  // namespace platform::win32

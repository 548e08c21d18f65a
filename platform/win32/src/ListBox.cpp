// "LISTBOX": a single-selection list of text items with an optional vertical scroll bar,
// driven by the mouse, the wheel and the arrow, page, Home and End keys.
#include <algorithm>
#include <cstring>

#include "Controls.h"
#include "SysColors.h"

namespace platform::win32 {

ListBoxLayout listBoxLayout(const Window& list) {
  ListBoxLayout layout{};
  int count = static_cast<int>(list.list.items.size());
  layout.visibleCount = std::max(1, list.clientHeight / kListItemHeight);
  layout.scrollBar = (list.style & WS_VSCROLL) && count > layout.visibleCount;
  layout.itemWidth = list.clientWidth - (layout.scrollBar ? kScrollBarWidth : 0);
  layout.maxTopIndex = std::max(0, count - layout.visibleCount);
  layout.trackTop = kScrollBarWidth;
  layout.trackHeight = std::max(0, list.clientHeight - 2 * kScrollBarWidth);
  if (layout.scrollBar) {
    layout.thumbHeight = std::max(8, layout.trackHeight * layout.visibleCount / std::max(count, 1));
    layout.thumbHeight = std::min(layout.thumbHeight, layout.trackHeight);
    int travel = layout.trackHeight - layout.thumbHeight;
    layout.thumbTop = layout.trackTop +
                      (layout.maxTopIndex ? travel * list.list.topIndex / layout.maxTopIndex : 0);
  }
  return layout;
}

namespace {

void setTopIndex(Window& list, int top) {
  top = std::clamp(top, 0, listBoxLayout(list).maxTopIndex);
  if (top == list.list.topIndex) return;
  list.list.topIndex = top;
  invalidate(list.handle);
}

// Selects an item (clamped to the list) and scrolls it into view. A change made by the user
// is told to the parent of an LBS_NOTIFY list.
void select(Window& list, int index, bool byUser) {
  int count = static_cast<int>(list.list.items.size());
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  bool changed = list.list.selection != index;
  list.list.selection = index;
  if (changed && byUser && (list.style & LBS_NOTIFY) && list.parent) {
    SendMessageA(list.parent, WM_COMMAND, MAKEWPARAM(list.identifier, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list.handle));
  }
  ListBoxLayout layout = listBoxLayout(list);
  if (index < list.list.topIndex) {
    setTopIndex(list, index);
  } else if (index >= list.list.topIndex + layout.visibleCount) {
    setTopIndex(list, index - layout.visibleCount + 1);
  }
  invalidate(list.handle);
}

void dragThumb(Window& list, int y) {
  ListBoxLayout layout = listBoxLayout(list);
  int travel = layout.trackHeight - layout.thumbHeight;
  if (travel <= 0) return;
  int offset = y - list.list.thumbGrab - layout.trackTop;
  setTopIndex(list, (offset * layout.maxTopIndex + travel / 2) / travel);
}

void scrollBarPressed(Window& list, int y) {
  ListBoxLayout layout = listBoxLayout(list);
  if (y < layout.trackTop) {
    setTopIndex(list, list.list.topIndex - 1);
  } else if (y >= layout.trackTop + layout.trackHeight) {
    setTopIndex(list, list.list.topIndex + 1);
  } else if (y < layout.thumbTop) {
    setTopIndex(list, list.list.topIndex - layout.visibleCount);
  } else if (y >= layout.thumbTop + layout.thumbHeight) {
    setTopIndex(list, list.list.topIndex + layout.visibleCount);
  } else {
    list.list.thumbGrab = y - layout.thumbTop;
  }
}

LRESULT addString(Window& list, LPCSTR text) {
  if (!text) return LB_ERR;
  auto& items = list.list.items;
  auto at = items.end();
  if (list.style & LBS_SORT) at = std::upper_bound(items.begin(), items.end(), std::string(text));
  LRESULT index = at - items.begin();
  items.insert(at, text);
  if (list.list.selection >= index) ++list.list.selection;
  invalidate(list.handle);
  return index;
}

}  // namespace

LRESULT CALLBACK listBoxProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* list = findWindow(handle);
  if (!list) return 0;
  auto& items = list->list.items;
  int count = static_cast<int>(items.size());
  int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
  switch (message) {
    case LB_ADDSTRING: return addString(*list, reinterpret_cast<LPCSTR>(lParam));
    case LB_RESETCONTENT:
      items.clear();
      list->list.selection = -1;
      list->list.topIndex = 0;
      invalidate(handle);
      return 0;
    case LB_GETCOUNT: return count;
    case LB_SETCURSEL:
      if (index < 0 || index >= count) {
        list->list.selection = -1;
        invalidate(handle);
        return LB_ERR;
      }
      select(*list, index, false);
      return index;
    case LB_GETCURSEL: return list->list.selection >= 0 ? list->list.selection : LB_ERR;
    case LB_GETTEXTLEN:
      return index >= 0 && index < count ? static_cast<LRESULT>(items[index].size()) : LB_ERR;
    case LB_GETTEXT:
      if (index < 0 || index >= count || !lParam) return LB_ERR;
      std::memcpy(reinterpret_cast<char*>(lParam), items[index].c_str(), items[index].size() + 1);
      return static_cast<LRESULT>(items[index].size());
    case LB_GETTOPINDEX: return list->list.topIndex;
    case LB_SETTOPINDEX:
      if (index < 0 || index >= std::max(count, 1)) return LB_ERR;
      setTopIndex(*list, index);
      return 0;
    case LB_GETITEMHEIGHT: return kListItemHeight;
    case WM_LBUTTONDOWN: {
      SetFocus(handle);
      setCapture(handle);
      int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      ListBoxLayout layout = listBoxLayout(*list);
      if (layout.scrollBar && x >= layout.itemWidth) {
        scrollBarPressed(*list, y);
      } else if (int item = list->list.topIndex + y / kListItemHeight; item < count) {
        select(*list, item, true);
      }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (capture() == handle && list->list.thumbGrab >= 0) dragThumb(*list, GET_Y_LPARAM(lParam));
      return 0;
    case WM_LBUTTONUP:
      if (capture() == handle) setCapture(nullptr);
      list->list.thumbGrab = -1;
      return 0;
    case WM_MOUSEWHEEL:
      setTopIndex(*list, list->list.topIndex - GET_WHEEL_DELTA_WPARAM(wParam) * 3 / WHEEL_DELTA);
      return 0;
    case WM_KEYDOWN: {
      int page = std::max(1, listBoxLayout(*list).visibleCount - 1);
      int current = list->list.selection;
      switch (wParam) {
        case VK_UP: select(*list, current < 0 ? 0 : current - 1, true); break;
        case VK_DOWN: select(*list, current + 1, true); break;
        case VK_PRIOR: select(*list, current - page, true); break;
        case VK_NEXT: select(*list, current < 0 ? page : current + page, true); break;
        case VK_HOME: select(*list, 0, true); break;
        case VK_END: select(*list, count - 1, true); break;
      }
      return 0;
    }
    default: return DefWindowProcA(handle, message, wParam, lParam);
  }
}

void paintListBox(Painter& painter, const Window& list, bool focused) {
  ListBoxLayout layout = listBoxLayout(list);
  painter.fill(0, 0, list.clientWidth, list.clientHeight, GetSysColor(COLOR_WINDOW));
  int textTop = (kListItemHeight - painter.lineHeight()) / 2;
  int count = static_cast<int>(list.list.items.size());
  for (int row = 0; row * kListItemHeight < list.clientHeight; ++row) {
    int item = list.list.topIndex + row;
    if (item >= count) break;
    int y = row * kListItemHeight;
    bool selected = item == list.list.selection;
    if (selected)
      painter.fill(0, y, layout.itemWidth, kListItemHeight, GetSysColor(COLOR_HIGHLIGHT));
    painter.text(2, y + textTop, list.list.items[item],
                 GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    if (focused && (selected || (list.list.selection < 0 && row == 0))) {
      painter.dottedFrame(0, y, layout.itemWidth, kListItemHeight,
                          GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    }
  }
  if (list.style & WS_BORDER) {
    painter.frame(0, 0, list.clientWidth, list.clientHeight, rgb(130, 135, 144));
  }
  if (!layout.scrollBar) return;
  int x = layout.itemWidth, w = kScrollBarWidth;
  painter.fill(x, 0, w, list.clientHeight, GetSysColor(COLOR_BTNFACE));
  painter.fill(x + 2, layout.thumbTop, w - 4, layout.thumbHeight, rgb(205, 205, 205));
  // Arrow triangles, one row of pixels at a time.
  COLORREF arrow = rgb(96, 96, 96);
  int centre = x + w / 2, bottom = list.clientHeight;
  for (int i = 0; i < 4; ++i) {
    painter.line(centre - i, 6 + i, centre + i, 6 + i, arrow);
    painter.line(centre - i, bottom - 7 - i, centre + i, bottom - 7 - i, arrow);
  }
}

}  // namespace platform::win32

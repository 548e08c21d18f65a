// The thread's message queue: posted messages in order, then WM_QUIT once the queue is
// empty. Display events are pumped into it on every look.
#include <cstdio>
#include <deque>
#include <set>

#include "Display.h"
#include "Hooks.h"
#include "Input.h"
#include "Window.h"
#include "WindowPaint.h"

namespace platform::win32 {

namespace {

struct Queue {
  std::deque<MSG> messages;
  bool quitPosted = false;
  int quitCode = 0;
  IdleHandler idle;
  std::set<HWND> closedUnseen;  // windows closed because no display can show them
};

Queue& queue() {
  static Queue instance;
  return instance;
}

bool matches(const MSG& message, HWND window, UINT filterMin, UINT filterMax) {
  if (window && !isDescendant(message.hwnd, window)) return false;
  if (filterMin == 0 && filterMax == 0) return true;
  return message.message >= filterMin && message.message <= filterMax;
}

// Takes (or, without remove, copies) the first matching message; WM_QUIT only from an
// otherwise empty queue, whatever the filters.
bool takeMessage(MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
  Queue& q = queue();
  for (auto it = q.messages.begin(); it != q.messages.end(); ++it) {
    if (!matches(*it, window, filterMin, filterMax)) continue;
    *out = *it;
    if (remove) q.messages.erase(it);
    return true;
  }
  if (q.quitPosted && q.messages.empty()) {
    *out = {nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, timeGetTime(), {0, 0}};
    if (remove) q.quitPosted = false;
    return true;
  }
  return false;
}

}  // namespace

void setIdleHandler(IdleHandler handler) { queue().idle = std::move(handler); }

}  // namespace platform::win32

using namespace platform::win32;

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window && !findWindow(window)) return FALSE;
  queue().messages.push_back({window, message, wParam, lParam, timeGetTime(), {0, 0}});
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  queue().quitPosted = true;
  queue().quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!message) return FALSE;
  pumpDisplayEvents(false, 0);
  if (takeMessage(message, window, filterMin, filterMax, removeFlags & PM_REMOVE)) return TRUE;
  paintPendingWindows();
  return FALSE;
}

BOOL GetMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
  if (!message) return -1;
  for (;;) {
    if (window && !findWindow(window)) return -1;
    pumpDisplayEvents(false, 0);
    if (takeMessage(message, window, filterMin, filterMax, true)) {
      return message->message == WM_QUIT ? 0 : 1;
    }
    paintPendingWindows();
    if (queue().idle) {
      if (!queue().idle()) return -1;
    } else if (hasDisplay()) {
      pumpDisplayEvents(true, 100);
    } else if (window && queue().closedUnseen.insert(window).second) {
      // Nothing could ever arrive, and a loop that waits on one window (a dialog) would
      // otherwise end as if it had been answered: nobody can see the window, so it is
      // closed, the one answer such a viewer could give.
      std::fprintf(stderr,
                   "window system: no display (%s): closing a window nobody can see or answer\n",
                   whyNoDisplay().c_str());
      PostMessageA(window, WM_CLOSE, 0, 0);
    } else {
      return -1;  // nothing could ever arrive
    }
  }
}

BOOL TranslateMessage(const MSG* message) {
  if (!message) return FALSE;
  bool system = message->message == WM_SYSKEYDOWN;
  if (message->message != WM_KEYDOWN && !system) {
    return message->message == WM_KEYUP || message->message == WM_SYSKEYUP;
  }
  int vk = static_cast<int>(message->wParam);
  bool shift = GetKeyState(VK_SHIFT) < 0;
  int character = 0;
  if (vk >= 'A' && vk <= 'Z') {
    character = shift ? vk : vk - 'A' + 'a';
  } else if ((vk >= '0' && vk <= '9') || vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK ||
             vk == VK_TAB || vk == VK_ESCAPE) {
    character = vk;
  }
  // The character comes next, ahead of messages queued after the key (its release).
  if (character && findWindow(message->hwnd)) {
    queue().messages.push_front({message->hwnd, system ? WM_SYSCHAR : WM_CHAR,
                                 static_cast<WPARAM>(character), message->lParam, message->time,
                                 message->pt});
  }
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* message) {
  if (!message || !message->hwnd) return 0;
  return SendMessageA(message->hwnd, message->message, message->wParam, message->lParam);
}

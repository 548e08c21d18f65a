#include <SDL.h>

#include <cstdio>

#include "Display.h"
#include "Hooks.h"
#include "PageBridge.h"

namespace platform::win32 {

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler instance;
  return instance;
}
}  // namespace

void setMessageBoxHandler(MessageBoxHandler replacement) { handler() = std::move(replacement); }

}  // namespace platform::win32

// In a browser the page shows the text (and it goes to standard error, the console). Elsewhere,
// with a display, the box is an SDL message box with one OK button; without one it is written
// to standard error as "caption: text". OK is the answer.
int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  using namespace platform::win32;
  text = text ? text : "";
  caption = caption ? caption : "Error";
  if (handler()) return handler()(text, caption, type);
  const bool onPage = platform::web::showMessage(caption, text);
  if (!onPage && hasDisplay()) {
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
    if ((type & 0xF0) == MB_ICONWARNING) flags = SDL_MESSAGEBOX_WARNING;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, nullptr) == 0) return IDOK;
  }
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  return IDOK;
}

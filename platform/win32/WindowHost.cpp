#include "WindowHost.h"

#include <map>

namespace platform::win32 {

namespace {
std::map<HWND, SDL_Window*>& hostedWindows() {
  static std::map<HWND, SDL_Window*> windows;
  return windows;
}
}  // namespace

SDL_Window* sdlWindowOf(HWND window) {
  auto found = hostedWindows().find(window);
  return found == hostedWindows().end() ? nullptr : found->second;
}

void attachSdlWindow(HWND window, SDL_Window* sdlWindow) {
  if (sdlWindow) {
    hostedWindows()[window] = sdlWindow;
  } else {
    hostedWindows().erase(window);
  }
}

std::vector<DisplayMode> displayModes() { return {{640, 480, 60}}; }

}  // namespace platform::win32

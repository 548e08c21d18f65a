#include "WindowHost.h"

#include <SDL.h>

#include <map>

#include "Display.h"

namespace platform::win32 {

namespace {
std::map<HWND, SDL_Window*>& hostedWindows() {
  static std::map<HWND, SDL_Window*> windows;
  return windows;
}

std::vector<DisplayMode>& headlessModes() {
  static std::vector<DisplayMode> modes;
  return modes;
}

std::vector<DisplayMode>& offeredModes() {
  static std::vector<DisplayMode> modes;
  return modes;
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

std::vector<DisplayMode> displayModes() {
  if (!offeredModes().empty()) return offeredModes();
  std::vector<DisplayMode> modes;
  if (hasDisplay()) {
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
      SDL_DisplayMode mode;
      if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
      modes.push_back({static_cast<UINT>(mode.w), static_cast<UINT>(mode.h),
                       static_cast<UINT>(mode.refresh_rate)});
    }
  }
  if (modes.empty()) modes = headlessModes();
  if (modes.empty()) modes.push_back({640, 480, 60});
  return modes;
}

void setHeadlessModes(std::vector<DisplayMode> modes) { headlessModes() = std::move(modes); }

void offerModes(std::vector<DisplayMode> modes) { offeredModes() = std::move(modes); }

}  // namespace platform::win32

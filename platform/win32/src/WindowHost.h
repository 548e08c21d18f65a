// Private interface between the window-system stand-in and the Direct3D 9 stand-in: the SDL
// window behind a window handle, and the display's modes. Not part of Win32.
#pragma once

#include <windows.h>

#include <vector>

struct SDL_Window;

namespace platform::win32 {

// The SDL window (created with SDL_WINDOW_OPENGL) that hosts a top-level window handle, or
// null when the handle has none (no display, scripted runs): the device then runs headless.
SDL_Window* sdlWindowOf(HWND window);
// Ties a handle to its SDL window (null unties it). The window stays the caller's.
void attachSdlWindow(HWND window, SDL_Window* sdlWindow);

struct DisplayMode {
  UINT width;
  UINT height;
  UINT refreshRate;
};
// The modes set by offerModes; else the display's modes in the window system's order; without
// a display, the modes set by setHeadlessModes, or one 640 x 480 at 60 Hz.
std::vector<DisplayMode> displayModes();
// The modes offered when there is no display (a scripted run's picture size); empty restores
// the single 640 x 480 mode.
void setHeadlessModes(std::vector<DisplayMode> modes);
// The modes offered even where a display has others (a tool's picture size in a window);
// empty restores the display's.
void offerModes(std::vector<DisplayMode> modes);

}  // namespace platform::win32

#include "Display.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Hooks.h"

namespace platform::win32 {

namespace {
enum class VideoState { kUnknown, kPresent, kAbsent };
VideoState videoState = VideoState::kUnknown;

VideoState startVideo() {
  // Without a display server SDL would try the console's KMS device; a desktop program has
  // no business there.
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return VideoState::kAbsent;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The screen saver stays on unless the focused window's procedure refuses SC_SCREENSAVE.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "window system: no display (%s)\n", SDL_GetError());
    return VideoState::kAbsent;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || !std::strcmp(driver, "dummy") || !std::strcmp(driver, "offscreen") ||
      SDL_GetNumVideoDisplays() < 1) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return VideoState::kAbsent;
  }
  return VideoState::kPresent;
}
}  // namespace

bool hasDisplay() {
  if (videoState == VideoState::kUnknown) videoState = startVideo();
  return videoState == VideoState::kPresent;
}

void forbidDisplay() {
  if (videoState == VideoState::kPresent) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  videoState = VideoState::kAbsent;
}

}  // namespace platform::win32

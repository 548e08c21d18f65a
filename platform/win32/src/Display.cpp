#include "Display.h"

#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "Hooks.h"
#include "PageBridge.h"

namespace platform::win32 {

namespace {
enum class VideoState { kUnknown, kPresent, kAbsent };
VideoState videoState = VideoState::kUnknown;
std::string absence = "not asked for yet";
std::string windowRefusal;

VideoState startVideo() {
  // In a browser the page is the display.
  const bool onPage = web::showsWindows();
  // Without a display server SDL would try the console's KMS device; a desktop program has
  // no business there.
  if (!onPage && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    absence = "DISPLAY and WAYLAND_DISPLAY are unset";
    return VideoState::kAbsent;
  }
  // Only the servers named are tried (SDL_VIDEODRIVER still overrides): a server that does
  // not answer is then reported as such, not after a round of other drivers and their own
  // complaints ending in an off-screen one.
  const std::string wayland = std::getenv("WAYLAND_DISPLAY") ? "wayland" : "";
  const std::string x11 = std::getenv("DISPLAY") ? "x11" : "";
  const std::string drivers =
      onPage ? "emscripten" : wayland + (wayland.empty() || x11.empty() ? "" : ",") + x11;
  SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // The screen saver stays on unless the focused window's procedure refuses SC_SCREENSAVE.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    const char* server = onPage                           ? "the page"
                         : std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY")
                                                          : std::getenv("DISPLAY");
    absence = std::string("no display server answers at ") + server + ": " + SDL_GetError();
    return VideoState::kAbsent;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver || !std::strcmp(driver, "dummy") || !std::strcmp(driver, "offscreen") ||
      SDL_GetNumVideoDisplays() < 1) {
    absence = std::string("SDL's video driver ") + (driver ? driver : "(none)") +
              " shows nothing on a screen";
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

const std::string& whyNoDisplay() { return absence; }

void noteWindowRefused(const char* why) { windowRefusal = why && *why ? why : "no reason given"; }

const std::string& whyAWindowWasRefused() { return windowRefusal; }

void forbidDisplay() {
  if (videoState == VideoState::kPresent) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  videoState = VideoState::kAbsent;
  absence = "windows are kept off the display";
}

}  // namespace platform::win32

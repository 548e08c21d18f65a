#include "PresentationCheck.h"

#include <SDL.h>

#include "Display.h"
#include "GlContext.h"

namespace platform::d3d9 {

std::string whyNothingCanBeShown() {
  if (!win32::hasDisplay()) {
    return "no display (" + win32::whyNoDisplay() + ")";
  }
  // A hidden window of the kind a device presents into, with the context a device makes.
  SDL_Window* window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 64,
                                        64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!window) return std::string("no window can be opened (") + SDL_GetError() + ")";
  std::string error;
  const bool presentable = GlContext::createForWindow(window, error) != nullptr;
  SDL_DestroyWindow(window);
  return presentable ? std::string() : error;
}

}  // namespace platform::d3d9

#include "WindowPaint.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

#include "Controls.h"
#include "PageBridge.h"
#include "SysColors.h"

namespace platform::win32 {

namespace {

bool isDrawn(const Window& window) {
  COLORREF unused;
  return brushColour(window.background, unused) || !window.children.empty();
}

void paintWindow(SDL_Renderer* renderer, const Window& window) {
  Painter painter(renderer);
  painter.setArea(0, 0, window.clientWidth, window.clientHeight);
  COLORREF background;
  if (brushColour(window.background, background)) {
    painter.fill(0, 0, window.clientWidth, window.clientHeight, background);
  }
  HWND focus = GetFocus();
  for (HWND handle : window.children) {
    const Window& child = *findWindow(handle);
    if (!child.visible || child.clientWidth <= 0 || child.clientHeight <= 0) continue;
    painter.setArea(child.x, child.y, child.clientWidth, child.clientHeight);
    bool focused = focus == handle;
    if (child.className == "BUTTON") {
      paintButton(painter, child, focused);
    } else if (child.className == "STATIC") {
      paintStatic(painter, child);
    } else if (child.className == "LISTBOX") {
      paintListBox(painter, child, focused);
    }
  }
  SDL_RenderSetViewport(renderer, nullptr);
  SDL_RenderSetClipRect(renderer, nullptr);
}

}  // namespace

void paintPendingWindows() {
  for (Window* window : topLevelWindows()) {
    if (!window->needsPaint || !window->sdlWindow || !window->visible || !isDrawn(*window)) {
      continue;
    }
    window->needsPaint = false;
    if (web::showsWindows()) {
      std::vector<std::uint32_t> argb;
      int width = 0, height = 0;
      if (renderClientArea(window->handle, argb, width, height)) {
        web::showWindowPicture(width, height, argb.data());
      }
      continue;
    }
    if (!window->renderer) {
      // The software renderer: the same drawing that renderClientArea does offscreen (and
      // that the tests check), and no GL context on a window the device might take.
      window->renderer = SDL_CreateRenderer(window->sdlWindow, -1, SDL_RENDERER_SOFTWARE);
      if (!window->renderer) {
        std::fprintf(stderr, "window system: SDL_CreateRenderer: %s\n", SDL_GetError());
        continue;
      }
    }
    paintWindow(window->renderer, *window);
    SDL_RenderPresent(window->renderer);
  }
}

bool renderClientArea(HWND topLevel, std::vector<std::uint32_t>& argb, int& width, int& height) {
  Window* window = findWindow(topLevel);
  if (!window || window->parent) return false;
  width = window->clientWidth;
  height = window->clientHeight;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return false;
  SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
  if (!renderer) {
    SDL_FreeSurface(surface);
    return false;
  }
  SDL_SetRenderDrawColor(renderer, 0, 0, 0, 0xFF);
  SDL_RenderClear(renderer);
  paintWindow(renderer, *window);
  SDL_RenderPresent(renderer);
  argb.resize(static_cast<size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    std::memcpy(&argb[static_cast<size_t>(row) * width],
                static_cast<Uint8*>(surface->pixels) + row * surface->pitch, width * 4u);
  }
  SDL_DestroyRenderer(renderer);
  SDL_FreeSurface(surface);
  return true;
}

}  // namespace platform::win32

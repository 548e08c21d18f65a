#include "Painter.h"

#include <SDL.h>

#include "UiFont.h"

namespace platform::win32 {

void Painter::setArea(int x, int y, int width, int height) {
  SDL_Rect area{x, y, width, height};
  SDL_RenderSetViewport(renderer_, &area);
  SDL_Rect clip{0, 0, width, height};
  SDL_RenderSetClipRect(renderer_, &clip);
}

void Painter::setColour(COLORREF colour) {
  SDL_SetRenderDrawColor(renderer_, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF,
                         0xFF);
}

void Painter::fill(int x, int y, int width, int height, COLORREF colour) {
  setColour(colour);
  SDL_Rect rect{x, y, width, height};
  SDL_RenderFillRect(renderer_, &rect);
}

void Painter::frame(int x, int y, int width, int height, COLORREF colour) {
  setColour(colour);
  SDL_Rect rect{x, y, width, height};
  SDL_RenderDrawRect(renderer_, &rect);
}

void Painter::dottedFrame(int x, int y, int width, int height, COLORREF colour) {
  setColour(colour);
  for (int i = 0; i < width; i += 2) {
    SDL_RenderDrawPoint(renderer_, x + i, y);
    SDL_RenderDrawPoint(renderer_, x + i, y + height - 1);
  }
  for (int i = 0; i < height; i += 2) {
    SDL_RenderDrawPoint(renderer_, x, y + i);
    SDL_RenderDrawPoint(renderer_, x + width - 1, y + i);
  }
}

void Painter::line(int x1, int y1, int x2, int y2, COLORREF colour) {
  setColour(colour);
  SDL_RenderDrawLine(renderer_, x1, y1, x2, y2);
}

void Painter::text(int x, int top, const std::string& text, COLORREF colour) {
  TextImage image;
  if (text.empty() || !renderText(text, image)) return;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!surface) return;
  for (int row = 0; row < image.height; ++row) {
    auto* pixels =
        reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) + row * surface->pitch);
    for (int column = 0; column < image.width; ++column) {
      Uint32 alpha = image.coverage[static_cast<size_t>(row) * image.width + column];
      pixels[column] = (alpha << 24) | 0xFFFFFF;
    }
  }
  SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer_, surface);
  SDL_FreeSurface(surface);
  if (!texture) return;
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  SDL_SetTextureColorMod(texture, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
  SDL_Rect target{x, top, image.width, image.height};
  SDL_RenderCopy(renderer_, texture, nullptr, &target);
  SDL_DestroyTexture(texture);
}

int Painter::textWidth(const std::string& text) {
  TextImage image;
  return !text.empty() && renderText(text, image) ? image.width : 0;
}

int Painter::lineHeight() { return textLineHeight(); }

}  // namespace platform::win32

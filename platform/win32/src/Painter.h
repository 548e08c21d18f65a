// Drawing of window contents through an SDL renderer: solid shapes and one line of
// FreeType text in the dialog font. Coordinates are relative to the current area.
#pragma once

#include <windows.h>

#include <string>

struct SDL_Renderer;

namespace platform::win32 {

class Painter {
 public:
  explicit Painter(SDL_Renderer* renderer) : renderer_(renderer) {}

  // Restricts drawing to a rectangle of the target; later coordinates start at its corner.
  void setArea(int x, int y, int width, int height);
  void fill(int x, int y, int width, int height, COLORREF colour);
  void frame(int x, int y, int width, int height, COLORREF colour);
  void dottedFrame(int x, int y, int width, int height, COLORREF colour);
  void line(int x1, int y1, int x2, int y2, COLORREF colour);
  // top is the top of the line box (lineHeight() tall).
  void text(int x, int top, const std::string& text, COLORREF colour);
  int textWidth(const std::string& text);
  int lineHeight();

 private:
  void setColour(COLORREF colour);
  SDL_Renderer* renderer_;
};

}  // namespace platform::win32

#pragma once

#include <string>

#include "Canvas.h"

namespace datagen {

// Paints lines of text with FreeType from one TrueType file. The pictures' generator uses a
// font of the Debian package fonts-dejavu-core, so that a rerun finds the same outlines.
class TextPainter {
 public:
  explicit TextPainter(const std::string& fontFile);
  ~TextPainter();
  TextPainter(const TextPainter&) = delete;
  TextPainter& operator=(const TextPainter&) = delete;

  bool ok() const { return face_ != nullptr; }
  // Width in pixels of the text at the given pixel height, with extra letter spacing.
  double measure(const std::string& text, int pixelHeight, double spacing = 0);
  // Paints the text with its baseline at y, starting at x. blur > 0 paints a soft copy
  // (a glow or shadow) spread over about that many pixels.
  void paint(Canvas& canvas, const std::string& text, int pixelHeight, double x, double y,
             Vec3 colour, double opacity, double spacing = 0, int blur = 0);

 private:
  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
};

}  // namespace datagen

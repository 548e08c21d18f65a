#include "TextPainter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace datagen {

TextPainter::TextPainter(const std::string& fontFile) {
  FT_Library library;
  if (FT_Init_FreeType(&library) != 0) return;
  library_ = library;
  FT_Face face;
  if (FT_New_Face(library, fontFile.c_str(), 0, &face) == 0) face_ = face;
}

TextPainter::~TextPainter() {
  if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
  if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

double TextPainter::measure(const std::string& text, int pixelHeight, double spacing) {
  if (!face_) return 0;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, pixelHeight);
  double width = 0;
  for (unsigned char c : text) {
    if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) != 0) continue;
    width += face->glyph->advance.x / 64.0 + spacing;
  }
  return width - spacing;
}

void TextPainter::paint(Canvas& canvas, const std::string& text, int pixelHeight, double x,
                        double y, Vec3 colour, double opacity, double spacing, int blur) {
  if (!face_) return;
  FT_Face face = static_cast<FT_Face>(face_);
  FT_Set_Pixel_Sizes(face, 0, pixelHeight);
  // Coverage of the whole line first, so that a blurred copy spreads over the line.
  std::vector<double> mask(size_t(canvas.width()) * canvas.height(), 0.0);
  double pen = x;
  for (unsigned char c : text) {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0) continue;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    int left = int(std::lround(pen)) + face->glyph->bitmap_left;
    int top = int(std::lround(y)) - face->glyph->bitmap_top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      for (unsigned col = 0; col < bitmap.width; ++col) {
        int px = left + int(col), py = top + int(row);
        if (px < 0 || py < 0 || px >= canvas.width() || py >= canvas.height()) continue;
        double& m = mask[size_t(py) * canvas.width() + px];
        m = std::max(m, bitmap.buffer[row * bitmap.pitch + col] / 255.0);
      }
    }
    pen += face->glyph->advance.x / 64.0 + spacing;
  }
  if (blur > 0) {  // three box passes in each direction approximate a Gaussian
    std::vector<double> tmp(mask.size());
    int w = canvas.width(), h = canvas.height();
    for (int pass = 0; pass < 3; ++pass) {
      for (int yy = 0; yy < h; ++yy) {
        for (int xx = 0; xx < w; ++xx) {
          double sum = 0;
          for (int k = -blur; k <= blur; ++k) {
            int sx = std::clamp(xx + k, 0, w - 1);
            sum += mask[size_t(yy) * w + sx];
          }
          tmp[size_t(yy) * w + xx] = sum / (2 * blur + 1);
        }
      }
      for (int yy = 0; yy < h; ++yy) {
        for (int xx = 0; xx < w; ++xx) {
          double sum = 0;
          for (int k = -blur; k <= blur; ++k) {
            int sy = std::clamp(yy + k, 0, h - 1);
            sum += tmp[size_t(sy) * w + xx];
          }
          mask[size_t(yy) * w + xx] = sum / (2 * blur + 1);
        }
      }
    }
  }
  for (int py = 0; py < canvas.height(); ++py) {
    for (int px = 0; px < canvas.width(); ++px) {
      canvas.blend(px, py, colour, mask[size_t(py) * canvas.width() + px] * opacity);
    }
  }
}

}  // namespace datagen

#include "UiFont.h"

#include "FontLookup.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

namespace platform::win32 {

namespace {

constexpr int kPixelSize = 12;

struct Font {
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  int ascent = 0;
  int lineHeight = 0;

  Font() {
    std::string path = sansSerifFontFile();
    if (path.empty() || FT_Init_FreeType(&library) != 0 ||
        FT_New_Face(library, path.c_str(), 0, &face) != 0 ||
        FT_Set_Pixel_Sizes(face, 0, kPixelSize) != 0) {
      std::fprintf(stderr, "window system: no dialog font, control texts are not drawn\n");
      face = nullptr;
      return;
    }
    ascent = static_cast<int>(face->size->metrics.ascender >> 6);
    lineHeight =
        static_cast<int>((face->size->metrics.ascender - face->size->metrics.descender) >> 6);
  }
  ~Font() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

Font& font() {
  static Font instance;
  return instance;
}

}  // namespace

int textLineHeight() { return font().face ? font().lineHeight : kPixelSize + 3; }

bool renderText(const std::string& text, TextImage& image) {
  Font& f = font();
  if (!f.face) return false;
  // First pass: the advance of the whole line, so the image has its final width.
  int width = 0;
  for (unsigned char c : text) {
    if (FT_Load_Char(f.face, c, FT_LOAD_DEFAULT) == 0) {
      width += static_cast<int>(f.face->glyph->advance.x >> 6);
    }
  }
  image.width = std::max(width, 1);
  image.height = f.lineHeight;
  image.baseline = f.ascent;
  image.coverage.assign(static_cast<size_t>(image.width) * image.height, 0);
  int penX = 0;
  for (unsigned char c : text) {
    if (FT_Load_Char(f.face, c, FT_LOAD_RENDER) != 0) continue;
    FT_GlyphSlot glyph = f.face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
      int y = f.ascent - glyph->bitmap_top + static_cast<int>(row);
      if (y < 0 || y >= image.height) continue;
      for (unsigned column = 0; column < bitmap.width; ++column) {
        int x = penX + glyph->bitmap_left + static_cast<int>(column);
        if (x < 0 || x >= image.width) continue;
        std::uint8_t& target = image.coverage[static_cast<size_t>(y) * image.width + x];
        target = std::max(target, bitmap.buffer[row * bitmap.pitch + column]);
      }
    }
    penX += static_cast<int>(glyph->advance.x >> 6);
  }
  return true;
}

}  // namespace platform::win32

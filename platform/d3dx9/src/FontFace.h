// Finding a font face through fontconfig and opening it with FreeType.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace platform::d3dx9 {

// What a GDI font asks for.
struct FontRequest {
  std::string faceName;
  int weight = 400;  // FW_* (0 means normal)
  bool italic = false;
};

// An opened face; shared and kept for the whole process (faces are few and small).
struct FontFace {
  FT_Face face = nullptr;
  bool syntheticItalic = false;  // italic was asked for and the face is upright: slant it
};

// The installed face of that name closest in weight and slant; a name that is not installed
// is replaced by the closest heavy free sans, logged once per name. Null when no usable face
// exists at all.
const FontFace* findFontFace(const FontRequest& request);

}  // namespace platform::d3dx9

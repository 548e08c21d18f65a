// Finding a font face (through fontconfig; in a browser, among the site's own) and opening it
// with FreeType.
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
// is replaced by a free face of the same build where one is known and installed (a black
// grotesque for "Arial Black"), otherwise by the closest heavy free sans; logged once per
// name. Null when no usable face exists at all.
const FontFace* findFontFace(const FontRequest& request);

// For a character the request's face cannot outline: the installed face nearest to the
// request (fontconfig's order) that has it, logged once; null when no face has it.
const FontFace* findFontFaceFor(const FontRequest& request, unsigned long character);

}  // namespace platform::d3dx9

// Glyph outlines of a FreeType face as closed polygons, in ems.
#pragma once

#include <vector>

#include "FontFace.h"

namespace platform::d3dx9 {

struct Point2 {
  double x = 0;
  double y = 0;
};

// Closed contours (the last point joins the first; no point repeats its predecessor). The
// filled side is the same for every edge of every contour of one glyph, since holes run the
// other way round: fillOnLeft says which side that is, walking each contour forwards.
struct GlyphOutline {
  std::vector<std::vector<Point2>> contours;
  bool fillOnLeft = true;
  double advance = 0;  // pen advance, ems
};

// The outline of a character, with x from the pen position and y up from the baseline; curves
// flattened so that no chord strays more than deviation (ems; 0: one design unit) from the
// curve. False when the face has no outline for it (an empty outline, as for a blank, is true).
bool glyphOutline(const FontFace& face, unsigned long character, double deviation,
                  GlyphOutline& outline);

}  // namespace platform::d3dx9

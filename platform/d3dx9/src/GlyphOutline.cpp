#include "GlyphOutline.h"

#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace platform::d3dx9 {
namespace {

// Collects FT_Outline_Decompose's segments in font units, flattening curves.
struct Flattener {
  std::vector<std::vector<Point2>>* contours;
  double tolerance;  // font units
  Point2 last;

  void add(Point2 p) {
    auto& contour = contours->back();
    if (contour.empty() || contour.back().x != p.x || contour.back().y != p.y) {
      contour.push_back(p);
    }
    last = p;
  }
  // Uniform steps: a curve whose second derivative is bounded by M strays at most M·h²/8 from
  // a chord over a parameter step h, so n ≥ sqrt(M / (8·tolerance)) steps suffice.
  int steps(double secondDerivativeBound) const {
    const double n = std::ceil(std::sqrt(secondDerivativeBound / (8.0 * tolerance)));
    return static_cast<int>(std::clamp(n, 1.0, 256.0));
  }
};

Point2 point(const FT_Vector* v) { return {static_cast<double>(v->x), static_cast<double>(v->y)}; }
double length(double x, double y) { return std::sqrt(x * x + y * y); }

int moveTo(const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  f->contours->emplace_back();
  f->add(point(to));
  return 0;
}

int lineTo(const FT_Vector* to, void* user) {
  static_cast<Flattener*>(user)->add(point(to));
  return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  const Point2 p0 = f->last, p1 = point(control), p2 = point(to);
  const int n = f->steps(2.0 * length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y));
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    f->add({u * u * p0.x + 2 * u * t * p1.x + t * t * p2.x,
            u * u * p0.y + 2 * u * t * p1.y + t * t * p2.y});
  }
  return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
  auto* f = static_cast<Flattener*>(user);
  const Point2 p0 = f->last, p1 = point(control1), p2 = point(control2), p3 = point(to);
  const double bound = 6.0 * std::max(length(p0.x - 2 * p1.x + p2.x, p0.y - 2 * p1.y + p2.y),
                                      length(p1.x - 2 * p2.x + p3.x, p1.y - 2 * p2.y + p3.y));
  const int n = f->steps(bound);
  for (int i = 1; i <= n; ++i) {
    const double t = static_cast<double>(i) / n, u = 1 - t;
    f->add({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
            u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
  }
  return 0;
}

}  // namespace

bool glyphOutline(const FontFace& face, unsigned long character, double deviation,
                  GlyphOutline& outline) {
  outline = GlyphOutline{};
  const FT_UInt index = FT_Get_Char_Index(face.face, character);
  if (index == 0 && character != ' ') return false;
  if (FT_Load_Glyph(face.face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) !=
          0 ||
      face.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
    return false;
  }
  FT_Outline* source = &face.face->glyph->outline;
  if (face.syntheticItalic) {
    // The slant GDI gives synthesized italics: x += y·0.2 (16.16 fixed point).
    const FT_Matrix shear{0x10000, 0x3333, 0, 0x10000};
    FT_Outline_Transform(source, &shear);
  }
  const double unitsPerEm = face.face->units_per_EM;
  Flattener flattener{&outline.contours, deviation > 0 ? deviation * unitsPerEm : 1.0, {}};
  const FT_Outline_Funcs funcs{moveTo, lineTo, conicTo, cubicTo, 0, 0};
  if (FT_Outline_Decompose(source, &funcs, &flattener) != 0) return false;
  outline.fillOnLeft = FT_Outline_Get_Orientation(source) == FT_ORIENTATION_POSTSCRIPT;

  // Close each contour without repeating its first point, drop degenerate ones, scale to ems.
  std::erase_if(outline.contours, [](std::vector<Point2>& contour) {
    if (contour.size() > 1 && contour.front().x == contour.back().x &&
        contour.front().y == contour.back().y) {
      contour.pop_back();
    }
    return contour.size() < 3;
  });
  for (auto& contour : outline.contours) {
    for (Point2& p : contour) {
      p.x /= unitsPerEm;
      p.y /= unitsPerEm;
    }
  }
  outline.advance = face.face->glyph->metrics.horiAdvance / unitsPerEm;
  return true;
}

}  // namespace platform::d3dx9

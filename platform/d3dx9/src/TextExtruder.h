// Turns glyph outlines into a closed solid: two tessellated caps and the side walls between
// them, with outward normals.
#pragma once

#include <cstdint>
#include <vector>

#include "GlyphOutline.h"

namespace platform::d3dx9 {

struct SolidVertex {
  float position[3];
  float normal[3];
};

// An indexed triangle list; every triangle runs clockwise seen from outside the solid
// (Direct3D's front faces), so that its (b − a) × (c − a) points along the outward normal.
struct Solid {
  std::vector<SolidVertex> vertices;
  std::vector<std::uint32_t> indices;
};

// Adds the outline, moved right by penX, as a solid from z = 0 (cap facing +z) to
// z = −extrusion (cap facing −z). Wall vertices are shared between neighbouring edges whose
// normals differ by less than 30 degrees and duplicated where the edge is harder.
// False when the caps cannot be tessellated.
bool extrudeOutline(const GlyphOutline& outline, double penX, float extrusion, Solid& solid);

}  // namespace platform::d3dx9

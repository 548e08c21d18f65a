// Whether a triangle list bounds a solid, and which way its faces run seen from outside.
//
// A list is closed when every edge, matched by the positions of its two ends (so vertices
// split for their normals or texture coordinates still join), is bounded by exactly two
// triangles that run it in opposite directions. Only then can the faces turned away from
// the eye be skipped without opening a hole. The side that is outside follows from the
// sign of the enclosed volume.
#pragma once

#include <cstdint>
#include <span>

#include "gfx/math/Vector3.h"

namespace vantor {

enum class OutwardWinding {
  Open,              // not a closed, consistently wound surface: draw both sides
  Clockwise,         // closed, its faces clockwise seen from outside (Direct3D's front)
  CounterClockwise,  // closed, wound inside out
};

// indices holds three a triangle; an index past the positions, a triangle with two corners
// at one place, or a non-finite position makes the list Open, as does a surface that
// encloses no volume.
OutwardWinding outwardWinding(std::span<const Vector3> positions,
                              std::span<const std::uint32_t> indices);

}  // namespace vantor

// Axis-aligned box as six consecutive floats: the minimum corner, then the maximum corner.
#pragma once

#include "gfx/math/Vector3.h"

namespace vantor {

struct BoundingBox {
  float minX = 0.0f;
  float minY = 0.0f;
  float minZ = 0.0f;
  float maxX = 0.0f;
  float maxY = 0.0f;
  float maxZ = 0.0f;

  // Corner i (0..7): bit 0 picks max x, bit 1 max y, bit 2 max z.
  Vector3 corner(int i) const {
    return {(i & 1) ? maxX : minX, (i & 2) ? maxY : minY, (i & 4) ? maxZ : minZ};
  }
};

static_assert(sizeof(BoundingBox) == 6 * sizeof(float), "a box is six consecutive floats");

}  // namespace vantor

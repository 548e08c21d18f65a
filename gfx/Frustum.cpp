#include "gfx/Frustum.h"

namespace vantor {

bool Frustum::contains(const Vector3& p) const {
  for (const Plane& plane : planes) {
    if (!plane.isInFront(p)) return false;
  }
  return true;
}

bool Frustum::intersectsBox(const BoundingBox& box) const {
  for (int i = 0; i < 8; ++i) {
    if (contains(box.corner(i))) return true;
  }
  return false;
}

}  // namespace vantor

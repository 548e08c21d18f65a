// A plane a·x + b·y + c·z + d = 0 with normal (a, b, c), not necessarily of unit length.
#pragma once

#include "gfx/math/Vector3.h"

namespace vantor {

struct Plane {
  float a = 0.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 0.0f;

  Vector3 normal() const { return {a, b, c}; }

  // A point of the plane on the first axis whose normal component is not zero. A plane
  // with an all-zero normal is not guarded against (its point is not finite).
  Vector3 pointOnPlane() const {
    if (a != 0.0f) return {-d / a, 0.0f, 0.0f};
    if (b != 0.0f) return {0.0f, -d / b, 0.0f};
    return {0.0f, 0.0f, -d / c};
  }

  // Strictly on the side the normal points to: a point on the plane is not in front.
  bool isInFront(const Vector3& p) const { return normal().dot(p - pointOnPlane()) > 0.0f; }
};

}  // namespace vantor

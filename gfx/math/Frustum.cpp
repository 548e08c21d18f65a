#include "gfx/math/Frustum.h"

#include "gfx/math/Matrix.h"

namespace vantor {

Frustum Frustum::fromClipMatrix(const Matrix& c) {
  // Column j of C as the plane (c0j, c1j, c2j, c3j): the clip coordinate j of a point.
  auto column = [&c](int j) { return Plane{c.m[0][j], c.m[1][j], c.m[2][j], c.m[3][j]}; };
  auto sum = [](const Plane& p, const Plane& q, float sign) {
    return Plane{p.a + sign * q.a, p.b + sign * q.b, p.c + sign * q.c, p.d + sign * q.d};
  };
  const Plane x = column(0), y = column(1), z = column(2), w = column(3);
  return {{z, sum(w, z, -1), sum(w, y, -1), sum(w, y, 1), sum(w, x, 1), sum(w, x, -1)}};
}

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

// A view volume bounded by six planes whose normals point inwards. The camera fills the
// planes (near, far, top, bottom, left, right); the scene culls nodes with intersectsBox.
#pragma once

#include "gfx/math/BoundingBox.h"
#include "gfx/math/Plane.h"

namespace vantor {

struct Matrix;

struct Frustum {
  Plane planes[6];

  // The clip volume of a view-projection matrix C (or world × view × projection, which gives
  // the frustum in that object's space), planes not normalised. With clip coordinates
  // (x, y, z, w) = p·C the inside is z > 0, z < w, y < w, y > −w, x > −w and x < w.
  static Frustum fromClipMatrix(const Matrix& c);

  // Strictly in front of all six planes: a point on any plane is outside.
  bool contains(const Vector3& p) const;
  // At least one of the box's eight corners is inside. Only corners are tested, so a box
  // that encloses the whole frustum with every corner outside counts as not visible.
  bool intersectsBox(const BoundingBox& box) const;
};

static_assert(sizeof(Frustum) == 6 * sizeof(Plane), "the planes are stored one after another");

}  // namespace vantor

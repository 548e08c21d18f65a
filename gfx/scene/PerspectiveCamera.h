// A camera looking from `position` towards `at`, turned by `roll` about its line of sight,
// with the engine's perspective projection over the picture's aspect ratio.
#pragma once

#include "gfx/scene/TCamera.h"

namespace vantor {

class PerspectiveCamera : public TCamera {
 public:
  // Vertical field of view in radians; clip distances in world units. Looks from the origin
  // along +z with +y up.
  PerspectiveCamera(float fovY, float zNear, float zFar);

  void setLookAt(const Vector3& eye, const Vector3& lookAt, const Vector3& upDirection);

  // lookAtLH(eye, at, up) × rotationZ(roll).
  Matrix getView() override;
  // perspectiveFovLH over the aspect of the window's picture area, read at every call.
  Matrix getProjection() override;
  Frustum getFrustum() override;
  Frustum getObjectFrustum(const Matrix& world) override;
  bool isOrthographic() override { return false; }

  Vector3 at{0.0f, 0.0f, 1.0f};
  Vector3 up{0.0f, 1.0f, 0.0f};
  float fovY;
  float zNear;
  float zFar;
  float roll = 0.0f;  // radians
};

}  // namespace vantor

// Base of the cameras a scene is drawn through: a view and a projection matrix, and the view
// volume (in world space, or in the space of a node) that the scene culls with.
#pragma once

#include "gfx/math/Frustum.h"
#include "gfx/math/Matrix.h"
#include "gfx/math/Vector3.h"

namespace vantor {

class TCamera {
 public:
  // World space to view space.
  virtual Matrix getView() = 0;
  // View space to clip space.
  virtual Matrix getProjection() = 0;
  // The eye in world space.
  virtual Vector3 getPosition();
  // getView() × getProjection().
  virtual Matrix getViewProjection();
  // The view volume in world space.
  virtual Frustum getFrustum() = 0;
  // The view volume in the space of a node whose world matrix is `world`.
  virtual Frustum getObjectFrustum(const Matrix& world) = 0;
  // An orthographic camera has no near and far clip distances for the shaders.
  virtual bool isOrthographic() = 0;

  Vector3 position;  // the eye

 protected:
  TCamera() = default;
  ~TCamera() = default;  // cameras are owned by their concrete type
  TCamera(const TCamera&) = default;
  TCamera& operator=(const TCamera&) = default;
};

}  // namespace vantor

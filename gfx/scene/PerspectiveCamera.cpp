#include "gfx/scene/PerspectiveCamera.h"

#include "demo/D3DWindow.h"

namespace vantor {

PerspectiveCamera::PerspectiveCamera(float fovY, float zNear, float zFar)
    : fovY(fovY), zNear(zNear), zFar(zFar) {}

void PerspectiveCamera::setLookAt(const Vector3& eye, const Vector3& lookAt,
                                  const Vector3& upDirection) {
  position = eye;
  at = lookAt;
  up = upDirection;
}

Matrix PerspectiveCamera::getView() {
  return Matrix::lookAtLH(position, at, up) * Matrix::rotationZ(roll);
}

Matrix PerspectiveCamera::getProjection() {
  const D3DVIEWPORT9 picture = D3DWindow::current()->defaultViewport();
  const float aspect = static_cast<float>(picture.Width) / static_cast<float>(picture.Height);
  return Matrix::perspectiveFovLH(fovY, aspect, zNear, zFar);
}

Frustum PerspectiveCamera::getFrustum() { return Frustum::fromClipMatrix(getViewProjection()); }

Frustum PerspectiveCamera::getObjectFrustum(const Matrix& world) {
  return Frustum::fromClipMatrix(world * getViewProjection());
}

}  // namespace vantor

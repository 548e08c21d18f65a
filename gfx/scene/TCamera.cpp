#include "gfx/scene/TCamera.h"

namespace vantor {

Vector3 TCamera::getPosition() { return position; }

Matrix TCamera::getViewProjection() { return getView() * getProjection(); }

}  // namespace vantor

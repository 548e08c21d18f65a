#include "gfx/scene/INodeRenderable.h"

namespace vantor {

bool INodeRenderable::isRenderable() { return true; }

}  // namespace vantor

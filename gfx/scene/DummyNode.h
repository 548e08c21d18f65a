// A node that only groups its children under a transform.
#pragma once

#include "gfx/scene/INode.h"

namespace vantor {

class DummyNode : public INode {};

}  // namespace vantor

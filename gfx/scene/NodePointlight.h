// A point light at the origin of its node; the scene collects every light with its world
// matrix, whose row 3 is the light's world position.
#pragma once

#include "gfx/scene/INode.h"

namespace vantor {

class NodePointlight : public INode {
 public:
  // The light sits at (x, y, z) in its parent's space.
  NodePointlight(float x, float y, float z, float r, float g, float b, float a, float intensity,
                 float power, float spare);

  float color[4];   // r, g, b, a
  float intensity;  // multiplies the colour; also given to the shader by itself
  float power;      // given to the shader as the light's power
  float spare;      // kept for the light's creator; nothing reads it
};

}  // namespace vantor

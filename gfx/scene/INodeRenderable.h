// Base of the nodes that draw themselves. The scene calls render only for nodes whose box
// has a corner inside the camera's frustum taken into the node's space.
#pragma once

#include "gfx/math/BoundingBox.h"
#include "gfx/scene/INode.h"

namespace vantor {

class INodeRenderable : public INode {
 public:
  bool isRenderable() override;
  // Draws the node; parent is the parent's world matrix (the node applies its own
  // transform on top).
  virtual void render(const Matrix& parent) = 0;
  // The node's box in its own coordinates.
  virtual BoundingBox getBoundingBox() = 0;

 protected:
  ~INodeRenderable() = default;
};

}  // namespace vantor

// Something that produces a whole picture for a moment of the demo: the scene and each post
// effect. Users render a chain of them front to back, each reading the buffers of the one
// before.
#pragma once

namespace vantor {

class IRenderable {
 public:
  // Brings the picture up to date for `time` (seconds).
  virtual void render(float time) = 0;

 protected:
  ~IRenderable() = default;  // renderables are destroyed through their concrete type
};

}  // namespace vantor

// A renderable that draws into a picture-sized colour buffer of its own, borrowed from the
// graphics context's pool at its first drawing and given back when it is destroyed. It redraws
// only when the time has moved by more than a millisecond, so a picture asked for twice in one
// frame is drawn once.
#pragma once

#include "gfx/post/IRenderable.h"

namespace vantor {

class RenderTarget;

class BufferRenderable : public IRenderable {
 public:
  BufferRenderable() = default;
  // Gives the colour buffer back to the pool.
  virtual ~BufferRenderable();
  BufferRenderable(const BufferRenderable&) = delete;
  BufferRenderable& operator=(const BufferRenderable&) = delete;

  // Unless |time − the last drawing's time| ≤ 0.001: binds the colour buffer at slot 0 (with
  // its depth surface and a viewport over it), clears it to transparent black and depth 1,
  // calls draw, and restores the previous binding.
  void render(float time) override;

  // The picture of the last drawing; null before the first. Owned by the graphics context.
  virtual RenderTarget* getColorBuffer() { return output; }
  // Further buffers of the same picture, for renderables that make them; null otherwise.
  virtual RenderTarget* getBlurMap() { return nullptr; }
  virtual RenderTarget* getDepthBuffer() { return nullptr; }
  virtual RenderTarget* getNormalBuffer() { return nullptr; }

 protected:
  // Draws the picture for `time` into the bound, cleared colour buffer; must leave slot 0
  // bound as it found it. Draws nothing by default.
  virtual void draw(float time);

 private:
  RenderTarget* output = nullptr;  // borrowed from the pool, or null
  float lastTime = -1.0f;          // seconds
};

}  // namespace vantor

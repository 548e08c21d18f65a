// A glow around the bright parts of another renderable's picture ("BloomEffect.fxo",
// technique "BloomEffect"): pass 0 picks out the bright parts and spreads them across into a
// target borrowed from the pool for the length of one drawing, pass 1 spreads that down into
// the effect's own colour buffer.
#pragma once

#include "gfx/post/BufferRenderable.h"
#include "gfx/resources/TShader.h"

namespace vantor {

class BloomEffect : public BufferRenderable {
 public:
  // `input` is not owned and must not be null; its colour buffer is read at every drawing.
  // `radius`: how far the glow reaches, in picture widths; `power`: how strongly brighter
  // parts are favoured; `alpha`: the glow's weight (also the quads' alpha, clamped to 0..1).
  BloomEffect(BufferRenderable* input, float radius, float power, float alpha);

 protected:
  // Both passes inside one scene bracket; the borrowed target is back in the pool on return.
  void draw(float time) override;

 private:
  BufferRenderable* input;
  float radius;
  float alpha;
  float power;
  TShader shader;
};

}  // namespace vantor

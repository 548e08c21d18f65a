// The first full-screen pass after the scene: smears every pixel of the scene's colour buffer
// along the motion the scene wrote into its blur map, using its depth buffer to keep still
// solids sharp ("MappedBlur.fxo", technique "MappedBlur"). Its colour buffer is what the bloom
// reads and what the frame adds over the background.
#pragma once

#include "gfx/post/BufferRenderable.h"
#include "gfx/resources/TShader.h"

namespace vantor {

class ID3dSurface;

class MotionblurEffect : public BufferRenderable {
 public:
  // The surfaces are not owned and are read at every drawing; null ones bind no texture.
  // `radius` is the smear's half-length, in picture units, of a pixel whose blur map holds
  // the largest motion it can encode (see effects/MappedBlur.fx).
  MotionblurEffect(ID3dSurface* colour, ID3dSurface* blurMap, ID3dSurface* depth, float radius);

 protected:
  // One additive full-screen quad through the effect, with its own scene bracket.
  void draw(float time) override;

 private:
  ID3dSurface* colour;
  ID3dSurface* blurMap;
  ID3dSurface* depth;
  float radius;
  TShader shader;
};

}  // namespace vantor

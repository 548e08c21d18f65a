#include "gfx/post/MotionblurEffect.h"

#include "gfx/math/Matrix.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"

namespace vantor {

MotionblurEffect::MotionblurEffect(ID3dSurface* colour, ID3dSurface* blurMap, ID3dSurface* depth,
                                   float radius)
    : colour(colour),
      blurMap(blurMap),
      depth(depth),
      radius(radius),
      shader(dataFile("MappedBlur.fxo"), "MappedBlur") {}

void MotionblurEffect::draw(float) {
  shader.setParameter("worldViewProjection", Matrix::screenProjection());
  shader.setParameter("radius", radius);
  shader.setParameter("depthTex", depth);
  shader.setParameter("blurMap", blurMap);
  shader.setParameter("tex", colour);
  shader.begin();
  shader.beginPass(0);
  drawQuad(nullptr, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  shader.endPass();
  shader.end();
}

}  // namespace vantor

#include "gfx/post/BufferRenderable.h"

#include <cmath>

#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/post/RenderUtils.h"

namespace vantor {

BufferRenderable::~BufferRenderable() {
  if (output) GraphicsContext::instance()->releaseRenderTarget(output);
}

void BufferRenderable::render(float time) {
  if (!(std::fabs(time - lastTime) > 0.001f)) return;
  if (!output) output = GraphicsContext::instance()->getRenderTarget(D3DFMT_A8R8G8B8);
  output->begin(0);
  clearTarget(0, 0, 0, 0);
  draw(time);
  output->end();
  lastTime = time;
}

void BufferRenderable::draw(float) {}

}  // namespace vantor

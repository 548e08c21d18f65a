#include "gfx/BufferRenderable.h"

#include <cmath>

#include "gfx/GraphicsContext.h"
#include "gfx/RenderTarget.h"
#include "gfx/RenderUtils.h"

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

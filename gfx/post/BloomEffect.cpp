#include "gfx/post/BloomEffect.h"

#include "Core/Fatal.h"
#include "gfx/math/Matrix.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"

namespace vantor {

namespace {
constexpr const char* kReportSource = "gfx\\BloomEffect";
}  // namespace

BloomEffect::BloomEffect(BufferRenderable* input, float radius, float power, float alpha)
    : input(input),
      radius(radius),
      alpha(alpha),
      power(power),
      shader(dataFile("BloomEffect.fxo"), "BloomEffect") {
  // Drawing reads the input's colour buffer; without an input there is nothing to read.
  VANTOR_ASSERT(input);
}

void BloomEffect::draw(float) {
  GraphicsContext* context = GraphicsContext::instance();
  IDirect3DDevice9* device = context->device();
  RenderTarget* across = context->getRenderTarget(D3DFMT_A8R8G8B8);
  shader.setParameter("worldViewProjection", Matrix::screenProjection());
  shader.setParameter("tex", input->getColorBuffer());
  shader.setParameter("radius", radius);
  shader.setParameter("power", power);
  shader.setParameter("alpha", alpha);
  VANTOR_CHECK_LINE(device->BeginScene(), 38);

  across->begin(0);
  shader.begin();
  clearTarget(0, 0, 0, 0);
  shader.beginPass(0);
  drawQuad(nullptr, alpha, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, false);
  shader.endPass();
  shader.end();
  across->end();

  shader.setParameter("tex", across);
  shader.begin();
  shader.beginPass(1);
  drawQuad(nullptr, alpha, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, false);
  shader.endPass();
  shader.end();

  VANTOR_CHECK_LINE(device->EndScene(), 57);
  context->releaseRenderTarget(across);
}

}  // namespace vantor

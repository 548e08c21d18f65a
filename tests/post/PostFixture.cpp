#include "PostFixture.h"

#include <algorithm>

#include "gfx/math/Matrix.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/TShader.h"

namespace vantor_test {

float Shown::brightest() const { return std::max({r, g, b}); }

void PostTest::TearDown() {
  for (vantor::RenderTarget* target : borrowed) {
    vantor::GraphicsContext::instance()->releaseRenderTarget(target);
  }
  borrowed.clear();
}

vantor::RenderTarget* PostTest::borrow(D3DFORMAT format) {
  borrowed.push_back(vantor::GraphicsContext::instance()->getRenderTarget(format));
  return borrowed.back();
}

void PostTest::clear(vantor::RenderTarget* target, unsigned a, unsigned r, unsigned g, unsigned b) {
  target->begin(0);
  vantor::clearTarget(a, r, g, b);
  target->end();
}

void PostTest::paint(vantor::RenderTarget* target, Rect rect, std::array<float, 4> rgba) {
  target->begin(0);
  paintBound(rect, rgba);
  target->end();
}

void PostTest::paintBound(Rect rect, std::array<float, 4> rgba) {
  vantor::TShader paint(vantor::dataFile("Paint.fxo"), "Paint");
  const float corners[4] = {static_cast<float>(rect.left), static_cast<float>(rect.top),
                            static_cast<float>(rect.right), static_cast<float>(rect.bottom)};
  const float colour[4] = {rgba[0], rgba[1], rgba[2], rgba[3]};
  paint.setParameter("worldViewProjection", vantor::Matrix());
  paint.setParameter("rect", corners);
  paint.setParameter("color", colour);
  paint.begin();
  paint.beginPass(0);
  // Source one, destination zero: the rectangle is overwritten, not blended.
  vantor::drawQuad(nullptr, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ZERO, D3DBLEND_ONE, true);
  paint.endPass();
  paint.end();
}

std::array<float, 4> PostTest::motion(float x, float y) {
  return {(128.0f + 127.0f * x) / 255.0f, (128.0f + 127.0f * y) / 255.0f, 128.0f / 255.0f, 1.0f};
}

std::vector<std::uint32_t> PostTest::read(vantor::RenderTarget* target) {
  return pixels(surfaceOf(target));
}

std::vector<Shown> PostTest::shown(vantor::RenderTarget* target) {
  std::vector<Shown> out;
  for (std::uint32_t argb : read(target)) {
    const float a = static_cast<float>(argb >> 24) / 255.0f;
    auto channel = [&](int shift) {
      return static_cast<float>((argb >> shift) & 0xFF) / 255.0f * a;
    };
    out.push_back({channel(16), channel(8), channel(0)});
  }
  return out;
}

}  // namespace vantor_test

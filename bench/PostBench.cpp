// The post chain's cost per frame on the headless device, at the invitation's 640 x 359 and at
// 1280 x 720: the motion blur, the bloom (both passes, and each pass on its own), the three
// additive quads that compose the frame, and all of it together, each made and destroyed per
// frame as the invitation does. Each iteration ends with glFinish so the GPU work is counted.
// The pictures hold a few solids with motion and depth; the effects' cost hardly depends on
// what the pixels hold.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <epoxy/gl.h>

#include "demo/D3DWindow.h"
#include "gfx/math/Matrix.h"
#include "gfx/post/BloomEffect.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/TShader.h"
#include <DeviceGl.h>

namespace {

using namespace vantor;

D3DWindow& window() {
  static D3DWindow instance;  // the process-wide window, never opened
  return instance;
}

// The scene's three buffers and a background picture, for one picture size.
struct Buffers {
  RenderTarget* colour;
  RenderTarget* blurMap;
  RenderTarget* depth;
  RenderTarget* background;
  RenderTarget* screen;
};

// Clears a rectangle of the target (bytes; an R32F target keeps red / 255).
void fill(RenderTarget* target, DWORD x, DWORD y, DWORD width, DWORD height, unsigned a, unsigned r,
          unsigned g, unsigned b) {
  target->begin(0);
  const D3DVIEWPORT9 rect{x, y, width, height, 0.0f, 1.0f};
  GraphicsContext::instance()->device()->SetViewport(&rect);
  clearTarget(a, r, g, b);
  target->end();
}

// Makes the device once and sets the picture size: a 16:9 picture `width` pixels wide
// (640 x 359 on a 640 x 480 window, as the tests have it; 1280 x 720).
Buffers& buffersFor(int width) {
  static Buffers small{}, large{};
  if (!GraphicsContext::instance()->device()) {
    window().displaySettings().width = 640;
    window().displaySettings().height = 480;
    window().displaySettings().aspect = 16.0f / 9.0f;
    D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(640, 480);
    window().direct3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                      GraphicsContext::instance()->deviceSlot());
  }
  window().displaySettings().width = width;
  window().displaySettings().height = width == 640 ? 480 : width * 9 / 16;
  Buffers& buffers = width == 640 ? small : large;
  if (buffers.colour) return buffers;
  GraphicsContext* context = GraphicsContext::instance();
  buffers = {context->getRenderTarget(D3DFMT_A8R8G8B8), context->getRenderTarget(D3DFMT_A8R8G8B8),
             context->getRenderTarget(D3DFMT_R32F), context->getRenderTarget(D3DFMT_A8R8G8B8),
             context->getRenderTarget(D3DFMT_A8R8G8B8)};
  const DWORD w = static_cast<DWORD>(buffers.colour->getWidth());
  const DWORD h = static_cast<DWORD>(buffers.colour->getHeight());
  fill(buffers.colour, 0, 0, w, h, 0, 0, 0, 0);
  fill(buffers.blurMap, 0, 0, w, h, 255, 128, 128, 128);
  fill(buffers.depth, 0, 0, w, h, 255, 128, 128, 128);
  fill(buffers.background, 0, 0, w, h, 255, 40, 60, 90);
  // A bright solid moving right, a dimmer one still, a third moving up and left.
  fill(buffers.colour, w / 8, h / 4, w / 4, h / 3, 255, 250, 240, 200);
  fill(buffers.blurMap, w / 8, h / 4, w / 4, h / 3, 255, 200, 128, 128);
  fill(buffers.depth, w / 8, h / 4, w / 4, h / 3, 255, 60, 0, 0);
  fill(buffers.colour, w / 2, h / 3, w / 5, h / 2, 255, 90, 120, 160);
  fill(buffers.depth, w / 2, h / 3, w / 5, h / 2, 255, 120, 0, 0);
  fill(buffers.colour, w * 3 / 4, h / 8, w / 6, h / 5, 255, 230, 90, 40);
  fill(buffers.blurMap, w * 3 / 4, h / 8, w / 6, h / 5, 255, 90, 80, 128);
  fill(buffers.depth, w * 3 / 4, h / 8, w / 6, h / 5, 255, 30, 0, 0);
  return buffers;
}

void finish() {
  platform::d3d9::makeCurrent(GraphicsContext::instance()->device());
  glFinish();
}

void compose(Buffers& buffers, RenderTarget* blurred, RenderTarget* bloomed) {
  buffers.screen->begin(0);
  drawQuad(buffers.background, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  drawQuad(blurred, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  drawQuad(bloomed, 0.5f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  buffers.screen->end();
}

void BM_MotionBlur(benchmark::State& state) {
  Buffers& buffers = buffersFor(static_cast<int>(state.range(0)));
  finish();
  for (auto _ : state) {
    MotionblurEffect blur(buffers.colour, buffers.blurMap, buffers.depth, 0.015f);
    blur.render(1.0f);
    finish();
  }
}

void BM_Bloom(benchmark::State& state) {
  Buffers& buffers = buffersFor(static_cast<int>(state.range(0)));
  MotionblurEffect blur(buffers.colour, buffers.blurMap, buffers.depth, 0.015f);
  blur.render(1.0f);
  finish();
  for (auto _ : state) {
    BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
    bloom.render(1.0f);
    finish();
  }
}

// One pass of the bloom's effect on its own, into a cleared target, with the parameters the
// invitation gives: pass 0 reads the blurred picture, pass 1 an intermediate it left.
void bloomPass(benchmark::State& state, unsigned pass) {
  Buffers& buffers = buffersFor(static_cast<int>(state.range(0)));
  MotionblurEffect blur(buffers.colour, buffers.blurMap, buffers.depth, 0.015f);
  blur.render(1.0f);
  RenderTarget* target = GraphicsContext::instance()->getRenderTarget(D3DFMT_A8R8G8B8);
  TShader shader(dataFile("BloomEffect.fxo"), "BloomEffect");
  shader.setParameter("worldViewProjection", Matrix::screenProjection());
  shader.setParameter("tex", pass == 0 ? blur.getColorBuffer() : buffers.colour);
  shader.setParameter("radius", 0.1f);
  shader.setParameter("power", 1.0f);
  shader.setParameter("alpha", 1.5f);
  finish();
  for (auto _ : state) {
    target->begin(0);
    clearTarget(0, 0, 0, 0);
    shader.begin();
    shader.beginPass(pass);
    drawQuad(nullptr, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
    shader.endPass();
    shader.end();
    target->end();
    finish();
  }
  GraphicsContext::instance()->releaseRenderTarget(target);
}
void BM_BloomAcross(benchmark::State& state) { bloomPass(state, 0); }
void BM_BloomDown(benchmark::State& state) { bloomPass(state, 1); }

void BM_Composition(benchmark::State& state) {
  Buffers& buffers = buffersFor(static_cast<int>(state.range(0)));
  finish();
  for (auto _ : state) {
    compose(buffers, buffers.colour, buffers.colour);
    finish();
  }
}

// Everything after the scene: motion blur, bloom and the three composed quads.
void BM_Chain(benchmark::State& state) {
  Buffers& buffers = buffersFor(static_cast<int>(state.range(0)));
  finish();
  float time = 0.0f;
  for (auto _ : state) {
    time += 0.02f;
    MotionblurEffect blur(buffers.colour, buffers.blurMap, buffers.depth, 0.015f);
    blur.render(time);
    BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
    bloom.render(time);
    compose(buffers, blur.getColorBuffer(), bloom.getColorBuffer());
    finish();
  }
}

#define POST_BENCHMARK(name) \
  BENCHMARK(name)->Arg(640)->Arg(1280)->Unit(benchmark::kMillisecond)->MinTime(1.0)
POST_BENCHMARK(BM_MotionBlur);
POST_BENCHMARK(BM_Bloom);
POST_BENCHMARK(BM_BloomAcross);
POST_BENCHMARK(BM_BloomDown);
POST_BENCHMARK(BM_Composition);
POST_BENCHMARK(BM_Chain);

}  // namespace

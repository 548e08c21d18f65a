// post-chain-picture: one frame of the post chain side by side, for the README. A small
// scene of our own is painted straight into the scene's buffers (colour, blur map, depth):
// bright bars moving right as a scroll text does, a square moving up and left, a still
// block and a small bright light; then the motion blur, the bloom and the frame's
// composition over the background picture run exactly as the invitation runs them.
// The panels are at full size: three above (scene, blur map, motion blurred), two below
// (bloom, composed frame).
//
//   post-chain-picture OUTPUT.png   (run where data/ holds the compiled effects and bg.jpg)
#include <d3d9.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "DeviceGl.h"
#include "common/PngFile.h"
#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "gfx/post/BloomEffect.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"

namespace {

using namespace vantor;

constexpr int kWidth = 640, kHeight = 359;

void fill(RenderTarget* target, int x, int y, int width, int height, unsigned a, unsigned r,
          unsigned g, unsigned b) {
  target->begin(0);
  const D3DVIEWPORT9 rect{static_cast<DWORD>(x),
                          static_cast<DWORD>(y),
                          static_cast<DWORD>(width),
                          static_cast<DWORD>(height),
                          0.0f,
                          1.0f};
  GraphicsContext::instance()->device()->SetViewport(&rect);
  clearTarget(a, r, g, b);
  target->end();
}

// A solid: colour, its motion as the blur map encodes it (e = -1..1 each way) and its depth.
struct Buffers {
  RenderTarget *colour, *blurMap, *depth;
  void solid(int x, int y, int w, int h, unsigned r, unsigned g, unsigned b, float ex, float ey,
             float z) const {
    fill(colour, x, y, w, h, 255, r, g, b);
    fill(blurMap, x, y, w, h, 255, static_cast<unsigned>(128 + 127 * ex + 0.5f),
         static_cast<unsigned>(128 + 127 * ey + 0.5f), 128);
    fill(depth, x, y, w, h, 255, static_cast<unsigned>(z * 255), 0, 0);
  }
};

// Blocky letters "POST" moving right by e = 0.6 (3 % of the width per frame).
void letters(const Buffers& b, int left, int top) {
  const char* rows[] = {"### ### ### ###", "# # # # #    # ", "### # # ###  # ", "#   # #   #  # ",
                        "#   ### ###  # "};
  const int unit = 10;
  for (int row = 0; row < 5; ++row) {
    for (int column = 0; rows[row][column]; ++column) {
      if (rows[row][column] != '#') continue;
      b.solid(left + column * unit, top + row * unit, unit, unit, 255, 236, 150, 0.6f, 0.0f, 0.3f);
    }
  }
}

std::vector<std::uint32_t> readBack(RenderTarget* target) {
  IDirect3DSurface9* surface = nullptr;
  target->getTexture()->GetSurfaceLevel(0, &surface);
  std::vector<std::uint32_t> argb;
  UINT width = 0, height = 0;
  platform::d3d9::readSurface(surface, argb, width, height);
  surface->Release();
  return argb;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: post-chain-picture OUTPUT.png\n");
    return 2;
  }
  static D3DWindow window;  // the process-wide window, never opened
  window.displaySettings().width = 640;
  window.displaySettings().height = 480;
  window.displaySettings().aspect = 16.0f / 9.0f;
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(640, 480);
  if (FAILED(window.direct3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                             D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                             GraphicsContext::instance()->deviceSlot()))) {
    std::fprintf(stderr, "post-chain-picture: no device\n");
    return 1;
  }
  GraphicsContext* context = GraphicsContext::instance();
  Buffers b{context->getRenderTarget(D3DFMT_A8R8G8B8), context->getRenderTarget(D3DFMT_A8R8G8B8),
            context->getRenderTarget(D3DFMT_R32F)};
  fill(b.colour, 0, 0, kWidth, kHeight, 0, 0, 0, 0);
  fill(b.blurMap, 0, 0, kWidth, kHeight, 255, 128, 128, 128);
  fill(b.depth, 0, 0, kWidth, kHeight, 255, 128, 128, 128);
  b.solid(380, 150, 150, 150, 70, 90, 130, 0.0f, 0.0f, 0.6f);  // a still block
  b.solid(440, 60, 70, 70, 220, 80, 40, -0.5f, -0.6f, 0.4f);   // moving up and left
  letters(b, 60, 110);
  b.solid(560, 240, 8, 8, 255, 255, 255, 0.0f, 0.0f, 0.5f);    // a small light
  b.solid(60, 230, 220, 14, 120, 240, 255, 0.9f, 0.0f, 0.2f);  // a fast streak

  MotionblurEffect blur(b.colour, b.blurMap, b.depth, 0.015f);
  blur.render(1.0f);
  BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
  bloom.render(1.0f);
  RenderTarget* frame = context->getRenderTarget(D3DFMT_A8R8G8B8);
  Texture* background = context->loadTexture(dataFile("bg.jpg"));
  frame->begin(0);
  clearTarget(0, 0, 0, 0);
  drawQuad(background, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  drawQuad(blur.getColorBuffer(), 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA,
           true);
  drawQuad(bloom.getColorBuffer(), 0.5f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA,
           true);
  frame->end();

  // Scene colour, blur map (as stored), motion blurred, bloom (each as it adds to the frame)
  // and the composed frame: three panels above, two below.
  struct Panel {
    std::vector<std::uint32_t> argb;
    bool weighted;  // colour times alpha, as the additive composition shows it
  };
  const Panel panels[] = {{readBack(b.colour), true},
                          {readBack(b.blurMap), false},
                          {readBack(blur.getColorBuffer()), true},
                          {readBack(bloom.getColorBuffer()), true},
                          {readBack(frame), false}};
  const int gap = 8;
  datagen::RgbImage image;
  image.width = 3 * kWidth + 2 * gap;
  image.height = 2 * kHeight + gap;
  image.pixels.assign(static_cast<std::size_t>(image.width * image.height * 3), 255);
  for (int p = 0; p < 5; ++p) {
    const int left = (p % 3) * (kWidth + gap) + (p >= 3 ? (kWidth + gap) / 2 : 0);
    const int top = (p / 3) * (kHeight + gap);
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const std::uint32_t c = panels[p].argb[static_cast<std::size_t>(y * kWidth + x)];
        const float a = panels[p].weighted ? static_cast<float>(c >> 24) / 255.0f : 1.0f;
        const std::size_t at = static_cast<std::size_t>(((top + y) * image.width + left + x) * 3);
        for (int k = 0; k < 3; ++k) {
          const float channel = static_cast<float>((c >> (16 - 8 * k)) & 0xFF) * a;
          image.pixels[at + static_cast<std::size_t>(k)] =
              static_cast<std::uint8_t>(std::min(255.0f, channel + 0.5f));
        }
      }
    }
  }
  if (!datagen::writePng(argv[1], image)) {
    std::fprintf(stderr, "post-chain-picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

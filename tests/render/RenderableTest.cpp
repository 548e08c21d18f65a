// Renderables with their own colour buffer: when they redraw, what their drawing finds bound,
// and how their buffers come back to the pool.
#include <functional>
#include <set>

#include "EngineFixture.h"
#include "gfx/post/BufferRenderable.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"

namespace vantor_test {
namespace {

using vantor::RenderTarget;

class Probe : public vantor::BufferRenderable {
 public:
  std::function<void()> onDraw;
  int draws = 0;

 protected:
  void draw(float) override {
    ++draws;
    if (onDraw) onDraw();
  }
};

class Renderables : public EngineTest {};

TEST_F(Renderables, RedrawOnlyWhenTheTimeMovedByMoreThanAMillisecond) {
  Probe probe;
  EXPECT_EQ(probe.getColorBuffer(), nullptr);
  probe.render(0.0f);  // the first drawing: 1 s away from the starting -1
  EXPECT_EQ(probe.draws, 1);
  ASSERT_NE(probe.getColorBuffer(), nullptr);
  probe.render(0.0005f);
  probe.render(0.0f);
  EXPECT_EQ(probe.draws, 1);
  probe.render(0.002f);
  EXPECT_EQ(probe.draws, 2);
  probe.render(0.0f);  // backwards counts too
  EXPECT_EQ(probe.draws, 3);
}

TEST_F(Renderables, DrawFindsItsBufferBoundAndClearedAndLeavesTheFormerBinding) {
  const D3DVIEWPORT9 letterbox{0, 60, 640, 359, 0.0f, 1.0f};  // as the frame loop sets it
  ASSERT_EQ(device()->SetViewport(&letterbox), D3D_OK);
  IDirect3DSurface9* formerTarget = boundTarget(0);
  Probe probe;
  // The first drawing paints the buffer; the next one must find it cleared again.
  probe.onDraw = [&] { device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0); };
  probe.render(1.0f);
  std::vector<std::uint32_t> seen;
  D3DVIEWPORT9 seenViewport{};
  IDirect3DSurface9* seenTarget = nullptr;
  probe.onDraw = [&] {
    seenTarget = boundTarget(0);
    seenViewport = viewport();
    seen = pixels(seenTarget);
  };
  probe.render(2.0f);

  EXPECT_EQ(seenTarget, surfaceOf(probe.getColorBuffer()));
  EXPECT_EQ(seenViewport.X, 0u);
  EXPECT_EQ(seenViewport.Y, 0u);
  EXPECT_EQ(seenViewport.Width, 640u);
  EXPECT_EQ(seenViewport.Height, 359u);
  ASSERT_EQ(seen.size(), 640u * 359u);
  EXPECT_EQ(std::set<std::uint32_t>(seen.begin(), seen.end()), std::set<std::uint32_t>{0u});

  EXPECT_EQ(boundTarget(0), formerTarget);
  EXPECT_EQ(viewport().Y, letterbox.Y);
  EXPECT_EQ(viewport().Height, letterbox.Height);
}

TEST_F(Renderables, EffectsMadeAfreshEveryFrameReuseTheSameBuffers) {
  std::set<RenderTarget*> frames[2];
  for (int frame = 0; frame < 2; ++frame) {
    Probe first;
    first.render(static_cast<float>(frame));
    Probe second;
    second.render(static_cast<float>(frame));
    EXPECT_NE(first.getColorBuffer(), second.getColorBuffer());
    frames[frame] = {first.getColorBuffer(), second.getColorBuffer()};
  }
  EXPECT_EQ(frames[0], frames[1]);
}

}  // namespace
}  // namespace vantor_test

// The motion blur and the bloom: what they bind and draw, where their buffers come from and
// go back to, and what a viewer sees of them.
#include <d3dx9.h>

#include <algorithm>
#include <functional>
#include <string>

#include "PostFixture.h"
#include "gfx/post/BloomEffect.h"
#include "gfx/post/MotionblurEffect.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/EffectHandler.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/scene/Scene.h"

namespace vantor_test {
namespace {

using vantor::BloomEffect;
using vantor::MotionblurEffect;
using vantor::RenderTarget;

// A bloom that looks at the device right after its own drawing, inside render.
class WatchedBloom : public BloomEffect {
 public:
  using BloomEffect::BloomEffect;
  std::function<void()> afterDraw;

 protected:
  void draw(float time) override {
    BloomEffect::draw(time);
    if (afterDraw) afterDraw();
  }
};

class PostObserved : public PostTest {
 protected:
  void SetUp() override {
    colour = borrow(D3DFMT_A8R8G8B8);
    blurMap = borrow(D3DFMT_A8R8G8B8);
    depth = borrow(D3DFMT_R32F);
  }
  RenderTarget* colour = nullptr;
  RenderTarget* blurMap = nullptr;
  RenderTarget* depth = nullptr;
};

TEST_F(PostObserved, MotionBlurSetsItsParametersInOrderAndDrawsOneBracketedQuadPerDrawing) {
  MotionblurEffect blur(colour, blurMap, depth, 0.015f);
  const std::vector<std::string> order = {"worldViewProjection", "radius", "depthTex", "blurMap",
                                          "tex"};
  for (float time : {1.0f, 2.0f}) {
    CallRecorder calls;
    blur.render(time);
    EXPECT_EQ(calls.parameters(), order);
    EXPECT_EQ(calls.starting("effect.SetFloat"),
              std::vector<std::string>{"effect.SetFloat(radius, 0.015)"});
    EXPECT_EQ(calls.starting("effect.SetTexture"),
              (std::vector<std::string>{"effect.SetTexture(depthTex, texture)",
                                        "effect.SetTexture(blurMap, texture)",
                                        "effect.SetTexture(tex, texture)"}));
    const std::vector<std::string> frame = calls.starting("device.");
    std::vector<std::string> bracket;
    for (const std::string& c : frame) {
      if (c.find("Scene(") != std::string::npos || c.find("DrawPrimitiveUP") != std::string::npos) {
        bracket.push_back(c.substr(0, c.find('(')));
      }
    }
    EXPECT_EQ(bracket, (std::vector<std::string>{"device.BeginScene", "device.DrawPrimitiveUP",
                                                 "device.EndScene"}));
  }
  CallRecorder again;
  blur.render(2.0009f);  // within a millisecond of the last drawing
  EXPECT_TRUE(again.calls.empty());
}

TEST_F(PostObserved, MotionBlurWithoutSurfacesBindsNoTextures) {
  MotionblurEffect blur(nullptr, nullptr, nullptr, 0.015f);
  CallRecorder calls;
  blur.render(1.0f);
  EXPECT_EQ(calls.starting("effect.SetTexture"),
            (std::vector<std::string>{"effect.SetTexture(depthTex, null)",
                                      "effect.SetTexture(blurMap, null)",
                                      "effect.SetTexture(tex, null)"}));
  // Nothing to read: the output adds nothing to the frame.
  for (const Shown& pixel : shown(blur.getColorBuffer())) ASSERT_EQ(pixel.brightest(), 0.0f);
}

TEST_F(PostObserved, BloomRunsBothPassesInOneSceneWithItsParametersInOrder) {
  MotionblurEffect blur(colour, blurMap, depth, 0.015f);
  blur.render(1.0f);
  BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
  for (float time : {1.0f, 2.0f}) {
    CallRecorder calls;
    bloom.render(time);
    EXPECT_EQ(calls.parameters(), (std::vector<std::string>{"worldViewProjection", "tex", "radius",
                                                            "power", "alpha", "tex"}));
    EXPECT_EQ(calls.starting("effect.SetFloat"),
              (std::vector<std::string>{"effect.SetFloat(radius, 0.1)", "effect.SetFloat(power, 1)",
                                        "effect.SetFloat(alpha, 1.5)"}));
    std::vector<std::string> steps;
    for (const std::string& c : calls.calls) {
      for (const char* step : {"device.BeginScene", "device.EndScene", "device.DrawPrimitiveUP",
                               "device.Clear", "effect.Begin(", "effect.BeginPass", "effect.End(",
                               "device.SetRenderState(D3DRS_TEXTUREFACTOR,"}) {
        if (c.rfind(step, 0) != 0) continue;
        // Pointers vary from run to run: clears and draws are named only.
        const bool named = c.rfind("device.Clear", 0) == 0 || c.rfind("device.Draw", 0) == 0;
        steps.push_back(named ? c.substr(0, c.find('(')) : c.substr(0, c.find(')') + 1));
      }
    }
    // The render's own clear of the output, then the scene: the intermediate cleared inside
    // the first pass's technique, each quad with its texture factor's alpha clamped to 255.
    EXPECT_EQ(steps,
              (std::vector<std::string>{
                  "device.Clear", "device.BeginScene()", "effect.Begin(0)", "device.Clear",
                  "effect.BeginPass(0)", "device.SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000)",
                  "device.DrawPrimitiveUP", "effect.End()", "effect.Begin(0)",
                  "effect.BeginPass(1)", "device.SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF000000)",
                  "device.DrawPrimitiveUP", "effect.End()", "device.EndScene()"}));
    CallRecorder again;
    bloom.render(time + 0.0005f);
    EXPECT_TRUE(again.calls.empty());
  }
}

TEST_F(PostObserved, BloomGivesItsIntermediateBackAndLeavesItsOutputBound) {
  MotionblurEffect blur(colour, blurMap, depth, 0.015f);
  blur.render(1.0f);
  WatchedBloom bloom(&blur, 0.1f, 1.0f, 1.5f);
  vantor::GraphicsContext* context = vantor::GraphicsContext::instance();
  IDirect3DSurface9* boundAfterDraw = nullptr;
  RenderTarget* nextFromPool = nullptr;
  int created = -1;
  bloom.afterDraw = [&] {
    boundAfterDraw = boundTarget(0);
    const int before = progressTicks;  // every new pooled target passes a progress point
    nextFromPool = context->getRenderTarget(D3DFMT_A8R8G8B8);
    created = progressTicks - before;
    context->releaseRenderTarget(nextFromPool);
  };
  bloom.render(1.0f);
  EXPECT_EQ(boundAfterDraw, surfaceOf(bloom.getColorBuffer()));
  EXPECT_EQ(created, 0);
  EXPECT_NE(nextFromPool, bloom.getColorBuffer());
  // What the pool handed out is the target the second pass read.
  ID3DXEffect* effect =
      vantor::EffectHandler::instance()->getEffect(vantor::dataFile("BloomEffect.fxo"));
  IDirect3DBaseTexture9* read = nullptr;
  ASSERT_EQ(effect->GetTexture("tex", &read), D3D_OK);
  ASSERT_NE(nextFromPool, nullptr);
  EXPECT_EQ(read, static_cast<IDirect3DBaseTexture9*>(nextFromPool->getTexture()));
  if (read) read->Release();
}

TEST_F(PostObserved, AHundredFramesOfTheChainCreateNoTargetAfterTheFirst) {
  vantor::Scene scene;
  vantor::PerspectiveCamera camera(1.5f, 1.0f, 200.0f);
  scene.setCamera(&camera);
  scene.setBlurMapEnabled(true);
  RenderTarget* background = colour;  // stands in for the background picture
  RenderTarget* screen = borrow(D3DFMT_A8R8G8B8);
  CallRecorder calls;
  std::size_t afterFirstFrame = 0;
  for (int frame = 0; frame < 100; ++frame) {
    const float time = 0.02f * static_cast<float>(frame);
    scene.update(time);
    scene.render(time);
    MotionblurEffect blur(scene.getColorBuffer(), scene.getBlurMap(), scene.getDepthBuffer(),
                          0.015f);
    blur.render(time);
    BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
    bloom.render(time);
    screen->begin(0);
    for (auto [picture, alpha] : {std::pair<RenderTarget*, float>{background, 1.0f},
                                  {blur.getColorBuffer(), 1.0f},
                                  {bloom.getColorBuffer(), 0.5f}}) {
      vantor::drawQuad(picture, alpha, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
    }
    screen->end();
    if (frame == 0) afterFirstFrame = calls.calls.size();
  }
  std::vector<std::string> created;
  for (std::size_t i = afterFirstFrame; i < calls.calls.size(); ++i) {
    if (calls.calls[i].rfind("device.Create", 0) == 0) created.push_back(calls.calls[i]);
  }
  EXPECT_EQ(created, std::vector<std::string>{});
  // And the later frames did draw: blur, two bloom passes, three composed quads each.
  std::size_t draws = 0;
  for (std::size_t i = afterFirstFrame; i < calls.calls.size(); ++i) {
    if (calls.calls[i].rfind("device.DrawPrimitiveUP", 0) == 0) ++draws;
  }
  EXPECT_EQ(draws, 99u * 6u);
}

using PostDeathTest = PostObserved;

TEST_F(PostDeathTest, BloomWithoutInputEndsTheProcessAtOnce) {
  EXPECT_DEATH(BloomEffect(nullptr, 0.1f, 1.0f, 1.5f),
               "gfx\\\\BloomEffect:[0-9]+: Assertion `input' failed");
}

TEST_F(PostDeathTest, BloomInsideABegunSceneEndsTheProcessAtItsBeginScene) {
  MotionblurEffect blur(colour, blurMap, depth, 0.015f);
  BloomEffect bloom(&blur, 0.1f, 1.0f, 1.5f);
  EXPECT_DEATH(
      {
        device()->BeginScene();
        bloom.render(1.0f);
      },
      "D3DERR_INVALIDCALL\n.*gfx\\\\BloomEffect:38: Assertion `0' failed");
}

}  // namespace
}  // namespace vantor_test

// Clearing targets and drawing screen quads: the device calls in their order, and the pixels.
#include "EngineFixture.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/post/RenderUtils.h"

namespace vantor_test {
namespace {

using vantor::RenderTarget;

class ScreenDrawing : public EngineTest {};

// "Method(arguments)", or "Method(*)" where the arguments hold addresses.
std::vector<std::string> withoutAddresses(const std::vector<std::string>& calls) {
  std::vector<std::string> out;
  for (const std::string& call : calls) {
    const bool address = call.rfind("SetTexture(", 0) == 0 || call.rfind("SetTransform(", 0) == 0 ||
                         call.rfind("DrawPrimitiveUP(", 0) == 0;
    out.push_back(address ? call.substr(0, call.find('(')) + "(*)" : call);
  }
  return out;
}

TEST_F(ScreenDrawing, TexturedQuadSetsItsStatesInOrder) {
  RenderTarget texture(16, 16, D3DFMT_A8R8G8B8);
  CallRecorder recorder("device");
  vantor::drawQuad(&texture, 0.5f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  // The order is the contract: a later state overrides an earlier one of the same name.
  const std::vector<std::string> expected = {
      "SetRenderState(D3DRS_ZWRITEENABLE, FALSE)",
      "SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)",
      "SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE)",
      "SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD)",
      "SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE)",
      "SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP)",
      "SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP)",
      "SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1)",
      "SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR)",
      "SetRenderState(D3DRS_TEXTUREFACTOR, 0x7F000000)",  // alpha 0.5 → 127 in the top byte
      "SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1)",
      "SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE)",
      "SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE)",
      "SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR)",
      "SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE)",
      "SetTexture(*)",
      "SetTransform(*)",
      "SetTransform(*)",
      "SetTransform(*)",
      "GetViewport()",  // a 16 x 16 texture does not match it: filtered linearly
      "SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR)",
      "SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR)",
      "SetRenderState(D3DRS_ZWRITEENABLE, TRUE)",
      "SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)",
      "SetFVF(0x102)",
      "BeginScene()",
      "DrawPrimitiveUP(*)",
      "EndScene()"};
  EXPECT_EQ(withoutAddresses(recorder.calls), expected);
}

// A texture of the viewport's size drawn without a margin lays one texel on each pixel, where
// the nearest texel is what linear filtering gives; a margin scales the quad, so it filters.
TEST_F(ScreenDrawing, OnlyATexelForEveryPixelIsSampledNearest) {
  D3DVIEWPORT9 viewport;
  ASSERT_EQ(device()->GetViewport(&viewport), D3D_OK);
  RenderTarget same(static_cast<int>(viewport.Width), static_cast<int>(viewport.Height),
                    D3DFMT_A8R8G8B8);
  const auto filterOf = [&](RenderTarget& texture, float margin) {
    CallRecorder recorder("device");
    vantor::drawQuad(&texture, 1.0f, margin, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
    return recorder.has("SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT)") &&
                   recorder.has("SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT)")
               ? "point"
               : "linear";
  };
  EXPECT_STREQ(filterOf(same, 0.0f), "point");
  EXPECT_STREQ(filterOf(same, 0.1f), "linear");
  RenderTarget wider(static_cast<int>(viewport.Width) + 2, static_cast<int>(viewport.Height),
                     D3DFMT_A8R8G8B8);
  EXPECT_STREQ(filterOf(wider, 0.0f), "linear");
}

TEST_F(ScreenDrawing, TextureFactorAlphaIsClampedAndTruncated) {
  RenderTarget texture(16, 16, D3DFMT_A8R8G8B8);
  for (const auto& [alpha, factor] : {std::pair{-0.3f, "0x00000000"}, std::pair{1.5f, "0xFF000000"},
                                      std::pair{0.5f, "0x7F000000"}}) {
    CallRecorder recorder("device");
    vantor::drawQuad(&texture, alpha, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
    EXPECT_TRUE(recorder.has(std::string("SetRenderState(D3DRS_TEXTUREFACTOR, ") + factor + ")"))
        << alpha;
  }
}

TEST_F(ScreenDrawing, DepthWritesStayOffAfterAnUntexturedQuadAndOnAfterATexturedOne) {
  RenderTarget texture(16, 16, D3DFMT_A8R8G8B8);
  DWORD zWrite = 2;
  // Untextured quads take their colour from a begun effect; without one the fixed stage draws
  // them, which is enough to see the states they leave.
  vantor::drawQuad(nullptr, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  device()->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
  EXPECT_EQ(zWrite, static_cast<DWORD>(FALSE));
  vantor::drawQuad(&texture, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  device()->GetRenderState(D3DRS_ZWRITEENABLE, &zWrite);
  EXPECT_EQ(zWrite, static_cast<DWORD>(TRUE));
}

TEST_F(ScreenDrawing, ClearedTargetAddedAtHalfAlphaOverBlack) {
  RenderTarget green(640, 359, D3DFMT_A8R8G8B8);
  green.begin(0);
  vantor::clearTarget(255, 0, 255, 0);
  green.end();
  RenderTarget grey(16, 16, D3DFMT_A8R8G8B8);
  grey.begin(0);
  vantor::clearTarget(255, 128, 128, 128);
  EXPECT_EQ(pixels(boundTarget(0))[8 * 16 + 8], 0xFF808080u);
  grey.end();

  RenderTarget picture(640, 359, D3DFMT_A8R8G8B8);
  picture.begin(0);
  vantor::clearTarget(255, 0, 0, 0);
  vantor::drawQuad(&green, 0.5f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  const std::vector<std::uint32_t> result = pixels(boundTarget(0));
  picture.end();
  // green: 255 × (127/255 factor × 1.0 texture alpha) = 127, within rounding of the blend
  const std::uint32_t centre = result[180 * 640 + 320];
  EXPECT_NEAR(static_cast<int>((centre >> 8) & 0xFF), 127, 2);
  EXPECT_EQ(centre & 0x00FF00FF, 0u);
  EXPECT_EQ(result[0], centre);  // the quad covers the corners too
}

}  // namespace
}  // namespace vantor_test

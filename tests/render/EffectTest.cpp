// Effects by file name and technique handles: sharing, begin/end, parameters in order.
#include <d3dx9.h>

#include "EngineFixture.h"
#include "gfx/DataFileCache.h"
#include "gfx/EffectHandler.h"
#include "gfx/RenderTarget.h"
#include "gfx/TShader.h"

namespace vantor_test {
namespace {

using vantor::TShader;

class Effects : public EngineTest {
 protected:
  const std::string file = vantor::dataFile("Solid.fxo");
};

TEST_F(Effects, HandlesOnOneFileShareTheEffectAndItsValues) {
  TShader first(file, "Fill");
  TShader second(file, "Fill");
  first.setParameter("strength", 0.25f);
  float seen = 0.0f;
  ID3DXEffect* effect = vantor::EffectHandler::instance()->getEffect(file);
  ASSERT_EQ(effect->GetFloat("strength", &seen), D3D_OK);
  EXPECT_EQ(seen, 0.25f);
  second.setParameter("strength", 0.75f);
  ASSERT_EQ(effect->GetFloat("strength", &seen), D3D_OK);
  EXPECT_EQ(seen, 0.75f);
}

TEST_F(Effects, BeginTwiceAnswersZeroAndEndTwiceDoesNothing) {
  TShader shader(file, "Fill");
  CallRecorder recorder("effect");
  EXPECT_EQ(shader.begin(), 2u);
  EXPECT_EQ(shader.begin(), 0u);
  shader.end();
  shader.end();
  EXPECT_EQ(recorder.calls, (std::vector<std::string>{"SetTechnique(Fill)", "Begin(0)", "End()"}));
}

TEST_F(Effects, DestroyingABegunHandleEndsTheTechnique) {
  CallRecorder recorder("effect");
  {
    TShader shader(file, "Fill");
    shader.begin();
  }
  ASSERT_FALSE(recorder.calls.empty());
  EXPECT_EQ(recorder.calls.back(), "End()");
  TShader again(file, "Fill");
  EXPECT_EQ(again.begin(), 2u);  // would end the process if the first were still begun
}

TEST_F(Effects, ParametersReachTheEffectInOrderWithTheirTypes) {
  TShader shader(file, "Fill");
  vantor::RenderTarget target(8, 8, D3DFMT_A8R8G8B8);
  CallRecorder recorder("effect");
  const float red[4] = {1, 0, 0, 1};
  shader.setParameter("color", red);
  shader.setParameter("color", vantor::Vector3(1, 2, 3));  // a position: w is 1
  shader.setParameter("strength", 0.5f);
  shader.setParameter("tex", static_cast<vantor::ID3dSurface*>(nullptr));
  shader.setParameter("tex", &target);
  shader.setParameter("worldViewProjection", vantor::Matrix());
  ASSERT_EQ(recorder.calls.size(), 6u);
  EXPECT_EQ(recorder.calls[0], "SetVector(color, 1, 0, 0, 1)");
  EXPECT_EQ(recorder.calls[1], "SetVector(color, 1, 2, 3, 1)");
  EXPECT_EQ(recorder.calls[2], "SetFloat(strength, 0.5)");
  EXPECT_EQ(recorder.calls[3], "SetTexture(tex, null)");
  EXPECT_EQ(recorder.calls[4], "SetTexture(tex, texture)");
  EXPECT_EQ(recorder.calls[5].rfind("SetMatrix(worldViewProjection", 0), 0u);
}

TEST_F(Effects, DrawsWithItsParameterColourInsideAPass) {
  TShader shader(file, "Fill");
  vantor::RenderTarget target(640, 359, D3DFMT_A8R8G8B8);
  target.begin(0);
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0);
  const float blue[4] = {0, 0, 1, 1};
  shader.setParameter("color", blue);
  shader.setParameter("strength", 1.0f);
  shader.setParameter("worldViewProjection", vantor::Matrix());
  shader.begin();
  shader.beginPass(0);
  struct V {
    float x, y, z, u, v;
  } quad[6] = {{-1, -1, 0, 0, 1}, {-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0},
               {1, 1, 0, 1, 0},   {1, -1, 0, 1, 1}, {-1, -1, 0, 0, 1}};
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  device()->BeginScene();
  EXPECT_EQ(device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(V)), D3D_OK);
  device()->EndScene();
  shader.endPass();
  shader.end();
  EXPECT_EQ(pixels(boundTarget(0))[100 * 640 + 100], 0xFF0000FFu);
  target.end();
}

TEST_F(Effects, UnknownParameterEndsTheProcess) {
  TShader shader(file, "Fill");
  EXPECT_DEATH(shader.setParameter("nonexistent", 1.0f), "TShader:[0-9]+: Assertion `0' failed");
}

TEST_F(Effects, AnEffectThatCannotBeCreatedIsNamedBeforeTheProcessEnds) {
  EXPECT_DEATH(TShader("Missing.fxo", "Fill"),
               "the effect \"Missing.fxo\" cannot be created\n.*EffectHandler:[0-9]+: Assertion");
}

}  // namespace
}  // namespace vantor_test

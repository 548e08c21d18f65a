// Effects by file name and technique handles: sharing, begin/end, parameters in order.
#include <d3dx9.h>

#include <fstream>
#include <sstream>

#include "EffectCompiler.h"

#include "EngineFixture.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/EffectHandler.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/scene/Scene.h"
#include "gfx/resources/TShader.h"

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

// An effect made anew from newly compiled bytes takes the old one's place for every handle on
// the file: it keeps the file's name and answers the parameters of the new source. Bytes
// that make no effect leave the last good one in place.
TEST_F(Effects, MadeAnewFromNewBytesKeepsItsNameAndAnswersTheNewParameters) {
  TShader handle(file, "Fill");
  vantor::EffectHandler* handler = vantor::EffectHandler::instance();

  std::ifstream in(VANTOR_SOURCE_DIR "/tests/render/Solid.fx");
  std::stringstream source;
  source << in.rdbuf();
  fxc::CompiledEffect compiled;
  std::vector<fxc::CompileMessage> messages;
  ASSERT_TRUE(fxc::compileEffect("float tint;\n" + source.str(), compiled, messages));
  std::string error;
  ASSERT_TRUE(handler->remakeEffect(file, compiled.bytes.data(), compiled.bytes.size(), error));
  ID3DXEffect* after = handler->getEffect(file);
  EXPECT_EQ(handler->fileOf(after), file);
  handle.setParameter("tint", 0.5f);  // a parameter the old effect did not declare
  float tint = 0.0f;
  ASSERT_EQ(after->GetFloat("tint", &tint), D3D_OK);
  EXPECT_EQ(tint, 0.5f);
  EXPECT_EQ(handle.begin(), 2u);
  handle.end();

  const std::uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_FALSE(handler->remakeEffect(file, garbage, sizeof garbage, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(handler->getEffect(file), after);
  handle.setParameter("tint", 0.25f);
  ASSERT_EQ(after->GetFloat("tint", &tint), D3D_OK);
  EXPECT_EQ(tint, 0.25f);
}

// A handle keeps the handler's place for its effect; effects of files first asked for later
// must not move it.
TEST_F(Effects, AHandleFollowsItsEffectWhileMoreFilesGetEffects) {
  TShader handle(file, "Fill");
  vantor::EffectHandler* handler = vantor::EffectHandler::instance();
  vantor::DataFileCache* cache = vantor::DataFileCache::instance();
  std::string error;
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(handler->remakeEffect("more" + std::to_string(i) + ".fxo", cache->data(file),
                                      cache->size(file), error));
  }
  handle.setParameter("strength", 0.5f);
  float seen = 0.0f;
  ASSERT_EQ(handler->getEffect(file)->GetFloat("strength", &seen), D3D_OK);
  EXPECT_EQ(seen, 0.5f);
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

// A camera with the screen projection, which has no clip distances to give the shaders.
class OrthographicCamera : public vantor::TCamera {
 public:
  vantor::Matrix getView() override { return vantor::Matrix::translation(0, 0, 1); }
  vantor::Matrix getProjection() override { return vantor::Matrix::screenProjection(); }
  vantor::Frustum getFrustum() override { return vantor::Frustum::fromClipMatrix(getView()); }
  vantor::Frustum getObjectFrustum(const vantor::Matrix& world) override {
    return vantor::Frustum::fromClipMatrix(world * getView());
  }
  bool isOrthographic() override { return true; }
};

TEST_F(Effects, SceneHandlesUploadWhatTheSceneAndItsCameraHave) {
  vantor::Scene scene;
  {
    CallRecorder recorder("effect");
    TShader none(file, "Fill", nullptr);
    TShader noCamera(file, "Fill", &scene);
    EXPECT_EQ(recorder.calls,
              (std::vector<std::string>{"SetFloat(deltaTime, 0)", "SetFloat(time, 0)",
                                        "SetTexture(depthTex, texture)"}));
  }
  OrthographicCamera orthographic;
  scene.setCamera(&orthographic);
  {
    CallRecorder recorder("effect");
    TShader shader(file, "Fill", &scene);
    EXPECT_EQ(recorder.parameters(),
              (std::vector<std::string>{"deltaTime", "time", "depthTex", "viewProjection",
                                        "projection", "projectionInv"}));
  }
  vantor::PerspectiveCamera perspective(1.5f, 1.0f, 200.0f);
  perspective.setLookAt({0, 8, -14}, {6, 5, 0}, {0, 1, 0});
  scene.setCamera(&perspective);
  scene.render(2.0f);  // the scene's time and frame time become 2 s
  CallRecorder recorder("effect");
  TShader shader(file, "Fill", &scene);
  EXPECT_EQ(recorder.parameters(),
            (std::vector<std::string>{"deltaTime", "time", "depthTex", "viewProjection",
                                      "projection", "projectionInv", "z_far", "z_near"}));
  EXPECT_EQ(recorder.calls[0], "SetFloat(deltaTime, 2)");
  EXPECT_EQ(recorder.calls[1], "SetFloat(time, 2)");
  EXPECT_EQ(recorder.calls[6], "SetFloat(z_far, 200)");
  EXPECT_EQ(recorder.calls[7], "SetFloat(z_near, 1)");

  // The matrices are the camera's, and the inverse undoes the projection.
  ID3DXEffect* effect = vantor::EffectHandler::instance()->getEffect(file);
  D3DXMATRIX viewProjection, projection, projectionInv;
  ASSERT_EQ(effect->GetMatrix("viewProjection", &viewProjection), D3D_OK);
  ASSERT_EQ(effect->GetMatrix("projection", &projection), D3D_OK);
  ASSERT_EQ(effect->GetMatrix("projectionInv", &projectionInv), D3D_OK);
  EXPECT_TRUE(vantor::Matrix::fromD3D(viewProjection) == perspective.getViewProjection());
  EXPECT_TRUE(vantor::Matrix::fromD3D(projection) == perspective.getProjection());
  const vantor::Matrix product =
      vantor::Matrix::fromD3D(projection) * vantor::Matrix::fromD3D(projectionInv);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(product.m[r][c], r == c ? 1.0f : 0.0f, 1e-5f);
  }
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

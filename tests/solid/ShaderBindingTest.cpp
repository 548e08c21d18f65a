// What the solid-object shader binds for one instance, seen through the call observer: the
// lights, the material switches, the extra buffers, the blend states and the effect chosen.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "SolidFixture.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/shading/SolidObjectShader.h"

namespace vantor_test {
namespace {

using vantor::Material;
using vantor::Matrix;

std::string pointer(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

class SolidShaderCalls : public SolidTest {
 protected:
  void SetUp() override {
    SolidTest::SetUp();
    solid = addSolid(quadMesh(2.0f));
  }
  // One drawing of the scene: every device and effect call, as
  // "effect.SetInt(pointLightAmount, 0)".
  CallList draw() {
    CallRecorder calls;
    render(time += 1.0f);
    return calls;
  }
  vantor::MeshInstance* solid = nullptr;
  float time = 0.0f;
};

TEST_F(SolidShaderCalls, UnlitMaterialGetsNoLightsWhateverTheSceneHolds) {
  addLight(1, 2, 3);
  scene->lighting.directionalLightEnabled = true;
  solid->getMaterial().lit = false;
  CallList calls = draw();
  EXPECT_TRUE(calls.has("effect.SetInt(pointLightAmount, 0)"));
  EXPECT_TRUE(calls.has("effect.SetBool(enableDirectionallight, 0)"));
  EXPECT_TRUE(calls.starting("effect.SetVector(pointLight[").empty());
  EXPECT_TRUE(calls.starting("effect.SetFloatArray(directionallight.dir").empty());

  // Lit, the same scene lets both in; the material's own switch still keeps the sun out.
  solid->getMaterial().lit = true;
  calls = draw();
  EXPECT_TRUE(calls.has("effect.SetInt(pointLightAmount, 1)"));
  EXPECT_TRUE(calls.has("effect.SetBool(enableDirectionallight, 1)"));
  EXPECT_TRUE(calls.has("effect.SetFloatArray(directionallight.dir, 1, 1, 0)"));
  solid->getMaterial().useDirectionalLight = false;
  calls = draw();
  EXPECT_TRUE(calls.has("effect.SetBool(enableDirectionallight, 0)"));
}

TEST_F(SolidShaderCalls, OnePointLightArrivesWithPositionColourPowerAndIntensity) {
  lights.push_back(std::make_unique<vantor::NodePointlight>(1, 2, 3, 1, 0.5f, 0, 1, 2, 1, 0));
  scene->addNode(lights.back().get());
  CallList calls = draw();
  EXPECT_TRUE(calls.has("effect.SetInt(pointLightAmount, 1)"));
  EXPECT_TRUE(calls.has("effect.SetVector(pointLight[0].position, 1, 2, 3, 1)"));
  EXPECT_TRUE(calls.has("effect.SetVector(pointLight[0].color, 2, 1, 0, 2)"));
  EXPECT_TRUE(calls.has("effect.SetFloat(pointLight[0].power, 1)"));
  EXPECT_TRUE(calls.has("effect.SetFloat(pointLight[0].intensity, 2)"));
}

// The light array and its one-character index end at nine: an eleventh and twelfth light are
// left out instead of naming "pointLight[:]" and "pointLight[;]", which would be fatal.
TEST_F(SolidShaderCalls, TwelveLightsBindTheFirstTen) {
  for (int i = 0; i < 12; ++i) addLight(float(i), 0, 0);
  CallList calls = draw();
  EXPECT_TRUE(calls.has("effect.SetInt(pointLightAmount, 10)"));
  EXPECT_TRUE(calls.has("effect.SetVector(pointLight[9].position, 9, 0, 0, 1)"));
  EXPECT_EQ(calls.starting("effect.SetVector(pointLight[").size(), 20u);  // position, colour
  EXPECT_TRUE(calls.starting("effect.SetVector(pointLight[:").empty());
}

TEST_F(SolidShaderCalls, LightBleedIsSentOnlyWhenItIsOn) {
  CallList calls = draw();
  EXPECT_TRUE(calls.has("effect.SetBool(material.lightBleedEnabled, 0)"));
  EXPECT_TRUE(calls.starting("effect.SetFloat(material.lightBleed,").empty());
  solid->getMaterial().lightBleed = 0.3f;
  calls = draw();
  EXPECT_TRUE(calls.has("effect.SetFloat(material.lightBleed, 0.3)"));
  EXPECT_TRUE(calls.has("effect.SetBool(material.lightBleedEnabled, 1)"));
}

// The blur map is bound at slot 1 only when the scene has one, before the normal buffer at 3
// and the depth buffer at 2; all of them are unbound after the pass.
TEST_F(SolidShaderCalls, ExtraBuffersAreBoundAroundThePass) {
  CallList calls = draw();
  EXPECT_TRUE(calls.starting("effect.SetFloat(velocityScale").empty());
  EXPECT_TRUE(calls.starting("device.SetRenderTarget(1,").empty());
  const std::string normal = pointer(surfaceOf(scene->getNormalBuffer()));
  const std::string depth = pointer(surfaceOf(scene->getDepthBuffer()));
  EXPECT_LT(calls.indexOf("device.SetRenderTarget(3, " + normal),
            calls.indexOf("device.SetRenderTarget(2, " + depth));
  EXPECT_LT(calls.indexOf("device.SetRenderTarget(2, " + depth),
            calls.indexOf("effect.BeginPass(0)"));

  scene->setBlurMapEnabled(true);
  scene->lighting.velocityScale = 0.05f;
  calls = draw();
  const std::string blur = pointer(surfaceOf(scene->getBlurMap()));
  EXPECT_TRUE(calls.has("effect.SetFloat(velocityScale, 0.05)"));
  const long bound = calls.indexOf("device.SetRenderTarget(1, " + blur);
  ASSERT_GE(bound, 0);
  EXPECT_LT(bound, calls.indexOf("device.SetRenderTarget(3, " + normal));
  const long ended = calls.indexOf("effect.End(");
  for (const char* slot : {"1", "2", "3"}) {
    const auto sets = calls.starting(std::string("device.SetRenderTarget(") + slot + ",");
    ASSERT_FALSE(sets.empty());
    EXPECT_EQ(sets.back(),
              std::string("device.SetRenderTarget(") + slot + ", " + pointer(nullptr) + ")");
  }
  EXPECT_GT(calls.indexOf("device.SetRenderTarget(1, " + pointer(nullptr)), ended);
}

// While the solid draws, the depth buffer is render target 2; the effect must not bind it as
// a texture as well (the effect sets "depthTex" but its program does not sample it).
TEST_F(SolidShaderCalls, DepthBufferIsNotATextureWhileItIsATarget) {
  CallList calls = draw();
  const std::string depthTexture = pointer(scene->getDepthBuffer()->getTexture());
  EXPECT_TRUE(calls.has("effect.SetTexture(depthTex, texture)"));
  for (const std::string& c : calls.starting("device.SetTexture(")) {
    EXPECT_EQ(c.find(depthTexture), std::string::npos) << c;
  }
}

TEST_F(SolidShaderCalls, BlendStatesFollowTheBlendMode) {
  const auto statesOf = [&](int mode) {
    solid->getMaterial().blendMode = mode;
    CallList calls = draw();
    std::vector<std::string> states;
    const long pass = calls.indexOf("effect.BeginPass(0)");
    const long first = calls.indexOf("effect.SetMatrix(worldViewProjection,");
    for (long i = first; i >= 0 && i < long(calls.calls.size()); ++i) {
      const std::string& c = calls.calls[std::size_t(i)];
      if (c.rfind("device.SetRenderState(", 0) != 0) continue;
      // The pass itself sets no blend or depth state.
      if (i > pass) {
        for (const char* state :
             {"(D3DRS_ALPHABLENDENABLE,", "(D3DRS_SRCBLEND,", "(D3DRS_DESTBLEND,",
              "(D3DRS_BLENDOP,", "(D3DRS_ZENABLE,", "(D3DRS_ZWRITEENABLE,"}) {
          EXPECT_EQ(c.find(state), std::string::npos) << c;
        }
      } else if (c.find("(D3DRS_CULLMODE,") == std::string::npos) {
        states.push_back(c.substr(c.find('(')));
      }
    }
    return states;
  };
  const std::vector<std::string> opaque = {"(D3DRS_ALPHABLENDENABLE, FALSE)",
                                           "(D3DRS_ZENABLE, TRUE)", "(D3DRS_ZWRITEENABLE, TRUE)"};
  EXPECT_EQ(statesOf(0), opaque);
  EXPECT_EQ(statesOf(3), opaque);
  EXPECT_EQ(statesOf(1),
            (std::vector<std::string>{
                "(D3DRS_ALPHABLENDENABLE, TRUE)", "(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)",
                "(D3DRS_DESTBLEND, D3DBLEND_ONE)", "(D3DRS_BLENDOP, D3DBLENDOP_ADD)",
                "(D3DRS_ZENABLE, TRUE)", "(D3DRS_ZWRITEENABLE, TRUE)"}));
  EXPECT_EQ(statesOf(2),
            (std::vector<std::string>{
                "(D3DRS_ALPHABLENDENABLE, TRUE)", "(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA)",
                "(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA)", "(D3DRS_BLENDOP, D3DBLENDOP_ADD)",
                "(D3DRS_ZENABLE, TRUE)", "(D3DRS_ZWRITEENABLE, TRUE)"}));
}

// Each mesh of an instance gets its own matrices, committed inside the one open pass, with
// culling off; the instance's world matrix is the mesh's for the usual one-mesh instance.
TEST_F(SolidShaderCalls, EachMeshIsCommittedInsideOnePass) {
  solid->setTransform(Matrix::translation(0.5f, 0, 0));
  vantor::Mesh* second = boxMesh(0.5f);
  meshes.emplace_back(second);
  solid->addChild(second);
  CallList calls = draw();
  EXPECT_EQ(calls.starting("effect.BeginPass").size(), 1u);
  EXPECT_EQ(calls.starting("effect.CommitChanges").size(), 2u);
  EXPECT_EQ(calls.starting("device.DrawIndexedPrimitive").size(), 2u);
  EXPECT_TRUE(calls.has("device.SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)"));
  const auto worlds = calls.starting("effect.SetMatrix(world,");
  ASSERT_EQ(worlds.size(), 3u);  // the instance, then each mesh
  for (const std::string& w : worlds) EXPECT_NE(w.find(", 0.5, 0, 0, 1)"), std::string::npos) << w;
  EXPECT_EQ(vantor::SolidObjectShader::instance()->currentShader(), nullptr);
}

// The cull modes in force at the indexed draws, sorted.
std::vector<std::string> cullsAtDraws(const CallList& calls) {
  std::vector<std::string> culls;
  std::string current = "unset";
  for (const std::string& c : calls.calls) {
    if (c.rfind("device.SetRenderState(D3DRS_CULLMODE, ", 0) == 0) current = c.substr(38);
    if (c.rfind("device.DrawIndexedPrimitive(", 0) == 0) culls.push_back(current);
  }
  std::sort(culls.begin(), culls.end());
  return culls;
}

// Only a closed mesh may skip faces: the open quad is drawn from both sides, the box skips
// its inward faces, and a mirroring world matrix turns which side that is on the screen.
TEST_F(SolidShaderCalls, BackFacesAreSkippedOnClosedMeshesOnly) {
  vantor::MeshInstance* box = addSolid(boxMesh(0.5f), Matrix::translation(0, 0, 0.5f));
  EXPECT_EQ(cullsAtDraws(draw()), (std::vector<std::string>{"D3DCULL_CCW)", "D3DCULL_NONE)"}));

  Matrix mirror;
  mirror.m[0][0] = -1.0f;
  box->setTransform(mirror * Matrix::translation(0, 0, 0.5f));
  solid->setTransform(mirror);
  EXPECT_EQ(cullsAtDraws(draw()), (std::vector<std::string>{"D3DCULL_CW)", "D3DCULL_NONE)"}));
}

// The default material draws with "SolidObject.fxo"; one that names another effect draws
// with that file and technique and is given the very same parameters.
TEST_F(SolidShaderCalls, MaterialPicksItsEffect) {
  addLight(0, 0, -3);
  scene->setBlurMapEnabled(true);
  CallList standard = draw();
  EXPECT_TRUE(standard.has("effect.SetTechnique(SolidObject)"));

  solid->getMaterial().effectFile = "FlatSolid.fxo";
  solid->getMaterial().technique = "Flat";
  solid->getMaterial().diffuse[0] = 1.0f;
  CallList other = draw();
  EXPECT_TRUE(other.has("effect.SetTechnique(Flat)"));
  EXPECT_EQ(other.parameters(), standard.parameters());
  // The flat effect paints the diffuse colour: the middle of the picture is red.
  const Rgb middle = rgbOf(at(colour(), kWidth / 2, kHeight / 2));
  EXPECT_GT(middle.r, 240);
  EXPECT_LT(middle.g, 60);
}

}  // namespace
}  // namespace vantor_test

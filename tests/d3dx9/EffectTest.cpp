// ID3DXEffect on the headless device: drawing into two targets, parameters by flattened name,
// commit semantics, state save/restore and call order checks.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <tuple>

#include "CallObserver.h"
#include "CallReport.h"
#include "DeviceFixture.h"
#include "FxoFormat.h"

namespace {

using testing_d3d9::DeviceTest;
using testing_d3d9::sameColour;

std::vector<char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const D3DXMATRIX kIdentity = [] {
  D3DXMATRIX m{};
  m._11 = m._22 = m._33 = m._44 = 1;
  return m;
}();

class EffectTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    const std::vector<char> bytes = readFile(TEST_EFFECT_DIR "/TwoTargets.fxo");
    ASSERT_FALSE(bytes.empty());
    ASSERT_EQ(D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size()), nullptr,
                               nullptr, 0, nullptr, &effect, nullptr),
              D3D_OK);
    ASSERT_EQ(effect->SetMatrix("worldViewProjection", &kIdentity), D3D_OK);
  }
  void TearDown() override {
    if (effect) {
      EXPECT_EQ(effect->Release(), 0u);
    }
    DeviceTest::TearDown();
  }
  void setColour(const char* name, float r, float g, float b, float a) {
    const D3DXVECTOR4 colour{r, g, b, a};
    ASSERT_EQ(effect->SetVector(name, &colour), D3D_OK);
  }

  ID3DXEffect* effect = nullptr;
};

TEST_F(EffectTest, DrawsKnownColoursIntoTwoTargetsAtOnce) {
  IDirect3DSurface9* first = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  IDirect3DSurface9* second = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(0, first), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(1, second), D3D_OK);
  setColour("color0", 1, 0, 0, 1);
  setColour("color1", 0, 0, 1, 1);
  ASSERT_EQ(effect->SetTechnique("TwoTargets"), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 1u);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  drawQuad();
  EXPECT_EQ(effect->EndPass(), D3D_OK);
  EXPECT_EQ(effect->End(), D3D_OK);
  // Flat colours over the whole target: only 8-bit rounding separates them from the exact value.
  EXPECT_TRUE(sameColour(read(first).at(kWidth / 2, kHeight / 2), 0xFFFF0000));
  EXPECT_TRUE(sameColour(read(second).at(kWidth / 2, kHeight / 2), 0xFF0000FF));
  device->SetRenderTarget(1, nullptr);
}

TEST_F(EffectTest, ChangesInsideAPassReachTheDrawOnlyAfterCommitChanges) {
  IDirect3DSurface9* target = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  setColour("color0", 1, 0, 0, 1);
  ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  setColour("color0", 0, 1, 0, 1);
  drawQuad(-1, -1, 0, 1);  // left half: still the value uploaded by BeginPass
  ASSERT_EQ(effect->CommitChanges(), D3D_OK);
  drawQuad(0, -1, 1, 1);  // right half: the committed value
  effect->EndPass();
  effect->End();
  const auto pixels = read(target);
  EXPECT_TRUE(sameColour(pixels.at(kWidth / 4, kHeight / 2), 0xFFFF0000));
  EXPECT_TRUE(sameColour(pixels.at(3 * kWidth / 4, kHeight / 2), 0xFF00FF00));
}

TEST_F(EffectTest, AWorkedOutParameterFollowsItsInputsAtEveryCommitAndCannotBeSet) {
  // "worked" is 0.5 * color0 + the translation of inverse(worldViewProjection).
  IDirect3DSurface9* target = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  setColour("color0", 1, 0, 0, 0);
  ASSERT_EQ(effect->SetTechnique("WorkedOut"), D3D_OK);
  ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  drawQuad(-1, -1, 0, 1);  // left half: (0.5, 0, 0, 1) from the identity
  setColour("color0", 0, 2, 0, 0);
  D3DXMATRIX shifted = kIdentity;
  shifted._41 = -0.5f;  // its inverse moves by +0.5 in x and stays on the quad (z = 0)
  ASSERT_EQ(effect->SetMatrix("worldViewProjection", &shifted), D3D_OK);
  ASSERT_EQ(effect->CommitChanges(), D3D_OK);
  drawQuad(0.5f, -1, 1.5f, 1);  // drawn at [0, 1] in x: (0.5, 1, 0, 1)
  effect->EndPass();
  effect->End();
  const auto pixels = read(target);
  EXPECT_TRUE(sameColour(pixels.at(kWidth / 4, kHeight / 2), 0xFF800000));
  EXPECT_TRUE(sameColour(pixels.at(3 * kWidth / 4, kHeight / 2), 0xFF80FF00));

  const D3DXVECTOR4 v{1, 2, 3, 4};
  EXPECT_EQ(effect->SetVector("worked", &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloatArray("worked", &v.x, 4), D3DERR_INVALIDCALL);
  D3DXVECTOR4 back{};
  EXPECT_EQ(effect->GetVector("worked", &back), D3D_OK);
  EXPECT_FLOAT_EQ(back.y, 1.0f) << "the value of the last commit";
}

TEST_F(EffectTest, ParametersAreAddressedByStructAndArrayMemberNames) {
  setColour("material.ambient", 0.1f, 0.2f, 0.3f, 1.0f);
  setColour("pointLight[9].color", 2, 1, 0, 2);
  EXPECT_EQ(effect->SetFloat("material.specularPower", 5), D3D_OK);
  EXPECT_EQ(effect->SetBool("material.lightBleedEnabled", TRUE), D3D_OK);
  EXPECT_EQ(effect->SetInt("count", 3), D3D_OK);
  const float direction[3] = {0.5f, -1, 2};
  EXPECT_EQ(effect->SetFloatArray("direction", direction, 3), D3D_OK);
  const float weights[4] = {1, 2, 3, 4};
  EXPECT_EQ(effect->SetFloatArray("weights", weights, 4), D3D_OK);
  // Declared but optimised away by the GLSL compiler: still a parameter.
  EXPECT_EQ(effect->SetFloat("unusedByShaders", 1), D3D_OK);

  D3DXVECTOR4 v{};
  ASSERT_EQ(effect->GetVector("pointLight[9].color", &v), D3D_OK);
  EXPECT_EQ(v.x, 2);
  EXPECT_EQ(v.w, 2);
  ASSERT_EQ(effect->GetVector("material.ambient", &v), D3D_OK);
  EXPECT_FLOAT_EQ(v.y, 0.2f);
  ASSERT_EQ(effect->GetVector("pointLight[0].color", &v), D3D_OK);
  EXPECT_EQ(v.x, 0) << "elements are separate parameters";
  float f = 0;
  EXPECT_EQ(effect->GetFloat("material.specularPower", &f), D3D_OK);
  EXPECT_EQ(f, 5);
  BOOL b = FALSE;
  EXPECT_EQ(effect->GetBool("material.lightBleedEnabled", &b), D3D_OK);
  EXPECT_EQ(b, TRUE);
  INT i = 0;
  EXPECT_EQ(effect->GetInt("count", &i), D3D_OK);
  EXPECT_EQ(i, 3);
  float back[4] = {};
  EXPECT_EQ(effect->GetFloatArray("weights", back, 4), D3D_OK);
  EXPECT_EQ(back[3], 4);
  EXPECT_EQ(effect->GetFloatArray("direction", back, 3), D3D_OK);
  EXPECT_EQ(back[2], 2);
}

TEST_F(EffectTest, UnknownNamesAndWrongTypesAreInvalidCalls) {
  const D3DXVECTOR4 v{1, 2, 3, 4};
  const float many[5] = {};
  EXPECT_EQ(effect->SetFloat("nonexistent", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetVector("pointLight[10].color", &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetVector("material", &v), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat(nullptr, 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetMatrix("color0", &kIdentity), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("color0", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat("tex", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloat("color0", 1), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetFloatArray("direction", many, 5), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetVector("color0", nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("tex", nullptr), D3D_OK);
  EXPECT_EQ(effect->SetTechnique("Nope"), D3DERR_INVALIDCALL);
}

TEST_F(EffectTest, BeginAndEndOutOfOrderAreInvalidCalls) {
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->EndPass(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->CommitChanges(), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->SetTechnique("TwoTargets"), D3D_OK);
  ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
  EXPECT_EQ(effect->Begin(nullptr, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTechnique("Blended"), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->BeginPass(1), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->EndPass(), D3D_OK);
  EXPECT_EQ(effect->End(), D3D_OK);
}

TEST_F(EffectTest, EndRestoresTheStatesThatThePassesSet) {
  ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO), D3D_OK);
  ASSERT_EQ(effect->SetTechnique("Blended"), D3D_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), D3D_OK);
  EXPECT_EQ(passes, 2u);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, TRUE);
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, D3DBLEND_ONE);
  effect->EndPass();
  ASSERT_EQ(effect->BeginPass(1), D3D_OK);
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, D3DCULL_CW);
  effect->EndPass();
  ASSERT_EQ(effect->End(), D3D_OK);
  device->GetRenderState(D3DRS_CULLMODE, &value);
  EXPECT_EQ(value, D3DCULL_CCW);
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, FALSE);
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, D3DBLEND_ZERO);

  ASSERT_EQ(effect->Begin(nullptr, D3DXFX_DONOTSAVESTATE), D3D_OK);
  effect->BeginPass(0);
  effect->EndPass();
  effect->End();
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, TRUE) << "without saving, the pass's states stay";
}

TEST_F(EffectTest, TexturesAreBoundWithTheirSamplerStates) {
  IDirect3DSurface9* target = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1, 0), D3D_OK);
  IDirect3DTexture9* texture = makeTexture(4, 4, 0xFF00FF00);
  ASSERT_EQ(effect->SetTexture("tex", texture), D3D_OK);
  IDirect3DBaseTexture9* held = nullptr;
  ASSERT_EQ(effect->GetTexture("tex", &held), D3D_OK);
  EXPECT_EQ(held, texture);
  held->Release();
  ASSERT_EQ(effect->SetTechnique("Blended"), D3D_OK);
  ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
  ASSERT_EQ(effect->BeginPass(0), D3D_OK);
  DWORD filter = 0;
  device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
  EXPECT_EQ(filter, D3DTEXF_POINT);
  drawQuad();
  effect->EndPass();
  effect->End();
  // Additive green over black: exact up to 8-bit rounding.
  EXPECT_TRUE(sameColour(read(target).at(kWidth / 2, kHeight / 2), 0xFF00FF00));
}

class EffectCalls : public platform::ICallObserver {
 public:
  void onCall(const platform::Call& call) override {
    if (std::string(call.object) == "effect") calls.push_back(call);
  }
  std::vector<platform::Call> calls;
};

TEST_F(EffectTest, EveryCallIsReportedWithItsArgumentsAndResult) {
  EffectCalls observer;
  platform::setCallObserver(&observer);
  effect->SetFloat("material.specularPower", 1.5f);
  effect->SetFloat("nonexistent", 2);
  const D3DXVECTOR4 v{0.25f, 0.5f, 1, 0};
  effect->SetVector("color0", &v);
  effect->SetTexture("tex", nullptr);
  effect->SetTechnique("Blended");
  effect->Begin(nullptr, 0);
  effect->BeginPass(1);
  effect->EndPass();
  effect->End();
  platform::setCallObserver(nullptr);
  const std::vector<std::tuple<std::string, std::string, HRESULT>> expected = {
      {"SetFloat", "material.specularPower, 1.5", D3D_OK},
      {"SetFloat", "nonexistent, 2", D3DERR_INVALIDCALL},
      {"SetVector", "color0, 0.25, 0.5, 1, 0", D3D_OK},
      {"SetTexture", "tex, null", D3D_OK},
      {"SetTechnique", "Blended", D3D_OK},
      {"Begin", "0", D3D_OK},
      {"BeginPass", "1", D3D_OK},
      {"EndPass", "", D3D_OK},
      {"End", "", D3D_OK},
  };
  ASSERT_EQ(observer.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(observer.calls[i].method, std::get<0>(expected[i]));
    EXPECT_EQ(observer.calls[i].arguments, std::get<1>(expected[i]));
    EXPECT_EQ(observer.calls[i].result, std::get<2>(expected[i]));
  }
}

TEST_F(DeviceTest, MalformedEffectBytesGiveAFailureAndNoEffect) {
  const std::vector<char> bytes = readFile(TEST_EFFECT_DIR "/TwoTargets.fxo");
  ID3DXEffect* effect = reinterpret_cast<ID3DXEffect*>(1);
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size() / 2), nullptr,
                             nullptr, 0, nullptr, &effect, &errors),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(effect, nullptr);
  ASSERT_NE(errors, nullptr);
  errors->Release();
  EXPECT_EQ(D3DXCreateEffect(device, nullptr, 0, nullptr, nullptr, 0, nullptr, &effect, nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(DeviceTest, GlslTheDriverRefusesGivesAFailureWithItsLog) {
  using namespace platform::d3dx9;
  // Well-formed bytes whose GLSL does not compile: fxc would have refused them.
  EffectDescription description;
  description.stages = {{StageKind::kVertex, "V", "#version 450\nvoid main() { nonsense; }\n",
                         "#version 300 es\nvoid main() { nonsense; }\n"},
                        {StageKind::kFragment, "F", "#version 450\nvoid main() {}\n",
                         "#version 300 es\nvoid main() {}\n"}};
  description.techniques = {{"T", {{0, 1, {}}}}};
  const std::vector<std::uint8_t> bytes = writeFxo(description);
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  EXPECT_EQ(D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size()), nullptr,
                             nullptr, 0, nullptr, &effect, &errors),
            E_FAIL);
  EXPECT_EQ(effect, nullptr);
  ASSERT_NE(errors, nullptr);
  const std::string log = static_cast<const char*>(errors->GetBufferPointer());
  EXPECT_NE(log.find("stage V"), std::string::npos);
  // Only the driver's words: the bytes themselves were fine.
  EXPECT_EQ(log.find("malformed"), std::string::npos) << log;
  errors->Release();
}

// A refused effect call names the call, the parameter and the rule on standard error, so the
// engine's failed-assertion report that follows is never the only word.
class EffectRefusals : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    platform::forgetRefusals();
  }
};

TEST_F(EffectRefusals, UndeclaredParameterIsNamedWithTheEffect) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(effect->SetFloat("material.ambent", 0.5f), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("normalMap", nullptr), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(
      said.find("ID3DXEffect::SetFloat(material.ambent, 0.5): the effect (technique "
                "TwoTargets, Blended, WorkedOut) declares no parameter \"material.ambent\"\n"),
      std::string::npos)
      << said;
  EXPECT_NE(said.find("ID3DXEffect::SetTexture(normalMap, null): the effect (technique "
                      "TwoTargets, Blended, WorkedOut) declares no parameter \"normalMap\"\n"),
            std::string::npos)
      << said;
}

TEST_F(EffectRefusals, WrongTypedParameterNamesBothTypes) {
  const D3DXVECTOR4 vector{1, 2, 3, 4};
  testing::internal::CaptureStderr();
  EXPECT_EQ(effect->SetMatrix("color0", &kIdentity), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetVector("material.specularPower", &vector), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("count", nullptr), D3DERR_INVALIDCALL);
  const float nine[9] = {};
  EXPECT_EQ(effect->SetFloatArray("weights", nine, 9), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  for (const char* line :
       {"ID3DXEffect::SetMatrix(color0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1): "
        "\"color0\" is a float4 parameter; this call takes float4x4\n",
        "ID3DXEffect::SetVector(material.specularPower, 1, 2, 3, 4): \"material.specularPower\" "
        "is a float parameter; this call takes float2, float3, float4\n",
        "ID3DXEffect::SetTexture(count, null): \"count\" is a int parameter; this call takes "
        "texture\n",
        "\"weights\" holds 4 values, not 9\n"}) {
    EXPECT_NE(said.find(line), std::string::npos) << line << "\nin:\n" << said;
  }
}

TEST_F(EffectRefusals, OutOfOrderCallsAndUnreadableDataSayWhy) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(effect->BeginPass(0), D3DERR_INVALIDCALL);
  ASSERT_EQ(effect->Begin(nullptr, 0), D3D_OK);
  EXPECT_EQ(effect->BeginPass(5), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->End(), D3D_OK);
  ID3DXEffect* other = nullptr;
  const char garbage[16] = "not an effect";
  EXPECT_EQ(D3DXCreateEffect(device, garbage, sizeof garbage, nullptr, nullptr, 0, nullptr, &other,
                             nullptr),
            D3DXERR_INVALIDDATA);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("ID3DXEffect::BeginPass(0): the effect is not begun (no Begin)\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("ID3DXEffect::BeginPass(5): pass 5 is beyond technique TwoTargets's 1\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("D3DXCreateEffect: the 16 bytes are not a compiled effect"),
            std::string::npos)
      << said;
}

}  // namespace

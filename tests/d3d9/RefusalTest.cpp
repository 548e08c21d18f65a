// A refused device call says on standard error which call, which argument and which rule, and
// a refusal that repeats every frame is written a few times, not every frame.
#include <d3d9.h>
#include <gtest/gtest.h>

#include <string>

#include "CallReport.h"
#include "DeviceFixture.h"

namespace {

using testing_d3d9::DeviceTest;
using testing_d3d9::QuadVertex;

int countOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class Refusals : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    platform::forgetRefusals();
  }
  const QuadVertex quad_[3] = {{-1, -1, 0, 0, 1}, {-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0}};
};

TEST_F(Refusals, OutOfRangeStageNamesTheCallTheStageAndTheLimit) {
  testing::internal::CaptureStderr();
  // 16 samplers take textures; 8 stages take fixed-function blending.
  EXPECT_EQ(device->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_MODULATE), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("IDirect3DDevice9::SetTexture(16, (nil)): stage 16 is beyond the 16 "
                      "sampler stages\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DDevice9::SetSamplerState(16, 5, 2): sampler 16 is beyond"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DDevice9::SetTextureStageState(8, 1, 4): stage 8 is beyond the 8 "
                      "texture stages"),
            std::string::npos)
      << said;
  EXPECT_EQ(countOf(said, "\n"), 3) << "one line per refused call:\n" << said;
}

TEST_F(Refusals, DrawOutsideASceneSaysSo) {
  ASSERT_EQ(device->SetFVF(testing_d3d9::kQuadFvf), D3D_OK);
  testing::internal::CaptureStderr();
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad_, sizeof(QuadVertex)),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("IDirect3DDevice9::DrawPrimitiveUP(4, 1, 0x"), std::string::npos) << said;
  EXPECT_NE(said.find("): draws happen between BeginScene and EndScene\n"), std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DDevice9::EndScene(): no scene is open (no BeginScene)\n"),
            std::string::npos)
      << said;
}

TEST_F(Refusals, ReasonNotedDeepInsideACallReachesItsLine) {
  // The texture's size is checked inside the texture's own creation, not by the device call.
  IDirect3DTexture9* texture = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_EQ(device->CreateTexture(0, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_INVALIDCALL);
  // A call that succeeds afterwards writes nothing, and takes no stale reason with it.
  EXPECT_EQ(device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE), D3D_OK);
  EXPECT_EQ(device->SetRenderState(D3DRS_ZENABLE, 77), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("IDirect3DDevice9::CreateTexture(0, 16, 1, 0x0, 21, 1): 0x16 is outside "
                      "1 to "),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DDevice9::SetRenderState(7, 77): render state 7 does not take "
                      "the value 77 here\n"),
            std::string::npos)
      << said;
  EXPECT_EQ(countOf(said, "\n"), 2) << said;
}

TEST_F(Refusals, ObjectsOtherThanTheDeviceSayWhyToo) {
  IDirect3DTexture9* texture = makeTexture(4, 4, 0xFF00FF00);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  testing::internal::CaptureStderr();
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(3, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(60, 8, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("IDirect3DTexture9::LockRect: level 3 is beyond the texture's 1\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DVertexBuffer9::Lock: bytes 60+8 are beyond the buffer's 64\n"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("IDirect3DVertexBuffer9::Unlock: the buffer is not locked\n"),
            std::string::npos)
      << said;
  buffer->Release();
}

TEST_F(Refusals, ARepeatedRefusalIsWrittenThreeTimesThenOnceSuppressed) {
  ASSERT_EQ(device->SetFVF(testing_d3d9::kQuadFvf), D3D_OK);
  testing::internal::CaptureStderr();
  // Every frame's refusal differs in its pointer argument but breaks the same rule.
  for (int frame = 0; frame < 50; ++frame) {
    const QuadVertex quad[3] = {};
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, quad, sizeof(QuadVertex)),
              D3DERR_INVALIDCALL);
  }
  // A different rule broken by the same call still gets its own lines.
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(QuadVertex)),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(countOf(said, "draws happen between BeginScene and EndScene\n"), 3) << said;
  EXPECT_EQ(countOf(said,
                    "IDirect3DDevice9::DrawPrimitiveUP: draws happen between BeginScene "
                    "and EndScene (further reports of this suppressed)\n"),
            1)
      << said;
  EXPECT_EQ(countOf(said, "the vertices are null\n"), 1) << said;
  EXPECT_EQ(countOf(said, "\n"), 5) << said;
}

TEST_F(Refusals, ACallWhoseReasonChangesEveryFrameFallsSilentToo) {
  testing::internal::CaptureStderr();
  for (DWORD value = 100; value < 160; ++value) {
    EXPECT_EQ(device->SetRenderState(D3DRS_ZENABLE, value), D3DERR_INVALIDCALL);
  }
  EXPECT_EQ(device->SetTexture(99, nullptr), D3DERR_INVALIDCALL);  // other calls still speak
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(countOf(said, "IDirect3DDevice9::SetRenderState(7, "), platform::kCallRefusalLines)
      << said;
  EXPECT_EQ(countOf(said,
                    "IDirect3DDevice9::SetRenderState: further refusals of this call "
                    "suppressed\n"),
            1)
      << said;
  EXPECT_EQ(countOf(said, "stage 99 is beyond"), 1) << said;
}

}  // namespace

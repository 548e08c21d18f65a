// The pass timer on a headless device: a frame's stretches away from the back buffer become
// its passes in order, nested target changes stay inside their pass, extra outputs are not
// passes, and a frame of another shape is counted apart instead of being forced into names.
#include <gtest/gtest.h>

#include <numeric>

#include "CallObserver.h"
#include "PassTimer.h"

namespace {

class PassTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(direct3d_, nullptr);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 64;
    parameters.BackBufferHeight = 48;
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.Windowed = TRUE;
    ASSERT_EQ(direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                      D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device_),
              D3D_OK);
    ASSERT_EQ(device_->GetRenderTarget(0, &back_), D3D_OK);
    for (IDirect3DSurface9*& target : targets_) {
      IDirect3DTexture9* texture = nullptr;
      ASSERT_EQ(device_->CreateTexture(64, 48, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                       D3DPOOL_DEFAULT, &texture, nullptr),
                D3D_OK);
      ASSERT_EQ(texture->GetSurfaceLevel(0, &target), D3D_OK);
      texture->Release();  // the surface holds the texture
    }
  }
  void TearDown() override {
    platform::setCallObserver(nullptr);
    for (IDirect3DSurface9* target : targets_) {
      if (target) target->Release();
    }
    if (back_) back_->Release();
    if (device_) device_->Release();
    if (direct3d_) direct3d_->Release();
  }

  // Binds slot 0 and clears it `clears` times, so the stretch has work in it.
  void drawInto(IDirect3DSurface9* target, int clears = 1) {
    ASSERT_EQ(device_->SetRenderTarget(0, target), D3D_OK);
    for (int i = 0; i < clears; ++i) {
      ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u + i, 1.0f, 0), D3D_OK);
    }
  }

  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DSurface9* back_ = nullptr;
  IDirect3DSurface9* targets_[4] = {};
};

TEST_F(PassTimerTest, StretchesAwayFromTheBackBufferAreThePassesInOrder) {
  companion::PassTimer timer({"first", "second", "home"});
  platform::setCallObserver(&timer);
  ASSERT_TRUE(timer.attach(device_));
  for (int frame = 0; frame < 3; ++frame) {
    drawInto(back_);  // home work before the first pass counts to it
    drawInto(targets_[0], 20);
    // An extra output is not a pass of its own.
    ASSERT_EQ(device_->SetRenderTarget(1, targets_[3]), D3D_OK);
    ASSERT_EQ(device_->SetRenderTarget(1, nullptr), D3D_OK);
    drawInto(back_);
    drawInto(targets_[1]);
    drawInto(targets_[2]);  // the second pass's own intermediate target
    drawInto(targets_[1]);
    drawInto(back_);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  }
  // A frame with one offscreen pass fits no names.
  drawInto(targets_[0]);
  drawInto(back_);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  timer.detach();

  EXPECT_EQ(timer.attributedFrames(), 3);
  EXPECT_EQ(timer.unattributedFrames(), 1);
  for (std::size_t pass = 0; pass < 3; ++pass) {
    ASSERT_EQ(timer.passMs(pass).size(), 3u);
    for (double ms : timer.passMs(pass)) EXPECT_GE(ms, 0.0) << timer.passNames()[pass];
  }
  const std::vector<double>& first = timer.passMs(0);
  EXPECT_GT(std::accumulate(first.begin(), first.end(), 0.0), 0.0)
      << "twenty clears take some GPU time";
}

TEST_F(PassTimerTest, NothingIsTimedBeforeAttachOrAfterDetach) {
  companion::PassTimer timer({"only", "home"});
  platform::setCallObserver(&timer);
  drawInto(targets_[0]);
  drawInto(back_);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(timer.attributedFrames(), 0);
  ASSERT_TRUE(timer.attach(device_));
  drawInto(targets_[0]);
  drawInto(back_);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  timer.detach();
  drawInto(targets_[0]);
  drawInto(back_);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  EXPECT_EQ(timer.attributedFrames(), 1);
  EXPECT_EQ(timer.unattributedFrames(), 0);
}

}  // namespace

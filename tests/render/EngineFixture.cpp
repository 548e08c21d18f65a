#include "EngineFixture.h"

#include "DeviceGl.h"
#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/RenderTarget.h"

namespace vantor {
void tickLoadingProgress() {
  ++vantor_test::progressTicks;
  if (vantor_test::onProgress) vantor_test::onProgress();
}
}  // namespace vantor

namespace vantor_test {

int progressTicks = 0;
std::function<void()> onProgress;

void EngineTest::SetUpTestSuite() {
  // A forked child cannot use the parent's GL context: death tests start the program afresh.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (vantor::GraphicsContext::instance()->device()) return;
  static vantor::D3DWindow window;  // the process-wide window, never opened
  vantor::DisplaySettings& settings = window.displaySettings();
  settings.width = 640;
  settings.height = 480;
  settings.aspect = 16.0f / 9.0f;
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(640, 480);
  ASSERT_EQ(window.direct3d()->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                            D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                            vantor::GraphicsContext::instance()->deviceSlot()),
            D3D_OK);
}

IDirect3DDevice9* EngineTest::device() { return vantor::GraphicsContext::instance()->device(); }

std::vector<std::uint32_t> EngineTest::pixels(IDirect3DSurface9* surface) {
  std::vector<std::uint32_t> argb;
  UINT width = 0, height = 0;
  EXPECT_EQ(platform::d3d9::readSurface(surface, argb, width, height), D3D_OK);
  return argb;
}

IDirect3DSurface9* EngineTest::boundTarget(DWORD slot) {
  IDirect3DSurface9* surface = nullptr;
  device()->GetRenderTarget(slot, &surface);
  if (surface) surface->Release();
  return surface;
}

IDirect3DSurface9* EngineTest::surfaceOf(vantor::RenderTarget* target) {
  IDirect3DSurface9* surface = nullptr;
  target->getTexture()->GetSurfaceLevel(0, &surface);
  surface->Release();
  return surface;
}

IDirect3DSurface9* EngineTest::boundDepth() {
  IDirect3DSurface9* surface = nullptr;
  device()->GetDepthStencilSurface(&surface);
  if (surface) surface->Release();
  return surface;
}

D3DVIEWPORT9 EngineTest::viewport() {
  D3DVIEWPORT9 v{};
  device()->GetViewport(&v);
  return v;
}

}  // namespace vantor_test

#include "DriverHooks.h"

#include <cmath>

#include "Core/Progress.h"
#include "demo/DemoHooks.h"
#include "gfx/resources/GraphicsContext.h"

namespace companion_test {

DriverLog& driverLog() {
  static DriverLog log;
  return log;
}

std::uint32_t colourOf(std::uint32_t musicMs) { return 0xFF000000u | (musicMs & 0xFFFFFFu); }
std::uint32_t musicMsOf(std::uint32_t argb) { return argb & 0xFFFFFFu; }

}  // namespace companion_test

namespace vantor {

void demoConfigure(DisplaySettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.fullscreen = false;
  settings.title = "KESTU09";
  settings.aspect = 16.0f / 9.0f;
}

namespace {
bool settingUp = false;
}  // namespace

void demoSetup() {
  settingUp = true;
  for (int i = 0; i < 3; ++i) progressPoint();
  settingUp = false;
}

// A loading screen that shows itself during setup: its Presents are frames the driver must
// not count. (Reaching the graphics context is a progress point itself.)
void tickLoadingProgress() {
  if (!settingUp) return;
  settingUp = false;
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  settingUp = true;
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  device->Present(nullptr, nullptr, nullptr, nullptr);
  ++companion_test::driverLog().loadingPresents;
}

void demoStep(float, float) {}

void demoFrame(float frameSeconds, float musicSeconds) {
  companion_test::driverLog().musicSeconds.push_back(musicSeconds);
  companion_test::driverLog().frameSeconds.push_back(frameSeconds);
  const auto ms = static_cast<std::uint32_t>(std::lround(musicSeconds * 1000.0));
  GraphicsContext::instance()->device()->Clear(0, nullptr, D3DCLEAR_TARGET,
                                               companion_test::colourOf(ms), 1.0f, 0);
}

void demoShutdown() {}

}  // namespace vantor

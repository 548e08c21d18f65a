// The invitation: the hook functions the engine calls.
#include "demo/DemoHooks.h"

namespace vantor {

void demoConfigure(DisplaySettings& settings) {
  settings.width = 640;
  settings.height = 480;
  settings.fullscreen = false;
  settings.title = "KESTU09";
  settings.aspect = 16.0f / 9.0f;
}

void demoSetup() {}

void tickLoadingProgress() {}

void demoStep(float, float) {}

void demoFrame(float, float) {}

void demoShutdown() {}

}  // namespace vantor

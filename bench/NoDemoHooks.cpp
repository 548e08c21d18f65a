// The demo's hooks for the benchmark programs, which drive parts of the engine without a demo.
#include "demo/DemoHooks.h"

namespace vantor {
void demoConfigure(DisplaySettings&) {}
void demoSetup() {}
void tickLoadingProgress() {}
void demoStep(float, float) {}
void demoFrame(float, float) {}
void demoShutdown() {}
}  // namespace vantor

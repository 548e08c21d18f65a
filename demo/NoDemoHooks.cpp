// Empty demo hooks for the programs that drive parts of the engine without a demo (the
// benchmarks, the post-chain picture, tests that need no hook of their own): link
// vantor_no_demo_hooks.
#include "demo/DemoHooks.h"

namespace vantor {
void demoConfigure(DisplaySettings&) {}
void demoSetup() {}
void tickLoadingProgress() {}
void demoStep(float, float) {}
void demoFrame(float, float) {}
void demoShutdown() {}
}  // namespace vantor

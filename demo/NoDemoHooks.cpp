// Empty demo hooks for the programs that drive parts of the engine without a demo: the
// benchmarks and the post-chain picture.
#include "demo/DemoHooks.h"

namespace vantor {
void demoConfigure(DisplaySettings&) {}
void demoSetup() {}
void tickLoadingProgress() {}
void demoStep(float, float) {}
void demoFrame(float, float) {}
void demoShutdown() {}
}  // namespace vantor

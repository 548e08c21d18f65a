#include "TestHooks.h"

#include "demo/Progress.h"

namespace vantor {

int progressTicks = 0;

void tickLoadingProgress() { ++progressTicks; }

}  // namespace vantor

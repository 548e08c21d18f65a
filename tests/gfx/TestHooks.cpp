#include "TestHooks.h"

#include "Core/Progress.h"

namespace vantor {

int progressTicks = 0;

void tickLoadingProgress() { ++progressTicks; }

}  // namespace vantor

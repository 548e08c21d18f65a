// Progress points: engine operations that may take a while during start-up call
// progressPoint(), which hands control to the demo's loading screen while loading lasts.
#pragma once

#include "demo/DemoHooks.h"

namespace vantor {

// True from process start until the shell clears it just before the music starts; never
// set again.
extern bool loadingActive;

// Calls tickLoadingProgress when loadingActive is set; nothing otherwise.
void progressPoint();

}  // namespace vantor

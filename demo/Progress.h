// Progress points: engine operations that may take a while during start-up call
// progressPoint(), which hands control to the demo's loading screen while loading lasts.
#pragma once

namespace vantor {

// True from process start until the shell clears it just before the music starts; never
// set again.
extern bool loadingActive;

// The demo's hook, called at every progress point while loadingActive is set. Defined by
// the demo (and by test programs), not by the engine.
void tickLoadingProgress();

// Calls tickLoadingProgress when loadingActive is set; nothing otherwise.
void progressPoint();

}  // namespace vantor

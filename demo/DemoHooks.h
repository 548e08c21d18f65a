// The hooks through which the engine calls the demo. The engine declares them; the demo
// (and each test program that runs the engine) defines all six. No result is read.
#pragma once

#include "demo/DisplaySettings.h"

namespace vantor {

// Once, after the engine defaults are filled and before the launcher.
void demoConfigure(DisplaySettings& settings);
// Once, after the window, the device and the music stream exist, while loading lasts.
void demoSetup();
// At every progress point while loading lasts.
void tickLoadingProgress();
// Once for each whole 50 ms of wall time, before the frame; stepSeconds is always 0.05.
void demoStep(float stepSeconds, float musicSeconds);
// Once a frame, after the frame's clears and before Present.
void demoFrame(float frameSeconds, float musicSeconds);
// Once, after the frame loop ends.
void demoShutdown();

}  // namespace vantor

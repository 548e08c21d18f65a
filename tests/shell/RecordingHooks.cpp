#include "RecordingHooks.h"

#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "Core/Progress.h"

namespace vantor_test {
HookLog& hookLog() {
  static HookLog log;
  return log;
}
namespace {
int stepsSinceFrame = 0;
}
}  // namespace vantor_test

namespace vantor {

using vantor_test::hookLog;

void demoConfigure(DisplaySettings& settings) {
  hookLog().order.push_back("demoConfigure");
  settings.width = 640;
  settings.height = 480;
  settings.fullscreen = false;
  settings.title = "KESTU09";
  settings.aspect = 16.0f / 9.0f;
}

void demoSetup() {
  hookLog().order.push_back("demoSetup");
  ++hookLog().setups;
  hookLog().loadingDuringSetup = loadingActive;
  const DisplaySettings& settings = D3DWindow::current()->displaySettings();
  hookLog().setupWidth = settings.width;
  hookLog().setupHeight = settings.height;
  hookLog().setupFullscreen = settings.fullscreen;
  progressPoint();  // a progress point inside setup reaches tickLoadingProgress
}

void tickLoadingProgress() {
  if (hookLog().setups > 0) ++hookLog().progressDuringSetup;
}

void demoStep(float stepSeconds, float) {
  hookLog().stepSeconds = stepSeconds;
  ++vantor_test::stepsSinceFrame;
}

void demoFrame(float frameSeconds, float musicSeconds) {
  vantor_test::HookLog& log = hookLog();
  if (log.order.back() != "demoFrame") log.order.push_back("demoFrame");
  ++log.frames;
  log.loadingDuringFrames = log.loadingDuringFrames || loadingActive;
  log.stepsPerFrame.push_back(vantor_test::stepsSinceFrame);
  vantor_test::stepsSinceFrame = 0;
  log.frameSeconds.push_back(frameSeconds);
  log.musicSeconds.push_back(musicSeconds);
}

void demoShutdown() { hookLog().order.push_back("demoShutdown"); }

}  // namespace vantor

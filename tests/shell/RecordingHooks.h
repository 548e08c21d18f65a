// The demo hooks as the entry tests define them: they configure like the invitation and
// record every call.
#pragma once

#include <string>
#include <vector>

namespace vantor_test {

struct HookLog {
  std::vector<std::string> order;  // hook names in call order, consecutive repeats kept
  int setups = 0;
  int frames = 0;
  int progressDuringSetup = 0;
  bool loadingDuringSetup = false;
  bool loadingDuringFrames = false;
  std::vector<int> stepsPerFrame;       // demoStep calls made before each demoFrame
  std::vector<float> frameSeconds;      // as demoFrame received them
  std::vector<float> musicSeconds;      // as demoFrame received them
  float stepSeconds = 0.0f;             // as the last demoStep received it
  int setupWidth = 0, setupHeight = 0;  // the window's settings while setup runs
  bool setupFullscreen = false;
};

HookLog& hookLog();

}  // namespace vantor_test

// The whole entry, run on the scripted platform: start-up order, the launcher's ways out, the
// frame loop's timing and its ends. Each scenario runs the entry in a fresh process (the
// engine's singletons live as long as the process), as a death-test child that exits with 0
// when every check held and names the first check that did not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "RecordingHooks.h"
#include "ScriptedRun.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor_test {
namespace {

using platform::scripted::Input;
using platform::scripted::ScriptedRun;

constexpr int kStart = 1001, kQuit = 1002, kFullScreen = 1004;

int runEntry() {
  return WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT);
}

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::exit(1);
}

// Unchecks the full-screen box and presses "start": a windowed run.
void startWindowed(ScriptedRun& run) {
  run.atFrame(0, Input::click(kFullScreen));
  run.atFrame(0, Input::click(kStart));
}

void startsInOrderAndEndsOnEscape() {
  // From the build folder data/ resolves, so the music is found.
  require(chdir(VANTOR_DATA_DIR "/..") == 0, "build folder");
  ScriptedRun run(20);
  startWindowed(run);
  run.atFrame(5, Input::key(VK_ESCAPE));
  require(runEntry() == 0, "exit code 0");
  const HookLog& log = hookLog();
  const std::vector<std::string> order = {"demoConfigure", "demoSetup", "demoFrame",
                                          "demoShutdown"};
  require(log.order == order, "hook order");
  require(log.loadingDuringSetup && log.progressDuringSetup == 1, "loading during setup");
  require(!log.loadingDuringFrames, "loading ends before the frames");
  // Escape arrives while the fifth frame's messages are drained: no sixth frame.
  require(log.frames == 5, "five frames");
  require(!log.setupFullscreen, "unchecked: windowed");
  require(run.messageBoxes().empty(), "no message box in a windowed run");
  require(log.musicSeconds.front() < 0.05f, "music starts with the frames");
  require(log.musicSeconds.back() > log.musicSeconds.front(), "music plays");
  require(vantor::GraphicsContext::instance()->device() == nullptr, "device released");
  std::exit(0);
}

void cancelledLauncher(Input way) {
  ScriptedRun run(20);
  run.atFrame(0, way);
  require(runEntry() == 0, "exit code 0");
  require(hookLog().order == std::vector<std::string>{"demoConfigure"},
          "no hook after demoConfigure");
  require(vantor::GraphicsContext::instance()->device() == nullptr, "no device");
  require(FindWindowA("KESTU09", nullptr) == nullptr, "no demo window");
  std::exit(0);
}

void startAtOnce() {
  ScriptedRun run(20);
  run.atFrame(0, Input::key(VK_RETURN));  // the default button, with the box still checked
  run.atFrame(2, Input::close());
  require(runEntry() == 0, "exit code 0");
  // Full screen was asked for, which no display can do here: one warning, then windowed.
  require(run.messageBoxes().size() == 1, "one box");
  require(run.messageBoxes()[0].caption == "warning", "warning caption");
  require(run.messageBoxes()[0].text == "Couldn't change display-settings, fallback to windowed.",
          "warning text");
  require(hookLog().setupWidth == 640 && hookLog().setupHeight == 480, "the first mode");
  require(!hookLog().setupFullscreen, "windowed after the fallback");
  require(hookLog().frames == 2, "the close request ends the run after its frame");
  std::exit(0);
}

void endsAfterNinetyOneSeconds() {
  // From an empty folder there is no data/kestuinvi.mp3.
  char folder[] = "/tmp/entry-test-XXXXXX";
  require(mkdtemp(folder) && chdir(folder) == 0, "an empty folder");
  ScriptedRun run(20);  // 20 ms a frame
  startWindowed(run);
  require(runEntry() == 0, "exit code 0");
  const HookLog& log = hookLog();
  // Frame k sees 20·k ms since the music started; the frame that sees 91 000 ms closes the
  // window and is still drawn and presented.
  require(log.frames == 91000 / 20 + 1, "frames up to and including 91 s");
  double total = 0;
  for (float seconds : log.frameSeconds) total += seconds;
  require(std::fabs(total - 91.0) < 1e-3, "91 s of frame time");
  require(run.frames() == log.frames, "every frame presented");
  // Without the track: a silent run at position 0.
  for (float music : log.musicSeconds) require(music == 0.0f, "silent run");
  rmdir(folder);
  std::exit(0);
}

void fixedStepsCarryTheRemainder() {
  ScriptedRun run(0);  // the script alone moves the clock
  const std::vector<std::uint64_t> lengths = {49, 1, 100, 230, 20};  // seen by frames 2..6
  run.onFrame([&](int frame) {
    if (frame <= static_cast<int>(lengths.size())) run.advance(lengths[frame - 1]);
  });
  startWindowed(run);
  run.atFrame(6, Input::key(VK_ESCAPE));
  require(runEntry() == 0, "exit code 0");
  // 0 → 0; 49 → 0 (49 left); 1 → 1 (0); 100 → 2 (0); 230 → 4 (30); 20 → 1 (0)
  const std::vector<int> steps = {0, 0, 1, 2, 4, 1};
  require(hookLog().stepsPerFrame == steps, "steps per frame");
  require(hookLog().stepSeconds == 0.05f, "step length");
  std::exit(0);
}

class Entry : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(Entry, StartsInOrderPlaysTheMusicAndEndsOnEscapeAfterTheFrame) {
  EXPECT_EXIT(startsInOrderAndEndsOnEscape(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Entry, QuitEscapeOrCloseInTheLauncherEndsBeforeAnythingOpens) {
  EXPECT_EXIT(cancelledLauncher(Input::click(kQuit)), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(cancelledLauncher(Input::key(VK_ESCAPE)), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(cancelledLauncher(Input::close()), ::testing::ExitedWithCode(0), "");
}

TEST_F(Entry, StartAtOnceAsksForFullScreenAndFallsBackWithoutADisplay) {
  EXPECT_EXIT(startAtOnce(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Entry, RunEndsNinetyOneSecondsAfterTheMusicStartedAndShowsThatFrame) {
  EXPECT_EXIT(endsAfterNinetyOneSeconds(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Entry, FixedStepsCatchUpAndCarryTheRemainder) {
  EXPECT_EXIT(fixedStepsCarryTheRemainder(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vantor_test

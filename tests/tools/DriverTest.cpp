// The driver under the companion programs, with hooks that record what they are given: the
// clock jumps to the first asked time without drawing what lies before, every frame gets
// exactly the music time asked for, loading screens are not frames, and a run that the demo
// ends early is reported as such. One run per process, as a death-test child that exits with
// 0 when every check held and names the first one that did not.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "DriverHooks.h"
#include "InvitationRun.h"

namespace companion_test {
namespace {

void require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "check failed: %s\n", what);
  std::exit(1);
}

float seconds(std::uint32_t ms) { return static_cast<float>(ms / 1000.0); }

// The picture's centre (inside the letterbox) as read back after a frame was presented.
std::uint32_t centreOf(IDirect3DDevice9* device, int& width, int& height) {
  platform::scripted::Image image;
  if (FAILED(platform::scripted::readBackBuffer(device, image))) return 0;
  width = image.width;
  height = image.height;
  return image.argb[static_cast<std::size_t>(image.height / 2) * image.width + image.width / 2];
}

void jumpsToTheAskedTime() {
  // From the build folder, where the music is found: positions follow the track.
  require(chdir(VANTOR_DATA_DIR "/..") == 0, "build folder");
  companion::InvitationRun run({320, 180}, "driver test");
  run.startAt(48983);
  std::vector<std::uint32_t> shown;
  int width = 0, height = 0;
  const bool ended = run.run([&](int frame, IDirect3DDevice9* device) {
    shown.push_back(musicMsOf(centreOf(device, width, height)));
    return frame == 0 ? std::optional<std::uint32_t>(49000) : std::nullopt;
  });
  require(ended, "the handler ends the run");
  const DriverLog& log = driverLog();
  require(log.loadingPresents == 3, "the loading screen presented");
  // Nothing before 48.983 s was drawn: two frames, and the read-backs are theirs.
  require(log.musicSeconds == std::vector<float>{seconds(48983), seconds(49000)},
          "music times of the two frames");
  require(shown == std::vector<std::uint32_t>{48983, 49000}, "read-backs after each frame");
  require(width == 320 && height == 180, "the asked size");
  std::exit(0);
}

void framesGetExactlyTheirTimes() {
  require(chdir(VANTOR_DATA_DIR "/..") == 0, "build folder");
  companion::InvitationRun run({64, 36}, "driver test");
  constexpr int kFrames = 31;
  const auto frameMs = [](int k) { return static_cast<std::uint32_t>((k * 1000 + 30) / 60); };
  const bool ended = run.run([&](int frame, IDirect3DDevice9*) {
    return frame + 1 < kFrames ? std::optional<std::uint32_t>(frameMs(frame + 1)) : std::nullopt;
  });
  require(ended, "the handler ends the run");
  const DriverLog& log = driverLog();
  require(log.musicSeconds.size() == kFrames, "every asked frame, no more");
  // Every millisecond is kept: 17, 33, 50, 67 ... and not a millisecond less.
  for (int k = 0; k < kFrames; ++k) {
    require(log.musicSeconds[k] == seconds(frameMs(k)), "a frame's music time");
  }
  double total = 0;
  for (float s : log.frameSeconds) total += s;
  require(std::abs(total - frameMs(kFrames - 1) / 1000.0) < 1e-4, "frame times add up");
  std::exit(0);
}

void endsEarlyOnTheNinetyFirstSecond() {
  require(chdir(VANTOR_DATA_DIR "/..") == 0, "build folder");
  companion::InvitationRun run({64, 36}, "driver test");
  run.startAt(90950);
  int frames = 0;
  const bool ended = run.run([&](int frame, IDirect3DDevice9*) {
    ++frames;
    return std::optional<std::uint32_t>(90950 + 20 * (frame + 1));
  });
  // 90.95, 90.97, 90.99 and 91.01 s: the demo closes its window in the last one.
  require(!ended, "a run that the demo ended is not reported as finished");
  require(frames == 4, "the demo's own end");
  std::exit(0);
}

class Driver : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(Driver, JumpsToTheAskedTimeWithoutDrawingWhatLiesBefore) {
  EXPECT_EXIT(jumpsToTheAskedTime(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Driver, EveryFrameGetsExactlyItsMusicTime) {
  EXPECT_EXIT(framesGetExactlyTheirTimes(), ::testing::ExitedWithCode(0), "");
}

TEST_F(Driver, ARunThatTheDemoEndsFirstIsReportedAsUnfinished) {
  EXPECT_EXIT(endsEarlyOnTheNinetyFirstSecond(), ::testing::ExitedWithCode(0),
              "ended after 4 frames");
}

}  // namespace
}  // namespace companion_test

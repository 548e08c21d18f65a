// The viewer's transport over a real music channel (the silent output on a clock the test
// moves): the music is the clock at x1, seeks land on the channel, a still picture is drawn
// after the frame before it, other speeds follow the wall clock with the music held, and the
// loop and the end hold the picture where they should.
#include <fmod.hpp>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FmodHooks.h"
#include "Hooks.h"
#include "Transport.h"

namespace {

const std::string kTone = VANTOR_SOURCE_DIR "/tests/fmod/fixtures/tone.mp3";  // 2 s

struct TransportTest : testing::Test {
  std::uint64_t clockMs = 1000;
  FMOD::System* system = nullptr;
  FMOD::Channel* channel = nullptr;
  std::vector<std::string> lines;
  live::Transport transport{1500, [this](const std::string& line) { lines.push_back(line); }};

  void SetUp() override {
    platform::fmod::forceSilentOutput(true);
    platform::win32::setTimeSource([this] { return clockMs; });
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    FMOD::Sound* sound = nullptr;
    ASSERT_EQ(system->createStream(kTone.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound),
              FMOD_OK);
    ASSERT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
    transport.attach(channel);
  }
  void TearDown() override {
    system->release();
    platform::win32::setTimeSource(nullptr);
  }

  unsigned heard() {
    unsigned position = 0;
    EXPECT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
    return position;
  }
  bool musicPaused() {
    bool paused = false;
    EXPECT_EQ(channel->getPaused(&paused), FMOD_OK);
    return paused;
  }
};

TEST_F(TransportTest, AtX1TheMusicIsTheClockAndASeekMovesItToTheSample) {
  EXPECT_EQ(transport.beforeFrame(0).ms, 0u);
  clockMs += 250;
  EXPECT_EQ(transport.beforeFrame(250).ms, 250u);
  transport.seek(1200);
  EXPECT_EQ(lines.back(), "playing at 1.200 s (x1)");
  EXPECT_EQ(transport.beforeFrame(16).ms, 1200u);
  EXPECT_EQ(heard(), 1200u);
  clockMs += 100;
  EXPECT_EQ(transport.beforeFrame(100).ms, 1300u);
  EXPECT_FALSE(musicPaused());
}

TEST_F(TransportTest, AStillPictureFollowsTheFrameBeforeItAndHoldsTheMusic) {
  transport.beforeFrame(0);
  transport.seek(800);
  transport.setPaused(true);
  EXPECT_EQ(lines.back(), "paused at 0.800 s");
  const live::Transport::Frame before = transport.beforeFrame(16);
  EXPECT_EQ(before.ms, 800u - live::Transport::kFrameBeforeMs);
  EXPECT_FALSE(before.settled);
  EXPECT_EQ(heard(), before.ms);
  const live::Transport::Frame still = transport.beforeFrame(16);
  EXPECT_EQ(still.ms, 800u);
  EXPECT_TRUE(still.settled);
  clockMs += 300;
  EXPECT_EQ(transport.beforeFrame(300).ms, 800u);
  EXPECT_EQ(heard(), 800u);
  EXPECT_TRUE(musicPaused());
  // A frame step while paused: the new still, again after its frame before.
  transport.stepBy(live::Transport::kFrameMs);
  EXPECT_EQ(lines.back(), "paused at 0.817 s");
  EXPECT_FALSE(transport.beforeFrame(16).settled);
  EXPECT_EQ(transport.beforeFrame(16).ms, 817u);
  // Playing again starts the music where the picture is.
  transport.togglePause();
  EXPECT_EQ(lines.back(), "playing at 0.817 s (x1)");
  transport.beforeFrame(16);
  clockMs += 100;
  EXPECT_EQ(transport.beforeFrame(100).ms, 917u);
}

TEST_F(TransportTest, OtherSpeedsFollowTheWallClockSilentlyAndX1ResumesThere) {
  transport.beforeFrame(0);
  transport.faster();
  EXPECT_EQ(lines.back(), "playing at 0.000 s (x2)");
  transport.beforeFrame(0);
  clockMs += 100;
  EXPECT_EQ(transport.beforeFrame(100).ms, 200u);
  EXPECT_TRUE(musicPaused());
  EXPECT_EQ(heard(), 200u);  // the music waits at the picture's time
  for (int i = 0; i < 5; ++i) transport.slower();
  EXPECT_EQ(transport.speedName(), std::string("x1/4"));
  for (int i = 0; i < 2; ++i) transport.faster();
  EXPECT_EQ(transport.speedName(), std::string("x1"));
  EXPECT_EQ(transport.beforeFrame(0).ms, 200u);
  EXPECT_FALSE(musicPaused());
  clockMs += 50;
  EXPECT_EQ(transport.beforeFrame(50).ms, 250u);
}

TEST_F(TransportTest, TheLoopWrapsTheMusicAndTheEndStopsIt) {
  transport.beforeFrame(0);
  EXPECT_FALSE(transport.loopRangeChosen());  // the whole run until a range is asked for
  transport.setLoop(200, 600, true);
  EXPECT_TRUE(transport.loopRangeChosen());
  EXPECT_EQ(lines.back(), "loop 0.200 - 0.600 s on");
  clockMs += 650;
  EXPECT_EQ(transport.beforeFrame(650).ms, 200u);
  EXPECT_EQ(heard(), 200u);
  transport.toggleLoop();
  EXPECT_EQ(lines.back(), "loop 0.200 - 0.600 s off");
  transport.seek(1450);
  transport.beforeFrame(16);
  clockMs += 100;
  EXPECT_EQ(transport.beforeFrame(100).ms, 1500u);
  EXPECT_EQ(lines.back(), "paused at 1.500 s");
  EXPECT_TRUE(transport.paused());
  const std::size_t linesAtTheEnd = lines.size();
  clockMs += 100;
  EXPECT_EQ(transport.beforeFrame(100).ms, 1500u);
  EXPECT_EQ(transport.beforeFrame(16).ms, 1500u);
  EXPECT_EQ(lines.size(), linesAtTheEnd);  // the end is said once, not at every frame
  EXPECT_EQ(heard(), 1500u);
  // Marks keep the range in order: an end before the start drops the start.
  transport.seek(100);
  transport.markLoopEnd();
  EXPECT_EQ(lines.back(), "loop 0.000 - 0.100 s off");
}

}  // namespace

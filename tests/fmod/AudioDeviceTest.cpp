// Music through a real SDL audio device without a sound card: SDL's "disk" driver writing to
// /dev/null, which takes its buffers at about the real rate. SDL's "dummy" driver plays nothing
// and stands for the silent output on the steady clock. Runs for the length of the fixture
// (2 s).
#include <fmod.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "FmodHooks.h"

namespace {

// The fixture's tone, playing on a channel of a system on the SDL audio driver named; the
// system is released at the end of the test.
class AudioDevice : public testing::Test {
 protected:
  void play(const char* driver) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    platform::fmod::forceSilentOutput(false);
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    const std::string tone = VANTOR_SOURCE_DIR "/tests/fmod/fixtures/tone.mp3";
    FMOD::Sound* sound = nullptr;
    ASSERT_EQ(system->createStream(tone.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound),
              FMOD_OK);
    ASSERT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
  }
  void TearDown() override {
    if (system) {
      EXPECT_EQ(system->release(), FMOD_OK);
    }
  }

  FMOD::System* system = nullptr;
  FMOD::Channel* channel = nullptr;
};

std::uint64_t steadyMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

TEST_F(AudioDevice, PositionRisesInRealTimeAndTheChannelEnds) {
  ASSERT_NO_FATAL_FAILURE(play("disk"));

  std::vector<unsigned> positions;
  auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
    unsigned position = 0;
    if (channel->getPosition(&position, FMOD_TIMEUNIT_MS) != FMOD_OK) break;
    positions.push_back(position);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(positions.size(), 10u);
  for (size_t i = 1; i < positions.size(); ++i) {
    EXPECT_GE(positions[i], positions[i - 1]) << "sample " << i;
  }
  // The channel is gone only after the whole track (about 2.05 s, encoder padding included)
  // has been heard, and never reports beyond it. The last position seen falls short by a
  // poll and a device buffer (about 35 ms); the bound leaves room for a loaded machine.
  EXPECT_GT(positions.back(), 1700u);
  EXPECT_LT(positions.back(), 2100u);
}

// On a real device a seek is reported at once and the position goes on from there at the
// real rate; a pause holds it while the device keeps playing silence.
TEST_F(AudioDevice, SeekAndPauseMoveThePositionOfWhatIsHeard) {
  ASSERT_NO_FATAL_FAILURE(play("disk"));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  ASSERT_EQ(channel->setPosition(1000, FMOD_TIMEUNIT_MS), FMOD_OK);
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 1000u);
  auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  const auto slept = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
  // The new place is heard after the buffers queued before it (two of 1024 frames, 46 ms),
  // and never ahead of the time that passed; the lower bound leaves room for a loaded machine.
  EXPECT_LE(position, 1000u + slept);
  EXPECT_GE(position, 1000u + 150u);

  ASSERT_EQ(channel->setPaused(true), FMOD_OK);
  ASSERT_EQ(channel->setPosition(500, FMOD_TIMEUNIT_MS), FMOD_OK);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 500u);
}

// The dummy driver's callbacks come after whole-millisecond sleeps and are no clock: the
// position follows the steady clock instead, to the millisecond of the reads around it.
TEST_F(AudioDevice, WithTheDummyDriverThePositionIsTheSteadyClocks) {
  ASSERT_NO_FATAL_FAILURE(play("dummy"));
  ASSERT_EQ(channel->setPosition(200, FMOD_TIMEUNIT_MS), FMOD_OK);
  const std::uint64_t before = steadyMs();
  unsigned first = 0, second = 0;
  ASSERT_EQ(channel->getPosition(&first, FMOD_TIMEUNIT_MS), FMOD_OK);
  const std::uint64_t after = steadyMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  const std::uint64_t laterBefore = steadyMs();
  ASSERT_EQ(channel->getPosition(&second, FMOD_TIMEUNIT_MS), FMOD_OK);
  const std::uint64_t laterAfter = steadyMs();
  // Each position is read between two clock reads; 2 ms allow for the whole-millisecond
  // clock and the rounding of frames to milliseconds.
  EXPECT_GE(second - first + 2, laterBefore - after);
  EXPECT_LE(second - first, laterAfter - before + 2);
}

}  // namespace

#include <fmod.hpp>
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FmodHooks.h"
#include "Hooks.h"
#include "Mp3Stream.h"

namespace {

const std::string kTone = VANTOR_SOURCE_DIR "/tests/fmod/fixtures/tone.mp3";

// The music plays through the silent output on a clock the test moves.
struct MusicTest : testing::Test {
  std::uint64_t clockMs = 1000;
  FMOD::System* system = nullptr;

  void SetUp() override {
    platform::fmod::forceSilentOutput(true);
    platform::win32::setTimeSource([this] { return clockMs; });
    ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
  }
  void TearDown() override {
    if (system) system->release();
    platform::win32::setTimeSource(nullptr);
  }

  FMOD::Channel* play(const std::string& path) {
    FMOD::Sound* sound = nullptr;
    EXPECT_EQ(system->createStream(path.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound),
              FMOD_OK);
    FMOD::Channel* channel = nullptr;
    EXPECT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
    return channel;
  }

  // Steps the clock by stepMs until the channel is gone; answers the positions seen.
  std::vector<unsigned> positionsUntilEnd(FMOD::Channel* channel, unsigned stepMs) {
    std::vector<unsigned> positions;
    for (int guard = 0; guard < 100000; ++guard) {
      unsigned position = 0;
      if (channel->getPosition(&position, FMOD_TIMEUNIT_MS) != FMOD_OK) break;
      positions.push_back(position);
      clockMs += stepMs;
    }
    return positions;
  }
};

// The track's length in ms as libmpg123 decodes it on its own, whole.
double decodedLengthMs(const std::string& path) {
  mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  if (mpg123_open(decoder, path.c_str()) != MPG123_OK) return -1;
  long rate = 0;
  int channels = 0, encoding = 0;
  mpg123_getformat(decoder, &rate, &channels, &encoding);
  std::vector<unsigned char> buffer(65536);
  std::size_t bytes = 0, total = 0;
  int status;
  do {
    status = mpg123_read(decoder, buffer.data(), buffer.size(), &bytes);
    total += bytes;
  } while (status == MPG123_OK || status == MPG123_NEW_FORMAT);
  double frames = static_cast<double>(total) / (channels * mpg123_encsize(encoding));
  mpg123_delete(decoder);
  return frames * 1000.0 / rate;
}

TEST_F(MusicTest, PositionFollowsTheClockAndTheChannelEndsWithTheTrack) {
  FMOD::Channel* channel = play(kTone);
  ASSERT_TRUE(channel);
  auto positions = positionsUntilEnd(channel, 10);
  ASSERT_GT(positions.size(), 100u);
  for (size_t i = 0; i < positions.size(); ++i) {
    // The output consumed exactly 10 ms per step; positions are whole ms of it.
    EXPECT_NEAR(positions[i], 10.0 * i, 1.0) << "step " << i;
    if (i) {
      EXPECT_GE(positions[i], positions[i - 1]);
    }
  }
  // The channel ends within 30 ms of the decoded length (one 10 ms step of slack included).
  EXPECT_NEAR(positions.back(), decodedLengthMs(kTone), 30.0);
  unsigned left = 777;
  EXPECT_EQ(channel->getPosition(&left, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
  EXPECT_EQ(left, 777u);  // the caller's value stands
}

TEST_F(MusicTest, LargeClockJumpsStillDeliverEveryFrame) {
  FMOD::Channel* channel = play(kTone);
  clockMs += 1500;  // more than the decoder's ring buffer holds
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 1500u);
  clockMs += 5000;
  EXPECT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
}

TEST_F(MusicTest, MissingOrNonMpegFilesFailCreateStream) {
  FMOD::Sound* sound = reinterpret_cast<FMOD::Sound*>(1);
  EXPECT_EQ(system->createStream("no/such/track.mp3", FMOD_2D | FMOD_SOFTWARE, nullptr, &sound),
            FMOD_ERR_FILE_NOTFOUND);
  EXPECT_EQ(sound, nullptr);
  std::string zeros = testing::TempDir() + "zeros.mp3";
  std::ofstream(zeros, std::ios::binary) << std::string(20000, '\0');
  EXPECT_NE(system->createStream(zeros.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound), FMOD_OK);
  std::remove(zeros.c_str());
}

TEST_F(MusicTest, TruncatedTrackPlaysWhatItHoldsAndEnds) {
  std::ifstream in(kTone, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), {});
  std::string cut = testing::TempDir() + "cut.mp3";
  std::ofstream(cut, std::ios::binary) << bytes.substr(0, bytes.size() * 2 / 5 + 17);  // mid-frame
  FMOD::Channel* channel = play(cut);
  ASSERT_TRUE(channel);
  auto positions = positionsUntilEnd(channel, 10);
  double full = decodedLengthMs(kTone);
  ASSERT_FALSE(positions.empty());
  EXPECT_GT(positions.back(), full * 0.3);
  EXPECT_LT(positions.back(), full * 0.5);
  std::remove(cut.c_str());
}

TEST_F(MusicTest, PausedChannelHoldsItsPositionAndStolenChannelsAreGone) {
  FMOD::Channel* first = play(kTone);
  clockMs += 200;
  ASSERT_EQ(first->setPaused(true), FMOD_OK);
  clockMs += 300;
  unsigned position = 0;
  ASSERT_EQ(first->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 200u);
  // One channel only: a second stream steals it.
  FMOD::Channel* second = play(kTone);
  EXPECT_EQ(first->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
  clockMs += 100;
  ASSERT_EQ(second->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 100u);
}

// The samples after a seek are the very ones a read from the start finds there, also once the
// stream had run to its end. The stream is opened at the tone's own rate (22050 Hz), as the
// invitation's track is at the output's, so no resampling blurs the samples.
TEST(Mp3StreamSeek, LandsOnTheSampleAskedForEvenAfterTheEnd) {
  FMOD_RESULT error = FMOD_OK;
  auto whole = platform::fmod::Mp3Stream::open(kTone, 22050, error);
  ASSERT_TRUE(whole);
  std::vector<float> reference(40000 * 2);
  ASSERT_EQ(whole->read(reference.data(), 40000, true), 40000u);

  auto sought = platform::fmod::Mp3Stream::open(kTone, 22050, error);
  ASSERT_TRUE(sought);
  std::vector<float> skipped(100000 * 2);
  sought->read(skipped.data(), 100000, true);  // the whole tone: the stream has ended
  EXPECT_TRUE(sought->finished());
  for (std::size_t at : {30001u, 1234u}) {
    sought->seek(at);
    std::vector<float> got(5000 * 2);
    ASSERT_EQ(sought->read(got.data(), 5000, true), 5000u) << "at " << at;
    // Decoders started at different frames agree to float rounding; one sample off would
    // differ by up to 0.046 on the steepest slope of the tone (440 Hz, amplitude 0.37).
    for (std::size_t i = 0; i < got.size(); ++i) {
      ASSERT_NEAR(got[i], reference[at * 2 + i], 1e-3) << "at " << at << ", float " << i;
    }
  }
  EXPECT_FALSE(sought->finished());
}

TEST_F(MusicTest, SetPositionIsReportedAtOnceAndPlaysOnFromThere) {
  FMOD::Channel* channel = play(kTone);
  clockMs += 300;
  ASSERT_EQ(channel->setPosition(1250, FMOD_TIMEUNIT_MS), FMOD_OK);
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 1250u);
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_PCM), FMOD_OK);
  EXPECT_EQ(position, 1250u * 441 / 10);
  clockMs += 100;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 1350u);
  // Back, in samples.
  ASSERT_EQ(channel->setPosition(4410, FMOD_TIMEUNIT_PCM), FMOD_OK);
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 100u);
  EXPECT_EQ(channel->setPosition(0, static_cast<FMOD_TIMEUNIT>(0x40)), FMOD_ERR_FORMAT);
  // Past the end the channel ends, as it would have by playing there.
  ASSERT_EQ(channel->setPosition(60000, FMOD_TIMEUNIT_MS), FMOD_OK);
  clockMs += 10;
  EXPECT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_ERR_INVALID_HANDLE);
}

TEST_F(MusicTest, PausedChannelSeeksWithoutPlaying) {
  FMOD::Channel* channel = play(kTone);
  bool paused = true;
  ASSERT_EQ(channel->getPaused(&paused), FMOD_OK);
  EXPECT_FALSE(paused);
  clockMs += 100;
  ASSERT_EQ(channel->setPaused(true), FMOD_OK);
  ASSERT_EQ(channel->getPaused(&paused), FMOD_OK);
  EXPECT_TRUE(paused);
  ASSERT_EQ(channel->setPosition(800, FMOD_TIMEUNIT_MS), FMOD_OK);
  clockMs += 500;
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 800u);
  ASSERT_EQ(channel->getPaused(&paused), FMOD_OK);
  EXPECT_TRUE(paused);
  ASSERT_EQ(channel->setPaused(false), FMOD_OK);
  clockMs += 200;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 1000u);
  EXPECT_EQ(channel->getPaused(nullptr), FMOD_ERR_INVALID_PARAM);
}

}  // namespace

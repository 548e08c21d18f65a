// The music track as the music stand-in will decode it: libmpg123.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct DecodedTrack {
  long rate = 0;
  int channels = 0;
  int bitrate = 0;
  bool constantBitrate = false;
  std::vector<float> samples;  // interleaved
  double seconds() const { return rate ? double(samples.size()) / channels / rate : 0; }
};

DecodedTrack decode(const std::string& path) {
  DecodedTrack track;
  mpg123_init();
  int error = 0;
  mpg123_handle* handle = mpg123_new(nullptr, &error);
  if (!handle) return track;
  mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT, 0);
  int encoding = 0;
  if (mpg123_open(handle, path.c_str()) == MPG123_OK &&
      mpg123_getformat(handle, &track.rate, &track.channels, &encoding) == MPG123_OK) {
    std::vector<unsigned char> buffer(1 << 16);
    size_t bytes = 0;
    bool first = true;
    for (;;) {
      int result = mpg123_read(handle, buffer.data(), buffer.size(), &bytes);
      const float* f = reinterpret_cast<const float*>(buffer.data());
      track.samples.insert(track.samples.end(), f, f + bytes / sizeof(float));
      if (first) {
        mpg123_frameinfo info;
        if (mpg123_info(handle, &info) == MPG123_OK) {
          track.bitrate = info.bitrate;
          track.constantBitrate = info.vbr == MPG123_CBR;
        }
        first = false;
      }
      if (result != MPG123_OK) break;
    }
  }
  mpg123_close(handle);
  mpg123_delete(handle);
  return track;
}

class TrackTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    track_ = new DecodedTrack(decode(VANTOR_DATA_DIR "/kestuinvi.mp3"));
  }
  static void TearDownTestSuite() { delete track_; }
  static DecodedTrack* track_;
};
DecodedTrack* TrackTest::track_ = nullptr;

TEST_F(TrackTest, IsLongEnoughStereoAt44kHzConstant192kbit) {
  ASSERT_FALSE(track_->samples.empty());
  EXPECT_EQ(track_->rate, 44100);
  EXPECT_EQ(track_->channels, 2);
  EXPECT_EQ(track_->bitrate, 192);
  EXPECT_TRUE(track_->constantBitrate);
  // The invitation runs 91 s from the start of the music; the track must outlast it.
  EXPECT_GE(track_->seconds(), 95.0);
}

TEST_F(TrackTest, PeaksStayBelowMinusOneDbfs) {
  ASSERT_FALSE(track_->samples.empty());
  float peak = 0;
  for (float s : track_->samples) peak = std::max(peak, std::fabs(s));
  EXPECT_LT(20 * std::log10(peak), -1.0);
  EXPECT_GT(20 * std::log10(peak), -6.0) << "the track is needlessly quiet";
}

// Silence means every sample of a 10 ms window below -60 dBFS. Between the first and the
// last second no such stretch may last longer than one second.
TEST_F(TrackTest, IsNotSilentBetweenItsFirstAndLastSecond) {
  ASSERT_FALSE(track_->samples.empty());
  const size_t window = size_t(track_->rate) / 100 * 2;  // 10 ms of interleaved samples
  const size_t first = size_t(track_->rate) * 2, last = track_->samples.size() - first;
  double longest = 0, current = 0;
  for (size_t start = first; start + window <= last; start += window) {
    float peak = 0;
    for (size_t i = start; i < start + window; ++i)
      peak = std::max(peak, std::fabs(track_->samples[i]));
    current = peak < 0.001f ? current + 0.01 : 0;
    longest = std::max(longest, current);
  }
  EXPECT_LE(longest, 1.0) << "longest silent stretch " << longest << " s";
}

}  // namespace

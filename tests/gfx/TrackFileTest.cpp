// The choreography's tracks: the four interpolations against their formulas, a motion keyed
// from 0 as exact as the formula it stands for, the text file read back as written, and every
// kind of damaged file refused with its line while the tracks read before stay.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>

#include "gfx/tracks/TrackFile.h"

namespace {

using vantor::Interpolation;
using vantor::Track;
using vantor::TrackFileError;
using vantor::TrackSet;
using namespace std::string_view_literals;

TrackSet knownTracks() {
  TrackSet set;
  set.tracks = {Track("a", {{0.0, 1.0, Interpolation::kStep}}),
                Track("b", {{0.0, 2.0, Interpolation::kStep}})};
  return set;
}

double between(Interpolation interpolation, double seconds) {
  return Track("t", {{2.0, 10.0, interpolation}, {6.0, 30.0, Interpolation::kStep}})
      .valueAt(seconds);
}

TEST(Track, EachInterpolationFollowsItsFormulaBetweenTwoKeys) {
  for (const double u : {0.0, 0.1, 0.25, 0.5, 0.75, 0.9}) {
    const double t = 2.0 + 4.0 * u;
    EXPECT_DOUBLE_EQ(between(Interpolation::kStep, t), 10.0) << u;
    EXPECT_DOUBLE_EQ(between(Interpolation::kLinear, t), 10.0 + 20.0 * u) << u;
    EXPECT_DOUBLE_EQ(between(Interpolation::kSmooth, t), 10.0 + 20.0 * (3 * u * u - 2 * u * u * u))
        << u;
    EXPECT_DOUBLE_EQ(between(Interpolation::kRamp, t), 10.0 + 20.0 * u * u) << u;
  }
  // Each reaches the next key's value at its time, and holds it after the last key; before the
  // first key the first key's value holds.
  for (Interpolation i : {Interpolation::kStep, Interpolation::kLinear, Interpolation::kSmooth,
                          Interpolation::kRamp}) {
    EXPECT_EQ(between(i, 6.0), 30.0);
    EXPECT_EQ(between(i, 100.0), 30.0);
    EXPECT_EQ(between(i, 0.0), 10.0);
  }
}

// The invitation's own motions are formulas of the time in float (28 units a second, one
// radian a second); keyed as a line from 0 to 91 s they must give the same floats, or the
// picture moves by a rounding from what it was.
TEST(Track, ALineKeyedFromZeroGivesTheFormulasFloats) {
  const Track scroll(
      "scroll", {{0.0, 0.0, Interpolation::kLinear}, {91.0, -28.0 * 91.0, Interpolation::kLinear}});
  const Track turn("turn",
                   {{0.0, 0.0, Interpolation::kLinear}, {91.0, 91.0, Interpolation::kLinear}});
  for (int ms = 0; ms < 91000; ms += 7) {
    const float t = static_cast<float>(ms) / 1000.0f;
    ASSERT_EQ(static_cast<float>(scroll.valueAt(t)), -28.0f * t) << ms;
    ASSERT_EQ(static_cast<float>(turn.valueAt(t)), t) << ms;
  }
}

TEST(Track, KeysStayInTimeOrderAndATrackKeepsItsLastKey) {
  Track track("t", {{1.0, 1.0, Interpolation::kLinear}});
  track.setKey({3.0, 3.0, Interpolation::kStep});
  track.setKey({2.0, 2.0, Interpolation::kRamp});
  track.setKey({3.0, 4.0, Interpolation::kSmooth});  // replaces the key at 3 s
  ASSERT_EQ(track.keys().size(), 3u);
  EXPECT_EQ(track.keys()[1].seconds, 2.0);
  EXPECT_EQ(track.keys()[2].value, 4.0);
  EXPECT_EQ(track.keys()[2].interpolation, Interpolation::kSmooth);
  EXPECT_FALSE(track.removeKeyAt(2.5));
  EXPECT_TRUE(track.removeKeyAt(2.0));
  EXPECT_TRUE(track.removeKeyAt(1.0));
  EXPECT_FALSE(track.removeKeyAt(3.0));
  EXPECT_EQ(track.keys().size(), 1u);
}

TEST(TrackFile, ReadsBackWhatItWritesToTheLastBit) {
  TrackSet set = knownTracks();
  set.beatsPerMinute = 126.0;
  const double sixteenth = 60.0 / 126.0 / 4.0;
  set.tracks[0] = Track("a", {{0.0, 0.1, Interpolation::kRamp},
                              {sixteenth * 7, 1.0 / 3.0, Interpolation::kSmooth},
                              {90.99999999999, -2548.0, Interpolation::kLinear}});
  TrackSet read;
  TrackFileError error;
  ASSERT_TRUE(vantor::readTrackFile(vantor::writeTrackFile(set), knownTracks(), read, error))
      << error.line << ": " << error.message;
  EXPECT_EQ(read, set);
}

// Numbers are written as a person would type them: the shortest text that reads back exact,
// whole numbers without an exponent.
TEST(TrackFile, WritesEachNumberInItsShortestExactForm) {
  TrackSet set = knownTracks();
  set.beatsPerMinute = 126.0;
  set.tracks[0] = Track("a", {{0.0, 0.1, Interpolation::kStep},
                              {1.5, 100.0, Interpolation::kStep},
                              {2.0, -2548.0, Interpolation::kStep},
                              {3.0, 1.0 / 3.0, Interpolation::kStep},
                              {4.0, 1e-5, Interpolation::kStep}});
  const std::string text = vantor::writeTrackFile(set);
  for (const char* line : {"tempo 126\n", "0 0.1 step", "1.5 100 step", "2 -2548 step",
                           "3 0.3333333333333333 step", "4 1e-05 step"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << " in:\n" << text;
  }
}

TEST(TrackFile, ATrackTheFileLeavesOutKeepsItsBuiltInKeys) {
  TrackSet read;
  TrackFileError error;
  ASSERT_TRUE(vantor::readTrackFile("# only b\r\ntempo 120\r\ntrack b\r\n 4 5 linear # mid\r\nend",
                                    knownTracks(), read, error))
      << error.line << ": " << error.message;
  EXPECT_EQ(read.beatsPerMinute, 120.0);
  ASSERT_EQ(read.tracks.size(), 2u);
  EXPECT_EQ(read.tracks[0], knownTracks().tracks[0]);
  EXPECT_EQ(read.tracks[1].name(), "b");
  EXPECT_EQ(read.tracks[1].valueAt(0.0), 5.0);
}

struct Damage {
  std::string_view text;
  int line;
  const char* says;
};

class DamagedTrackFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedTrackFile, IsRefusedWithItsLineAndLeavesTheTracksAsTheyWere) {
  TrackSet tracks = knownTracks();
  tracks.beatsPerMinute = 99.0;
  const TrackSet before = tracks;
  TrackFileError error;
  EXPECT_FALSE(vantor::readTrackFile(GetParam().text, knownTracks(), tracks, error));
  EXPECT_EQ(error.line, GetParam().line);
  EXPECT_NE(error.message.find(GetParam().says), std::string::npos) << error.message;
  EXPECT_EQ(tracks, before);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, DamagedTrackFile,
    ::testing::Values(
        Damage{"", 1, "no \"tempo\" line"},
        Damage{"track a\n0 1 step\nend\n", 1, "first line must be \"tempo"},
        Damage{"tempo fast\nend\n", 1, "\"fast\" is not a number"},
        Damage{"tempo 0\nend\n", 1, "the tempo must lie"},
        Damage{"tempo 126\ntrack c\n0 1 step\nend\n", 2, "unknown track \"c\""},
        Damage{"tempo 126\ntrack a\n0 1 step\ntrack a\n1 1 step\nend\n", 4,
               "comes twice (first on line 2)"},
        Damage{"tempo 126\ntrack a\n2 1 step\n1 1 step\nend\n", 4,
               "the key at 1 s does not come after the one at 2 s"},
        Damage{"tempo 126\ntrack a\n2 1 step\n2 1 step\nend\n", 4, "does not come after"},
        Damage{"tempo 126\ntrack a\n-1 1 step\nend\n", 3, "between 0 and 1e6 s"},
        Damage{"tempo 126\ntrack a\n0 -2e9 step\nend\n", 3, "within -1e9 and 1e9"},
        Damage{"tempo 126\ntrack a\n0 1,5 step\nend\n", 3, "the value \"1,5\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 nan step\nend\n", 3, "\"nan\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 1e400 step\nend\n", 3, "\"1e400\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 +1 step\nend\n", 3, "\"+1\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 0x10 step\nend\n", 3, "\"0x10\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 inf step\nend\n", 3, "\"inf\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 2e step\nend\n", 3, "\"2e\" is not a number"},
        Damage{"tempo 126\ntrack a\n0 --2 step\nend\n", 3, "\"--2\" is not a number"},
        Damage{"tempo 126\ntrack a\nsoon 1 step\nend\n", 3, "the time \"soon\" is not"},
        Damage{"tempo 126\ntrack a\n0 1 bounce\nend\n", 3, "unknown interpolation \"bounce\""},
        Damage{"tempo 126\ntrack a\n0 1\nend\n", 3, "TIME VALUE INTERPOLATION"},
        Damage{"tempo 126\n0 1 step\nend\n", 2, "expected \"track NAME\" or \"end\""},
        Damage{"tempo 126\ntrack a\ntrack b\n0 1 step\nend\n", 2, "\"a\" has no keys"},
        Damage{"tempo 126\ntrack a\n0 1 step\n", 4, "ends before its \"end\" line"},
        Damage{"tempo 126\ntrack a\n0 1 st", 3, "unknown interpolation \"st\""},
        Damage{"tempo 126\nend\ntrack a\n", 3, "text after the \"end\" line"},
        Damage{"tempo 126\ntrack a\n0 1 step\x00\nend\n"sv, 3, "interpolation"}));

}  // namespace

// The companion programs' argument rules and figures, without running the engine.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

#include "Arguments.h"
#include "Picture.h"
#include "Statistics.h"

namespace {

using companion::UsageError;

companion::Arguments parse(std::vector<const char*> argv, bool operands = true) {
  return companion::parseArguments(static_cast<int>(argv.size()), argv.data(), {"--size", "--out"},
                                   operands);
}

TEST(Arguments, OptionsTakeTheirValueEitherWayAndTheRestAreOperands) {
  const companion::Arguments a =
      parse({"--size=640x360", "1.5", "--out", "pictures", "-2", "--", "--size"});
  EXPECT_FALSE(a.help);
  EXPECT_EQ(a.options.at("--size"), "640x360");
  EXPECT_EQ(a.options.at("--out"), "pictures");
  // A negative number is an operand (for the time check to refuse), and so is anything
  // after "--".
  EXPECT_EQ(a.operands, (std::vector<std::string>{"1.5", "-2", "--size"}));
  EXPECT_TRUE(parse({"1", "--help"}).help);
  EXPECT_TRUE(parse({"-h"}).help);
}

TEST(Arguments, UnknownRepeatedOrIncompleteOptionsAndStrayOperandsAreRefused) {
  EXPECT_THROW(parse({"--fps", "60"}), UsageError);
  EXPECT_THROW(parse({"-s", "640x360"}), UsageError);
  EXPECT_THROW(parse({"--size", "640x360", "--size=320x180"}), UsageError);
  EXPECT_THROW(parse({"1", "--out"}), UsageError);
  EXPECT_THROW(parse({"1.5"}, false), UsageError);
}

TEST(Arguments, SizesAreWidthByHeightWithinLimits) {
  const companion::Size size = companion::parseSize("640x359");
  EXPECT_EQ(size.width, 640);
  EXPECT_EQ(size.height, 359);
  EXPECT_EQ(companion::parseSize("8192x16").width, 8192);
  for (const char* bad : {"", "640", "640x", "x360", "640*360", "640x360x2", "-640x360", "640 x360",
                          "15x100", "100x8193", "99999999999x1", "0x0"}) {
    EXPECT_THROW(companion::parseSize(bad), UsageError) << bad;
  }
}

TEST(Arguments, MusicTimesLieInsideTheRunAndRoundToTheMillisecond) {
  EXPECT_EQ(companion::parseMusicTimeMs("0"), 0u);
  EXPECT_EQ(companion::parseMusicTimeMs("0.5"), 500u);
  EXPECT_EQ(companion::parseMusicTimeMs("1e1"), 10000u);
  EXPECT_EQ(companion::parseMusicTimeMs("12.3456"), 12346u);
  EXPECT_EQ(companion::parseMusicTimeMs("90.999"), 90999u);
  // 90.9996 would be drawn as 91.000, when the demo has already ended.
  for (const char* bad : {"91", "90.9996", "-0.001", "1e9", "nan", "inf", "", "1.5s", "one"}) {
    EXPECT_THROW(companion::parseMusicTimeMs(bad), UsageError) << bad;
  }
}

TEST(Arguments, LengthsAndFrameRatesAreChecked) {
  EXPECT_EQ(companion::parseRunLengthMs("2"), 2000u);
  EXPECT_EQ(companion::parseRunLengthMs("91"), 91000u);
  for (const char* bad : {"0", "0.0004", "-1", "91.001", "x"}) {
    EXPECT_THROW(companion::parseRunLengthMs(bad), UsageError) << bad;
  }
  EXPECT_EQ(companion::parseInteger("60", 1, 240, "fps"), 60);
  for (const char* bad : {"0", "241", "29.97", "sixty"}) {
    EXPECT_THROW(companion::parseInteger(bad, 1, 240, "fps"), UsageError) << bad;
  }
}

TEST(Statistics, PercentilesAreNearestRankOverUnsortedTimes) {
  std::vector<double> times;
  for (int i = 100; i >= 1; --i) times.push_back(i);
  const companion::FrameStatistics figures = companion::frameStatistics(times);
  EXPECT_EQ(figures.median, 50);
  EXPECT_EQ(figures.p90, 90);
  EXPECT_EQ(figures.p99, 99);
  EXPECT_EQ(figures.max, 100);
  EXPECT_NEAR(figures.framesPerSecond, 100 * 1000.0 / 5050, 1e-9);

  // One slow frame among a few: the 99th percentile is that frame, the median is not.
  const companion::FrameStatistics few = companion::frameStatistics({4, 40, 5, 6});
  EXPECT_EQ(few.median, 5);
  EXPECT_EQ(few.p99, 40);
  const companion::FrameStatistics none = companion::frameStatistics({});
  EXPECT_EQ(none.max, 0);
  EXPECT_EQ(none.framesPerSecond, 0);
}

TEST(Statistics, JsonStringsEscapeQuotesBackslashesAndControls) {
  EXPECT_EQ(companion::jsonString("llvmpipe (LLVM 15)"), "\"llvmpipe (LLVM 15)\"");
  EXPECT_EQ(companion::jsonString("a\"b\\c\nd\x01"), "\"a\\\"b\\\\c\\u000ad\\u0001\"");
}

TEST(Files, PicturesAreNamedByTheirMillisecondInTheAskedFolder) {
  EXPECT_EQ(companion::framePath("", 500), "kestu09-00500.png");
  EXPECT_EQ(companion::framePath("out", 0), "out/kestu09-00000.png");
  EXPECT_EQ(companion::framePath("out/", 90999), "out/kestu09-90999.png");
}

TEST(Files, AFailedPictureWriteLeavesNothingBehind) {
  platform::scripted::Image image{2, 1, {0xFF102030, 0xFFFFFFFF}};
  std::string error;
  EXPECT_FALSE(companion::writePng("/nonexistent-folder/picture.png", image, error));
  EXPECT_NE(error.find("/nonexistent-folder/picture.png"), std::string::npos) << error;
  image.argb.pop_back();  // fewer pixels than its size says
  EXPECT_FALSE(companion::writePng(testing::TempDir() + "/short.png", image, error));
  EXPECT_NE(access((testing::TempDir() + "/short.png").c_str(), F_OK), 0);
}

}  // namespace

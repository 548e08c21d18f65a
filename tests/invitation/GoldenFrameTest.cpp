// The composed picture at fixed music times, drawn by kestu09-render through the real entry on
// the headless device, against reference pictures kept in tests/invitation/golden/. When the
// look changes on purpose, scripts/update-golden-frames draws the references anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/PictureMatch.h"
#include "common/PngPicture.h"

namespace vantor_test {
namespace {

namespace fs = std::filesystem;

// The times and size the references were drawn at (scripts/update-golden-frames uses the same):
// the first letters arriving, the scroller over the grill, the sentence gaps, late in the run.
const std::vector<int> kTimesMs = {1000, 2500, 8000, 20000, 45000};
constexpr const char* kSize = "320x180";

using Picture = PngPicture;

std::string frameName(int ms) {
  char name[32];
  std::snprintf(name, sizeof name, "kestu09-%05d.png", ms);
  return name;
}

TEST(GoldenFrames, TheComposedPictureMatchesTheReferences) {
  const fs::path out = fs::temp_directory_path() / ("kestu09-golden-" + std::to_string(getpid()));
  fs::create_directories(out);
  std::string command = std::string(RENDER_TOOL) + " --size " + kSize + " --out " + out.string();
  for (int ms : kTimesMs) command += " " + std::to_string(ms / 1000.0);
  command += " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  for (int ms : kTimesMs) {
    SCOPED_TRACE(frameName(ms));
    const Picture drawn = readPng(out / frameName(ms));
    const Picture reference = readPng(fs::path(GOLDEN_DIR) / frameName(ms));
    ASSERT_GT(reference.width, 0) << "no reference; run scripts/update-golden-frames";
    ASSERT_EQ(drawn.width, reference.width);
    ASSERT_EQ(drawn.height, reference.height);
    const PictureDifference difference = comparePictures(drawn, reference);
    EXPECT_TRUE(difference.meanWithin()) << difference.meanLevels << " levels";
    EXPECT_TRUE(difference.farWithin()) << difference.farChannels << " channels far off";
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace vantor_test

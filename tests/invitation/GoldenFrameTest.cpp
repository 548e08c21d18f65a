// The composed picture at fixed music times, drawn by kestu09-render through the real entry on
// the headless device, against reference pictures kept in tests/invitation/golden/. When the
// look changes on purpose, scripts/update-golden-frames draws the references anew.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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
    // The same renderer draws the same picture up to rounding: llvmpipe is deterministic, but
    // the sanitizer build's unoptimised float code may place a glyph vertex a hair apart, which
    // moves a few edge pixels. So: the mean difference within one level, and at most half a
    // percent of the channels off by more than 24 levels (an edge pixel, not a changed look).
    double sum = 0.0;
    std::size_t far = 0;
    for (std::size_t i = 0; i < drawn.rgb.size(); ++i) {
      const int d = std::abs(int(drawn.rgb[i]) - int(reference.rgb[i]));
      sum += d;
      if (d > 24) ++far;
    }
    EXPECT_LE(sum / drawn.rgb.size(), 1.0);
    EXPECT_LE(far, drawn.rgb.size() / 200);
  }
  fs::remove_all(out);
}

}  // namespace
}  // namespace vantor_test

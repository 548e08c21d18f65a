// The choreography comes from the data folder's track file: kestu09-render --data DIR with one
// changed track draws another picture where the change lies and the same bytes away from it
// (before it, the frame drawn first for the motion blur included, and after it).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/PictureMatch.h"
#include "common/PngPicture.h"
#include "gfx/tracks/TrackFile.h"
#include "invitation/Choreography.h"

namespace vantor_test {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  ASSERT_TRUE(out.good()) << path;
}

// The pictures at the times given (ms), drawn with the folder's track file, by file name.
void render(const fs::path& data, const fs::path& out, const std::vector<int>& timesMs) {
  fs::create_directories(out);
  std::string command = std::string(RENDER_TOOL) + " --size 320x180 --data " + data.string() +
                        " --out " + out.string();
  for (int ms : timesMs) command += " " + std::to_string(ms / 1000.0);
  command += " > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

fs::path frame(const fs::path& folder, int ms) {
  char name[32];
  std::snprintf(name, sizeof name, "kestu09-%05d.png", ms);
  return folder / name;
}

TEST(TrackFrames, AChangedKeyChangesThePictureAtItsTimeAndNowhereElse) {
  const fs::path work = fs::temp_directory_path() / ("kestu09-tracks-" + std::to_string(getpid()));
  const fs::path same = work / "same", changed = work / "changed";
  fs::create_directories(same);
  fs::create_directories(changed);
  const std::string built = readText(fs::path(VANTOR_DATA_DIR) / "invitation.tracks");
  vantor::TrackSet tracks;
  vantor::TrackFileError error;
  ASSERT_TRUE(
      vantor::readTrackFile(built, vantor::invitation::builtInChoreography(), tracks, error))
      << error.line << ": " << error.message;
  writeText(same / "invitation.tracks", built);
  // The camera rises by 12 units from 29.5 s to 30 s and is back at 30.5 s.
  vantor::Track& eyeY = tracks.tracks[vantor::invitation::kEyeY];
  const double height = eyeY.valueAt(30.0);
  eyeY.setKey({29.5, height, vantor::Interpolation::kSmooth});
  eyeY.setKey({30.0, height + 12.0, vantor::Interpolation::kSmooth});
  eyeY.setKey({30.5, height, vantor::Interpolation::kStep});
  writeText(changed / "invitation.tracks", vantor::writeTrackFile(tracks));

  // 29.4 s: the frame drawn before it (1/60 s earlier) lies before the change too.
  const std::vector<int> times = {20000, 29400, 30000, 31000};
  render(same, same / "out", times);
  render(changed, changed / "out", times);
  for (int ms : {20000, 29400, 31000}) {
    EXPECT_EQ(readText(frame(same / "out", ms)), readText(frame(changed / "out", ms)))
        << ms << " ms: away from the change the picture is the same";
  }
  const PictureDifference at30 =
      comparePictures(readPng(frame(same / "out", 30000)), readPng(frame(changed / "out", 30000)));
  // The camera 12 units higher moves the whole scene in the picture, not a few edge pixels.
  EXPECT_FALSE(at30.farWithin()) << at30.farChannels << " channels far off";
  fs::remove_all(work);
}

}  // namespace
}  // namespace vantor_test

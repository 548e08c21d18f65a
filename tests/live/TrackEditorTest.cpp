// The viewer's track editing without a window: keys on the beat grid, value drags that undo as
// one step, undo and redo, saves that are whole or leave the file as it was (with the file
// before kept as a backup), and changes made outside the viewer read or refused.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TrackEditor.h"

namespace {

namespace fs = std::filesystem;
using vantor::Interpolation;
using vantor::Track;
using vantor::TrackSet;

TrackSet known() {
  TrackSet set;
  set.beatsPerMinute = 120.0;  // a beat is 0.5 s, a sixteenth 0.125 s
  set.tracks = {
      Track("height", {{0.0, 8.0, Interpolation::kStep}}),
      Track("turn", {{0.0, 0.0, Interpolation::kLinear}, {10.0, 10.0, Interpolation::kLinear}})};
  return set;
}

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class TrackEditing : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(folder_);
    editor_.start();
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path file() const { return folder_ / "invitation.tracks"; }

  fs::path folder_ =
      fs::temp_directory_path() / ("kestu09-track-editor-" + std::to_string(getpid()));
  TrackSet known_ = known();
  TrackSet live_ = known();
  std::vector<std::string> said_;
  live::TrackEditor editor_{live_, known_, folder_.string(),
                            [this](const std::string& line) { said_.push_back(line); }};
};

TEST_F(TrackEditing, KeysGoToTheNearestSixteenthOrBeatOrWhereAsked) {
  EXPECT_DOUBLE_EQ(live::snapped(1.06, 120.0, live::Snap::kSixteenth), 1.0);
  EXPECT_DOUBLE_EQ(live::snapped(1.07, 120.0, live::Snap::kSixteenth), 1.125);
  EXPECT_DOUBLE_EQ(live::snapped(1.26, 120.0, live::Snap::kBeat), 1.5);
  EXPECT_DOUBLE_EQ(live::snapped(1.26, 120.0, live::Snap::kNone), 1.26);
  // At 126 beats a minute the grid falls between milliseconds: the key goes to the nearest.
  EXPECT_DOUBLE_EQ(live::snapped(11.0, 126.0, live::Snap::kSixteenth), 10.952);
  EXPECT_DOUBLE_EQ(live::snapped(1.2344, 126.0, live::Snap::kNone), 1.234);

  editor_.select(1);
  const double at = editor_.insertKey(4.07, live::Snap::kSixteenth);
  EXPECT_DOUBLE_EQ(at, 4.125);
  const auto& keys = editor_.selectedTrack().keys();
  ASSERT_EQ(keys.size(), 3u);
  // The new key keeps the motion as it was: the value there, the interpolation before it.
  EXPECT_DOUBLE_EQ(keys[1].value, 4.125);
  EXPECT_EQ(keys[1].interpolation, Interpolation::kLinear);
  EXPECT_TRUE(editor_.unsaved());
  EXPECT_EQ(editor_.unsavedTracks(), std::vector<std::string>{"turn"});
  // The play head's whole milliseconds find it; the next and previous keys are found from it.
  EXPECT_TRUE(editor_.keyNear(4.125));
  EXPECT_FALSE(editor_.keyNear(4.127));
  EXPECT_EQ(editor_.neighbourKey(4.125, 1), 10.0);
  EXPECT_EQ(editor_.neighbourKey(4.125, -1), 0.0);
  EXPECT_FALSE(editor_.neighbourKey(10.0, 1));
}

TEST_F(TrackEditing, ADragIsOneUndoStepAndANewEditDropsTheRedo) {
  ASSERT_TRUE(editor_.setValue(0.0, 9.0));
  ASSERT_TRUE(editor_.setValue(0.0, 9.5, true));
  ASSERT_TRUE(editor_.setValue(0.0, 10.0, true));
  ASSERT_TRUE(editor_.cycleInterpolation(0.0));
  EXPECT_EQ(editor_.selectedTrack().keys()[0].interpolation, Interpolation::kLinear);
  ASSERT_TRUE(editor_.undo());
  EXPECT_EQ(editor_.selectedTrack().keys()[0].value, 10.0);
  ASSERT_TRUE(editor_.undo());
  EXPECT_EQ(editor_.selectedTrack().keys()[0].value, 8.0);
  EXPECT_FALSE(editor_.unsaved());
  EXPECT_FALSE(editor_.undo());
  ASSERT_TRUE(editor_.redo());
  EXPECT_EQ(editor_.selectedTrack().keys()[0].value, 10.0);
  // Steps of a tenth for the saved 8, whatever the value has become.
  ASSERT_TRUE(editor_.nudgeValue(0.0, -3));
  EXPECT_EQ(editor_.selectedTrack().keys()[0].value, 9.7);
  EXPECT_FALSE(editor_.redo());
  EXPECT_FALSE(editor_.setValue(3.0, 1.0)) << "no key at 3 s";
  EXPECT_FALSE(editor_.deleteKey(0.0)) << "a track keeps its last key";
}

TEST_F(TrackEditing, ASaveIsWholeKeepsTheFileBeforeAndIsNotReadBackAsAnOutsideChange) {
  { std::ofstream(file()) << "tempo 120\nend\n"; }
  editor_.setValue(0.0, 12.5);
  ASSERT_TRUE(editor_.save());
  EXPECT_EQ(said_.back(), "saved invitation.tracks (3 keys)");
  EXPECT_FALSE(editor_.unsaved());
  EXPECT_EQ(readText(folder_ / "invitation.tracks.backup"), "tempo 120\nend\n");
  EXPECT_FALSE(fs::exists(folder_ / "invitation.tracks.partial"));
  TrackSet read;
  vantor::TrackFileError error;
  ASSERT_TRUE(vantor::readTrackFile(readText(file()), known_, read, error)) << error.message;
  EXPECT_EQ(read, live_);
  said_.clear();
  EXPECT_FALSE(editor_.apply({"invitation.tracks"}));
  EXPECT_TRUE(said_.empty());
}

TEST_F(TrackEditing, ASaveThatCannotBeWrittenLeavesTheFileAndTheEditsAsTheyWere) {
  { std::ofstream(file()) << "tempo 120\nend\n"; }
  editor_.setValue(0.0, 12.5);
  // A folder where the temporary file would go: no write there succeeds, root's neither.
  fs::create_directory(folder_ / "invitation.tracks.partial");
  EXPECT_FALSE(editor_.save());
  EXPECT_EQ(said_.back().rfind("invitation.tracks is not saved: ", 0), 0u) << said_.back();
  EXPECT_EQ(readText(file()), "tempo 120\nend\n");
  EXPECT_TRUE(editor_.unsaved());
}

TEST_F(TrackEditing, AnOutsideChangeIsReadAndABrokenOneKeepsTheLastGoodTracks) {
  { std::ofstream(file()) << "tempo 120\ntrack height\n  0 3 step\nend\n"; }
  ASSERT_TRUE(editor_.apply({"bg.jpg", "invitation.tracks"}));
  EXPECT_EQ(said_.back().rfind("reloaded invitation.tracks in ", 0), 0u) << said_.back();
  EXPECT_EQ(live_.tracks[0].valueAt(0.0), 3.0);
  EXPECT_FALSE(editor_.unsaved());

  { std::ofstream(file()) << "tempo 120\ntrack height\n  0 three step\nend\n"; }
  EXPECT_FALSE(editor_.apply({"invitation.tracks"}));
  EXPECT_EQ(said_.back(),
            "invitation.tracks:3: the value \"three\" is not a number; the last good tracks stay");
  EXPECT_EQ(editor_.errors().size(), 1u);
  EXPECT_EQ(live_.tracks[0].valueAt(0.0), 3.0);

  // A good file clears the error; it replaces unsaved edits, and says so.
  editor_.setValue(0.0, 5.0);
  { std::ofstream(file()) << "tempo 120\ntrack height\n  0 4 step\nend\n"; }
  ASSERT_TRUE(editor_.apply({"invitation.tracks"}));
  EXPECT_TRUE(editor_.errors().empty());
  EXPECT_NE(said_.back().find("(the unsaved changes are replaced by it)"), std::string::npos);
  EXPECT_EQ(live_.tracks[0].valueAt(0.0), 4.0);
  EXPECT_FALSE(editor_.apply({"bg.jpg"}));
}

}  // namespace

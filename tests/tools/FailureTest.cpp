// Runs of the built programs that cannot do what they were asked: each must end with exit
// code 1 and a line naming the cause, print no result line and leave nothing under the asked
// name, nor a partial file. A full file system is a small tmpfs mounted in a mount namespace
// of the run's own (skipped where this machine allows none); /dev/full needs no mount.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ProgramRun.h"

namespace {

using namespace program_test;

// The lines a failing program may name its cause with, per way of failing.
constexpr const char* kNoSpace = "No space left on device";

bool isCharacterDevice(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 && S_ISCHR(status.st_mode);
}

class Failures : public ScratchTest {
 protected:
  // Runs argv with a tmpfs mounted on mountPoint (options as mount's -o) for that run only.
  // left: what the mount holds when the program has ended. Skips the test when no mount
  // namespace can be had here.
  Ran runOnTmpfs(const fs::path& mountPoint, const std::string& options,
                 std::vector<std::string> argv, std::vector<std::string>& left) {
    const fs::path listing = scratch_ / ".left";
    std::vector<std::string> command = {
        "/usr/bin/unshare",
        "--map-root-user",
        "--mount",
        "/bin/sh",
        "-c",
        "point=$1 options=$2 listing=$3; shift 3\n"
        "mount -t tmpfs -o \"$options\" tmpfs \"$point\" || exit 99\n"
        "\"$@\"; code=$?\n"
        "ls -A \"$point\" > \"$listing\"\n"
        "exit $code\n",
        "sh",
        mountPoint,
        options,
        listing};
    command.insert(command.end(), argv.begin(), argv.end());
    fs::remove(listing);
    const Ran ran = access(command[0].c_str(), X_OK) == 0 ? runProgram(command, scratch_)
                                                          : Ran{127, "", "no unshare"};
    // The listing is written only where the mount was made.
    if (!fs::exists(listing)) {
      mountRefused_ = ran.err.empty() ? "unshare or mount failed" : ran.err;
      return ran;
    }
    std::istringstream names(readAll(listing));
    left.clear();
    for (std::string name; std::getline(names, name);) left.push_back(name);
    return ran;
  }
  // A folder that takes no file: read-only where the run may mount one (root ignores
  // permissions), without write permission otherwise.
  Ran runWithUnwritableFolder(const fs::path& folder, const std::vector<std::string>& argv,
                              std::vector<std::string>& left) {
    if (geteuid() != 0) {
      fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
      const Ran ran = runProgram(argv, scratch_);
      left = filesIn(folder);
      fs::permissions(folder, fs::perms::owner_all);
      return ran;
    }
    return runOnTmpfs(folder, "ro,size=64k", argv, left);
  }
  std::string mountRefused_;
};

// Render: a picture that cannot be written whole is not written at all.
using RenderFailure = Failures;

TEST_F(RenderFailure, DevFullAFolderWithoutWriteAccessAndAFullFileSystemEachEndTheRun) {
  // The picture's name is a link to /dev/full: written in place, and the device stays.
  const fs::path device = folder("device");
  fs::create_symlink("/dev/full", device / "kestu09-02000.png");
  const Ran ranDevice =
      runProgram({RENDER_TOOL, "--size", "64x36", "--out", device, "2"}, scratch_);
  EXPECT_EQ(ranDevice.code, 1);
  EXPECT_NE(ranDevice.err.find(kNoSpace), std::string::npos) << ranDevice.err;
  EXPECT_TRUE(ranDevice.out.empty()) << ranDevice.out;
  EXPECT_EQ(filesIn(device), std::vector<std::string>{"kestu09-02000.png"});
  EXPECT_TRUE(isCharacterDevice("/dev/full"));

  const fs::path closed = folder("closed");
  std::vector<std::string> left;
  const Ran ranClosed =
      runWithUnwritableFolder(closed, {RENDER_TOOL, "--size", "64x36", "--out", closed, "2"}, left);
  if (!mountRefused_.empty()) GTEST_SKIP() << "no tmpfs can be mounted here: " << mountRefused_;
  EXPECT_EQ(ranClosed.code, 1);
  EXPECT_NE(ranClosed.err.find("cannot write " + (closed / "kestu09-02000.png").string()),
            std::string::npos)
      << ranClosed.err;
  EXPECT_TRUE(ranClosed.out.empty()) << ranClosed.out;
  EXPECT_TRUE(left.empty());

  const fs::path full = folder("full");
  // A 1280x720 picture of the scene is far above 8 KB as PNG.
  const Ran ranFull =
      runOnTmpfs(full, "size=8k", {RENDER_TOOL, "--size", "1280x720", "--out", full, "2"}, left);
  if (!mountRefused_.empty()) GTEST_SKIP() << "no tmpfs can be mounted here: " << mountRefused_;
  EXPECT_EQ(ranFull.code, 1) << ranFull.err;
  EXPECT_NE(ranFull.err.find(kNoSpace), std::string::npos) << ranFull.err;
  EXPECT_TRUE(ranFull.out.empty()) << ranFull.out;
  EXPECT_TRUE(left.empty());
}

TEST_F(RenderFailure, AResultLineThatCannotBeWrittenFailsTheRun) {
  const Ran ran = runProgram(
      {"/bin/sh", "-c", "exec \"$0\" --size 64x36 2 > /dev/full", RENDER_TOOL}, scratch_);
  EXPECT_EQ(ran.code, 1);
  EXPECT_NE(ran.err.find("standard output could not be written: " + std::string(kNoSpace)),
            std::string::npos)
      << ran.err;
}

// Bench: the figures are printed only once the JSON asked for is written.
using BenchFailure = Failures;

TEST_F(BenchFailure, JsonToDevFullOrIntoAFolderWithoutWriteAccessEndsTheRunWithoutFigures) {
  const Ran device = runProgram(
      {BENCH_TOOL, "--size", "64x36", "--seconds", "0.1", "--json", "/dev/full"}, scratch_);
  EXPECT_EQ(device.code, 1);
  EXPECT_NE(device.err.find("cannot write /dev/full: " + std::string(kNoSpace)), std::string::npos)
      << device.err;
  EXPECT_TRUE(device.out.empty()) << device.out;
  EXPECT_TRUE(isCharacterDevice("/dev/full"));

  const fs::path closed = folder("closed");
  std::vector<std::string> left;
  const Ran ranClosed = runWithUnwritableFolder(
      closed, {BENCH_TOOL, "--size", "64x36", "--seconds", "0.1", "--json", closed / "f.json"},
      left);
  if (!mountRefused_.empty()) GTEST_SKIP() << "no tmpfs can be mounted here: " << mountRefused_;
  EXPECT_EQ(ranClosed.code, 1);
  EXPECT_NE(ranClosed.err.find("cannot write " + (closed / "f.json").string()), std::string::npos)
      << ranClosed.err;
  EXPECT_TRUE(ranClosed.out.empty()) << ranClosed.out;
  EXPECT_TRUE(left.empty());
}

// Capture: a video counts only when ffmpeg exited with 0 and it reads back whole.
class CaptureFailure : public Failures {
 protected:
  void SetUp() override {
    Failures::SetUp();
    if (!onPath("ffmpeg") || !onPath("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
  }
  // PATH with a folder holding an ffmpeg of the given script first.
  std::string withFakeFfmpeg(const std::string& script) {
    const fs::path fake = folder("fake");
    std::ofstream(fake / "ffmpeg") << "#!/bin/sh\nfor a; do last=$a; done\n" << script;
    fs::permissions(fake / "ffmpeg", fs::perms::owner_all);
    return fake.string() + ":" + std::getenv("PATH");
  }
  std::vector<std::string> capture(const fs::path& output) {
    return {CAPTURE_TOOL, "--size", "64x36", "--seconds", "1", "--out", output};
  }
  static void expectFailed(const Ran& ran, const std::string& cause) {
    EXPECT_EQ(ran.code, 1) << ran.err;
    EXPECT_NE(ran.err.find(cause), std::string::npos) << ran.err;
    EXPECT_TRUE(ran.out.empty()) << ran.out;
  }
};

TEST_F(CaptureFailure, WithoutFfmpegNothingIsRendered) {
  const fs::path out = folder("video");
  const Ran ran = runProgram(capture(out / "v.mp4"), scratch_, folder("no-programs").string());
  expectFailed(ran, "the ffmpeg program is not found on PATH");
  EXPECT_TRUE(filesIn(out).empty());
}

TEST_F(CaptureFailure, AnFfmpegThatFailsAfterAFewFramesIsNamedAsTheCause) {
  const fs::path out = folder("video");
  // Three frames of 64x36 BGRA, then a failure.
  const Ran ran = runProgram(capture(out / "v.mp4"), scratch_,
                             withFakeFfmpeg("echo started > \"$last\"\n"
                                            "head -c 27648 > /dev/null\n"
                                            "echo 'fake ffmpeg: giving up' >&2\n"
                                            "exit 1\n"));
  expectFailed(ran, "ffmpeg failed (exit code 1); its messages are above; nothing written");
  EXPECT_NE(ran.err.find("fake ffmpeg: giving up"), std::string::npos) << ran.err;
  EXPECT_TRUE(filesIn(out).empty());
}

TEST_F(CaptureFailure, AnFfmpegThatExitsWithZeroLeavingATruncatedOrNoVideoIsCaught) {
  const fs::path out = folder("video");
  // The real encoder, then the file's second half lost, as on a disk that filled up.
  const Ran truncated = runProgram(capture(out / "v.mp4"), scratch_,
                                   withFakeFfmpeg("/usr/bin/ffmpeg \"$@\" || exit\n"
                                                  "size=$(stat -c %s \"$last\")\n"
                                                  "truncate -s $((size / 2)) \"$last\"\n"));
  expectFailed(truncated, "the video read back holds ");
  EXPECT_NE(truncated.err.find("of the 60 frames asked for; nothing written"), std::string::npos)
      << truncated.err;
  EXPECT_TRUE(filesIn(out).empty());

  fs::remove_all(scratch_ / "fake");
  const Ran empty = runProgram(capture(out / "v.mp4"), scratch_,
                               withFakeFfmpeg("cat > /dev/null\n: > \"$last\"\n"));
  expectFailed(empty, "the video does not read back (ffprobe: exit code 1");
  EXPECT_TRUE(filesIn(out).empty());
}

TEST_F(CaptureFailure, AFullFileSystemDevFullAndAFolderWithoutWriteAccessLeaveNothing) {
  const Ran device = runProgram(capture("/dev/full"), scratch_);
  EXPECT_EQ(device.code, 1) << device.err;
  EXPECT_NE(device.err.find("nothing usable went to /dev/full"), std::string::npos) << device.err;
  EXPECT_TRUE(isCharacterDevice("/dev/full"));

  const fs::path closed = folder("closed");
  std::vector<std::string> left;
  const Ran ranClosed = runWithUnwritableFolder(closed, capture(closed / "v.mp4"), left);
  if (!mountRefused_.empty()) GTEST_SKIP() << "no tmpfs can be mounted here: " << mountRefused_;
  // Found before anything is rendered.
  expectFailed(ranClosed, "cannot write in " + closed.string());
  EXPECT_EQ(ranClosed.err.find("frame 1/"), std::string::npos) << ranClosed.err;
  EXPECT_TRUE(left.empty());

  // A second of 64x36 video is some tens of KB: the disk fills up part way.
  const fs::path full = folder("full");
  const Ran ranFull = runOnTmpfs(full, "size=8k", capture(full / "v.mp4"), left);
  if (!mountRefused_.empty()) GTEST_SKIP() << "no tmpfs can be mounted here: " << mountRefused_;
  EXPECT_EQ(ranFull.code, 1) << ranFull.err;
  EXPECT_NE(ranFull.err.find("nothing written"), std::string::npos) << ranFull.err;
  EXPECT_TRUE(ranFull.out.empty()) << ranFull.out;
  EXPECT_TRUE(left.empty());
}

}  // namespace

// The built companion programs, run as a user runs them: pictures at chosen times, a short
// video read back by ffprobe and compared with a picture, a bench run's JSON, argument errors,
// failures that must leave no file, and an installation run from another folder. What the
// invitation draws is not looked at beyond "two times, two pictures".
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "common/PngPicture.h"

namespace {

namespace fs = std::filesystem;

struct Ran {
  int code = -1;
  std::string out, err;
};

std::string readAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Runs the program (argv[0] a path) in folder with PATH replaced when path is given.
Ran runProgram(const std::vector<std::string>& argv, const fs::path& folder,
               const std::string& path = "") {
  const fs::path out = folder / ".stdout", err = folder / ".stderr";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (!path.empty()) setenv("PATH", path.c_str(), 1);
    if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> pointers;
    for (const std::string& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Ran ran{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readAll(out),
          readAll(err)};
  fs::remove(out);
  fs::remove(err);
  return ran;
}

using Picture = vantor_test::PngPicture;
using vantor_test::readPng;

bool allBlack(const Picture& picture) {
  for (unsigned char c : picture.rgb) {
    if (c != 0) return false;
  }
  return true;
}

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

bool onPath(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

class Programs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/companion-test-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    scratch_ = pattern;
  }
  void TearDown() override { fs::remove_all(scratch_); }
  fs::path folder(const char* name) {
    fs::create_directories(scratch_ / name);
    return scratch_ / name;
  }
  fs::path scratch_;
};

TEST_F(Programs, RenderDrawsTwoTimesAsTwoPicturesAndOneTimeAlwaysAsTheSameBytes) {
  const fs::path first = folder("first"), second = folder("second");
  const Ran two = runProgram({RENDER_TOOL, "--size", "160x90", "--out", first, "0.5", "2"},
                             scratch_);
  ASSERT_EQ(two.code, 0) << two.err;
  EXPECT_NE(two.out.find("kestu09-00500.png"), std::string::npos) << two.out;
  EXPECT_EQ(filesIn(first), (std::vector<std::string>{"kestu09-00500.png", "kestu09-02000.png"}));
  const Ran again = runProgram({RENDER_TOOL, "--size=160x90", "--out=" + second.string(), "0.5"},
                               scratch_);
  ASSERT_EQ(again.code, 0) << again.err;
  const std::string bytes = readAll(first / "kestu09-00500.png");
  EXPECT_FALSE(bytes.empty());
  EXPECT_EQ(bytes, readAll(second / "kestu09-00500.png"));

  const Picture early = readPng(first / "kestu09-00500.png");
  const Picture late = readPng(first / "kestu09-02000.png");
  EXPECT_EQ(early.width, 160);
  EXPECT_EQ(early.height, 90);
  EXPECT_EQ(late.width, 160);
  EXPECT_EQ(late.height, 90);
  if (allBlack(early) && allBlack(late)) {
    GTEST_SKIP() << "both pictures are black: the invitation draws nothing yet, so whether two "
                    "times differ cannot be told";
  }
  EXPECT_NE(early.rgb, late.rgb) << "0.5 s and 2 s into the run look the same";
}

TEST_F(Programs, CaptureOfOneSecondIsH264AndAacOfSixtyFramesMatchingTheRenderedPicture) {
  if (!onPath("ffmpeg") || !onPath("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
  const fs::path out = folder("video");
  const Ran capture = runProgram({CAPTURE_TOOL, "--size", "160x90", "--seconds", "1", "--out",
                                  out / "short.mp4"}, scratch_);
  ASSERT_EQ(capture.code, 0) << capture.err;
  EXPECT_NE(capture.err.find("frame 60/60"), std::string::npos) << capture.err;
  EXPECT_EQ(filesIn(out), std::vector<std::string>{"short.mp4"});

  const Ran probe = runProgram(
      {"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
       "stream=codec_type,codec_name,profile,pix_fmt,nb_read_frames,start_time:format=duration",
       "-of", "compact", out / "short.mp4"}, scratch_);
  ASSERT_EQ(probe.code, 0) << probe.err;
  const std::string& p = probe.out;
  std::string video, audio;
  std::istringstream lines(p);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("codec_type=video") != std::string::npos) video = line;
    if (line.find("codec_type=audio") != std::string::npos) audio = line;
  }
  for (const char* field : {"codec_name=h264", "profile=High", "pix_fmt=yuv420p"}) {
    EXPECT_NE(video.find(field), std::string::npos) << field << " in " << p;
  }
  EXPECT_NE(audio.find("codec_name=aac"), std::string::npos) << p;
  // Picture and sound start together.
  EXPECT_NE(video.find("start_time=0.000000"), std::string::npos) << p;
  EXPECT_NE(audio.find("start_time=0.000000"), std::string::npos) << p;
  std::smatch frames, duration;
  ASSERT_TRUE(std::regex_search(p, frames, std::regex("nb_read_frames=(\\d+)")));
  EXPECT_NEAR(std::stoi(frames[1]), 60, 1);
  ASSERT_TRUE(std::regex_search(p, duration, std::regex("format\\|duration=([0-9.]+)")));
  EXPECT_NEAR(std::stod(duration[1]), 1.0, 0.05);

  // Frame 30 is music time 0.5 s, drawn after the frame at 0.483 s as the render tool does.
  const Ran frame = runProgram({"/usr/bin/ffmpeg", "-v", "error", "-i", out / "short.mp4", "-vf",
                                "select=eq(n\\,30)", "-frames:v", "1", "-f", "rawvideo",
                                "-pix_fmt", "rgb24", "-"}, scratch_);
  ASSERT_EQ(frame.code, 0) << frame.err;
  const fs::path pictures = folder("pictures");
  ASSERT_EQ(runProgram({RENDER_TOOL, "--size", "160x90", "--out", pictures, "0.5"}, scratch_).code,
            0);
  const Picture rendered = readPng(pictures / "kestu09-00500.png");
  ASSERT_EQ(frame.out.size(), rendered.rgb.size());
  double difference = 0;
  for (std::size_t i = 0; i < rendered.rgb.size(); ++i) {
    difference += std::abs(static_cast<unsigned char>(frame.out[i]) - rendered.rgb[i]);
  }
  // H.264 at CRF 18 over 4:2:0 chroma, limited range: a mean error of a few levels at most;
  // another moment of a moving scene differs by far more.
  EXPECT_LT(difference / rendered.rgb.size(), 4.0);
}

TEST_F(Programs, CaptureWithoutFfmpegOrWithAFailingOneLeavesNoFile) {
  const fs::path out = folder("video");
  const fs::path empty = folder("no-programs");
  const Ran missing = runProgram({CAPTURE_TOOL, "--size", "64x36", "--seconds", "0.1", "--out",
                                  out / "v.mp4"}, scratch_, empty.string());
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("ffmpeg"), std::string::npos) << missing.err;
  EXPECT_TRUE(filesIn(out).empty());

  // An ffmpeg that starts the file, takes a little and fails.
  const fs::path fake = folder("fake");
  std::ofstream(fake / "ffmpeg") << "#!/bin/sh\n"
                                    "for a; do last=$a; done\n"
                                    "echo started > \"$last\"\n"
                                    "head -c 1000 > /dev/null\n"
                                    "echo 'fake ffmpeg: giving up' >&2\n"
                                    "exit 1\n";
  fs::permissions(fake / "ffmpeg", fs::perms::owner_all);
  const Ran failing = runProgram({CAPTURE_TOOL, "--size", "64x36", "--seconds", "1", "--out",
                                  out / "v.mp4"}, scratch_,
                                 fake.string() + ":" + std::getenv("PATH"));
  EXPECT_EQ(failing.code, 1);
  EXPECT_NE(failing.err.find("fake ffmpeg: giving up"), std::string::npos) << failing.err;
  EXPECT_NE(failing.err.find("nothing written"), std::string::npos) << failing.err;
  EXPECT_TRUE(filesIn(out).empty());
}

TEST_F(Programs, BenchJsonCarriesEveryFigureAfterATwoSecondRun) {
  const Ran bench = runProgram({BENCH_TOOL, "--size", "160x90", "--seconds", "2", "--json",
                                "figures.json"}, scratch_);
  ASSERT_EQ(bench.code, 0) << bench.err;
  EXPECT_NE(bench.out.find("frames per second"), std::string::npos) << bench.out;
  const std::string json = readAll(scratch_ / "figures.json");
  for (const char* number :
       {"width", "height", "music_seconds", "frames", "setup_seconds", "first_frame_ms", "median",
        "p90", "p99", "max", "frames_per_second", "render_targets_after_first_frame",
        "allocations_per_frame", "peak_resident_mib"}) {
    EXPECT_TRUE(std::regex_search(json, std::regex(std::string("\"") + number +
                                                   "\": [0-9][0-9.e+-]*[,}\n]")))
        << number << " in " << json;
  }
  EXPECT_NE(json.find("\"frames\": 120,"), std::string::npos) << json;
  EXPECT_TRUE(std::regex_search(json, std::regex("\"gl_renderer\": \"[^\"]+\""))) << json;
  // Every frame splits into the invitation's four passes, each of which draws something.
  for (const char* pass : {"scene", "motion blur", "bloom", "composition"}) {
    EXPECT_TRUE(std::regex_search(
        json, std::regex(std::string("\\{\"name\": \"") + pass +
                         "\", \"gpu_ms\": \\{\"median\": [0-9.]*[1-9][0-9.e+-]*, \"p99\": ")))
        << pass << " in " << json;
  }
  EXPECT_NE(json.find("\"unattributed_frames\": 0,"), std::string::npos) << json;
}

TEST_F(Programs, BadArgumentsGiveExitCodeTwoAndTheUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {RENDER_TOOL},
      {RENDER_TOOL, "91"},
      {RENDER_TOOL, "-1"},
      {RENDER_TOOL, "--size", "0x0", "1"},
      {RENDER_TOOL, "--bogus", "1"},
      {CAPTURE_TOOL, "--fps", "0"},
      {CAPTURE_TOOL, "--size", "161x90"},
      {CAPTURE_TOOL, "--seconds", "92"},
      {CAPTURE_TOOL, "stray"},
      {BENCH_TOOL, "--seconds", "0"},
      {BENCH_TOOL, "--json"},
      {BENCH_TOOL, "--size", "wide"},
  };
  for (const auto& argv : bad) {
    const Ran ran = runProgram(argv, scratch_);
    std::string line;
    for (const auto& a : argv) line += a + " ";
    EXPECT_EQ(ran.code, 2) << line;
    EXPECT_NE(ran.err.find("usage: kestu09-"), std::string::npos) << line << ran.err;
  }
  EXPECT_TRUE(filesIn(scratch_).empty());
  for (const char* tool : {RENDER_TOOL, CAPTURE_TOOL, BENCH_TOOL}) {
    const Ran help = runProgram({tool, "--help"}, scratch_);
    EXPECT_EQ(help.code, 0) << tool;
    EXPECT_EQ(help.out.rfind("usage: kestu09-", 0), 0u) << tool << help.out;
  }
}

TEST_F(Programs, AnInstallationRendersFromAnotherWorkingFolder) {
  const fs::path prefix = scratch_ / "prefix";
  const Ran install = runProgram({CMAKE_PROGRAM, "--install", BUILD_FOLDER, "--prefix", prefix},
                                 scratch_);
  ASSERT_EQ(install.code, 0) << install.out << install.err;
  for (const char* program : {"kestu09", "kestu09-render", "kestu09-capture", "kestu09-bench"}) {
    EXPECT_EQ(access((prefix / "bin" / program).c_str(), X_OK), 0) << program;
  }
  const fs::path data = prefix / "share/kestu09/data";
  for (const char* file : {"kestuinvi.mp3", "bg.jpg", "grilli9.x"}) {
    EXPECT_TRUE(fs::is_regular_file(data / file)) << file;
  }
  for (const auto& built : fs::directory_iterator(fs::path(BUILD_FOLDER) / "data")) {
    if (built.path().extension() == ".fxo") {
      EXPECT_TRUE(fs::is_regular_file(data / built.path().filename())) << built.path();
    }
  }
  const fs::path elsewhere = folder("elsewhere");
  const Ran render = runProgram({prefix / "bin/kestu09-render", "--size", "64x36", "1"},
                                elsewhere);
  ASSERT_EQ(render.code, 0) << render.err;
  EXPECT_EQ(readPng(elsewhere / "kestu09-01000.png").width, 64);
  // The music is found in the installation too: the picture is of music time 1 s.
  EXPECT_EQ(render.err.find("not found"), std::string::npos) << render.err;
}

}  // namespace

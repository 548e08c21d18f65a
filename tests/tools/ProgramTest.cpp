// The built companion programs, run as a user runs them: pictures at chosen times, short
// videos (the start and a range of the run) read back by ffprobe and compared with pictures,
// a bench run's JSON, argument errors, and an installation run from another folder. What the
// invitation draws is not looked at beyond "two times, two pictures".
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <sstream>

#include "ProgramRun.h"
#include "common/PngPicture.h"

namespace {

using namespace program_test;

using Picture = vantor_test::PngPicture;
using vantor_test::readPng;

bool allBlack(const Picture& picture) {
  for (unsigned char c : picture.rgb) {
    if (c != 0) return false;
  }
  return true;
}

using Programs = ScratchTest;

// What ffprobe says of a video's streams: frames counted, start times, codecs, duration.
struct Probe {
  std::string all, video, audio;
};
Probe probeVideo(const fs::path& video, const fs::path& folder) {
  const Ran probe =
      runProgram({"/usr/bin/ffprobe", "-v", "error", "-count_frames", "-show_entries",
                  "stream=codec_type,codec_name,profile,pix_fmt,nb_read_frames,start_time,duration:"
                  "format=duration",
                  "-of", "compact", video},
                 folder);
  EXPECT_EQ(probe.code, 0) << probe.err;
  Probe found{probe.out, "", ""};
  std::istringstream lines(probe.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("codec_type=video") != std::string::npos) found.video = line;
    if (line.find("codec_type=audio") != std::string::npos) found.audio = line;
  }
  return found;
}

double field(const std::string& line, const std::string& name) {
  std::smatch value;
  if (!std::regex_search(line, value, std::regex("\\|" + name + "=([0-9.]+)"))) return -1;
  return std::stod(value[1]);
}

// The mean difference per colour channel (0..255) between frame n of a video and a picture
// of the same size; 255 when the frame cannot be had.
double meanDifference(const fs::path& video, int n, const Picture& picture,
                      const fs::path& folder) {
  const Ran frame = runProgram({"/usr/bin/ffmpeg", "-v", "error", "-i", video, "-vf",
                                "select=eq(n\\," + std::to_string(n) + ")", "-frames:v", "1", "-f",
                                "rawvideo", "-pix_fmt", "rgb24", "-"},
                               folder);
  EXPECT_EQ(frame.code, 0) << frame.err;
  if (frame.out.size() != picture.rgb.size() || picture.rgb.empty()) return 255;
  double difference = 0;
  for (std::size_t i = 0; i < picture.rgb.size(); ++i) {
    difference += std::abs(static_cast<unsigned char>(frame.out[i]) - picture.rgb[i]);
  }
  return difference / picture.rgb.size();
}

TEST_F(Programs, RenderDrawsTwoTimesAsTwoPicturesAndOneTimeAlwaysAsTheSameBytes) {
  const fs::path first = folder("first"), second = folder("second");
  const Ran two =
      runProgram({RENDER_TOOL, "--size", "160x90", "--out", first, "0.5", "2"}, scratch_);
  ASSERT_EQ(two.code, 0) << two.err;
  EXPECT_NE(two.out.find("kestu09-00500.png"), std::string::npos) << two.out;
  EXPECT_EQ(filesIn(first), (std::vector<std::string>{"kestu09-00500.png", "kestu09-02000.png"}));
  const Ran again =
      runProgram({RENDER_TOOL, "--size=160x90", "--out=" + second.string(), "0.5"}, scratch_);
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

// The motion blur holds a fixed shutter: a run at 10 frames a second blurs the letters as one
// at 60 does. Without it the letters' streaks would be six times as long at 10 frames a
// second, which moves the mean by several levels over the picture (they cover a good part of
// it); with it only the perspective's change over a frame time remains, well under a level.
TEST_F(Programs, RenderAtTenAndAtSixtyFramesASecondDrawsTheSameBlur) {
  const fs::path slow = folder("slow"), fast = folder("fast");
  for (const auto& [fps, out] : {std::pair{"10", slow}, std::pair{"60", fast}}) {
    const Ran ran =
        runProgram({RENDER_TOOL, "--size", "320x180", "--fps", fps, "--out", out, "20"}, scratch_);
    ASSERT_EQ(ran.code, 0) << ran.err;
  }
  const Picture at10 = readPng(slow / "kestu09-20000.png");
  const Picture at60 = readPng(fast / "kestu09-20000.png");
  ASSERT_EQ(at10.rgb.size(), 320u * 180u * 3u);
  ASSERT_EQ(at60.rgb.size(), at10.rgb.size());
  double difference = 0;
  for (std::size_t i = 0; i < at10.rgb.size(); ++i)
    difference += std::abs(at10.rgb[i] - at60.rgb[i]);
  EXPECT_LT(difference / static_cast<double>(at10.rgb.size()), 1.5);
}

TEST_F(Programs, CaptureOfOneSecondIsH264AndAacOfSixtyFramesMatchingTheRenderedPicture) {
  if (!onPath("ffmpeg") || !onPath("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
  const fs::path out = folder("video");
  const Ran capture = runProgram(
      {CAPTURE_TOOL, "--size", "160x90", "--seconds", "1", "--out", out / "short.mp4"}, scratch_);
  ASSERT_EQ(capture.code, 0) << capture.err;
  EXPECT_NE(capture.err.find("frame 60/60"), std::string::npos) << capture.err;
  EXPECT_EQ(filesIn(out), std::vector<std::string>{"short.mp4"});

  const Probe probe = probeVideo(out / "short.mp4", scratch_);
  const std::string &p = probe.all, &video = probe.video, &audio = probe.audio;
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
  const fs::path pictures = folder("pictures");
  ASSERT_EQ(runProgram({RENDER_TOOL, "--size", "160x90", "--out", pictures, "0.5"}, scratch_).code,
            0);
  const double difference =
      meanDifference(out / "short.mp4", 30, readPng(pictures / "kestu09-00500.png"), scratch_);
  // H.264 at CRF 18 over 4:2:0 chroma, limited range: a mean error of a few levels at most;
  // another moment of a moving scene differs by far more.
  EXPECT_LT(difference, 4.0);
}

TEST_F(Programs, CaptureOfARangeStartsPictureAndMusicTogetherAtItsFirstMoment) {
  if (!onPath("ffmpeg") || !onPath("ffprobe")) GTEST_SKIP() << "ffmpeg is not installed";
  const fs::path out = folder("video");
  const Ran capture = runProgram(
      {CAPTURE_TOOL, "--size", "160x90", "--from", "2", "--to", "2.5", "--out", out / "range.mp4"},
      scratch_);
  ASSERT_EQ(capture.code, 0) << capture.err;
  EXPECT_NE(capture.out.find("30 frames at 60 fps"), std::string::npos) << capture.out;

  const Probe probe = probeVideo(out / "range.mp4", scratch_);
  EXPECT_EQ(field(probe.video, "nb_read_frames"), 30) << probe.all;
  EXPECT_EQ(field(probe.video, "start_time"), 0) << probe.all;
  EXPECT_EQ(field(probe.audio, "start_time"), 0) << probe.all;
  // One AAC frame (1024 samples, 23 ms) either way.
  EXPECT_NEAR(field(probe.audio, "duration"), 0.5, 0.03) << probe.all;
  EXPECT_NEAR(field(probe.all, "duration"), 0.5, 0.03) << probe.all;

  // The sound is the music from 2 s on, to the sample: AAC at 192 kbit/s keeps the waveform
  // (a correlation near 1), while the same music 10 ms off already falls below 0.3.
  const auto samples = [&](const std::vector<std::string>& input) {
    std::vector<std::string> argv = {"/usr/bin/ffmpeg", "-v", "error"};
    argv.insert(argv.end(), input.begin(), input.end());
    argv.insert(argv.end(), {"-t", "0.5", "-f", "s16le", "-ac", "1", "-ar", "44100", "-"});
    const Ran decoded = runProgram(argv, scratch_);
    EXPECT_EQ(decoded.code, 0) << decoded.err;
    std::vector<std::int16_t> values(decoded.out.size() / 2);
    std::memcpy(values.data(), decoded.out.data(), values.size() * 2);
    return values;
  };
  const std::vector<std::int16_t> sound = samples({"-i", out / "range.mp4"});
  const std::vector<std::int16_t> music =
      samples({"-ss", "2", "-i", fs::path(BUILD_FOLDER) / "data/kestuinvi.mp3"});
  ASSERT_FALSE(sound.empty());
  double both = 0, soundEnergy = 0, musicEnergy = 0;
  for (std::size_t i = 0; i < std::min(sound.size(), music.size()); ++i) {
    both += double(sound[i]) * music[i];
    soundEnergy += double(sound[i]) * sound[i];
    musicEnergy += double(music[i]) * music[i];
  }
  EXPECT_GT(both / std::sqrt(soundEnergy * musicEnergy), 0.9);

  // Its first frame is music time 2 s, as the render tool draws it; its last 2.483 s.
  const fs::path pictures = folder("pictures");
  ASSERT_EQ(
      runProgram({RENDER_TOOL, "--size", "160x90", "--out", pictures, "2", "2.483"}, scratch_).code,
      0);
  const Picture first = readPng(pictures / "kestu09-02000.png");
  const Picture last = readPng(pictures / "kestu09-02483.png");
  // As in the whole capture's comparison: a few levels of coding error at most.
  EXPECT_LT(meanDifference(out / "range.mp4", 0, first, scratch_), 4.0);
  EXPECT_LT(meanDifference(out / "range.mp4", 29, last, scratch_), 4.0);
}

TEST_F(Programs, BenchJsonCarriesEveryFigureAfterATwoSecondRun) {
  const Ran bench = runProgram(
      {BENCH_TOOL, "--size", "160x90", "--seconds", "2", "--json", "figures.json"}, scratch_);
  ASSERT_EQ(bench.code, 0) << bench.err;
  EXPECT_NE(bench.out.find("frames per second"), std::string::npos) << bench.out;
  const std::string json = readAll(scratch_ / "figures.json");
  for (const char* number :
       {"width", "height", "music_seconds", "frames", "setup_seconds", "first_frame_ms", "median",
        "p90", "p99", "max", "frames_per_second", "render_targets_after_first_frame",
        "allocations_per_frame", "peak_resident_mib"}) {
    EXPECT_TRUE(std::regex_search(
        json, std::regex(std::string("\"") + number + "\": [0-9][0-9.e+-]*[,}\n]")))
        << number << " in " << json;
  }
  EXPECT_NE(json.find("\"frames\": 120,"), std::string::npos) << json;
  EXPECT_TRUE(std::regex_search(json, std::regex("\"gl_renderer\": \"[^\"]+\""))) << json;
  // The dialect the run used: the one VANTOR_GL asked for (core without it, on this machine).
  const char* asked = std::getenv("VANTOR_GL");
  EXPECT_NE(json.find(std::string("\"gl_dialect\": \"") + (asked ? asked : "core") + "\""),
            std::string::npos)
      << json;
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
      {RENDER_TOOL, "--fps", "0", "1"},
      {RENDER_TOOL, "--fps", "91", "1"},
      {CAPTURE_TOOL, "--fps", "0"},
      {CAPTURE_TOOL, "--size", "161x90"},
      {CAPTURE_TOOL, "--seconds", "92"},
      {CAPTURE_TOOL, "stray"},
      {CAPTURE_TOOL, "--from", "3", "--to", "2"},
      {CAPTURE_TOOL, "--from", "91"},
      {CAPTURE_TOOL, "--to", "1", "--seconds", "1"},
      {CAPTURE_TOOL, "--from", "90", "--seconds", "2"},
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
  // --help and --version both name the project's version (the package's and the manual
  // pages'), and --version wins over the checks of other arguments, as --help does.
  for (const char* tool : {RENDER_TOOL, CAPTURE_TOOL, BENCH_TOOL}) {
    const std::string name = fs::path(tool).filename().string();
    const Ran help = runProgram({tool, "--help"}, scratch_);
    EXPECT_EQ(help.code, 0) << tool;
    EXPECT_EQ(help.out.rfind("usage: kestu09-", 0), 0u) << tool << help.out;
    EXPECT_TRUE(help.out.ends_with("\n" + name + " " + PROJECT_VERSION + "\n")) << help.out;
    const Ran version = runProgram({tool, "--size", "wide", "--version"}, scratch_);
    EXPECT_EQ(version.code, 0) << tool << version.err;
    EXPECT_EQ(version.out, name + " " + PROJECT_VERSION + "\n");
  }
}

TEST_F(Programs, AnInstallationRendersFromAnotherWorkingFolder) {
  const fs::path prefix = scratch_ / "prefix";
  const Ran install =
      runProgram({CMAKE_PROGRAM, "--install", BUILD_FOLDER, "--prefix", prefix}, scratch_);
  ASSERT_EQ(install.code, 0) << install.out << install.err;
  for (const char* program : {"kestu09", "kestu09-render", "kestu09-capture", "kestu09-bench"}) {
    EXPECT_EQ(access((prefix / "games" / program).c_str(), X_OK), 0) << program;
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
  const Ran render =
      runProgram({prefix / "games/kestu09-render", "--size", "64x36", "1"}, elsewhere);
  ASSERT_EQ(render.code, 0) << render.err;
  EXPECT_EQ(readPng(elsewhere / "kestu09-01000.png").width, 64);
  // The music is found in the installation too: the picture is of music time 1 s.
  EXPECT_EQ(render.err.find("not found"), std::string::npos) << render.err;
}

}  // namespace

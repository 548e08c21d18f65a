// The viewer's capture runs with stand-in programs in place of the capture tool: the
// arguments it is given, the result line taken from its exit status and its video (never a
// success for a failure), and a run still going when the viewer ends.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "CaptureJob.h"

namespace {

struct CaptureJobTest : testing::Test {
  std::filesystem::path folder;
  std::vector<std::string> lines;

  void SetUp() override {
    char name[] = "/tmp/capture-job-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    folder = name;
  }
  void TearDown() override { std::filesystem::remove_all(folder); }

  // A program of that shell body, with its arguments as $@.
  std::string program(const std::string& name, const std::string& body) {
    const std::filesystem::path path = folder / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path.string();
  }

  // Polls the job as the viewer's frames do until it has ended (10 s at most).
  void finish(live::CaptureJob& job) {
    for (int i = 0; i < 1000 && job.running(); ++i) {
      job.poll();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_FALSE(job.running());
  }
};

TEST_F(CaptureJobTest, AGoodRunGetsTheRangeAndSizeAndWritesItsVideo) {
  // The last argument is the video; the others are kept for the test.
  const std::string tool = program("capture", "echo \"$@\" > " + (folder / "arguments").string() +
                                                  "; for a; do :; done; "
                                                  "echo video > \"$a\"");
  live::CaptureJob capture(tool, [this](const std::string& line) { lines.push_back(line); });
  capture.start(640, 360, 10000, 14250, folder.string());
  EXPECT_TRUE(capture.running());
  finish(capture);
  const std::string video = (folder / "kestu09-10000-14250.mp4").string();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "capturing 10.000 - 14.250 s to " + video);
  EXPECT_EQ(lines[1], "wrote " + video);
  std::ifstream arguments(folder / "arguments");
  std::string given;
  std::getline(arguments, given);
  EXPECT_EQ(given, "--size 640x360 --from 10.000 --to 14.250 --out " + video);
}

TEST_F(CaptureJobTest, AFailedRunOrOneWithoutItsVideoIsReportedAsFailed) {
  live::CaptureJob failing(program("failing", "exit 3"),
                           [this](const std::string& line) { lines.push_back(line); });
  failing.start(640, 360, 0, 1000, folder.string());
  finish(failing);
  live::CaptureJob silent(program("silent", "exit 0"),
                          [this](const std::string& line) { lines.push_back(line); });
  silent.start(640, 360, 0, 1000, folder.string());
  finish(silent);
  live::CaptureJob missing((folder / "nowhere").string(),
                           [this](const std::string& line) { lines.push_back(line); });
  missing.start(640, 360, 0, 1000, folder.string());
  EXPECT_FALSE(missing.running());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1],
            "the capture of 0.000 - 1.000 s failed (exit code 3); its reason is on "
            "standard error");
  EXPECT_EQ(lines[3], "the capture of 0.000 - 1.000 s ended without the video " +
                          (folder / "kestu09-00000-01000.mp4").string());
  EXPECT_EQ(lines[4].rfind("the capture of 0.000 - 1.000 s cannot start", 0), 0u) << lines[4];
}

TEST_F(CaptureJobTest, OneRunAtATimeAndARunningOneEndsWithTheViewer) {
  const auto started = std::chrono::steady_clock::now();
  {
    live::CaptureJob capture(program("slow", "exec sleep 30"),
                             [this](const std::string& line) { lines.push_back(line); });
    capture.start(640, 360, 0, 1000, "");
    capture.start(640, 360, 0, 2000, "");
    capture.poll();
    EXPECT_TRUE(capture.running());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "capturing 0.000 - 1.000 s to kestu09-00000-01000.mp4");
  EXPECT_EQ(lines[1], "a capture of 0.000 - 1.000 s is still running");
  EXPECT_EQ(lines[2], "the capture of 0.000 - 1.000 s was stopped with the viewer");
}

}  // namespace

#include "CaptureJob.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "Process.h"
#include "Transport.h"

namespace live {

CaptureJob::CaptureJob(std::string program, std::function<void(const std::string&)> say,
                       std::string dataFolder)
    : program_(std::move(program)), say_(std::move(say)), dataFolder_(std::move(dataFolder)) {}

CaptureJob::~CaptureJob() {
  if (!running()) return;
  kill(child_, SIGTERM);
  companion::waitChild(child_);
  child_ = -1;
  say_("the capture of " + range_ + " was stopped with the viewer");
}

void CaptureJob::start(int width, int height, std::uint32_t fromMs, std::uint32_t toMs,
                       const std::string& folder) {
  if (running()) {
    say_("a capture of " + range_ + " is still running");
    return;
  }
  char name[48];
  std::snprintf(name, sizeof name, "kestu09-%05u-%05u.mp4", fromMs, toMs);
  path_ = folder.empty() ? name : folder.back() == '/' ? folder + name : folder + "/" + name;
  range_ = seconds(fromMs) + " - " + seconds(toMs) + " s";
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::vector<std::string> argv = {program_, "--size",      size,    "--from", seconds(fromMs),
                                   "--to",   seconds(toMs), "--out", path_};
  if (!dataFolder_.empty()) argv.insert(argv.end(), {"--data", dataFolder_});
  // The program's lines would mix with the viewer's own on standard output.
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  child_ = input < 0 ? -1 : companion::startProgram(argv, input, STDERR_FILENO, true);
  if (input >= 0) close(input);
  if (child_ < 0) {
    child_ = -1;
    say_("the capture of " + range_ + " cannot start: " + program_ + " is not found");
    return;
  }
  say_("capturing " + range_ + " to " + path_);
}

void CaptureJob::poll() {
  if (!running()) return;
  const std::optional<companion::ChildEnd> end = companion::pollChild(child_);
  if (!end) return;
  child_ = -1;
  std::error_code error;
  if (end->succeeded() && std::filesystem::is_regular_file(path_, error)) {
    say_("wrote " + path_);
  } else if (end->succeeded()) {
    say_("the capture of " + range_ + " ended without the video " + path_);
  } else {
    say_("the capture of " + range_ + " failed (" + companion::describe(*end) +
         "); its reason is on standard error");
  }
}

std::string captureToolBeside() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "kestu09-capture";  // looked for on PATH
  return (self.parent_path() / "kestu09-capture").string();
}

}  // namespace live

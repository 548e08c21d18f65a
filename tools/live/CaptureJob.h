// A range of the invitation captured to MP4 by the capture tool, run as a child process so
// that the viewer plays on while it works; its end is looked for between frames. One capture
// at a time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

namespace live {

class CaptureJob {
 public:
  // program: the capture tool (kestu09-capture, or a stand-in with its arguments); say
  // receives the line of each start and result; dataFolder, when given, is the capture's
  // --data (it draws that folder's saved tracks).
  CaptureJob(std::string program, std::function<void(const std::string&)> say,
             std::string dataFolder = {});
  // A capture still running is interrupted (it removes what it wrote) and waited for; one
  // whose viewer ends otherwise (a signal) is interrupted as well.
  ~CaptureJob();
  CaptureJob(const CaptureJob&) = delete;
  CaptureJob& operator=(const CaptureJob&) = delete;

  // Starts the capture of music time fromMs..toMs at width x height into folder (empty: the
  // current one) as kestu09-FROM-TO.mp4 (the times in ms). The program's own lines go to
  // standard error.
  void start(int width, int height, std::uint32_t fromMs, std::uint32_t toMs,
             const std::string& folder);
  // Between frames: once the capture has ended, one line with its result, from its exit
  // status.
  void poll();
  bool running() const { return child_ > 0; }

 private:
  std::string program_;
  std::function<void(const std::string&)> say_;
  std::string dataFolder_;
  pid_t child_ = -1;
  std::string range_;  // "10.000 - 14.000 s" of the running capture
  std::string path_;   // its video
};

// The capture tool beside the running program (the build folder, or <prefix>/bin).
std::string captureToolBeside();

}  // namespace live

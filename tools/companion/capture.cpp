// kestu09-capture: the whole run at a fixed frame rate, encoded with its music into an MP4
// through the ffmpeg program. Rendering (a child process) and encoding (ffmpeg) overlap; the
// parent owns the output file and removes what a failed or interrupted capture left.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "Arguments.h"
#include "InvitationRun.h"
#include "Process.h"
#include "gfx/resources/DataFileCache.h"

namespace {

constexpr const char* kTool = "kestu09-capture";
constexpr const char* kUsage =
    "usage: kestu09-capture [--size WxH] [--fps N] [--seconds S] [--out FILE]\n"
    "Captures the invitation (the whole 91 s, or its first S seconds) at N frames a second,\n"
    "frame k at music time k/N, and encodes it with the music into an MP4 (H.264 High,\n"
    "yuv420p, constant frame rate, AAC 192 kbit/s, faststart) through ffmpeg.\n"
    "  --size WxH    picture size in pixels, both even (default 1920x1080)\n"
    "  --fps N       frames a second, 1 to 240 (default 60)\n"
    "  --seconds S   length, above 0 and at most 91 (default 91)\n"
    "  --out FILE    the video (default kestu09.mp4)\n"
    "  --help        this text\n"
    "  --version     the version\n";

std::uint32_t frameMs(std::int64_t frame, int fps) {
  return static_cast<std::uint32_t>((frame * 1000 + fps / 2) / fps);
}

// Frames go to ffmpeg from a thread of their own, a few at most waiting, so that the next
// frame renders while the last one is written.
class FrameWriter {
 public:
  explicit FrameWriter(int fd) : fd_(fd), thread_([this] { writeAll(); }) {}
  ~FrameWriter() { finish(); }

  // False once writing has failed (ffmpeg stopped reading).
  bool push(std::vector<std::uint32_t> frame) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queue_.size() < kWaiting || failed_; });
    if (failed_) return false;
    queue_.push_back(std::move(frame));
    changed_.notify_all();
    return true;
  }
  // Writes what is waiting and closes the pipe; true when every frame was written.
  bool finish() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    return !failed_;
  }

 private:
  static constexpr std::size_t kWaiting = 3;

  void writeAll() {
    for (;;) {
      std::vector<std::uint32_t> frame;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !queue_.empty() || closing_; });
        if (queue_.empty()) return;
        frame = std::move(queue_.front());
        queue_.pop_front();
        changed_.notify_all();
      }
      if (!writeWhole(reinterpret_cast<const char*>(frame.data()),
                      frame.size() * sizeof frame[0])) {
        std::lock_guard lock(mutex_);
        failed_ = true;
        queue_.clear();
        changed_.notify_all();
        return;
      }
    }
  }
  bool writeWhole(const char* bytes, std::size_t size) {
    while (size > 0) {
      const ssize_t written = write(fd_, bytes, size);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes += written;
      size -= static_cast<std::size_t>(written);
    }
    return true;
  }

  int fd_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint32_t>> queue_;
  bool closing_ = false;
  bool failed_ = false;
  std::thread thread_;
};

// One progress line on standard error: redrawn in place on a terminal, written once every
// few seconds to anything else (a log file).
class Progress {
 public:
  explicit Progress(int total) : total_(total), terminal_(isatty(STDERR_FILENO) == 1) {}

  void update(int done) {
    const auto now = std::chrono::steady_clock::now();
    if (done == 1) start_ = now;
    const bool last = done == total_;
    const auto interval = terminal_ ? std::chrono::milliseconds(200) : std::chrono::seconds(5);
    if (!last && done > 1 && now - shown_ < interval) return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double fps = done > 1 && seconds > 0 ? (done - 1) / seconds : 0.0;
    const int left = fps > 0 ? static_cast<int>((total_ - done) / fps + 0.5) : 0;
    std::fprintf(stderr, "%s%s: frame %d/%d  %5.1f%%  %.1f fps  %d:%02d left%s", terminal_ ? "\r" : "",
                 kTool, done, total_, 100.0 * done / total_, fps, left / 60, left % 60,
                 terminal_ ? "\x1b[K" : "\n");
    if (terminal_ && last) std::fputc('\n', stderr);
  }

 private:
  int total_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_, shown_;
};

// The child: renders every frame and hands it to ffmpeg through fd.
int renderFrames(companion::Size size, int fps, int frames, int fd) {
  std::signal(SIGPIPE, SIG_IGN);  // a write to a stopped ffmpeg fails instead
  FrameWriter writer(fd);
  Progress progress(frames);
  companion::InvitationRun run(size, kTool);
  bool stopped = false;
  const bool ended = run.run([&](int frame, IDirect3DDevice9* device) {
    std::optional<std::uint32_t> next;
    platform::scripted::Image image;
    const HRESULT result = platform::scripted::readBackBuffer(device, image);
    if (FAILED(result) || image.width != size.width || image.height != size.height) {
      std::fprintf(stderr, "\n%s: frame %d could not be read back\n", kTool, frame);
      stopped = true;
      return next;
    }
    if (!writer.push(std::move(image.argb))) {
      std::fprintf(stderr, "\n%s: ffmpeg stopped taking frames at frame %d\n", kTool, frame);
      stopped = true;
      return next;
    }
    progress.update(frame + 1);
    if (frame + 1 < frames) next = frameMs(frame + 1, fps);
    return next;
  });
  const bool written = writer.finish();
  if (!written && !stopped) std::fprintf(stderr, "%s: ffmpeg stopped taking frames\n", kTool);
  return ended && !stopped && written ? 0 : 1;
}

std::vector<std::string> ffmpegCommand(companion::Size size, int fps, int frames,
                                       const std::string& track, const std::string& output) {
  char dimensions[32], rate[16], seconds[32], gop[16];
  std::snprintf(dimensions, sizeof dimensions, "%dx%d", size.width, size.height);
  std::snprintf(rate, sizeof rate, "%d", fps);
  std::snprintf(seconds, sizeof seconds, "%.6f", static_cast<double>(frames) / fps);
  std::snprintf(gop, sizeof gop, "%d", 2 * fps);
  std::vector<std::string> command = {
      "ffmpeg", "-hide_banner", "-loglevel", "error", "-nostats", "-y",
      // The frames as read back: 0xAARRGGBB words, B G R A in memory.
      "-f", "rawvideo", "-pixel_format", "bgra", "-video_size", dimensions, "-framerate", rate,
      "-i", "pipe:0"};
  if (track.empty()) {
    // No track: the demo plays silently, and so does its capture.
    command.insert(command.end(),
                   {"-f", "lavfi", "-i", "anullsrc=channel_layout=stereo:sample_rate=44100"});
  } else {
    command.insert(command.end(), {"-i", track});
  }
  command.insert(command.end(),
                 {"-map", "0:v:0", "-map", "1:a:0", "-c:v", "libx264", "-profile:v", "high",
                  "-preset", "medium", "-crf", "18", "-g", gop, "-pix_fmt", "yuv420p",
                  "-fps_mode", "cfr", "-r", rate, "-c:a", "aac", "-b:a", "192k", "-t", seconds,
                  "-movflags", "+faststart", "-f", "mp4", output});
  return command;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  companion::Size size{1920, 1080};
  int fps = 60;
  std::uint32_t lengthMs = companion::kRunMs;
  std::string output = "kestu09.mp4";
  try {
    const companion::Arguments arguments = companion::parseArguments(
        argc - 1, argv + 1, {"--size", "--fps", "--seconds", "--out"}, false);
    if (arguments.help) {
      companion::printHelp(kTool, kUsage);
      return 0;
    }
    if (arguments.version) {
      std::puts(companion::versionLine(kTool).c_str());
      return 0;
    }
    const auto& options = arguments.options;
    if (options.count("--size")) size = companion::parseSize(options.at("--size"));
    if (size.width % 2 || size.height % 2) {
      throw companion::UsageError("size: yuv420p video needs an even width and height");
    }
    if (options.count("--fps")) fps = companion::parseInteger(options.at("--fps"), 1, 240, "fps");
    if (options.count("--seconds")) {
      lengthMs = companion::parseRunLengthMs(options.at("--seconds"));
    }
    if (options.count("--out")) output = options.at("--out");
    if (output.empty() || output.back() == '/') throw companion::UsageError("--out needs a file");
  } catch (const companion::UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", kTool, error.what(), kUsage);
    return 2;
  }
  const int frames = static_cast<int>((static_cast<std::int64_t>(lengthMs) * fps + 500) / 1000);
  if (frames < 1) {
    std::fprintf(stderr, "%s: %u ms at %d fps is not one frame\n%s", kTool, lengthMs, fps,
                 kUsage);
    return 2;
  }

  if (companion::findProgram("ffmpeg").empty()) {
    std::fprintf(stderr,
                 "%s: the ffmpeg program is not found on PATH (Debian package ffmpeg; "
                 "scripts/deps installs it); nothing written\n",
                 kTool);
    return 1;
  }
  struct stat status;
  const std::string folder = folderOf(output);
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    std::fprintf(stderr, "%s: the folder %s does not exist\n", kTool, folder.c_str());
    return 1;
  }
  if (stat(output.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fprintf(stderr, "%s: %s is a folder; --out names the video file\n", kTool,
                 output.c_str());
    return 1;
  }
  const std::string track = vantor::findDataFile("kestuinvi.mp3");
  if (track.empty()) {
    std::fprintf(stderr, "%s: the music track is not found: a silent capture at music time 0\n",
                 kTool);
  }

  // ffmpeg writes beside the output; only a finished video takes the output's name.
  const std::string partial = output + ".partial";
  companion::watchInterrupts();
  int pipeFds[2];
  // Close-on-exec: ffmpeg must not hold the writing end, or it never sees the frames end.
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "%s: no pipe: %s\n", kTool, std::strerror(errno));
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  const pid_t encoder =
      companion::startProgram(ffmpegCommand(size, fps, frames, track, partial), pipeFds[0]);
  close(pipeFds[0]);
  if (encoder < 0) {
    close(pipeFds[1]);
    std::fprintf(stderr, "%s: ffmpeg could not be started; nothing written\n", kTool);
    return 1;
  }
  const pid_t renderer =
      companion::startChild([&] { return renderFrames(size, fps, frames, pipeFds[1]); });
  close(pipeFds[1]);  // ffmpeg sees the end of the frames when the renderer closes its end

  // Whatever is left of a capture that is given up is discarded: no need to let it finish.
  bool rendering = renderer > 0;
  const auto stopBoth = [&] {
    if (rendering) kill(renderer, SIGKILL);
    kill(encoder, SIGKILL);
  };
  companion::ChildEnd rendered{false, 0};
  if (rendering) rendered = companion::waitChild(renderer, stopBoth);
  rendering = false;
  const bool renderedWell = rendered.exited && rendered.code == 0 && !companion::interrupted();
  if (!renderedWell) kill(encoder, SIGKILL);
  const companion::ChildEnd encoded = companion::waitChild(encoder, stopBoth);
  const bool encodedWell = encoded.exited && encoded.code == 0;

  if (!renderedWell || !encodedWell || companion::interrupted()) {
    unlink(partial.c_str());
    if (companion::interrupted()) {
      std::fprintf(stderr, "%s: interrupted; nothing written\n", kTool);
    } else if (renderer < 0) {
      std::fprintf(stderr, "%s: the renderer could not be started; nothing written\n", kTool);
    } else if (!renderedWell) {
      if (!rendered.exited) {
        std::fprintf(stderr, "%s: the run stopped on signal %d (%s); the engine's report is "
                     "above\n", kTool, rendered.code, strsignal(rendered.code));
      }
      std::fprintf(stderr, "%s: rendering failed; nothing written\n", kTool);
    } else if (encoded.exited && encoded.code == 127) {
      std::fprintf(stderr, "%s: ffmpeg could not be started; nothing written\n", kTool);
    } else {
      std::fprintf(stderr, "%s: ffmpeg failed (%s %d); its messages are above; nothing written\n",
                   kTool, encoded.exited ? "exit code" : "signal", encoded.code);
    }
    return 1;
  }
  if (std::rename(partial.c_str(), output.c_str()) != 0) {
    std::fprintf(stderr, "%s: cannot name the video %s: %s\n", kTool, output.c_str(),
                 std::strerror(errno));
    unlink(partial.c_str());
    return 1;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  stat(output.c_str(), &status);
  std::printf("%s: %d frames at %d fps (%.3f s), %dx%d, %.1f MB, in %.1f s\n", output.c_str(),
              frames, fps, static_cast<double>(frames) / fps, size.width, size.height,
              status.st_size / 1e6, seconds);
  return 0;
}

// kestu09-capture: the whole run, or a range of it, at a fixed frame rate, encoded with its
// music into an MP4 through the ffmpeg program. Rendering (a child process) and encoding
// (ffmpeg) overlap; the parent owns the output file, takes a capture as finished only once
// ffprobe reads back the frames and the length asked for, and removes what a failed or
// interrupted capture left.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>
#include <vector>

#include "Arguments.h"
#include "InvitationRun.h"
#include "OutputFile.h"
#include "Process.h"
#include "gfx/resources/DataFileCache.h"

namespace {

constexpr const char* kTool = "kestu09-capture";
constexpr const char* kUsage =
    "usage: kestu09-capture [--size WxH] [--fps N] [--from A] [--to B | --seconds S]\n"
    "                       [--data DIR] [--out FILE]\n"
    "Captures the invitation from music time A to B (default the whole 91 s) at N frames a\n"
    "second, frame k at music time A + k/N, and encodes it with the music from A on into an\n"
    "MP4 (H.264 High, yuv420p, constant frame rate, AAC 192 kbit/s, faststart) through\n"
    "ffmpeg; picture and sound both start at 0 in the file. The video is read back with\n"
    "ffprobe before it takes its name; a capture that fails leaves no file.\n"
    "  --size WxH    picture size in pixels, both even (default 1920x1080)\n"
    "  --fps N       frames a second, 1 to 240 (default 60)\n"
    "  --from A      music time of the first frame in seconds, 0 <= A < 91 (default 0)\n"
    "  --to B        music time where the capture ends in seconds, A < B <= 91 (default 91)\n"
    "  --seconds S   length instead of --to: the capture ends at A + S\n"
    "  --data DIR    the data folder: files are read from there first (its invitation.tracks\n"
    "                gives the choreography), the usual places give what it lacks\n"
    "  --out FILE    the video (default kestu09.mp4)\n"
    "  --help        this text\n"
    "  --version     the version\n";

// The renderer's exit code when ffmpeg stopped reading frames: the cause is ffmpeg's.
constexpr int kEncoderStopped = 3;

struct Request {
  companion::Size size{1920, 1080};
  int fps = 60;
  std::uint32_t fromMs = 0;
  std::uint32_t toMs = companion::kRunMs;
  std::string output = "kestu09.mp4";
  std::string data;  // the data folder asked for; empty: the usual places

  int frames() const {
    return static_cast<int>((static_cast<std::int64_t>(toMs - fromMs) * fps + 500) / 1000);
  }
  double seconds() const { return static_cast<double>(frames()) / fps; }
  // The music time of frame k.
  std::uint32_t frameMs(std::int64_t frame) const {
    return fromMs + static_cast<std::uint32_t>((frame * 1000 + fps / 2) / fps);
  }
  // A capture that starts later than 0 draws one frame more, unrecorded, a frame's time
  // before its first, so that the first frame's motion blur is that of a steady run.
  bool warmUp() const { return fromMs > 0; }
  std::uint32_t warmUpMs() const {
    const std::uint32_t step = frameMs(1) - fromMs;
    return fromMs > step ? fromMs - step : 0;
  }
};

// Frames go to ffmpeg from a thread of their own, a few at most waiting, so that the next
// frame renders while the last one is written. Written frames' buffers come back as spares
// for the next read-backs, so a frame of eight megabytes is not allocated and faulted in anew.
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
  // A written frame's buffer to read the next frame into; empty when none is free yet.
  std::vector<std::uint32_t> spare() {
    std::lock_guard lock(mutex_);
    if (spares_.empty()) return {};
    std::vector<std::uint32_t> frame = std::move(spares_.back());
    spares_.pop_back();
    return frame;
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
      std::lock_guard lock(mutex_);
      if (spares_.size() < kWaiting) spares_.push_back(std::move(frame));
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
  std::vector<std::vector<std::uint32_t>> spares_;
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
    std::fprintf(stderr, "%s%s: frame %d/%d  %5.1f%%  %.1f fps  %d:%02d left%s",
                 terminal_ ? "\r" : "", kTool, done, total_, 100.0 * done / total_, fps, left / 60,
                 left % 60, terminal_ ? "\x1b[K" : "\n");
    if (terminal_ && last) std::fputc('\n', stderr);
  }

 private:
  int total_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_, shown_;
};

// Reads the command line into request; an exit code when the program ends here (its help,
// 2 for a usage error).
std::optional<int> parseRequest(int argc, char** argv, Request& request) {
  try {
    const companion::Arguments arguments = companion::parseArguments(
        argc - 1, argv + 1, {"--size", "--fps", "--from", "--to", "--seconds", "--data", "--out"},
        false);
    if (arguments.help) return companion::printHelp(kTool, kUsage);
    if (arguments.version) return companion::printVersion(kTool);
    const auto& options = arguments.options;
    if (options.count("--size")) request.size = companion::parseSize(options.at("--size"));
    if (request.size.width % 2 || request.size.height % 2) {
      throw companion::UsageError("size: yuv420p video needs an even width and height");
    }
    if (options.count("--fps")) {
      request.fps = companion::parseInteger(options.at("--fps"), 1, 240, "fps");
    }
    if (options.count("--from")) {
      request.fromMs = companion::parseMusicTimeMs(options.at("--from"));
    }
    if (options.count("--to") && options.count("--seconds")) {
      throw companion::UsageError("--to and --seconds both say where the capture ends");
    }
    if (options.count("--to")) {
      const std::string& to = options.at("--to");
      try {
        request.toMs = companion::parseRunLengthMs(to);
      } catch (const companion::UsageError&) {
        throw companion::UsageError("--to " + to + " is outside the run (above 0, at most 91)");
      }
      if (request.toMs <= request.fromMs) {
        throw companion::UsageError("--to " + to + " is not after --from");
      }
    } else if (options.count("--seconds")) {
      const std::uint32_t lengthMs = companion::parseRunLengthMs(options.at("--seconds"));
      if (lengthMs > companion::kRunMs - request.fromMs) {
        throw companion::UsageError("--from and --seconds reach beyond the run's 91 seconds");
      }
      request.toMs = request.fromMs + lengthMs;
    }
    if (options.count("--out")) request.output = options.at("--out");
    if (options.count("--data")) request.data = options.at("--data");
    if (request.output.empty() || request.output.back() == '/') {
      throw companion::UsageError("--out needs a file");
    }
    if (request.frames() < 1) {
      throw companion::UsageError(std::to_string(request.toMs - request.fromMs) + " ms at " +
                                  std::to_string(request.fps) + " fps is not one frame");
    }
  } catch (const companion::UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", kTool, error.what(), kUsage);
    return 2;
  }
  return std::nullopt;
}

// The child: renders every frame and hands it to ffmpeg through fd.
int renderFrames(const Request& request, int fd) {
  std::signal(SIGPIPE, SIG_IGN);  // a write to a stopped ffmpeg fails instead
  FrameWriter writer(fd);
  const int frames = request.frames();
  Progress progress(frames);
  companion::InvitationRun run(request.size, kTool);
  const int skipped = request.warmUp() ? 1 : 0;
  run.startAt(request.warmUp() ? request.warmUpMs() : request.fromMs);
  bool readBackFailed = false, encoderStopped = false;
  const bool ended = run.run([&](int drawn, IDirect3DDevice9* device) {
    std::optional<std::uint32_t> next;
    const int frame = drawn - skipped;
    if (frame < 0) return next = request.frameMs(0);
    platform::scripted::Image image;
    image.argb = writer.spare();
    const HRESULT result = platform::scripted::readBackBuffer(device, image);
    if (FAILED(result) || image.width != request.size.width ||
        image.height != request.size.height) {
      std::fprintf(stderr, "\n%s: frame %d could not be read back\n", kTool, frame);
      readBackFailed = true;
      return next;
    }
    if (!writer.push(std::move(image.argb))) {
      std::fprintf(stderr, "\n%s: ffmpeg stopped taking frames at frame %d\n", kTool, frame);
      encoderStopped = true;
      return next;
    }
    progress.update(frame + 1);
    if (frame + 1 < frames) next = request.frameMs(frame + 1);
    return next;
  });
  const bool written = writer.finish();
  if (!written && !encoderStopped) {
    std::fprintf(stderr, "%s: ffmpeg stopped taking frames\n", kTool);
    encoderStopped = !readBackFailed;
  }
  if (encoderStopped) return kEncoderStopped;
  return ended && !readBackFailed && written ? 0 : 1;
}

std::vector<std::string> ffmpegCommand(const Request& request, const std::string& track,
                                       const std::string& output) {
  char dimensions[32], rate[16], seconds[32], gop[16], trim[64];
  std::snprintf(dimensions, sizeof dimensions, "%dx%d", request.size.width, request.size.height);
  std::snprintf(rate, sizeof rate, "%d", request.fps);
  std::snprintf(seconds, sizeof seconds, "%.6f", request.seconds());
  std::snprintf(gop, sizeof gop, "%d", 2 * request.fps);
  // The music from the first frame's time on, its samples counted anew from 0, so that
  // picture and sound start together.
  std::snprintf(trim, sizeof trim, "atrim=start=%.3f,asetpts=PTS-STARTPTS",
                request.fromMs / 1000.0);
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
    if (request.fromMs > 0) command.insert(command.end(), {"-af", trim});
  }
  // The encoder shares the processor with the renderer. The veryfast preset at quality 17
  // takes half the encoding time of medium at 18 and measures as close to the frames (peak
  // signal-to-noise 46.1 dB against 45.8, structural similarity 0.9909 against 0.9904 at
  // 1920 x 1080), for a file about an eighth larger.
  command.insert(command.end(),
                 {"-map",     "0:v:0",   "-map",      "1:a:0", "-c:v",  "libx264",   "-profile:v",
                  "high",     "-preset", "veryfast",  "-crf",  "17",    "-g",        gop,
                  "-pix_fmt", "yuv420p", "-fps_mode", "cfr",   "-r",    rate,        "-c:a",
                  "aac",      "-b:a",    "192k",      "-t",    seconds, "-movflags", "+faststart",
                  "-f",       "mp4",     output});
  return command;
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Where the video goes: ffmpeg writes `writing`, which takes the asked name only once the
// video is checked. An existing device or pipe is written in place.
struct Output {
  std::string path;
  std::string writing;
  bool inPlace() const { return writing == path; }
  // Removes what a failed capture wrote; a device or pipe written in place stays.
  void discard() const {
    if (!inPlace()) unlink(writing.c_str());
  }
};

// Checks what a capture needs before anything is rendered: both programs, the folder, and
// that a file can be made there. Empty with a message on standard error when one is missing.
std::optional<Output> prepareOutput(const Request& request) {
  const auto fail = [](const std::string& why) {
    std::fprintf(stderr, "%s: %s; nothing written\n", kTool, why.c_str());
    return std::nullopt;
  };
  for (const char* program : {"ffmpeg", "ffprobe"}) {
    if (companion::findProgram(program).empty()) {
      return fail(std::string("the ") + program + " program is not found on PATH (Debian " +
                  "package ffmpeg; scripts/deps installs it)");
    }
  }
  struct stat status;
  const std::string folder = folderOf(request.output);
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    return fail("the folder " + folder + " does not exist");
  }
  if (stat(request.output.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return fail(request.output + " is a folder; --out names the video file");
  }
  Output output{request.output, companion::writingPathFor(request.output)};
  if (!output.inPlace()) {
    // Made now, so that a folder that takes no file says so before minutes of rendering.
    const int fd = open(output.writing.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0 || close(fd) != 0) {
      const int error = errno;
      output.discard();
      return fail("cannot write in " + folder + ": " + std::strerror(error));
    }
  }
  return output;
}

// ffmpeg closes the video without a sync: blocks allocated only at writeback (delayed
// allocation, network file systems) would fail after the capture was taken as done.
std::string syncVideo(const Output& output) {
  if (output.inPlace()) return {};
  const int fd = open(output.writing.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) {
    const std::string cause =
        std::string("the video could not be put on the disk: ") + std::strerror(errno);
    if (fd >= 0) close(fd);
    return cause;
  }
  close(fd);
  return {};
}

struct Children {
  pid_t renderer = -1;
  pid_t encoder = -1;
};

// Starts ffmpeg and the renderer joined by a pipe. An empty answer means ffmpeg could not
// be started; a renderer of -1 one that could not.
std::optional<Children> startCapture(const Request& request, const Output& output) {
  const std::string track = vantor::findDataFile("kestuinvi.mp3");
  if (track.empty()) {
    std::fprintf(stderr, "%s: the music track is not found: a silent capture at music time %.3f\n",
                 kTool, request.fromMs / 1000.0);
  }
  int pipeFds[2];
  // Close-on-exec: ffmpeg must not hold the writing end, or it never sees the frames end.
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "%s: no pipe: %s\n", kTool, std::strerror(errno));
    return std::nullopt;
  }
  Children children;
  children.encoder =
      companion::startProgram(ffmpegCommand(request, track, output.writing), pipeFds[0]);
  close(pipeFds[0]);
  if (children.encoder < 0) {
    close(pipeFds[1]);
    return std::nullopt;
  }
  children.renderer = companion::startChild([&] { return renderFrames(request, pipeFds[1]); });
  close(pipeFds[1]);  // ffmpeg sees the end of the frames when the renderer closes its end
  return children;
}

// Waits for both children; empty when both did their part, otherwise the cause.
std::string waitForCapture(const Children& children) {
  // Whatever is left of a capture that is given up is discarded: no need to let it finish.
  bool rendering = children.renderer > 0;
  const auto stopBoth = [&] {
    if (rendering) kill(children.renderer, SIGKILL);
    kill(children.encoder, SIGKILL);
  };
  companion::ChildEnd rendered;
  if (rendering) rendered = companion::waitChild(children.renderer, stopBoth);
  rendering = false;
  const bool renderedWell = rendered.succeeded() && !companion::interrupted();
  const bool encoderStopped = rendered.exited && rendered.code == kEncoderStopped;
  // An ffmpeg that stopped taking frames ends by itself, with its own reason.
  if (!renderedWell && !encoderStopped) kill(children.encoder, SIGKILL);
  const companion::ChildEnd encoded = companion::waitChild(children.encoder, stopBoth);

  if (companion::interrupted()) return "interrupted";
  if (children.renderer < 0) return "the renderer could not be started";
  if (encoded.exited && encoded.code == 127) return "ffmpeg could not be started";
  if (encoderStopped || (renderedWell && !encoded.succeeded())) {
    if (encoded.succeeded()) return "ffmpeg stopped taking frames, yet exited with 0";
    return "ffmpeg failed (" + companion::describe(encoded) + "); its messages are above";
  }
  if (!renderedWell) {
    if (!rendered.exited && rendered.code != 0) {
      return "the run stopped on " + companion::describe(rendered) +
             "; the engine's report is above";
    }
    return "rendering failed (" + companion::describe(rendered) + ")";
  }
  return {};
}

// Reads the video back with ffprobe: empty when it holds every frame asked for and lasts as
// long, with its sound; otherwise what is wrong with it.
std::string verifyVideo(const Request& request, const std::string& path) {
  std::string report;
  const companion::ChildEnd probed = companion::runProgram(
      {"ffprobe", "-v", "error", "-count_packets", "-show_entries",
       "stream=codec_type,nb_read_packets,duration:format=duration", "-of", "compact", path},
      report);
  if (!probed.succeeded()) {
    return "the video does not read back (ffprobe: " + companion::describe(probed) +
           "; its messages are above)";
  }
  // Lines such as "stream|codec_type=video|duration=1.000000|nb_read_packets=60".
  std::map<std::string, std::map<std::string, std::string>> sections;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string section, field;
    std::getline(fields, section, '|');
    std::map<std::string, std::string> values;
    while (std::getline(fields, field, '|')) {
      const std::size_t equals = field.find('=');
      if (equals != std::string::npos) values[field.substr(0, equals)] = field.substr(equals + 1);
    }
    const std::string key = section == "stream" ? values["codec_type"] : section;
    if (!sections.count(key)) sections[key] = values;
  }
  const auto number = [](const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return end && end != text.c_str() && *end == '\0' ? value : -1.0;
  };
  char text[160];
  const double asked = request.seconds();
  if (!sections.count("video")) return "the video read back holds no picture";
  const double frames = number(sections["video"]["nb_read_packets"]);
  if (frames != request.frames()) {
    std::snprintf(text, sizeof text, "the video read back holds %.0f of the %d frames asked for",
                  frames < 0 ? 0.0 : frames, request.frames());
    return text;
  }
  // A frame's time for the picture; for the sound, the AAC frames of 1024 samples that
  // start and end it are whole.
  const double pictureSeconds = number(sections["video"]["duration"]);
  if (std::fabs(pictureSeconds - asked) > 0.5 / request.fps) {
    std::snprintf(text, sizeof text, "the picture read back lasts %.3f s, not the %.3f s asked for",
                  pictureSeconds, asked);
    return text;
  }
  if (!sections.count("audio")) return "the video read back holds no sound";
  const double soundSeconds = number(sections["audio"]["duration"]);
  if (std::fabs(soundSeconds - asked) > 0.1) {
    std::snprintf(text, sizeof text, "the sound read back lasts %.3f s, not the %.3f s asked for",
                  soundSeconds, asked);
    return text;
  }
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  Request request;
  if (const std::optional<int> code = parseRequest(argc, argv, request)) return *code;
  if (!request.data.empty() && !companion::InvitationRun::useDataFolder(request.data, kTool)) {
    return 1;
  }
  const std::optional<Output> output = prepareOutput(request);
  if (!output) return 1;

  const auto started = std::chrono::steady_clock::now();
  companion::watchInterrupts();
  const auto fail = [&](const std::string& cause) {
    output->discard();
    std::fprintf(
        stderr, "%s: %s; %s\n", kTool, cause.c_str(),
        output->inPlace() ? ("nothing usable went to " + output->path).c_str() : "nothing written");
    return 1;
  };
  const std::optional<Children> children = startCapture(request, *output);
  if (!children) return fail("ffmpeg could not be started");
  if (const std::string cause = waitForCapture(*children); !cause.empty()) return fail(cause);
  if (const std::string cause = syncVideo(*output); !cause.empty()) return fail(cause);
  if (const std::string cause = verifyVideo(request, output->writing); !cause.empty()) {
    return fail(cause);
  }
  if (!output->inPlace() && std::rename(output->writing.c_str(), output->path.c_str()) != 0) {
    return fail("cannot name the video " + output->path + ": " + std::strerror(errno));
  }

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  struct stat status {};
  const double megabytes = stat(output->path.c_str(), &status) == 0 ? status.st_size / 1e6 : 0.0;
  std::printf("%s: %d frames at %d fps (%.3f s of music from %.3f s), %dx%d, %.1f MB, in %.1f s\n",
              output->path.c_str(), request.frames(), request.fps, request.seconds(),
              request.fromMs / 1000.0, request.size.width, request.size.height, megabytes, seconds);
  return companion::standardOutputWritten(kTool) ? 0 : 1;
}

// kestu09-live: the invitation in a window with its music, under a viewer's hands: play,
// pause, seek and loop with the music in step, effects and pictures reloaded when saved, the
// choreography's tracks edited on the beat grid and saved, pictures of the moment that match
// the render tool's.
#include <SDL.h>
#include <sys/stat.h>
#include <windows.h>

#include <chrono>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Arguments.h"
#include "CaptureJob.h"
#include "EffectReload.h"
#include "LiveHost.h"
#include "Loudness.h"
#include "OutputFile.h"
#include "PassTimer.h"
#include "Picture.h"
#include "PictureReload.h"
#include "ScriptedRun.h"
#include "SourceWatch.h"
#include "Timeline.h"
#include "TrackEditor.h"
#include "TrackPanel.h"
#include "Transport.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/tracks/TrackFile.h"
#include "invitation/Choreography.h"
#include "invitation/Invitation.h"

namespace {

constexpr const char* kTool = "kestu09-live";
constexpr const char* kTitle = "KESTU09 live";
constexpr const char* kUnsavedTitle = "KESTU09 live - invitation.tracks (unsaved)";
constexpr const char* kUsage =
    "usage: kestu09-live [--size WxH] [--time T] [--paused] [--loop A B] [--effects DIR]\n"
    "                    [--data DIR] [--out DIR]\n"
    "Plays the invitation in a window with its music, for changing its look: the music is the\n"
    "clock, effect sources and pictures are reloaded when saved, F12 writes the picture as\n"
    "kestu09-render draws it.\n"
    "  --size WxH     picture size in pixels (default 1280x720)\n"
    "  --time T       start at music time T (seconds, 0 <= T < 91)\n"
    "  --paused       start paused\n"
    "  --loop A B     loop from A to B seconds, on\n"
    "  --effects DIR  effect sources to watch (default: the effects of the source tree)\n"
    "  --data DIR     the data folder: files are read from there first, its pictures are\n"
    "                 watched (default: the folder the pictures are read from)\n"
    "  --out DIR      folder for pictures and captures (default: the current folder)\n"
    "  --help         this text\n"
    "  --version      the version\n"
    "Keys: Space pause/play, Left/Right 1 s, Shift+Left/Right one frame, Home the start,\n"
    "[ and ] the loop's start and end, L loop on/off, Up/Down speed x2 or /2 (x1/4..x4),\n"
    "Tab the timeline, F12 a picture, C the loop range to MP4 through kestu09-capture,\n"
    "Escape quits (with unsaved tracks, a second Escape).\n"
    "Tracks (invitation.tracks of the data folder): PageUp/PageDown a track, K a key at the\n"
    "time on the nearest sixteenth (Shift+K the beat, Alt+K no snapping), = and - its value\n"
    "(Shift: x10), I its interpolation, Delete the key, comma and period the previous and next\n"
    "key, Ctrl+Z undo, Ctrl+Y redo, Ctrl+S save.\n";

// The launcher's controls: the full-screen box (cleared) and Start.
constexpr int kStartId = 1001;
constexpr int kFullScreenId = 1004;

constexpr std::uint32_t kLoudnessBinMs = 100;
// The invitation's passes as the timer takes them: the offscreen ones in order, then the
// composition on the back buffer.
const std::vector<std::string> kPassNames = {"scene", "motion blur", "bloom", "composition"};
// While the picture stands still the loop is held to about this rate, so a paused viewer
// does not take a whole core.
constexpr double kStillFrameMs = 1000.0 / 60.0;

// The signal that asked the viewer to end (SIGINT, SIGTERM), 0 while none did. A second one
// ends the process at once, for a viewer that cannot reach its next frame.
volatile std::sig_atomic_t endSignal = 0;

extern "C" void askToEnd(int signal) {
  if (endSignal != 0) _exit(128 + signal);
  endSignal = signal;
}

void watchEndSignals() {
  struct sigaction action {};
  action.sa_handler = askToEnd;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM}) sigaction(signal, &action, nullptr);
}

// One line on standard output; a line that cannot be written is said once on standard
// error, and the viewer plays on.
void say(const std::string& line) {
  static bool failed = false;
  if ((std::printf("%s\n", line.c_str()) < 0 || std::fflush(stdout) != 0) && !failed) {
    failed = true;
    std::fprintf(stderr, "%s: standard output cannot be written; its lines are lost\n", kTool);
  }
}

struct Options {
  companion::Size size{1280, 720};
  std::optional<std::uint32_t> startMs;
  bool paused = false;
  std::optional<std::pair<std::uint32_t, std::uint32_t>> loop;
  std::string effects = VANTOR_SOURCE_DIR "/effects";
  std::string data;  // empty: the folder the program's pictures are read from
  std::string out;
};

// --paused takes no value and --loop two; the shared parser knows options with one value.
Options parseOptions(int argc, char** argv, bool& help, bool& version) {
  Options options;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--paused") {
      options.paused = true;
    } else if (argument == "--loop") {
      if (i + 2 >= argc) throw companion::UsageError("--loop needs a start and an end");
      const std::uint32_t a = companion::parseMusicTimeMs(argv[i + 1]);
      const std::uint32_t b = companion::parseRunLengthMs(argv[i + 2]);
      if (b <= a) throw companion::UsageError("the loop's end must come after its start");
      options.loop = {a, b};
      i += 2;
    } else {
      rest.push_back(argument);
    }
  }
  std::vector<const char*> pointers;
  for (const std::string& argument : rest) pointers.push_back(argument.c_str());
  const companion::Arguments arguments =
      companion::parseArguments(static_cast<int>(pointers.size()), pointers.data(),
                                {"--size", "--time", "--effects", "--data", "--out"}, false);
  help = arguments.help;
  version = arguments.version;
  const auto& given = arguments.options;
  if (given.count("--size")) options.size = companion::parseSize(given.at("--size"));
  if (given.count("--time")) options.startMs = companion::parseMusicTimeMs(given.at("--time"));
  if (given.count("--effects")) options.effects = given.at("--effects");
  if (given.count("--data")) options.data = given.at("--data");
  if (given.count("--out")) options.out = given.at("--out");
  return options;
}

bool isFolder(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

double msSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// Everything the viewer does between the engine's frames.
class Viewer {
 public:
  Viewer(const Options& options, platform::live::LiveHost& host)
      : options_(options),
        host_(host),
        transport_(companion::kRunMs, say),
        watch_(options.effects),
        effects_(options.effects, say),
        dataWatch_(options.data),
        pictures_(options.data, say),
        capture_(live::captureToolBeside(), say, options.data),
        tracks_(vantor::invitation::choreography, vantor::invitation::builtInChoreography(),
                options.data, say),
        passTimer_(kPassNames) {
    host_.watchCalls(&passTimer_);
    if (!watch_.error().empty()) say("effects are not watched: " + watch_.error());
    if (!dataWatch_.error().empty()) say("pictures are not watched: " + dataWatch_.error());
    transport_.startAt(options.startMs.value_or(0), options.paused);
    if (options.loop) transport_.setLoop(options.loop->first, options.loop->second, true);
    const std::string track = vantor::findDataFile("kestuinvi.mp3");
    loudness_ = std::async(std::launch::async, [track] {
      return track.empty() ? std::vector<float>{}
                           : live::trackLoudness(track, companion::kRunMs, kLoudnessBinMs);
    });
    host_.onFrameStart([this] { frameStart(); });
    host_.onFramePresented([this] { framePresented(); });
    host_.onEvent([this](const SDL_Event& event) { return handleEvent(event); });
    host_.onOverlay(
        [this](SDL_Window* window, int width, int height) { overlay(window, width, height); });
  }

 private:
  void frameStart() {
    const auto now = std::chrono::steady_clock::now();
    const double wallMs =
        started_ ? std::chrono::duration<double, std::milli>(now - lastStart_).count() : 0.0;
    if (started_) fps_ = fps_ * 0.9 + (wallMs > 0 ? 1000.0 / wallMs : 0.0) * 0.1;
    lastStart_ = now;
    if (!started_) {
      started_ = true;
      tracks_.start();  // the invitation has read its track file
      if (SDL_Window* window = SDL_GL_GetCurrentWindow()) SDL_SetWindowTitle(window, kTitle);
    }
    if (endSignal != 0 && !ending_) endOnSignal();
    transport_.attach(host_.channel());
    effects_.apply(watch_.changed());
    const std::vector<std::string> dataSaved = dataWatch_.changed();
    pictures_.apply(dataSaved);
    if (tracks_.apply(dataSaved)) transport_.redraw();
    capture_.poll();
    for (const Command& command : commands_) run(command);
    commands_.clear();
    showUnsavedInTitle();
    frame_ = transport_.beforeFrame(wallMs);
    // The picture F12 asked for is the first settled frame of its redraw.
    if (captureAsked_ && frame_.settled) frameWillCapture_ = true;
    frameCpuStart_ = now;
  }

  // The orderly end a signal asked for: the engine's loop ends after this frame, the viewer
  // then ends a running capture (which removes what it wrote) and main answers 128 + the
  // signal, as a shell expects of a program ended by it.
  void endOnSignal() {
    ending_ = true;
    std::fprintf(stderr, "%s: ended by %s\n", kTool, endSignal == SIGINT ? "SIGINT" : "SIGTERM");
    sayUnsavedLost();
    stopTiming();
    // As the close box would: the window's close request ends the engine's loop.
    if (SDL_Window* window = SDL_GL_GetCurrentWindow()) {
      SDL_Event close{};
      close.type = SDL_WINDOWEVENT;
      close.window.event = SDL_WINDOWEVENT_CLOSE;
      close.window.windowID = SDL_GetWindowID(window);
      SDL_PushEvent(&close);
    }
  }

  void sayUnsavedLost() {
    if (!tracks_.unsaved()) return;
    std::string names;
    for (const std::string& name : tracks_.unsavedTracks())
      names += (names.empty() ? "" : ", ") + name;
    std::fprintf(stderr, "%s: unsaved changes to %s are lost: %s\n", kTool, tracks_.path().c_str(),
                 names.c_str());
  }

  void showUnsavedInTitle() {
    const bool unsaved = tracks_.unsaved();
    if (unsaved == titleUnsaved_) return;
    titleUnsaved_ = unsaved;
    if (!unsaved) escapeWarned_ = false;
    if (SDL_Window* window = SDL_GL_GetCurrentWindow()) {
      SDL_SetWindowTitle(window, unsaved ? kUnsavedTitle : kTitle);
    }
  }

  void framePresented() {
    cpuMs_ = msSince(frameCpuStart_) - overlayMs_;
    timePasses();
    if (frameWillCapture_) {
      frameWillCapture_ = captureAsked_ = false;
      writePicture(frame_.ms);
    }
    // A still picture needs no more than a display's rate.
    if (transport_.paused()) {
      const double spent = msSince(lastStart_);
      if (spent < kStillFrameMs) {
        std::this_thread::sleep_for(
            std::chrono::duration<double, std::milli>(kStillFrameMs - spent));
      }
    }
  }

  // The timer starts after the first Present of the loop and gives its queries back before
  // the device goes (the loop ends on the Escape or close that handleEvent sees first).
  void timePasses() {
    if (timerState_ == TimerState::kOff) {
      timerState_ = passTimer_.attach(vantor::GraphicsContext::instance()->device())
                        ? TimerState::kTiming
                        : TimerState::kFailed;
      return;
    }
    if (timerState_ != TimerState::kTiming) return;
    passTimer_.collect(false);
    if (passTimer_.attributedFrames() == 0) return;
    passes_.clear();
    for (std::size_t i = 0; i < kPassNames.size(); ++i) {
      passes_.emplace_back(kPassNames[i], passTimer_.passMs(i).back());
    }
  }

  void stopTiming() {
    if (timerState_ == TimerState::kTiming) passTimer_.detach();
    timerState_ = TimerState::kStopped;
  }

  void writePicture(std::uint32_t ms) {
    platform::scripted::Image image;
    const HRESULT readBack =
        platform::scripted::readBackBuffer(vantor::GraphicsContext::instance()->device(), image);
    const std::string path = companion::framePath(options_.out, ms);
    std::string error;
    if (FAILED(readBack)) {
      say("the picture at " + live::seconds(ms) + " s could not be read back");
    } else if (!companion::writePng(path, image, error)) {
      say(error);
    } else {
      say("wrote " + path);
    }
  }

  void overlay(SDL_Window* window, int width, int height) {
    if (!started_) return;  // the loading picture is the demo's alone
    const auto start = std::chrono::steady_clock::now();
    live::TimelineState state;
    state.timeMs = frame_.ms;
    state.endMs = transport_.endMs();
    state.paused = transport_.paused();
    state.speed = transport_.speedName();
    state.loopOn = transport_.loopOn();
    state.loopStartMs = transport_.loopStartMs();
    state.loopEndMs = transport_.loopEndMs();
    state.fps = fps_;
    state.cpuMs = cpuMs_;
    state.passes = passes_;
    if (loudness_.valid() &&
        loudness_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
      levels_ = loudness_.get();
    }
    state.loudness = &levels_;
    for (const auto* errors : {&effects_.errors(), &pictures_.errors()}) {
      for (const auto& [file, lines] : *errors) {
        state.errors.insert(state.errors.end(), lines.begin(), lines.end());
      }
    }
    state.errors.insert(state.errors.end(), tracks_.errors().begin(), tracks_.errors().end());
    const double seconds = transport_.timeMs() / 1000.0;
    state.beatsPerMinute = tracks_.tracks().beatsPerMinute;
    for (const vantor::TrackKey& key : tracks_.selectedTrack().keys()) {
      state.keySeconds.push_back(key.seconds);
    }
    state.currentKey = tracks_.keyNear(seconds);
    state.panels = [this, seconds](float stripTop) {
      const live::TrackPanelResult result = live::drawTrackPanel(tracks_, seconds, 8.0f, stripTop);
      if (result.edited) commands_.push_back({Command::kEdited});
      if (result.saveAsked) commands_.push_back({Command::kSave});
      if (result.seekSeconds) commands_.push_back({Command::kSeekTo, *result.seekSeconds * 1000.0});
    };
    if (std::optional<double> seekTo = timeline_.draw(window, width, height, state)) {
      commands_.push_back({Command::kSeekTo, *seekTo});
    }
    overlayMs_ = msSince(start);
  }

  struct Command {
    enum Kind {
      kSeekTo,
      kStep,
      kPause,
      kHome,
      kLoopStart,
      kLoopEnd,
      kLoop,
      kFaster,
      kSlower,
      kPicture,
      kCapture,
      kSelectTrack,
      kInsertKey,
      kNudgeValue,
      kCycleInterpolation,
      kDeleteKey,
      kNeighbourKey,
      kUndo,
      kRedo,
      kSave,
      kEdited
    };
    Kind kind;
    double value = 0.0;
  };

  void run(const Command& command) {
    switch (command.kind) {
      case Command::kSeekTo: transport_.seek(command.value); break;
      case Command::kStep: transport_.stepBy(command.value); break;
      case Command::kPause: transport_.togglePause(); break;
      case Command::kHome: transport_.seek(0); break;
      case Command::kLoopStart: transport_.markLoopStart(); break;
      case Command::kLoopEnd: transport_.markLoopEnd(); break;
      case Command::kLoop: transport_.toggleLoop(); break;
      case Command::kFaster: transport_.faster(); break;
      case Command::kSlower: transport_.slower(); break;
      case Command::kPicture:
        transport_.redraw();
        captureAsked_ = true;
        break;
      case Command::kCapture: captureLoopRange(); break;
      default: editTracks(command); break;
    }
  }

  // The track commands, at the play head's time (a still picture's frames include the one
  // before it); an edit draws the picture again.
  void editTracks(const Command& command) {
    const double seconds = transport_.timeMs() / 1000.0;
    bool edited = false;
    switch (command.kind) {
      case Command::kSelectTrack: tracks_.selectBy(static_cast<int>(command.value)); break;
      case Command::kInsertKey: {
        const double at = tracks_.insertKey(seconds, static_cast<live::Snap>(command.value));
        transport_.seek(at * 1000.0);
        edited = true;
        break;
      }
      case Command::kNudgeValue:
        edited = tracks_.nudgeValue(seconds, static_cast<int>(command.value));
        break;
      case Command::kCycleInterpolation: edited = tracks_.cycleInterpolation(seconds); break;
      case Command::kDeleteKey: edited = tracks_.deleteKey(seconds); break;
      case Command::kNeighbourKey:
        if (const auto next = tracks_.neighbourKey(seconds, static_cast<int>(command.value))) {
          transport_.seek(*next * 1000.0);
        }
        break;
      case Command::kUndo: edited = tracks_.undo(); break;
      case Command::kRedo: edited = tracks_.redo(); break;
      case Command::kSave: tracks_.save(); break;
      case Command::kEdited: edited = true; break;
      default: break;
    }
    if (edited) {
      escapeWarned_ = false;
      transport_.redraw();
    }
    const bool keyCommand = command.kind == Command::kInsertKey ||
                            command.kind == Command::kNudgeValue ||
                            command.kind == Command::kCycleInterpolation;
    if (keyCommand || command.kind == Command::kDeleteKey) sayKey(edited, command.kind);
  }

  // The line of a key command: the key as it is now, or why nothing changed.
  void sayKey(bool edited, Command::Kind kind) {
    const double seconds = transport_.timeMs() / 1000.0;
    const vantor::Track& track = tracks_.selectedTrack();
    const std::optional<std::size_t> index = tracks_.keyNear(seconds);
    if (kind == Command::kDeleteKey) {
      say(edited ? "deleted the key of " + track.name() + " at " + live::seconds(seconds * 1000.0) +
                       " s"
                 : "no key of " + track.name() + " to delete here (a track keeps its last key)");
    } else if (!index) {
      say("no key of " + track.name() + " at " + live::seconds(seconds * 1000.0) + " s");
    } else {
      const vantor::TrackKey& key = track.keys()[*index];
      char value[32];
      std::snprintf(value, sizeof value, "%.6g", key.value);
      say("key of " + track.name() + " at " + live::seconds(key.seconds * 1000.0) + " s: " + value +
          " " + vantor::interpolationName(key.interpolation));
    }
  }

  // The video of the loop range at the viewer's picture size, made by the capture tool while
  // the viewer plays on.
  void captureLoopRange() {
    if (!transport_.loopRangeChosen() || transport_.loopStartMs() >= transport_.loopEndMs()) {
      say("no loop range to capture: [ and ] set its start and end");
      return;
    }
    if (tracks_.unsaved())
      say("the capture draws the saved invitation.tracks, not the unsaved changes");
    capture_.start(options_.size.width, options_.size.height, transport_.loopStartMs(),
                   transport_.loopEndMs(), options_.out);
  }

  // Display events arrive while the engine drains its messages after a frame: they are kept
  // as commands and run before the next frame. True for an event the window must not get
  // (one the interface takes, the first Escape with unsaved tracks).
  bool handleEvent(const SDL_Event& event) {
    if (timeline_.handleEvent(event)) return true;
    const bool escape = event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE;
    if (escape && event.key.repeat == 0 && tracks_.unsaved() && !escapeWarned_) {
      escapeWarned_ = true;
      std::string names;
      for (const std::string& name : tracks_.unsavedTracks())
        names += (names.empty() ? "" : ", ") + name;
      say("unsaved changes to invitation.tracks (" + names + "): Escape again quits, Ctrl+S saves");
      return true;
    }
    const bool closing =
        event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE) || escape;
    if (closing) {
      stopTiming();
      if (!quitSaid_) sayUnsavedLost();
      quitSaid_ = true;
    }
    if (event.type != SDL_KEYDOWN) return false;
    const SDL_Keymod mod = static_cast<SDL_Keymod>(event.key.keysym.mod);
    const bool shift = (mod & KMOD_SHIFT) != 0;
    const bool ctrl = (mod & KMOD_CTRL) != 0;
    const bool alt = (mod & KMOD_ALT) != 0;
    const bool repeat = event.key.repeat != 0;
    if (ctrl) {
      switch (event.key.keysym.sym) {
        case SDLK_s:
          if (!repeat) commands_.push_back({Command::kSave});
          return true;
        case SDLK_z: commands_.push_back({shift ? Command::kRedo : Command::kUndo}); return true;
        case SDLK_y: commands_.push_back({Command::kRedo}); return true;
        default: return false;
      }
    }
    switch (event.key.keysym.sym) {
      case SDLK_SPACE:
        if (!repeat) commands_.push_back({Command::kPause});
        break;
      case SDLK_LEFT:
        commands_.push_back({Command::kStep, shift ? -live::Transport::kFrameMs : -1000.0});
        break;
      case SDLK_RIGHT:
        commands_.push_back({Command::kStep, shift ? live::Transport::kFrameMs : 1000.0});
        break;
      case SDLK_HOME: commands_.push_back({Command::kHome}); break;
      case SDLK_LEFTBRACKET: commands_.push_back({Command::kLoopStart}); break;
      case SDLK_RIGHTBRACKET: commands_.push_back({Command::kLoopEnd}); break;
      case SDLK_l:
        if (!repeat) commands_.push_back({Command::kLoop});
        break;
      case SDLK_UP: commands_.push_back({Command::kFaster}); break;
      case SDLK_DOWN: commands_.push_back({Command::kSlower}); break;
      case SDLK_TAB:
        if (!repeat) timeline_.toggle();
        break;
      case SDLK_F12:
        if (!repeat) commands_.push_back({Command::kPicture});
        break;
      case SDLK_c:
        if (!repeat) commands_.push_back({Command::kCapture});
        break;
      case SDLK_PAGEUP: commands_.push_back({Command::kSelectTrack, -1}); break;
      case SDLK_PAGEDOWN: commands_.push_back({Command::kSelectTrack, 1}); break;
      case SDLK_k: {
        const live::Snap snap = alt     ? live::Snap::kNone
                                : shift ? live::Snap::kBeat
                                        : live::Snap::kSixteenth;
        if (!repeat) commands_.push_back({Command::kInsertKey, static_cast<double>(snap)});
        break;
      }
      case SDLK_EQUALS:
      case SDLK_PLUS:
      case SDLK_KP_PLUS: commands_.push_back({Command::kNudgeValue, shift ? 10.0 : 1.0}); break;
      case SDLK_MINUS:
      case SDLK_KP_MINUS: commands_.push_back({Command::kNudgeValue, shift ? -10.0 : -1.0}); break;
      case SDLK_i:
        if (!repeat) commands_.push_back({Command::kCycleInterpolation});
        break;
      case SDLK_DELETE:
        if (!repeat) commands_.push_back({Command::kDeleteKey});
        break;
      case SDLK_COMMA: commands_.push_back({Command::kNeighbourKey, -1}); break;
      case SDLK_PERIOD: commands_.push_back({Command::kNeighbourKey, 1}); break;
      default: break;
    }
    return false;
  }

  const Options& options_;
  platform::live::LiveHost& host_;
  live::Transport transport_;
  live::SourceWatch watch_;
  live::EffectReload effects_;
  live::SourceWatch dataWatch_;
  live::PictureReload pictures_;
  live::CaptureJob capture_;
  live::TrackEditor tracks_;
  companion::PassTimer passTimer_;
  enum class TimerState { kOff, kTiming, kFailed, kStopped } timerState_ = TimerState::kOff;
  std::vector<std::pair<std::string, double>> passes_;
  live::Timeline timeline_;
  std::future<std::vector<float>> loudness_;
  std::vector<float> levels_;
  std::vector<Command> commands_;
  live::Transport::Frame frame_;
  bool started_ = false;
  bool captureAsked_ = false, frameWillCapture_ = false;
  bool ending_ = false, titleUnsaved_ = false, escapeWarned_ = false, quitSaid_ = false;
  std::chrono::steady_clock::time_point lastStart_, frameCpuStart_;
  double fps_ = 0.0, cpuMs_ = 0.0, overlayMs_ = 0.0;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    bool help = false, version = false;
    options = parseOptions(argc, argv, help, version);
    if (help) return companion::printHelp(kTool, kUsage);
    if (version) return companion::printVersion(kTool);
  } catch (const companion::UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", kTool, error.what(), kUsage);
    return 2;
  }
  if (!options.out.empty() && !isFolder(options.out)) {
    std::fprintf(stderr, "%s: the folder %s does not exist\n", kTool, options.out.c_str());
    return 1;
  }
  if (!isFolder(options.effects)) {
    std::fprintf(stderr, "%s: the effects folder %s does not exist\n", kTool,
                 options.effects.c_str());
    return 1;
  }
  if (options.data.empty()) {
    const std::string picture = vantor::findDataFile("bg.jpg");
    const std::size_t slash = picture.rfind('/');
    options.data = slash == std::string::npos ? "." : picture.substr(0, slash);
  } else {
    vantor::useDataFolder(options.data);
  }
  if (!isFolder(options.data)) {
    std::fprintf(stderr, "%s: the data folder %s does not exist\n", kTool, options.data.c_str());
    return 1;
  }
  // A reader of the lines that goes away (a closed pipe) must not end the viewer.
  std::signal(SIGPIPE, SIG_IGN);
  // A viewer that nobody sees is no viewer: it says so and ends, as the demo does.
  if (const std::string why = platform::live::LiveHost::whyNothingCanBeShown(); !why.empty()) {
    std::fprintf(stderr, "%s: nothing can be shown: %s\n", kTool, why.c_str());
    return 1;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "%s: no display: %s\n", kTool, SDL_GetError());
    return 1;
  }
  if (!platform::live::LiveHost::ensureAudioOutput()) {
    std::fprintf(stderr, "%s: no audio output: the music plays silently\n", kTool);
  }
  if (vantor::findDataFile("kestuinvi.mp3").empty()) {
    std::fprintf(stderr, "%s: the music track is not found\n", kTool);
    return 1;
  }
  platform::live::LiveHost host(static_cast<UINT>(options.size.width),
                                static_cast<UINT>(options.size.height), {kFullScreenId, kStartId});
  Viewer viewer(options, host);
  watchEndSignals();
  WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT);
  return endSignal != 0 ? 128 + endSignal : 0;
}

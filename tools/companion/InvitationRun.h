// One run of the real engine entry with the invitation's hooks on the scripted platform: the
// launcher starts a window of the asked size, loading runs as in the demo, and then the frame
// loop is driven frame by frame on a virtual clock that the music follows. The caller says
// at which music time the loop's first frame is drawn and, after each frame is presented,
// the music time of the next one or the end of the run. One run per process.
#pragma once

#include <d3d9.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "ScriptedRun.h"

namespace companion {

class InvitationRun {
 public:
  // Answers the music time (ms) of the next frame, or nothing to end the run after this one.
  using FrameHandler =
      std::function<std::optional<std::uint32_t>(int frame, IDirect3DDevice9* device)>;

  // tool names the program in the demo's reports, which go to standard error.
  InvitationRun(Size size, const char* tool);
  ~InvitationRun();
  InvitationRun(const InvitationRun&) = delete;
  InvitationRun& operator=(const InvitationRun&) = delete;

  // The music time of the loop's first frame (default 0). The clock jumps there when the loop
  // starts: nothing before it is drawn.
  void startAt(std::uint32_t musicMs) { firstMs_ = musicMs; }
  // Device and effect calls are passed on to this observer too (each one added, in order).
  void watchCalls(platform::ICallObserver* observer) { callWatchers_.push_back(observer); }

  // Runs the entry to its end. True when the handler ended it; false, with a message, when
  // the run ended before (the window was closed, start-up failed).
  bool run(const FrameHandler& handler);

  // From the entry's start to the first frame of the loop: window, device, music and the
  // invitation's setup.
  std::chrono::steady_clock::duration setupTime() const { return loopStart_ - entryStart_; }
  std::chrono::steady_clock::time_point loopStart() const { return loopStart_; }

  // Whether the music track is found; without it every frame shows music time 0.
  static bool musicFound();
  // Makes folder the first place of every data file a run reads (its pictures, its track file
  // invitation.tracks), the usual places giving what it lacks. False, with a line naming the
  // tool on standard error, when it is not a folder. Before the run.
  static bool useDataFolder(const std::string& folder, const char* tool);

  // The picture a viewer sees at musicMs in a run at fps frames a second, motion blur
  // included: the frame 1/fps s before is drawn first, so the motion is that run's. False,
  // with a line naming the tool on standard error, when the run or the read-back fails. One
  // picture per process, as every run.
  static bool drawPicture(Size size, int fps, std::uint32_t musicMs, const char* tool,
                          platform::scripted::Image& image);

 private:
  class LoopWatch;
  void loopStarts();
  void framePresented(const FrameHandler& handler);

  const char* tool_;
  platform::scripted::ScriptedRun scripted_;
  std::unique_ptr<LoopWatch> loopWatch_;
  std::vector<platform::ICallObserver*> callWatchers_;
  std::uint32_t firstMs_ = 0;
  bool looping_ = false;
  bool ended_ = false;
  std::uint64_t loopClockMs_ = 0;  // the clock when the music started
  int frame_ = 0;
  std::chrono::steady_clock::time_point entryStart_, loopStart_;
};

}  // namespace companion

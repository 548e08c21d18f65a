// The real platform (a window on the display, SDL's audio output) steered by a tool that runs
// the engine's entry in it: the launcher is passed with one windowed mode of the tool's
// picture size, the music channel the program plays is handed over, the frame loop's start of
// a frame and its Present are reported, and the tool may draw over the picture before each
// swap. The demo never links it. One per process, made before the entry runs.
#pragma once

#include <CallObserver.h>
#include <d3d9.h>
#include <fmod.hpp>

#include <functional>
#include <string>
#include <vector>

union SDL_Event;
struct SDL_Window;

namespace platform::live {

class LiveHost : public ICallObserver {
 public:
  // clicks: the launcher's controls clicked, in order, as soon as it waits for input.
  LiveHost(UINT width, UINT height, std::vector<int> clicks);
  ~LiveHost();
  LiveHost(const LiveHost&) = delete;
  LiveHost& operator=(const LiveHost&) = delete;

  // Whether SDL's audio output opens; when it does not, SDL's "dummy" driver is chosen, for
  // which the music plays silently on the steady clock (the platform clock that the tool
  // steers would not do). Call before the entry runs.
  static bool ensureAudioOutput();

  // The channel of the latest playSound; null before the music starts.
  FMOD::Channel* channel() const { return channel_; }

  // Once the music plays: before each frame of the loop reads the clock, and after its
  // Present (the device then holds the frame just shown in its back buffer). Device calls
  // that the handlers make themselves are not taken for the loop's.
  void onFrameStart(std::function<void()> handler) { frameStart_ = std::move(handler); }
  void onFramePresented(std::function<void()> handler) { framePresented_ = std::move(handler); }
  // Every display event, as it arrives (mouse, keys, window), before the window gets it; an
  // event the handler answers true for is the tool's alone and never reaches the window.
  // Device calls the handler makes are not taken for the loop's.
  void onEvent(std::function<bool(const SDL_Event&)> handler) { event_ = std::move(handler); }

  // Empty when the tool's window can be shown here (a display that answers, a window with
  // OpenGL 4.5 in it); otherwise why not, in a few words. Before the entry runs.
  static std::string whyNothingCanBeShown();
  // Drawn in the window after the picture, before the swap, with the GL context current.
  void onOverlay(std::function<void(SDL_Window*, int width, int height)> handler);

  // Device and effect calls are passed on to this observer too (a timer of the passes, say),
  // the handlers' own calls included.
  void watchCalls(ICallObserver* observer) { watcher_ = observer; }

  void onCall(const Call& call) override;
  bool wantsArguments(const char* object, const char* method) override {
    return watcher_ && watcher_->wantsArguments(object, method);
  }

 private:
  static int eventFilter(void* self, SDL_Event* event);
  bool idle();

  std::vector<int> clicks_;
  ICallObserver* watcher_ = nullptr;
  FMOD::Channel* channel_ = nullptr;
  bool looping_ = false;
  bool frameOpen_ = false;  // the frame has started and not yet been presented
  bool inHandler_ = false;
  std::uint64_t capMs_ = ~std::uint64_t{0};
  std::function<void()> frameStart_;
  std::function<void()> framePresented_;
  std::function<bool(const SDL_Event&)> event_;
};

}  // namespace platform::live

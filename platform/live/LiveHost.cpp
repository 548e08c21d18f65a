#include "LiveHost.h"

#include <DeviceGl.h>
#include <FmodHooks.h>
#include <Hooks.h>
#include <Input.h>
#include <PresentationCheck.h>
#include <SDL.h>
#include <Window.h>
#include <WindowHost.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace platform::live {

namespace {

// The demo ends its loop a fixed time after the music started by the platform clock. A tool
// that seeks, pauses and loops keeps that end away: once the loop runs, the clock stands still
// this long after its start (the loop's frame time is then 0; every picture follows the
// music position alone).
constexpr std::uint64_t kClockHoldMs = 60000;

std::uint64_t steadyMs() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

}  // namespace

std::string LiveHost::whyNothingCanBeShown() { return d3d9::whyNothingCanBeShown(); }

bool LiveHost::ensureAudioOutput() {
  bool opened = false;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device != 0) {
      SDL_CloseAudioDevice(device);
      opened = true;
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  if (!opened) setenv("SDL_AUDIODRIVER", "dummy", 1);
  return opened;
}

LiveHost::LiveHost(UINT width, UINT height, std::vector<int> clicks) : clicks_(std::move(clicks)) {
  win32::offerModes({{width, height, 60}});
  win32::setTimeSource([this] { return std::min(steadyMs(), capMs_); });
  win32::setIdleHandler([this] { return idle(); });
  fmod::onChannelPlayed([this](FMOD::Channel* channel) { channel_ = channel; });
  SDL_SetEventFilter(&LiveHost::eventFilter, this);
  setCallObserver(this);
}

LiveHost::~LiveHost() {
  setCallObserver(nullptr);
  SDL_SetEventFilter(nullptr, nullptr);
  d3d9::setPresentOverlay(nullptr);
  fmod::onChannelPlayed(nullptr);
  win32::setIdleHandler(nullptr);
  win32::setTimeSource(nullptr);
  win32::offerModes({});
}

void LiveHost::onOverlay(std::function<void(SDL_Window*, int, int)> handler) {
  d3d9::setPresentOverlay(std::move(handler));
}

// The launcher's wait: its controls are clicked once, then the display's events are waited
// for as without a host.
bool LiveHost::idle() {
  if (!clicks_.empty()) {
    const std::vector<int> clicks = std::move(clicks_);
    clicks_.clear();
    for (int identifier : clicks) {
      HWND control = GetDlgItem(GetForegroundWindow(), identifier);
      for (win32::Window* top : win32::topLevelWindows()) {
        if (!control) control = GetDlgItem(top->handle, identifier);
      }
      if (control) win32::clickWindow(control);
    }
    return true;
  }
  win32::pumpDisplayEvents(true, 100);
  return true;
}

// SDL's filter, not a watch: a watch sees an event that goes on to the window in any case.
int LiveHost::eventFilter(void* self, SDL_Event* event) {
  auto* host = static_cast<LiveHost*>(self);
  if (!host->event_ || !event || host->inHandler_) return 1;
  host->inHandler_ = true;
  const bool taken = host->event_(*event);
  host->inHandler_ = false;
  return taken ? 0 : 1;
}

void LiveHost::onCall(const Call& call) {
  if (watcher_) watcher_->onCall(call);
  if (inHandler_ || std::strcmp(call.object, "device") != 0) return;
  if (!looping_) {
    // The first device call with music playing is the frame loop's first step.
    if (!channel_) return;
    looping_ = true;
    capMs_ = steadyMs() + kClockHoldMs;
  }
  inHandler_ = true;
  if (std::strcmp(call.method, "Present") == 0) {
    frameOpen_ = false;
    if (framePresented_) framePresented_();
  } else if (!frameOpen_) {
    frameOpen_ = true;
    if (frameStart_) frameStart_();
  }
  inHandler_ = false;
}

}  // namespace platform::live

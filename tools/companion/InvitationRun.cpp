#include "InvitationRun.h"

#include <sys/stat.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "Core/Progress.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace companion {

namespace {

// The launcher's controls.
constexpr int kStartId = 1001;
constexpr int kFullScreenId = 1004;

}  // namespace

// Sees every device and effect call: the first device call once loading is over is the
// frame loop's first step, before it reads the clock, so that is where the clock jumps.
class InvitationRun::LoopWatch : public platform::ICallObserver {
 public:
  explicit LoopWatch(InvitationRun& run) : run_(run) {}
  void onCall(const platform::Call& call) override {
    if (!run_.looping_ && !vantor::loadingActive && std::strcmp(call.object, "device") == 0) {
      run_.loopStarts();
    }
    for (platform::ICallObserver* watcher : run_.callWatchers_) watcher->onCall(call);
  }
  bool wantsArguments(const char* object, const char* method) override {
    for (platform::ICallObserver* watcher : run_.callWatchers_) {
      if (watcher->wantsArguments(object, method)) return true;
    }
    return false;
  }

 private:
  InvitationRun& run_;
};

InvitationRun::InvitationRun(Size size, const char* tool)
    : tool_(tool), scripted_(0), loopWatch_(std::make_unique<LoopWatch>(*this)) {
  scripted_.setDisplayMode(static_cast<UINT>(size.width), static_cast<UINT>(size.height));
  scripted_.forwardCallsTo(loopWatch_.get());
  scripted_.onMessageBox([this](const platform::scripted::RecordedMessageBox& box) {
    std::fprintf(stderr, "%s: the demo reports \"%s\": %s\n", tool_, box.caption.c_str(),
                 box.text.c_str());
  });
  // The launcher's only mode, in a window.
  scripted_.atFrame(0, platform::scripted::Input::click(kFullScreenId));
  scripted_.atFrame(0, platform::scripted::Input::click(kStartId));
}

InvitationRun::~InvitationRun() { scripted_.forwardCallsTo(nullptr); }

bool InvitationRun::musicFound() { return !vantor::findDataFile("kestuinvi.mp3").empty(); }

bool InvitationRun::useDataFolder(const std::string& folder, const char* tool) {
  struct stat status;
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
    std::fprintf(stderr, "%s: the data folder %s does not exist\n", tool, folder.c_str());
    return false;
  }
  vantor::useDataFolder(folder);
  return true;
}

void InvitationRun::loopStarts() {
  looping_ = true;
  loopStart_ = std::chrono::steady_clock::now();
  loopClockMs_ = scripted_.nowMs();
  scripted_.advance(firstMs_);
}

void InvitationRun::framePresented(const FrameHandler& handler) {
  if (!looping_ || ended_ || vantor::loadingActive) return;  // the loading screen's frames
  const std::optional<std::uint32_t> next =
      handler(frame_++, vantor::GraphicsContext::instance()->device());
  if (!next) {
    // Escape, delivered as this frame's messages are drained: the loop ends after it.
    ended_ = true;
    scripted_.atFrame(0, platform::scripted::Input::key(VK_ESCAPE));
    return;
  }
  const std::uint64_t target = loopClockMs_ + *next;
  if (target > scripted_.nowMs()) scripted_.advance(target - scripted_.nowMs());
}

bool InvitationRun::run(const FrameHandler& handler) {
  scripted_.onFrame([&](int) { framePresented(handler); });
  entryStart_ = std::chrono::steady_clock::now();
  WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT);
  scripted_.onFrame(nullptr);
  if (ended_) return true;
  if (!looping_) {
    std::fprintf(stderr, "%s: the demo ended before its first frame\n", tool_);
  } else {
    std::fprintf(stderr, "%s: the demo ended after %d frames, before the last one asked for\n",
                 tool_, frame_);
  }
  return false;
}

bool InvitationRun::drawPicture(Size size, int fps, std::uint32_t musicMs, const char* tool,
                                platform::scripted::Image& image) {
  InvitationRun run(size, tool);
  const auto frameBeforeMs = static_cast<std::uint32_t>(std::lround(1000.0 / fps));
  const std::uint32_t before = musicMs >= frameBeforeMs ? musicMs - frameBeforeMs : 0;
  run.startAt(before);
  HRESULT readBack = E_FAIL;
  const bool ended = run.run([&](int frame, IDirect3DDevice9* device) {
    std::optional<std::uint32_t> next;
    if (frame == 0 && before != musicMs) {
      next = musicMs;
    } else {
      readBack = platform::scripted::readBackBuffer(device, image);
    }
    return next;
  });
  if (!ended) return false;
  if (FAILED(readBack)) {
    std::fprintf(stderr, "%s: the frame at %.3f s could not be read back (0x%08X)\n", tool,
                 musicMs / 1000.0, static_cast<unsigned>(readBack));
    return false;
  }
  return true;
}

}  // namespace companion

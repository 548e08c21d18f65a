#include "ScriptedRun.h"

#include <DeviceGl.h>
#include <FmodHooks.h>
#include <Hooks.h>
#include <Input.h>
#include <Window.h>
#include <WindowHost.h>
#include <WindowPaint.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform::scripted {

ScriptedRun::ScriptedRun(std::uint32_t msPerPresent, std::uint64_t startMs)
    : clockMs_(startMs), msPerPresent_(msPerPresent) {
  win32::forbidDisplay();
  fmod::forceSilentOutput(true);
  win32::setTimeSource([this] { return clockMs_; });
  win32::setMessageBoxHandler([this](LPCSTR text, LPCSTR caption, UINT type) {
    messageBoxes_.push_back({caption ? caption : "", text ? text : "", type});
    if (messageBoxHandler_) messageBoxHandler_(messageBoxes_.back());
    return IDOK;
  });
  win32::setIdleHandler([this] { return idle(); });
  setCallObserver(this);
}

ScriptedRun::~ScriptedRun() {
  setCallObserver(nullptr);
  win32::setIdleHandler(nullptr);
  win32::setMessageBoxHandler(nullptr);
  win32::setTimeSource(nullptr);
  win32::setHeadlessModes({});
}

void ScriptedRun::setDisplayMode(UINT width, UINT height) {
  win32::setHeadlessModes({{width, height, 60}});
}

void ScriptedRun::atFrame(int frame, Input input) {
  pending_.push_back({true, static_cast<std::uint64_t>(std::max(frame, 0)), input});
}

void ScriptedRun::atTime(std::uint64_t ms, Input input) { pending_.push_back({false, ms, input}); }

void ScriptedRun::advance(std::uint64_t ms) {
  clockMs_ += ms;
  deliverDue();
}

void ScriptedRun::onCall(const Call& call) {
  if (forward_) forward_->onCall(call);
  if (std::strcmp(call.method, "Present") != 0 || std::strcmp(call.object, "device") != 0 ||
      FAILED(call.result)) {
    return;
  }
  ++frames_;
  clockMs_ += msPerPresent_;
  if (frameHandler_) frameHandler_(frames_);
  deliverDue();
}

bool ScriptedRun::wantsArguments(const char* object, const char* method) {
  return forward_ && forward_->wantsArguments(object, method);
}

void ScriptedRun::deliverDue() {
  // Delivering may run no code of the engine (input is only posted), so the list is stable.
  std::vector<Pending> due;
  std::erase_if(pending_, [&](const Pending& p) {
    bool isDue = p.byFrame ? p.at <= static_cast<std::uint64_t>(frames_) : p.at <= clockMs_;
    if (isDue) due.push_back(p);
    return isDue;
  });
  for (const Pending& p : due) deliver(p.input);
}

bool ScriptedRun::idle() {
  std::size_t before = pending_.size();
  deliverDue();
  if (pending_.size() < before) return true;
  // Nothing due: jump to the next timed input; frame-timed input cannot come while a
  // message loop waits, since nothing presents.
  auto next =
      std::min_element(pending_.begin(), pending_.end(), [](const Pending& a, const Pending& b) {
        if (a.byFrame != b.byFrame) return !a.byFrame;
        return a.at < b.at;
      });
  if (next == pending_.end() || next->byFrame) {
    std::fprintf(stderr, "scripted run: a message loop waits and no scripted input can come\n");
    return false;
  }
  clockMs_ = std::max(clockMs_, next->at);
  deliverDue();
  return true;
}

void ScriptedRun::deliver(const Input& input) {
  switch (input.kind) {
    case Input::Kind::kKey:
      win32::keyEvent(input.code, true);
      win32::keyEvent(input.code, false);
      break;
    case Input::Kind::kClick: {
      HWND control = GetDlgItem(GetForegroundWindow(), input.code);
      for (win32::Window* top : win32::topLevelWindows()) {
        if (!control) control = GetDlgItem(top->handle, input.code);
      }
      if (control) {
        win32::clickWindow(control);
      } else {
        std::fprintf(stderr, "scripted run: no control %d to click\n", input.code);
      }
      break;
    }
    case Input::Kind::kClose:
      if (HWND top = GetForegroundWindow()) win32::closeRequest(top);
      break;
  }
}

bool captureWindow(HWND topLevel, Image& image) {
  return win32::renderClientArea(topLevel, image.argb, image.width, image.height);
}

HRESULT readBackBuffer(IDirect3DDevice9* device, Image& image) {
  if (!device) return D3DERR_INVALIDCALL;
  IDirect3DSurface9* backBuffer = nullptr;
  HRESULT result = device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  if (FAILED(result)) return result;
  UINT width = 0, height = 0;
  result = d3d9::readSurface(backBuffer, image.argb, width, height);
  backBuffer->Release();
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  return result;
}

HRESULT finishWork(IDirect3DDevice9* device) { return d3d9::finish(device); }

std::string rendererName(IDirect3DDevice9* device) { return d3d9::rendererName(device); }

std::string dialectName(IDirect3DDevice9* device) { return d3d9::dialectName(device); }

}  // namespace platform::scripted

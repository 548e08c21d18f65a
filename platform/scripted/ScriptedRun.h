// The scripted platform that tests and tools run the engine on: a virtual millisecond clock
// (timeGetTime and the music follow it), input at given frames or times, message boxes
// recorded and answered OK, windows offscreen and the Direct3D device headless. Linked by
// tests and tools only; the demo never uses it.
#pragma once

#include <d3d9.h>
#include <windows.h>

#include <CallObserver.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::scripted {

struct Input {
  enum class Kind { kKey, kClick, kClose };
  Kind kind;
  int code;  // kKey: the virtual key; kClick: the control identifier; kClose: unused

  static Input key(int virtualKey) { return {Kind::kKey, virtualKey}; }
  // A click in the middle of the control with that identifier in the foreground window
  // (the first top-level window that has one, if the foreground window has none).
  static Input click(int identifier) { return {Kind::kClick, identifier}; }
  // The foreground window's close box.
  static Input close() { return {Kind::kClose, 0}; }
};

struct RecordedMessageBox {
  std::string caption;
  std::string text;
  UINT type;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB, top row first
};

// One per process, made before the first window, device or music system: the platform
// stays scripted for the rest of the process (the engine's singletons outlive any scope).
class ScriptedRun : public ICallObserver {
 public:
  // Every Present moves the clock on by msPerPresent (0: only the script moves it).
  explicit ScriptedRun(std::uint32_t msPerPresent = 20, std::uint64_t startMs = 1000);
  ~ScriptedRun();
  ScriptedRun(const ScriptedRun&) = delete;
  ScriptedRun& operator=(const ScriptedRun&) = delete;

  // Input delivered once the given number of Presents have happened, or once the clock has
  // reached the given time. While a message loop waits with nothing due, the clock jumps to
  // the next timed input.
  void atFrame(int frame, Input input);
  void atTime(std::uint64_t ms, Input input);

  // The headless display offers exactly this mode (60 Hz) to the launcher, so that the run's
  // window and back buffer take that size when the launcher's first mode is started.
  void setDisplayMode(UINT width, UINT height);

  std::uint64_t nowMs() const { return clockMs_; }
  void advance(std::uint64_t ms);
  int frames() const { return frames_; }
  const std::vector<RecordedMessageBox>& messageBoxes() const { return messageBoxes_; }

  // Called after every Present with the number of Presents so far (the frame just shown).
  void onFrame(std::function<void(int frame)> handler) { frameHandler_ = std::move(handler); }
  // Called with every message box as it is answered (after it is recorded).
  void onMessageBox(std::function<void(const RecordedMessageBox&)> handler) {
    messageBoxHandler_ = std::move(handler);
  }
  // Device and effect calls are passed on to this observer too (null: none).
  void forwardCallsTo(ICallObserver* observer) { forward_ = observer; }

  void onCall(const Call& call) override;
  // The run itself only counts Presents; arguments are formatted for the forwarded observer.
  bool wantsArguments(const char* object, const char* method) override;

 private:
  struct Pending {
    bool byFrame;
    std::uint64_t at;
    Input input;
  };
  void deliverDue();
  bool idle();  // GetMessageA's wait: answers whether anything more can come
  void deliver(const Input& input);

  std::uint64_t clockMs_;
  std::uint32_t msPerPresent_;
  int frames_ = 0;
  std::vector<Pending> pending_;  // in the order they were scheduled
  std::vector<RecordedMessageBox> messageBoxes_;
  std::function<void(int)> frameHandler_;
  std::function<void(const RecordedMessageBox&)> messageBoxHandler_;
  ICallObserver* forward_ = nullptr;
};

// The client area of a top-level window as it would be drawn on a display.
bool captureWindow(HWND topLevel, Image& image);
// The device's back buffer as the last frame drew it.
HRESULT readBackBuffer(IDirect3DDevice9* device, Image& image);
// Waits until the device's GPU work so far is done, so that a frame can be timed as finished.
HRESULT finishWork(IDirect3DDevice9* device);
// The GL renderer and version behind the device ("" for a null or foreign device).
std::string rendererName(IDirect3DDevice9* device);
// The GL dialect the device speaks: "core" or "es3" ("" for a null or foreign device).
std::string dialectName(IDirect3DDevice9* device);

}  // namespace platform::scripted

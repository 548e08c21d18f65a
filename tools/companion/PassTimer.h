// GPU time of each pass of a frame, measured from outside the passes: the timer watches the
// device calls and puts a timestamp query wherever the frame changes its render target (slot
// 0) and at each Present. The passes themselves hold no timing code.
//
// A frame runs from one Present to the next. Its home target is the one bound at its Present
// (the back buffer). Each stretch drawn away from home is one offscreen pass (nested target
// changes inside it, a pass's own intermediate target say, stay in it); the names given take
// them in order, and the last name takes the work on the home target after the last
// offscreen pass. Home work before an offscreen pass counts to that pass. A frame with another
// number of offscreen passes is counted as unattributed, not forced into the names.
//
// Times are GPU times: on a deferred renderer a pass's interval also holds the command
// processing the pass made wait, since the interval ends when its last command is finished.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CallObserver.h"

namespace companion {

class PassTimer : public platform::ICallObserver {
 public:
  // At least one name: the offscreen passes in order, then the home pass.
  explicit PassTimer(std::vector<std::string> passNames);
  ~PassTimer();
  PassTimer(const PassTimer&) = delete;
  PassTimer& operator=(const PassTimer&) = delete;

  // Starts timing on this device now, between frames (right after a Present): the next
  // Present ends the first timed frame. False, with a message on standard error, when the
  // device has no timestamp queries. The device is not held; detach before it goes.
  bool attach(IDirect3DDevice9* device);
  // Stops timing, waits for what was measured and gives the queries back.
  void detach();

  void onCall(const platform::Call& call) override;
  bool wantsArguments(const char*, const char*) override { return false; }

  // Reads the answers that are ready; with wait, waits for all of them.
  void collect(bool wait);

  const std::vector<std::string>& passNames() const { return names_; }
  // GPU milliseconds of pass i, one value per attributed frame, in frame order.
  const std::vector<double>& passMs(std::size_t pass) const { return passMs_[pass]; }
  int attributedFrames() const { return static_cast<int>(passMs_[0].size()); }
  int unattributedFrames() const { return unattributed_; }

 private:
  // A timestamp issued when slot 0 changed to `target`, or at a Present.
  struct Mark {
    IDirect3DQuery9* query;
    const void* target;  // compared, never used
    bool present;
  };

  IDirect3DSurface9* currentTarget();
  void mark(bool present);
  void attribute(std::size_t endMark, std::uint64_t endTicks);
  IDirect3DQuery9* takeQuery();

  std::vector<std::string> names_;
  IDirect3DDevice9* device_ = nullptr;
  bool inside_ = false;  // our own calls to the device are not watched
  const void* target_ = nullptr;
  std::vector<Mark> marks_;              // issued, not yet read, in order
  std::vector<std::uint64_t> ticks_;     // answers of marks_[0 .. ticks_.size())
  std::vector<IDirect3DQuery9*> spare_;  // read queries, for reuse
  std::uint64_t frameStartTicks_ = 0;
  const void* frameStartTarget_ = nullptr;
  bool frameStarted_ = false;
  std::vector<double> segmentMs_;  // scratch of attribute()
  std::vector<std::vector<double>> passMs_;
  int unattributed_ = 0;
};

}  // namespace companion

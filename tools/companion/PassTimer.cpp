#include "PassTimer.h"

#include <cstdio>
#include <cstring>

namespace companion {

namespace {
// Marks of one frame: a few target changes per pass; more only grows the vectors.
constexpr std::size_t kMarksReserved = 64;
}  // namespace

PassTimer::PassTimer(std::vector<std::string> passNames)
    : names_(std::move(passNames)), passMs_(names_.size()) {
  marks_.reserve(kMarksReserved);
  ticks_.reserve(kMarksReserved);
  spare_.reserve(kMarksReserved);
  segmentMs_.reserve(kMarksReserved);
}

PassTimer::~PassTimer() { detach(); }

bool PassTimer::attach(IDirect3DDevice9* device) {
  detach();
  if (!device || names_.empty()) return false;
  if (FAILED(device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, nullptr))) {
    std::fprintf(stderr, "pass timer: no GPU timings on this device (no timestamp queries)\n");
    return false;
  }
  device_ = device;
  // The queries of a few frames are made now, so that timed frames make none.
  inside_ = true;
  while (spare_.size() < kMarksReserved / 2) {
    IDirect3DQuery9* query = nullptr;
    if (FAILED(device->CreateQuery(D3DQUERYTYPE_TIMESTAMP, &query))) break;
    spare_.push_back(query);
  }
  inside_ = false;
  IDirect3DSurface9* target = currentTarget();
  target_ = target;
  if (target) target->Release();
  mark(true);  // the frame starts here
  return true;
}

void PassTimer::detach() {
  if (!device_) return;
  collect(true);
  for (const Mark& m : marks_) m.query->Release();
  for (IDirect3DQuery9* query : spare_) query->Release();
  marks_.clear();
  ticks_.clear();
  spare_.clear();
  frameStarted_ = false;
  device_ = nullptr;
}

IDirect3DSurface9* PassTimer::currentTarget() {
  inside_ = true;
  IDirect3DSurface9* target = nullptr;
  if (FAILED(device_->GetRenderTarget(0, &target))) target = nullptr;
  inside_ = false;
  return target;
}

IDirect3DQuery9* PassTimer::takeQuery() {
  if (!spare_.empty()) {
    IDirect3DQuery9* query = spare_.back();
    spare_.pop_back();
    return query;
  }
  IDirect3DQuery9* query = nullptr;
  inside_ = true;
  if (FAILED(device_->CreateQuery(D3DQUERYTYPE_TIMESTAMP, &query))) query = nullptr;
  inside_ = false;
  return query;
}

void PassTimer::mark(bool present) {
  IDirect3DQuery9* query = takeQuery();
  if (!query) return;  // the refusal was reported; this mark is missing from the frame
  if (FAILED(query->Issue(D3DISSUE_END))) {
    spare_.push_back(query);
    return;
  }
  marks_.push_back({query, target_, present});
}

void PassTimer::onCall(const platform::Call& call) {
  if (inside_ || !device_ || FAILED(call.result) || std::strcmp(call.object, "device") != 0) {
    return;
  }
  if (std::strcmp(call.method, "SetRenderTarget") == 0) {
    // Only a change of slot 0 moves the frame to another target; extra outputs do not.
    IDirect3DSurface9* target = currentTarget();
    if (target) target->Release();
    if (target == target_) return;
    target_ = target;
    mark(false);
  } else if (std::strcmp(call.method, "Present") == 0) {
    mark(true);
    collect(false);
  }
}

void PassTimer::collect(bool wait) {
  if (!device_) return;
  std::size_t i = ticks_.size();
  while (i < marks_.size()) {
    std::uint64_t ticks = 0;
    HRESULT hr;
    do {
      hr = marks_[i].query->GetData(&ticks, sizeof ticks, D3DGETDATA_FLUSH);
    } while (hr == S_FALSE && wait);
    if (hr == S_FALSE) return;  // later
    if (FAILED(hr)) {
      std::fprintf(stderr, "pass timer: a timestamp could not be read; timing stops\n");
      for (const Mark& m : marks_) m.query->Release();
      marks_.clear();
      ticks_.clear();
      device_ = nullptr;
      return;
    }
    ticks_.push_back(ticks);
    if (!marks_[i].present) {
      ++i;
      continue;
    }
    if (frameStarted_) attribute(i, ticks);
    frameStarted_ = true;
    frameStartTicks_ = ticks;
    frameStartTarget_ = marks_[i].target;
    for (std::size_t k = 0; k <= i; ++k) spare_.push_back(marks_[k].query);
    marks_.erase(marks_.begin(), marks_.begin() + static_cast<std::ptrdiff_t>(i + 1));
    ticks_.clear();
    i = 0;
  }
}

void PassTimer::attribute(std::size_t endMark, std::uint64_t endTicks) {
  const void* home = marks_[endMark].target;
  const std::size_t offscreenNames = names_.size() - 1;
  // Segment k runs from mark k-1 (the frame's start for k = 0) to mark k, on that mark's target.
  segmentMs_.assign(names_.size(), 0.0);
  std::size_t passesStarted = 0;
  bool previousHome = true;
  std::uint64_t from = frameStartTicks_;
  const void* target = frameStartTarget_;
  for (std::size_t k = 0; k <= endMark; ++k) {
    const std::uint64_t to = k == endMark ? endTicks : ticks_[k];
    const double ms = to > from ? static_cast<double>(to - from) / 1e6 : 0.0;
    const bool isHome = target == home;
    if (!isHome && previousHome) ++passesStarted;
    if (passesStarted > offscreenNames) {
      ++unattributed_;
      return;
    }
    // Home work goes to the offscreen pass that follows it, or to the home pass after the last.
    const std::size_t pass = isHome ? passesStarted : passesStarted - 1;
    segmentMs_[pass] += ms;
    previousHome = isHome;
    from = to;
    target = marks_[k].target;
  }
  if (passesStarted != offscreenNames) {
    ++unattributed_;
    return;
  }
  for (std::size_t pass = 0; pass < names_.size(); ++pass)
    passMs_[pass].push_back(segmentMs_[pass]);
}

}  // namespace companion

#include "Hooks.h"

#include <chrono>

namespace platform::win32 {

namespace {
std::function<std::uint64_t()>& timeSource() {
  static std::function<std::uint64_t()> source;
  return source;
}
}  // namespace

void setTimeSource(std::function<std::uint64_t()> source) { timeSource() = std::move(source); }

std::uint64_t nowMs() {
  if (timeSource()) return timeSource()();
  auto sinceBoot = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::milliseconds>(sinceBoot).count();
}

}  // namespace platform::win32

DWORD timeGetTime() { return static_cast<DWORD>(platform::win32::nowMs()); }

#include "CallReport.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace platform {

namespace {

thread_local std::string noted;

std::mutex writtenMutex;
std::unordered_map<std::string, int>& writtenCounts() {
  static auto* counts = new std::unordered_map<std::string, int>;  // lives to the very end
  return *counts;
}

}  // namespace

void writeRefusal(const std::string& key, const std::string& line) {
  // Besides each rule, each call counts on its own: a rule whose text carries a value that
  // changes every frame must not flood the terminal either.
  const std::string call = key.substr(0, key.find(": "));
  int count = 0;
  int callCount = 0;
  {
    std::lock_guard lock(writtenMutex);
    count = ++writtenCounts()[key];
    int& lines = writtenCounts()["\n" + call];  // no key of a rule starts with a line break
    if (count <= kRefusalRepeats + 1) ++lines;
    callCount = lines;
  }
  if (count > kRefusalRepeats + 1 || callCount > kCallRefusalLines + 1) return;
  if (callCount == kCallRefusalLines + 1) {
    std::fprintf(stderr, "%s: further refusals of this call suppressed\n", call.c_str());
  } else if (count <= kRefusalRepeats) {
    std::fprintf(stderr, "%s\n", line.c_str());
  } else {
    std::fprintf(stderr, "%s (further reports of this suppressed)\n", key.c_str());
  }
}

void forgetRefusals() {
  std::lock_guard lock(writtenMutex);
  writtenCounts().clear();
}

void noteRefusal(const char* format, ...) {
  if (!noted.empty()) return;
  char text[512];
  va_list list;
  va_start(list, format);
  std::vsnprintf(text, sizeof text, format, list);
  va_end(list);
  noted = text;
}

std::string takeRefusal() {
  if (noted.empty()) return {};
  std::string reason;
  reason.swap(noted);
  return reason;
}

HRESULT refuse(HRESULT result, const char* call, const char* format, ...) {
  char text[512];
  va_list list;
  va_start(list, format);
  std::vsnprintf(text, sizeof text, format, list);
  va_end(list);
  takeRefusal();
  const std::string line = std::string(call) + ": " + text;
  writeRefusal(line, line);
  return result;
}

HRESULT answer(const char* call, HRESULT result) {
  std::string reason = takeRefusal();
  if (!FAILED(result)) return result;
  if (reason.empty()) {
    char code[48];
    std::snprintf(code, sizeof code, "refused with 0x%08lX",
                  static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
    reason = code;
  }
  const std::string line = std::string(call) + ": " + reason;
  writeRefusal(line, line);
  return result;
}

const char* interfaceName(const char* object) {
  static constexpr struct {
    const char* object;
    const char* interface;
  } kNames[] = {{"device", "IDirect3DDevice9"},
                {"direct3d", "IDirect3D9"},
                {"effect", "ID3DXEffect"},
                {"texture", "IDirect3DTexture9"},
                {"surface", "IDirect3DSurface9"}};
  for (const auto& name : kNames) {
    if (std::strcmp(name.object, object) == 0) return name.interface;
  }
  return object;
}

}  // namespace platform

// Test seam: every device and effect call can be reported to one process-wide observer, so
// tests check call orders and arguments without reading GL state. Not part of Direct3D.
#pragma once

#include <windows.h>

#include <string>

namespace platform {

struct Call {
  const char* object;     // "device", "effect", ... (static string)
  const char* method;     // "SetRenderState", ... (static string)
  std::string arguments;  // the arguments as text, comma separated: "27, 1"
  HRESULT result;
};

class ICallObserver {
 public:
  virtual void onCall(const Call& call) = 0;

 protected:
  ~ICallObserver() = default;
};

// The observer stays the caller's; null stops reporting.
void setCallObserver(ICallObserver* observer);
ICallObserver* callObserver();

}  // namespace platform

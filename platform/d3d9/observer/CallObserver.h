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
  // Whether this call's arguments are wanted as text. Formatting them costs time and a string
  // on every call, so an observer that only counts calls or watches a few says no to the rest
  // (its onCall then sees empty arguments).
  virtual bool wantsArguments(const char* object, const char* method) {
    (void)object;
    (void)method;
    return true;
  }

 protected:
  ~ICallObserver() = default;
};

// The observer stays the caller's; null stops reporting.
void setCallObserver(ICallObserver* observer);
ICallObserver* callObserver();

}  // namespace platform

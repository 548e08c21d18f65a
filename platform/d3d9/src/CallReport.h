// Reports one call to the process-wide observer, if there is one. The arguments are formatted
// only when someone listens.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#include "CallObserver.h"

namespace platform {

class CallReport {
 public:
  CallReport(const char* object, const char* method) : object_(object), method_(method) {}
  CallReport(const char* object, const char* method, const char* format, ...)
      __attribute__((format(printf, 4, 5)))
      : object_(object), method_(method) {
    if (!callObserver()) return;
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    arguments_ = text;
  }

  // Reports the call with its result and answers the result.
  HRESULT operator()(HRESULT result) {
    if (ICallObserver* observer = callObserver()) {
      observer->onCall({object_, method_, arguments_, result});
    }
    return result;
  }

 private:
  const char* object_;
  const char* method_;
  std::string arguments_;
};

}  // namespace platform

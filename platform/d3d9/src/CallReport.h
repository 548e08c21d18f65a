// What a Direct3D or D3DX call did, for two audiences:
// - the process-wide call observer (tests), which sees every call with its arguments and
//   result; the arguments are formatted only when someone listens;
// - standard error, which gets one line for every call that answers a failure code, naming
//   the call, its arguments and the rule it broke:
//       IDirect3DDevice9::SetTexture(9, (nil)): stage 9 is beyond the 8 texture stages
//   so that the failed-assertion report the engine may follow with is never the only word.
//   A given call refused for a given rule is written a few times per run, then once more
//   saying that further ones are suppressed, so a tolerated failure cannot flood the terminal;
//   a call also falls silent after a few dozen lines in all.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <type_traits>

#include "CallObserver.h"

namespace platform {

// How often one call refused for one rule is written before it is suppressed.
inline constexpr int kRefusalRepeats = 3;
// How many lines one call writes in all, whatever the rules, before it falls silent.
inline constexpr int kCallRefusalLines = 20;

// Writes "<call>: <rule>" (call with its arguments) unless that call and rule have been
// written kRefusalRepeats times already; `key` (call name and rule, without argument
// values, which may change every frame) decides what counts as the same.
void writeRefusal(const std::string& key, const std::string& line);

// Forgets how often each refusal was written, so each test starts from a fresh count.
void forgetRefusals();

// Notes why the call in progress fails, where the rule is checked (possibly deep inside the
// call); the CallReport that answers the failure writes it. The first note stands.
void noteRefusal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The noted reason, emptied.
std::string takeRefusal();

// Writes a refusal for a call that is not reported to the observer (textures, surfaces,
// buffers, D3DX functions): `call` as "IDirect3DTexture9::LockRect", the rule naming the
// offending argument. Answers result.
HRESULT refuse(HRESULT result, const char* call, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Answers result; a failure is written as `call` with the reason noted while it ran.
HRESULT answer(const char* call, HRESULT result);

// The Direct3D interface an observer object name stands for: "device" -> "IDirect3DDevice9".
const char* interfaceName(const char* object);

template <typename... Args>
class CallReport {
 public:
  // A reason noted before the call began belongs to nobody: it is dropped.
  CallReport(const char* object, const char* method) : object_(object), method_(method) {
    takeRefusal();
  }
  CallReport(const char* object, const char* method, const char* format, Args... args)
      : object_(object), method_(method), format_(format), arguments_(args...) {
    takeRefusal();
  }

  // Reports the call with its result and answers the result; a failure is also written to
  // standard error with the noted reason.
  HRESULT operator()(HRESULT result) {
    std::string reason = takeRefusal();
    ICallObserver* observer = callObserver();
    if (!observer && !FAILED(result)) return result;
    // An observer that only counts or watches a few calls is spared the formatting.
    const bool wanted = observer && observer->wantsArguments(object_, method_);
    const std::string arguments = wanted || FAILED(result) ? formatArguments() : std::string();
    if (observer) observer->onCall({object_, method_, arguments, result});
    if (FAILED(result)) {
      if (reason.empty()) {
        char code[48];
        std::snprintf(code, sizeof code, "refused with 0x%08lX",
                      static_cast<unsigned long>(static_cast<std::uint32_t>(result)));
        reason = code;
      }
      const std::string call = std::string(interfaceName(object_)) + "::" + method_;
      writeRefusal(call + ": " + reason, call + "(" + arguments + "): " + reason);
    }
    return result;
  }

  // Reports a failure code that answers a question rather than refusing the call (asked for
  // the target of an empty slot, say): the observer sees it, standard error is not told.
  HRESULT answerQuietly(HRESULT result) {
    takeRefusal();
    if (ICallObserver* observer = callObserver()) {
      const bool wanted = observer->wantsArguments(object_, method_);
      observer->onCall({object_, method_, wanted ? formatArguments() : std::string(), result});
    }
    return result;
  }

  // Notes the rule the call breaks, then reports the failure.
  HRESULT refuse(HRESULT result, const char* format, ...) __attribute__((format(printf, 3, 4))) {
    char text[512];
    va_list list;
    va_start(list, format);
    std::vsnprintf(text, sizeof text, format, list);
    va_end(list);
    takeRefusal();  // the rule stated here is the one that decides
    noteRefusal("%s", text);
    return (*this)(result);
  }

 private:
  std::string formatArguments() const {
    if constexpr (sizeof...(Args) == 0) {
      return format_;
    } else {
      char text[512];
      std::apply(
          [&](const auto&... values) { std::snprintf(text, sizeof text, format_, values...); },
          arguments_);
      return text;
    }
  }

  const char* object_;
  const char* method_;
  const char* format_ = "";
  std::tuple<std::decay_t<Args>...> arguments_;
};

CallReport(const char*, const char*)->CallReport<>;
template <typename... Args>
CallReport(const char*, const char*, const char*, Args...) -> CallReport<Args...>;

}  // namespace platform

// Failure reporting shared by the whole engine.
//
// - checkResult: a negative Direct3D/D3DX result ends the process with the failed-assertion
//   report (expression "0", the caller's file and line).
// - Live assertions (VANTOR_ASSERT...): checked in every build, never compiled out.
// - reportFatal: a numbered message box after which the caller carries on.
//
// Source names in reports are the engine's own ("demo\\Main", "gfx\\Scene"); sites that have
// a fixed name and line pass them explicitly, the rest report where they really are.
#pragma once

#include <windows.h>

namespace vantor {

// The process-wide text of the last numbered fatal report. Only reportFatal writes it.
inline constexpr int fatalMessageSize = 1024;
extern char fatalMessage[fatalMessageSize];

// The run-time's failed-assertion report naming expression, file and line, then abort().
[[noreturn]] void failAssertion(const char* expression, const char* file, unsigned line);

// Nothing for a code >= 0; otherwise writes the code's name to standard error and fails
// the assertion "0" at file:line.
void checkResult(HRESULT result, const char* file, unsigned line);

// Shows "Unexpected fatal error(#<site>)." under the caption "Vantor error" and returns.
void reportFatal(int site);

// The symbolic name of a result code ("D3DERR_INVALIDCALL"), or null when it is not known.
const char* resultName(HRESULT result);

}  // namespace vantor

#define VANTOR_CHECK(result) ::vantor::checkResult((result), __FILE__, __LINE__)
#define VANTOR_CHECK_AT(result, file, line) ::vantor::checkResult((result), (file), (line))

#define VANTOR_ASSERT(expression) VANTOR_ASSERT_IN(expression, __FILE__)
#define VANTOR_ASSERT_IN(expression, file) VANTOR_ASSERT_AT(expression, file, __LINE__)
#define VANTOR_ASSERT_AT(expression, file, line)                 \
  ((expression) ? static_cast<void>(0)                            \
                : ::vantor::failAssertion(#expression, (file), (line)))

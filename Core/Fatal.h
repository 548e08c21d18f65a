// Failure reporting shared by the whole engine.
//
// - checkResult: a negative Direct3D/D3DX result ends the process with the failed-assertion
//   report (expression "0", the caller's source name and line).
// - Live assertions (VANTOR_ASSERT): checked in every build, never compiled out.
// - reportFatal: a numbered message box after which the caller carries on.
//
// Reports name the engine's own sources ("demo\\Main", "gfx\\Scene"), not file paths. Each
// engine source file that checks or asserts names its source once, near its top:
//
//     namespace {
//     constexpr const char* kReportSource = "gfx\\Scene";
//     }
//
// and then uses one form for each kind of report:
//
//     VANTOR_CHECK(device->BeginScene());                 // reported at this line
//     VANTOR_ASSERT(sceneCamera);                         // reported at this line
//     VANTOR_CHECK_LINE(device->Present(0, 0, 0, 0), 357); // at a line the report must keep
//     VANTOR_ASSERT_LINE(mesh, 48);                       // likewise
//
// The _LINE forms are only for reports whose line number is part of the engine's contract
// (they are what crash reports from the field are matched against); everywhere else the
// report names the line it really comes from.
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

#define VANTOR_CHECK(result) ::vantor::checkResult((result), kReportSource, __LINE__)
#define VANTOR_CHECK_LINE(result, line) ::vantor::checkResult((result), kReportSource, (line))

#define VANTOR_ASSERT(expression)      \
  ((expression) ? static_cast<void>(0) \
                : ::vantor::failAssertion(#expression, kReportSource, __LINE__))
#define VANTOR_ASSERT_LINE(expression, line) \
  ((expression) ? static_cast<void>(0)       \
                : ::vantor::failAssertion(#expression, kReportSource, (line)))

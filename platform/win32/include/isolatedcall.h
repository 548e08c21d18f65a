// A call made in a throw-away copy of the process. Not part of the Win32 API: the engine needs
// it where a library it calls may crash or hang on untrusted input, and the copy of the process
// belongs to the platform layer.
#pragma once

#include "minwindef.h"

enum class IsolatedCallResult {
  Returned,     // the call came back (or the copy ended itself with status 0)
  Failed,       // the copy died (a crash, an abort) or ended itself with another status
  TimedOut,     // the call ran past its time; the copy was killed
  Unavailable,  // no copy could be made; the call was not made
};

using IsolatedCallRoutine = void (*)(void* context);

// Calls routine(context) in a copy of the process and waits for it at most timeoutMilliseconds.
// Nothing the call does reaches this process: its memory, its standard error (which goes
// nowhere), its exit handlers (which do not run). A crash ends the copy without the crash
// reporting this process set up (its own or a sanitizer's): the signal itself is the answer.
// Context is read in the copy only; it may point anywhere this process's memory does.
IsolatedCallResult CallIsolated(IsolatedCallRoutine routine, void* context,
                                DWORD timeoutMilliseconds);

// Private seams through which a scripted driver takes the place of the real clock, the
// display, the user's answers to message boxes and the wait for input. Not part of Win32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace platform::win32 {

// Milliseconds of the platform clock (timeGetTime, the silent audio output). Null restores
// the steady clock.
void setTimeSource(std::function<std::uint64_t()> nowMs);
std::uint64_t nowMs();

// Keeps every window off the display from now on, even where one is present: windows are
// offscreen and the Direct3D device runs headless. Call before the first window.
void forbidDisplay();

// Answers message boxes instead of showing them. Null restores the real boxes.
using MessageBoxHandler = std::function<int(LPCSTR text, LPCSTR caption, UINT type)>;
void setMessageBoxHandler(MessageBoxHandler handler);

// Called by GetMessageA when its queue is empty: the handler may post input and answers
// whether anything more can come. Null restores waiting for the display's events.
using IdleHandler = std::function<bool()>;
void setIdleHandler(IdleHandler handler);

}  // namespace platform::win32

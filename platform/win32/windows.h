// The subset of the Win32 API (USER32, GDI32, WINMM) that the engine calls.
#pragma once

#include "minwindef.h"
#include "wingdi.h"

// MessageBoxA
constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr int IDOK = 1;

// Shows a modal message box and waits until it is dismissed; answers the button pressed.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

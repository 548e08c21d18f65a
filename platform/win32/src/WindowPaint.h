// Drawing of whole top-level windows: their background brush and their controls.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace platform::win32 {

// Repaints the displayed top-level windows that changed since their last paint. Windows
// without a background brush and without children are left alone: something else (the
// Direct3D device) draws them.
void paintPendingWindows();

// Draws a top-level window's client area offscreen, as it would show on a display; pixels
// are 0xAARRGGBB, top row first. False for a handle that is not a top-level window.
bool renderClientArea(HWND topLevel, std::vector<std::uint32_t>& argb, int& width, int& height);

}  // namespace platform::win32

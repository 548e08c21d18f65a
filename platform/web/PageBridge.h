// What the stand-ins tell the web page that hosts the program (its window.kestu09Page hooks),
// so that the page can show the run's state, its failures and its pictures. Outside a browser
// there is no page and every call does nothing. Not part of any Windows API.
#pragma once

#include <cstdint>

namespace platform::web {

// The run's state as the page names it: "launcher", "loading", "playing", "ended", "still".
void reportState(const char* state);
// The music clock while the music plays, in seconds.
void reportMusic(double seconds);
// A frame was presented on the page's canvas.
void reportFrame();
// A message box: the page shows its text in its place. False where there is no page (the
// caller shows the box itself).
bool showMessage(const char* caption, const char* text);
// Whether a page shows the program's windows (the launcher): WebGL owns the canvas, so the
// page lays their pictures over it, and the clicks go through to the canvas beneath.
bool showsWindows();
// A window's picture to lay over the canvas until loading starts, and the picture of a still
// to show in the canvas's place: width × height pixels, 0xAARRGGBB, top row first; the pixels
// stay the caller's.
void showWindowPicture(int width, int height, const std::uint32_t* argb);
void showStill(int width, int height, const std::uint32_t* argb);
// The size in CSS pixels that the page has for the canvas; false where there is no page.
bool availableSize(int& width, int& height);

}  // namespace platform::web

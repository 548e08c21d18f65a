// How the page's program sets up the real platform in a browser before the engine's entry
// runs: the display modes the launcher lists (canvas sizes) and a launcher that starts by
// itself. Not part of any Windows API.
#pragma once

namespace platform::web {

// The launcher lists exactly this canvas size (at 60 Hz).
void offerCanvasSize(int width, int height);
// The launcher lists the usual 16:9 sizes that fit the room the page has for the canvas, the
// largest first (the smallest of them where none fits).
void offerCanvasSizesThatFit();
// Once the launcher waits for input, its first mode is started windowed, as if the viewer had
// cleared "fullscreen" and clicked Start. The control identifiers are the launcher's.
void startLauncherAtOnce(int startButton, int fullScreenBox);

}  // namespace platform::web

// The window and picture settings of the run, edited by the shell, the demo's configure hook
// and the launcher before the window opens.
#pragma once

namespace vantor {

struct DisplaySettings {
  int width = 640;  // window and back-buffer size, pixels
  int height = 480;
  int bitsPerPixel = 32;  // asked for when the display mode is switched for full screen
  bool fullscreen = false;
  const char* title = "vantor 08";  // window class name and caption; statically stored
  float aspect = 4.0f / 3.0f;       // of the picture, for the letterbox viewport
};

}  // namespace vantor

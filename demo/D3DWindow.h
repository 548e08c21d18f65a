// The demo's one window with the Direct3D object, the display settings, the viewport stack and
// the quit flag. The instance the shell creates is the process-wide window until it is
// destroyed at the end of shutdown; the device it creates lives in the GraphicsContext.
#pragma once

#include <d3d9.h>

#include <deque>

#include "demo/DisplaySettings.h"

namespace vantor {

class D3DWindow {
 public:
  // Creates the Direct3D object and registers this window as the process-wide one.
  D3DWindow();
  ~D3DWindow();
  D3DWindow(const D3DWindow&) = delete;
  D3DWindow& operator=(const D3DWindow&) = delete;

  // The process-wide window, or null outside its lifetime.
  static D3DWindow* current();

  // Copies the settings, then creates the window and the device. A device that cannot be
  // created in either vertex-processing mode ends the process.
  void open(const DisplaySettings& newSettings);
  bool isClosed() const { return closed; }
  // Minimises the window and sets the quit flag.
  void close();

  // The letterboxed picture area for the settings: the largest rectangle of the configured
  // aspect inside the back buffer, centred. Its size is the picture size of the engine.
  D3DVIEWPORT9 defaultViewport() const;
  void pushViewport(const D3DVIEWPORT9& viewport);
  // Pops the top (if any) and sets the new top, or the default viewport when empty.
  void popViewport();

  // Null when Direct3DCreate9 failed.
  IDirect3D9* direct3d() const { return d3d; }
  DisplaySettings& displaySettings() { return settings; }
  HWND handle() const { return window; }

  // Reacts to Escape and close requests; false for every other message.
  bool handleMessage(UINT message, WPARAM wParam);

 private:
  void createWindow();
  void createDevice();

  IDirect3D9* d3d = nullptr;  // owned
  HWND window = nullptr;
  DisplaySettings settings;
  std::deque<D3DVIEWPORT9> viewportStack;
  bool closed = true;
};

}  // namespace vantor

// The window system's own records: registered classes, windows with their control state,
// the keyboard focus and the mouse capture. Main thread only.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;

namespace platform::win32 {

struct ButtonState {
  UINT check = BST_UNCHECKED;
  bool pushed = false;  // drawn pressed: mouse held inside it, or Space held
};

struct ListBoxState {
  std::vector<std::string> items;
  int selection = -1;
  int topIndex = 0;
  int thumbGrab = -1;  // while dragging the scroll thumb: the grab point's offset in it
};

struct Window {
  HWND handle = nullptr;
  std::string className;  // as registered, or the built-in control class in upper case
  WNDPROC procedure = nullptr;
  HBRUSH background = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string text;
  int x = 0;  // children: in the parent's client area; top-level: on the screen
  int y = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  HWND parent = nullptr;
  std::vector<HWND> children;  // creation order, which is also the Tab order
  int identifier = 0;
  LONG_PTR userData = 0;
  bool visible = false;
  bool minimized = false;
  bool redraw = true;       // WM_SETREDRAW
  bool needsPaint = false;  // top-level windows: repaint at the next empty queue
  SDL_Window* sdlWindow = nullptr;
  SDL_Renderer* renderer = nullptr;  // created on first paint of a window that is drawn
  ButtonState button;
  ListBoxState list;
};

// The window behind a handle; null for a handle that is not (or no longer) a window.
Window* findWindow(HWND handle);
Window* topLevelOf(HWND handle);
// Top-level windows in creation order.
std::vector<Window*> topLevelWindows();
bool isDescendant(HWND handle, HWND ancestor);
// Marks the window's top-level window for repainting (nothing while its redraw is off).
void invalidate(HWND handle);

HWND capture();
void setCapture(HWND handle);  // null releases

// Built-in control classes.
LRESULT CALLBACK buttonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK staticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK listBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Asks the focused top-level window whether the screen saver may run (WM_SYSCOMMAND with
// SC_SCREENSAVE and SC_MONITORPOWER reaching DefWindowProcA) and tells SDL.
void updateScreenSaver();
// True while the last query was refused by the window's procedure.
bool screenSaverSuppressed();

}  // namespace platform::win32

#include "Window.h"

#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>

#include "Display.h"
#include "FullScreen.h"
#include "PageBridge.h"
#include "WindowHost.h"

namespace platform::win32 {

namespace {

struct WindowClass {
  std::string name;
  WNDPROC procedure;
  HBRUSH background;
};

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

struct Registry {
  std::map<std::string, WindowClass> classes;  // by lower-case name
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> topLevel;
  std::uintptr_t nextHandle = 0x10000;
  HWND focus = nullptr;
  HWND foreground = nullptr;
  HWND capture = nullptr;
  int cursorCount = 0;
  bool screenSaverQueryReachedDefault = false;
  bool screenSaverSuppressed = false;
  std::vector<SDL_Window*> retiredSdlWindows;

  Registry() {
    classes["button"] = {"BUTTON", buttonProcedure, nullptr};
    classes["static"] = {"STATIC", staticProcedure, nullptr};
    classes["listbox"] = {"LISTBOX", listBoxProcedure, nullptr};
  }
};

Registry& registry() {
  static Registry instance;
  return instance;
}

// Non-client sizes of a top-level window in the classic Windows metrics: the engine gives
// outer sizes, SDL wants the client area.
void clientSize(DWORD style, int width, int height, int& clientWidth, int& clientHeight) {
  int frame = 0;
  if (style & WS_THICKFRAME) {
    frame = 4;
  } else if (style & (WS_DLGFRAME | WS_BORDER)) {
    frame = 3;
  }
  int caption = (style & WS_CAPTION) == WS_CAPTION ? 19 : 0;
  if (style & WS_POPUP && !(style & WS_CAPTION)) frame = 0;
  clientWidth = std::max(1, width - 2 * frame);
  clientHeight = std::max(1, height - 2 * frame - caption);
}

SDL_Window* createSdlWindow(const Window& window) {
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (window.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
  int x = window.x == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : window.x;
  int y = window.y == CW_USEDEFAULT ? SDL_WINDOWPOS_UNDEFINED : window.y;
  if ((window.style & WS_POPUP) && !(window.style & WS_CAPTION)) {
    flags |= SDL_WINDOW_BORDERLESS;
    if (fullScreenActive()) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  SDL_Window* sdl =
      SDL_CreateWindow(window.text.c_str(), x, y, window.clientWidth, window.clientHeight, flags);
  if (!sdl) {
    std::fprintf(stderr, "window system: SDL_CreateWindow: %s\n", SDL_GetError());
    noteWindowRefused(SDL_GetError());
  }
  return sdl;
}

void applyVisibility(Window& window) {
  if (!window.sdlWindow) return;
  if (window.visible) {
    // The first window a viewer sees is the launcher; a hosting page says so.
    static bool firstShown = false;
    if (!firstShown) web::reportState("launcher");
    firstShown = true;
    SDL_ShowWindow(window.sdlWindow);
    if (window.minimized) {
      SDL_MinimizeWindow(window.sdlWindow);
    } else {
      SDL_RestoreWindow(window.sdlWindow);
    }
  } else {
    SDL_HideWindow(window.sdlWindow);
  }
}

// A shown top-level window becomes the foreground window and takes the keyboard focus,
// unless the focus is already inside it.
void activate(Window& window) {
  Registry& r = registry();
  r.foreground = window.handle;
  if (!r.focus || !isDescendant(r.focus, window.handle)) r.focus = window.handle;
  if (window.sdlWindow) SDL_RaiseWindow(window.sdlWindow);
  updateScreenSaver();
}

}  // namespace

Window* findWindow(HWND handle) {
  auto& windows = registry().windows;
  auto found = windows.find(handle);
  return found == windows.end() ? nullptr : found->second.get();
}

Window* topLevelOf(HWND handle) {
  Window* window = findWindow(handle);
  while (window && window->parent) window = findWindow(window->parent);
  return window;
}

std::vector<Window*> topLevelWindows() {
  std::vector<Window*> result;
  for (HWND handle : registry().topLevel) result.push_back(findWindow(handle));
  return result;
}

bool isDescendant(HWND handle, HWND ancestor) {
  for (Window* window = findWindow(handle); window; window = findWindow(window->parent)) {
    if (window->handle == ancestor) return true;
  }
  return false;
}

void invalidate(HWND handle) {
  Window* window = findWindow(handle);
  if (!window || !window->redraw) return;
  if (Window* top = topLevelOf(handle)) top->needsPaint = true;
}

HWND capture() { return registry().capture; }
void setCapture(HWND handle) { registry().capture = handle; }

void updateScreenSaver() {
  Registry& r = registry();
  Window* window = findWindow(r.foreground);
  if (!window) return;
  r.screenSaverQueryReachedDefault = false;
  SendMessageA(window->handle, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
  bool allowed = r.screenSaverQueryReachedDefault;
  r.screenSaverQueryReachedDefault = false;
  SendMessageA(window->handle, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
  allowed = allowed && r.screenSaverQueryReachedDefault;
  r.screenSaverSuppressed = !allowed;
  if (window->sdlWindow) {
    if (allowed) {
      SDL_EnableScreenSaver();
    } else {
      SDL_DisableScreenSaver();
    }
  }
}

bool screenSaverSuppressed() { return registry().screenSaverSuppressed; }

}  // namespace platform::win32

using namespace platform::win32;

HMODULE GetModuleHandleA(LPCSTR moduleName) {
  static HINSTANCE__ processInstance;
  return moduleName ? nullptr : &processInstance;
}

ATOM RegisterClassExA(const WNDCLASSEXA* windowClass) {
  if (!windowClass || (windowClass->cbSize != 48 && windowClass->cbSize != sizeof(WNDCLASSEXA)) ||
      !windowClass->lpfnWndProc || !windowClass->lpszClassName || !*windowClass->lpszClassName) {
    return 0;
  }
  Registry& r = registry();
  std::string key = lowerCase(windowClass->lpszClassName);
  if (r.classes.count(key)) return 0;
  r.classes[key] = {windowClass->lpszClassName, windowClass->lpfnWndProc,
                    windowClass->hbrBackground};
  return static_cast<ATOM>(0xC000 + r.classes.size());
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  Registry& r = registry();
  if (!className) return nullptr;
  auto found = r.classes.find(lowerCase(className));
  if (found == r.classes.end()) return nullptr;
  bool child = style & WS_CHILD;
  if (child && !findWindow(parent)) return nullptr;
  if (!child && parent && !findWindow(parent)) return nullptr;

  auto window = std::make_unique<Window>();
  window->handle = reinterpret_cast<HWND>(r.nextHandle);
  r.nextHandle += 4;
  window->className = found->second.name;
  window->procedure = found->second.procedure;
  window->background = found->second.background;
  window->style = style;
  window->exStyle = exStyle;
  window->text = windowName ? windowName : "";
  window->x = x;
  window->y = y;
  window->visible = style & WS_VISIBLE;
  window->minimized = style & WS_MINIMIZE;
  if (child) {
    window->parent = parent;
    window->identifier = static_cast<int>(reinterpret_cast<std::intptr_t>(menu));
    window->clientWidth = std::max(0, width);
    window->clientHeight = std::max(0, height);
  } else {
    if (width == CW_USEDEFAULT) width = 640;
    if (height == CW_USEDEFAULT) height = 480;
    clientSize(style, width, height, window->clientWidth, window->clientHeight);
    if ((style & WS_POPUP) && !(style & WS_CAPTION) && fullScreenActive()) {
      window->clientWidth = fullScreenWidth();
      window->clientHeight = fullScreenHeight();
    }
    if (hasDisplay()) {
      window->sdlWindow = createSdlWindow(*window);
      if (!window->sdlWindow) return nullptr;
    }
  }

  HWND handle = window->handle;
  Window& record = *window;
  r.windows[handle] = std::move(window);
  if (child) {
    findWindow(parent)->children.push_back(handle);
  } else {
    r.topLevel.push_back(handle);
    if (record.sdlWindow) attachSdlWindow(handle, record.sdlWindow);
  }
  CREATESTRUCTA create{
      param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
      windowName, className, exStyle};
  if (SendMessageA(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (!child) {
    applyVisibility(record);
    if (record.visible) activate(record);
  }
  invalidate(handle);
  return handle;
}

BOOL IsWindow(HWND window) { return findWindow(window) != nullptr; }

BOOL DestroyWindow(HWND handle) {
  Window* window = findWindow(handle);
  if (!window) return FALSE;
  Registry& r = registry();
  SendMessageA(handle, WM_DESTROY, 0, 0);
  // The procedure may have destroyed it already.
  window = findWindow(handle);
  if (!window) return TRUE;
  for (HWND child : std::vector<HWND>(window->children)) DestroyWindow(child);
  if (r.focus && isDescendant(r.focus, handle)) r.focus = window->parent;
  if (r.capture == handle) r.capture = nullptr;
  if (r.foreground == handle) r.foreground = nullptr;
  if (Window* parent = findWindow(window->parent)) {
    std::erase(parent->children, handle);
    invalidate(parent->handle);
  }
  std::erase(r.topLevel, handle);
  attachSdlWindow(handle, nullptr);
  if (window->renderer) SDL_DestroyRenderer(window->renderer);
  if (window->sdlWindow) {
    // A Direct3D device made on the window keeps its GL context on the SDL window and may be
    // released after the window is gone (the engine's shutdown does so): the SDL window is
    // hidden, and kept until the process ends.
    SDL_HideWindow(window->sdlWindow);
    r.retiredSdlWindows.push_back(window->sdlWindow);
  }
  r.windows.erase(handle);
  return TRUE;
}

BOOL ShowWindow(HWND handle, int command) {
  Window* window = findWindow(handle);
  if (!window) return FALSE;
  BOOL wasVisible = window->visible;
  switch (command) {
    case SW_HIDE: window->visible = false; break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
      window->visible = true;
      window->minimized = true;
      break;
    default:
      window->visible = true;
      window->minimized = false;
      break;
  }
  if (window->visible)
    window->style |= WS_VISIBLE;
  else
    window->style &= ~WS_VISIBLE;
  if (!window->parent) {
    applyVisibility(*window);
    bool activates = command != SW_HIDE && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
                     command != SW_SHOWMINNOACTIVE;
    if (activates && !window->minimized) activate(*window);
  }
  invalidate(handle);
  return wasVisible;
}

BOOL CloseWindow(HWND handle) {
  Window* window = findWindow(handle);
  if (!window || window->parent) return FALSE;
  window->minimized = true;
  if (window->sdlWindow) SDL_MinimizeWindow(window->sdlWindow);
  return TRUE;
}

BOOL SetForegroundWindow(HWND handle) {
  Window* window = findWindow(handle);
  if (!window || window->parent) return FALSE;
  activate(*window);
  return TRUE;
}

HWND GetForegroundWindow() { return registry().foreground; }

HWND SetFocus(HWND handle) {
  Registry& r = registry();
  HWND previous = r.focus;
  if (handle && !findWindow(handle)) return nullptr;
  if (handle == previous) return previous;
  r.focus = handle;
  if (previous) {
    invalidate(previous);
    SendMessageA(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(handle), 0);
  }
  if (handle) {
    invalidate(handle);
    SendMessageA(handle, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    Window* top = topLevelOf(handle);
    if (top && top->handle != r.foreground) activate(*top);
  }
  return previous;
}

HWND GetFocus() { return registry().focus; }

HWND GetDlgItem(HWND dialog, int identifier) {
  Window* window = findWindow(dialog);
  if (!window) return nullptr;
  for (HWND child : window->children) {
    if (findWindow(child)->identifier == identifier) return child;
  }
  return nullptr;
}

HWND FindWindowA(LPCSTR className, LPCSTR windowName) {
  for (Window* window : topLevelWindows()) {
    if (className && lowerCase(className) != lowerCase(window->className)) continue;
    if (windowName && window->text != windowName) continue;
    return window->handle;
  }
  return nullptr;
}

LONG_PTR SetWindowLongPtrA(HWND handle, int index, LONG_PTR value) {
  Window* window = findWindow(handle);
  if (!window || index != GWL_USERDATA) return 0;
  LONG_PTR previous = window->userData;
  window->userData = value;
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND handle, int index) {
  Window* window = findWindow(handle);
  if (!window) return 0;
  switch (index) {
    case GWL_USERDATA: return window->userData;
    case GWL_STYLE: return static_cast<LONG_PTR>(window->style);
    case GWL_ID: return window->identifier;
    default: return 0;
  }
}

BOOL GetClientRect(HWND handle, RECT* rect) {
  Window* window = findWindow(handle);
  if (!window || !rect) return FALSE;
  *rect = {0, 0, window->clientWidth, window->clientHeight};
  return TRUE;
}

BOOL InvalidateRect(HWND handle, const RECT*, BOOL) {
  if (!handle) {
    for (Window* window : topLevelWindows()) window->needsPaint = true;
    return TRUE;
  }
  if (!findWindow(handle)) return FALSE;
  invalidate(handle);
  return TRUE;
}

int ShowCursor(BOOL show) {
  Registry& r = registry();
  r.cursorCount += show ? 1 : -1;
  if (hasDisplay()) SDL_ShowCursor(r.cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return r.cursorCount;
}

LRESULT SendMessageA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = findWindow(handle);
  if (!window) return 0;
  return window->procedure(handle, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  Window* window = findWindow(handle);
  if (!window) return 0;
  switch (message) {
    case WM_CLOSE: DestroyWindow(handle); return 0;
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(handle, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: CloseWindow(handle); break;
        case SC_RESTORE: ShowWindow(handle, SW_RESTORE); break;
        case SC_SCREENSAVE:
        case SC_MONITORPOWER: registry().screenSaverQueryReachedDefault = true; break;
      }
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == VK_F4 && !window->parent) {
        SendMessageA(handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      } else if (wParam == VK_F4) {
        SendMessageA(topLevelOf(handle)->handle, WM_SYSKEYDOWN, wParam, lParam);
      }
      return 0;
    case WM_MOUSEWHEEL:
      if (window->parent) return SendMessageA(window->parent, message, wParam, lParam);
      return 0;
    case WM_SETREDRAW:
      window->redraw = wParam != 0;
      invalidate(handle);
      return 0;
    default: return 0;
  }
}

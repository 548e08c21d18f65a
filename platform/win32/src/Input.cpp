#include "Input.h"

#include <SDL.h>

#include <array>

#include "Display.h"
#include "Window.h"

namespace platform::win32 {

namespace {

std::array<bool, 256> keysDown{};

// The deepest visible window under a point of a top-level client area; x and y become that
// window's coordinates.
HWND windowAt(HWND topLevel, int& x, int& y) {
  Window* window = findWindow(topLevel);
  if (!window) return nullptr;
  for (bool descended = true; descended;) {
    descended = false;
    for (auto it = window->children.rbegin(); it != window->children.rend(); ++it) {
      Window* child = findWindow(*it);
      if (!child->visible || x < child->x || y < child->y || x >= child->x + child->clientWidth ||
          y >= child->y + child->clientHeight) {
        continue;
      }
      x -= child->x;
      y -= child->y;
      window = child;
      descended = true;
      break;
    }
  }
  return window->handle;
}

// Point of a top-level window's client area in a descendant's coordinates.
void toWindow(HWND handle, int& x, int& y) {
  for (Window* window = findWindow(handle); window && window->parent;
       window = findWindow(window->parent)) {
    x -= window->x;
    y -= window->y;
  }
}

int virtualKeyOf(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

HWND topLevelOfSdl(Uint32 windowId) {
  SDL_Window* sdl = SDL_GetWindowFromID(windowId);
  for (Window* window : topLevelWindows()) {
    if (sdl && window->sdlWindow == sdl) return window->handle;
  }
  return nullptr;
}

void handleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (int vk = virtualKeyOf(event.key.keysym.sym)) keyEvent(vk, event.type == SDL_KEYDOWN);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT) {
        mouseButton(topLevelOfSdl(event.button.windowID), event.button.x, event.button.y,
                    event.type == SDL_MOUSEBUTTONDOWN);
      }
      break;
    case SDL_MOUSEMOTION:
      mouseMove(topLevelOfSdl(event.motion.windowID), event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      mouseWheel(topLevelOfSdl(event.wheel.windowID), x, y, event.wheel.y * WHEEL_DELTA);
      break;
    }
    case SDL_WINDOWEVENT: {
      HWND top = topLevelOfSdl(event.window.windowID);
      if (!top) break;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: closeRequest(top); break;
        case SDL_WINDOWEVENT_EXPOSED: findWindow(top)->needsPaint = true; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          if (GetForegroundWindow() != top) SetForegroundWindow(top);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          findWindow(top)->clientWidth = event.window.data1;
          findWindow(top)->clientHeight = event.window.data2;
          findWindow(top)->needsPaint = true;
          break;
        case SDL_WINDOWEVENT_MINIMIZED: findWindow(top)->minimized = true; break;
        case SDL_WINDOWEVENT_RESTORED: findWindow(top)->minimized = false; break;
      }
      break;
    }
  }
}

}  // namespace

void keyEvent(int virtualKey, bool down) {
  if (virtualKey <= 0 || virtualKey > 255) return;
  bool wasDown = keysDown[virtualKey];
  keysDown[virtualKey] = down;
  HWND target = GetFocus() ? GetFocus() : GetForegroundWindow();
  if (!target) return;
  bool system = keysDown[VK_MENU] || virtualKey == VK_F10 || virtualKey == VK_MENU;
  UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  // Repeat count 1; bit 30 the previous state, bit 31 set on release; bit 29 with Alt.
  LPARAM flags = 1;
  if (wasDown) flags |= 1 << 30;
  if (!down) flags |= static_cast<LPARAM>(1u << 31);
  if (keysDown[VK_MENU]) flags |= 1 << 29;
  PostMessageA(target, message, static_cast<WPARAM>(virtualKey), flags);
}

void mouseButton(HWND topLevel, int x, int y, bool down) {
  HWND target = capture();
  if (target) {
    toWindow(target, x, y);
  } else {
    target = windowAt(topLevel, x, y);
  }
  if (!target) return;
  keysDown[VK_LBUTTON] = down;
  PostMessageA(target, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, down ? 1 : 0, MAKELPARAM(x, y));
}

void mouseMove(HWND topLevel, int x, int y) {
  HWND target = capture();
  if (target) {
    toWindow(target, x, y);
  } else {
    target = windowAt(topLevel, x, y);
  }
  if (!target) return;
  PostMessageA(target, WM_MOUSEMOVE, keysDown[VK_LBUTTON] ? 1 : 0, MAKELPARAM(x, y));
}

void mouseWheel(HWND topLevel, int x, int y, int delta) {
  int screenX = x, screenY = y;
  HWND target = windowAt(topLevel, x, y);
  if (!target) return;
  PostMessageA(target, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(screenX, screenY));
}

void clickWindow(HWND control) {
  Window* window = findWindow(control);
  if (!window) return;
  int x = window->clientWidth / 2, y = window->clientHeight / 2;
  for (Window* w = window; w->parent; w = findWindow(w->parent)) {
    x += w->x;
    y += w->y;
  }
  HWND top = topLevelOf(control)->handle;
  mouseButton(top, x, y, true);
  mouseButton(top, x, y, false);
}

void closeRequest(HWND topLevel) {
  if (findWindow(topLevel)) PostMessageA(topLevel, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void pumpDisplayEvents(bool wait, int timeoutMs) {
  if (!hasDisplay()) return;
  SDL_Event event;
  if (wait) {
    if (!SDL_WaitEventTimeout(&event, timeoutMs)) return;
    handleEvent(event);
  }
  while (SDL_PollEvent(&event)) handleEvent(event);
}

}  // namespace platform::win32

short GetKeyState(int virtualKey) {
  if (virtualKey <= 0 || virtualKey > 255) return 0;
  return platform::win32::keysDown[virtualKey] ? static_cast<short>(0x8000) : 0;
}

#include "demo/D3DWindow.h"

#include <windows.h>

#include "Core/Fatal.h"
#include "Core/Progress.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "demo\\D3DWindow";

D3DWindow* processWindow = nullptr;

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // Neither the screen saver nor monitor power-saving while the demo has the focus.
  if (message == WM_SYSCOMMAND && (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)) {
    return 0;
  }
  if (auto* owner = reinterpret_cast<D3DWindow*>(GetWindowLongPtrA(hwnd, GWL_USERDATA))) {
    owner->handleMessage(message, wParam);
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

D3DWindow::D3DWindow() : d3d(Direct3DCreate9(D3D_SDK_VERSION)) { processWindow = this; }

D3DWindow::~D3DWindow() {
  if (window) CloseWindow(window);
  closed = true;
  if (d3d) d3d->Release();
  if (processWindow == this) processWindow = nullptr;
}

D3DWindow* D3DWindow::current() { return processWindow; }

void D3DWindow::open(const DisplaySettings& newSettings) {
  settings = newSettings;
  createWindow();
  createDevice();
}

void D3DWindow::createWindow() {
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.cbWndExtra = 4;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = settings.title;
  RegisterClassExA(&windowClass);

  DWORD exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
  DWORD style = WS_OVERLAPPEDWINDOW;
  if (settings.fullscreen) {
    DEVMODEA mode{};
    mode.dmSize = sizeof(DEVMODEA);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(settings.bitsPerPixel);
    mode.dmPelsWidth = static_cast<DWORD>(settings.width);
    mode.dmPelsHeight = static_cast<DWORD>(settings.height);
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL) {
      exStyle = WS_EX_APPWINDOW;
      style = WS_POPUP;
    } else {
      MessageBoxA(nullptr, "Couldn't change display-settings, fallback to windowed.", "warning",
                  MB_OK);
      settings.fullscreen = false;
    }
  }

  window = CreateWindowExA(exStyle, settings.title, settings.title, style, 0, 0, settings.width,
                           settings.height, nullptr, nullptr, nullptr, nullptr);
  if (!window) {
    MessageBoxA(nullptr, "Creating window failed.", "error", MB_OK);
    PostQuitMessage(0);
    return;
  }
  ShowWindow(window, SW_SHOW);
  ShowCursor(FALSE);
  SetForegroundWindow(window);
  SetFocus(window);
  SetWindowLongPtrA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  closed = false;
}

void D3DWindow::createDevice() {
  if (!d3d) {
    MessageBoxA(nullptr, "Direct3DCreate9 failed!", "error", MB_OK);
    PostQuitMessage(0);
    // Without the Direct3D object there can be no device: end where a failed creation ends.
    VANTOR_CHECK_LINE(D3DERR_NOTAVAILABLE, 213);
    return;
  }
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = static_cast<UINT>(settings.width);
  parameters.BackBufferHeight = static_cast<UINT>(settings.height);
  parameters.BackBufferFormat = settings.fullscreen ? D3DFMT_A8R8G8B8 : D3DFMT_UNKNOWN;
  parameters.BackBufferCount = 1;
  parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = window;
  parameters.Windowed = !settings.fullscreen;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
  parameters.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

  IDirect3DDevice9** slot = GraphicsContext::instance()->deviceSlot();
  HRESULT result = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                     D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, slot);
  if (FAILED(result)) {
    result = d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, slot);
  }
  VANTOR_CHECK_LINE(result, 213);
}

void D3DWindow::close() {
  if (window) CloseWindow(window);
  closed = true;
}

bool D3DWindow::handleMessage(UINT message, WPARAM wParam) {
  const bool quit =
      (message == WM_KEYDOWN && wParam == VK_ESCAPE) || message == WM_CLOSE || message == WM_QUIT;
  if (!quit) return false;
  progressPoint();
  close();
  return true;
}

D3DVIEWPORT9 D3DWindow::defaultViewport() const {
  const int W = settings.width, H = settings.height;
  const double a = settings.aspect;
  int w, h;
  if (a > 1.0) {
    w = W;
    h = static_cast<int>(W / a);
    // A display wider than the aspect: fit the height instead, so the picture stays inside
    // the back buffer (pillarboxed).
    if (h > H) {
      h = H;
      w = static_cast<int>(a * H);
    }
  } else {
    h = H;
    w = static_cast<int>(a * H);
    // A display narrower than the aspect: fit the width instead (letterboxed).
    if (w > W) {
      w = W;
      h = static_cast<int>(W / a);
    }
  }
  D3DVIEWPORT9 viewport{};
  if (w == W) {
    viewport.X = 0;
    viewport.Y = static_cast<DWORD>((H - h) / 2);
  } else {
    viewport.X = static_cast<DWORD>((W - w) / 2);
    viewport.Y = 0;
  }
  viewport.Width = static_cast<DWORD>(w);
  viewport.Height = static_cast<DWORD>(h);
  viewport.MinZ = 0.0f;
  viewport.MaxZ = 1.0f;
  return viewport;
}

void D3DWindow::pushViewport(const D3DVIEWPORT9& viewport) {
  viewportStack.push_back(viewport);
  GraphicsContext::instance()->device()->SetViewport(&viewport);
}

void D3DWindow::popViewport() {
  if (!viewportStack.empty()) viewportStack.pop_back();
  const D3DVIEWPORT9 top = viewportStack.empty() ? defaultViewport() : viewportStack.back();
  GraphicsContext::instance()->device()->SetViewport(&top);
}

}  // namespace vantor

// The Direct3D object: the display's modes and device creation. A device presents into the SDL
// window behind its window handle when there is one, and renders headless otherwise.
#include <d3d9.h>

#include <cstdio>
#include <string>

#include "WindowHost.h"
#include "CallReport.h"
#include "Device.h"
#include "PageBridge.h"
#include "RefCounted.h"

namespace platform::d3d9 {

namespace {

constexpr const char* kObject = "direct3d";

class Direct3D9 final : public RefCounted<IDirect3D9> {
 public:
  UINT GetAdapterCount() override { return 1; }

  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
    if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8) return 0;
    return static_cast<UINT>(win32::displayModes().size());
  }

  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                           D3DDISPLAYMODE* displayMode) override {
    CallReport call(kObject, "EnumAdapterModes", "%u, %u, %u", adapter, format, mode);
    if (!displayMode) return call.refuse(D3DERR_INVALIDCALL, "the mode out-pointer is null");
    if (adapter != D3DADAPTER_DEFAULT || format != D3DFMT_X8R8G8B8) {
      return call.refuse(D3DERR_INVALIDCALL, "only the default adapter's X8R8G8B8 modes exist");
    }
    const auto modes = win32::displayModes();
    if (mode >= modes.size()) {
      return call.refuse(D3DERR_INVALIDCALL, "mode %u is beyond the display's %zu", mode,
                         modes.size());
    }
    *displayMode = {modes[mode].width, modes[mode].height, modes[mode].refreshRate,
                    D3DFMT_X8R8G8B8};
    return call(D3D_OK);
  }

  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
    constexpr const char* kCall = "IDirect3D9::GetAdapterDisplayMode";
    if (!displayMode) return refuse(D3DERR_INVALIDCALL, kCall, "the mode out-pointer is null");
    if (adapter != D3DADAPTER_DEFAULT) {
      return refuse(D3DERR_INVALIDCALL, kCall, "adapter %u: only the default adapter exists",
                    adapter);
    }
    const auto modes = win32::displayModes();
    if (modes.empty()) return refuse(D3DERR_NOTAVAILABLE, kCall, "no display is available");
    *displayMode = {modes[0].width, modes[0].height, modes[0].refreshRate, D3DFMT_X8R8G8B8};
    return D3D_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behavior,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    CallReport call(kObject, "CreateDevice", "%u, %u, %p, 0x%X", adapter, deviceType,
                    static_cast<void*>(focusWindow), behavior);
    if (!device) return call.refuse(D3DERR_INVALIDCALL, "the device out-pointer is null");
    *device = nullptr;
    if (!parameters) return call.refuse(D3DERR_INVALIDCALL, "the parameters are null");
    if (adapter != D3DADAPTER_DEFAULT) {
      return call.refuse(D3DERR_INVALIDCALL, "adapter %u: only the default adapter exists",
                         adapter);
    }
    if (deviceType != D3DDEVTYPE_HAL) {
      return call.refuse(D3DERR_NOTAVAILABLE, "device type %u: only HAL devices exist",
                         static_cast<unsigned>(deviceType));
    }
    const DWORD processing =
        behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                    D3DCREATE_MIXED_VERTEXPROCESSING);
    if (processing == 0 || (processing & (processing - 1)) != 0) {
      return call.refuse(D3DERR_INVALIDCALL,
                         "behaviour 0x%X names not exactly one kind of "
                         "vertex processing",
                         static_cast<unsigned>(behavior));
    }

    HWND window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
    SDL_Window* host = window ? win32::sdlWindowOf(window) : nullptr;
    std::string error;
    std::shared_ptr<GlContext> gl =
        host ? GlContext::createForWindow(host, error) : GlContext::createHeadless(error);
    if (!gl) {
      return call.refuse(D3DERR_NOTAVAILABLE, "cannot create a device: %s", error.c_str());
    }
    // The device on the demo's window comes after the launcher: what follows is loading.
    if (host) web::reportState("loading");
    return call(Device::create(std::move(gl), *parameters, device));
  }
};

}  // namespace

}  // namespace platform::d3d9

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new platform::d3d9::Direct3D9;
}

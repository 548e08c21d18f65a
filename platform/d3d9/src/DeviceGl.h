// Private interface between the Direct3D 9 stand-in and the other stand-ins (D3DX effects,
// tests, tools). Not part of Direct3D.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "AttributeLocations.h"
#include "GlDialect.h"

struct SDL_Window;

namespace platform::d3d9 {

// Makes the device's GL context current on this thread; false for a null or foreign device.
bool makeCurrent(IDirect3DDevice9* device);

// Draws of the device use this linked GL program instead of the fixed-function pipeline until
// it is set back to 0. The program's vertex inputs use the semantic locations of
// AttributeLocations.h and its fragment outputs locations 0-3 (render-target slots). Uniforms are
// the caller's business (GlDialect::setUniform); textures and samplers go through
// SetTexture/SetSamplerState with the sampler's unit as the stage.
HRESULT setProgram(IDirect3DDevice9* device, unsigned glProgram);

// Reads a colour surface back, top row first, as 0xAARRGGBB words (X8R8G8B8 reads alpha 0xFF,
// R32F reads red = value × 255 clamped, green = blue = alpha = 0xFF).
HRESULT readSurface(IDirect3DSurface9* surface, std::vector<std::uint32_t>& argb, UINT& width,
                    UINT& height);
// Reads an R32F surface back as floats, top row first.
HRESULT readSurfaceFloat(IDirect3DSurface9* surface, std::vector<float>& values, UINT& width,
                         UINT& height);

// Parameters of a windowed device with a desktop-format back buffer of that size and an
// automatic D24S8 depth surface, presenting into `window` (null: headless).
inline D3DPRESENT_PARAMETERS windowedParameters(UINT width, UINT height, HWND window = nullptr) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = width;
  parameters.BackBufferHeight = height;
  parameters.BackBufferFormat = D3DFMT_UNKNOWN;
  parameters.BackBufferCount = 1;
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.hDeviceWindow = window;
  parameters.Windowed = TRUE;
  parameters.EnableAutoDepthStencil = TRUE;
  parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
  return parameters;
}

// The GL_RENDERER and GL_VERSION strings of the device's context.
const char* rendererName(IDirect3DDevice9* device);
// The dialect the device speaks: "core" or "es3" (empty for a null or foreign device).
const char* dialectName(IDirect3DDevice9* device);
// The GL calls that differ between the dialects, for the other stand-ins that talk to GL on
// the device's context (stage texts, uniform uploads); null for a null or foreign device.
GlDialect* glDialect(IDirect3DDevice9* device);

// Waits until the GPU has finished every command given so far (glFinish), so that a frame can
// be timed as done; D3DERR_INVALIDCALL for a null or foreign device.
HRESULT finish(IDirect3DDevice9* device);

// Called by a windowed device's Present after the picture is in the window's drawable and
// before the swap, with the drawable bound for drawing and the context current: a tool draws
// its own interface there, over the picture and never into the back buffer. GL state that the
// overlay changes it restores. Null: none.
using PresentOverlay =
    std::function<void(SDL_Window* window, int drawableWidth, int drawableHeight)>;
void setPresentOverlay(PresentOverlay overlay);

}  // namespace platform::d3d9

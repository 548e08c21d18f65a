#include "DeviceGl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Device.h"
#include "Formats.h"
#include "Surface.h"

namespace platform::d3d9 {

namespace {

Device* ours(IDirect3DDevice9* device) { return dynamic_cast<Device*>(device); }

// The level's pixels as GL stores them, top row first, one element of four bytes a pixel
// (every colour format has four), read straight into pixels.
template <class Pixel>
HRESULT readLevel(IDirect3DSurface9* surface, D3DFORMAT expectFloat, std::vector<Pixel>& pixels,
                  D3DSURFACE_DESC& desc) {
  static_assert(sizeof(Pixel) == 4);
  auto* s = dynamic_cast<Surface*>(surface);
  if (!s || s->isDepthStencil()) return D3DERR_INVALIDCALL;
  desc = s->desc();
  const ColourFormat* format = colourFormat(desc.Format);
  if (!format || (expectFloat == D3DFMT_R32F && desc.Format != D3DFMT_R32F)) {
    return D3DERR_INVALIDCALL;
  }
  pixels.resize(static_cast<size_t>(desc.Width) * desc.Height);
  s->gl()->makeCurrent();
  s->gl()->dialect().readTexture(s->glName(), s->level(), static_cast<GLsizei>(desc.Width),
                                 static_cast<GLsizei>(desc.Height), *format, pixels.data());
  return D3D_OK;
}

}  // namespace

bool makeCurrent(IDirect3DDevice9* device) {
  Device* d = ours(device);
  if (!d) return false;
  d->gl().makeCurrent();
  return true;
}

HRESULT setProgram(IDirect3DDevice9* device, unsigned glProgram) {
  Device* d = ours(device);
  return d ? d->setProgram(glProgram) : D3DERR_INVALIDCALL;
}

HRESULT readSurface(IDirect3DSurface9* surface, std::vector<std::uint32_t>& argb, UINT& width,
                    UINT& height) {
  D3DSURFACE_DESC desc{};
  if (HRESULT hr = readLevel(surface, D3DFMT_UNKNOWN, argb, desc); FAILED(hr)) return hr;
  width = desc.Width;
  height = desc.Height;
  // Converted in place, in loops simple enough to vectorise: a full-HD frame is two million
  // pixels, read back for every frame of a capture.
  if (desc.Format == D3DFMT_R32F) {
    for (std::uint32_t& pixel : argb) {
      float value;
      std::memcpy(&value, &pixel, 4);
      const auto red = static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
      pixel = 0xFF00FFFFu | (red << 16);
    }
  } else if (desc.Format == D3DFMT_X8R8G8B8) {
    for (std::uint32_t& pixel : argb) pixel |= 0xFF000000u;
  }
  return D3D_OK;
}

HRESULT readSurfaceFloat(IDirect3DSurface9* surface, std::vector<float>& values, UINT& width,
                         UINT& height) {
  D3DSURFACE_DESC desc{};
  if (HRESULT hr = readLevel(surface, D3DFMT_R32F, values, desc); FAILED(hr)) return hr;
  width = desc.Width;
  height = desc.Height;
  return D3D_OK;
}

const char* rendererName(IDirect3DDevice9* device) {
  Device* d = ours(device);
  return d ? d->gl().renderer().c_str() : "";
}

const char* dialectName(IDirect3DDevice9* device) {
  Device* d = ours(device);
  return d ? dialectName(d->gl().dialect().kind()) : "";
}

GlDialect* glDialect(IDirect3DDevice9* device) {
  Device* d = ours(device);
  return d ? &d->gl().dialect() : nullptr;
}

HRESULT finish(IDirect3DDevice9* device) {
  Device* d = ours(device);
  if (!d) return D3DERR_INVALIDCALL;
  d->gl().makeCurrent();
  glFinish();
  return D3D_OK;
}

}  // namespace platform::d3d9

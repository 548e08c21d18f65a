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

// The level's pixels as GL stores them, top row first.
HRESULT readLevel(IDirect3DSurface9* surface, D3DFORMAT expectFloat,
                  std::vector<unsigned char>& bytes, D3DSURFACE_DESC& desc) {
  auto* s = dynamic_cast<Surface*>(surface);
  if (!s || s->isDepthStencil()) return D3DERR_INVALIDCALL;
  desc = s->desc();
  const ColourFormat* format = colourFormat(desc.Format);
  if (!format || (expectFloat == D3DFMT_R32F && desc.Format != D3DFMT_R32F)) {
    return D3DERR_INVALIDCALL;
  }
  bytes.resize(static_cast<size_t>(desc.Width) * desc.Height * format->bytesPerPixel);
  s->gl()->makeCurrent();
  glGetTextureImage(s->glName(), s->level(), format->pixelFormat, format->pixelType,
                    static_cast<GLsizei>(bytes.size()), bytes.data());
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
  std::vector<unsigned char> bytes;
  D3DSURFACE_DESC desc{};
  if (HRESULT hr = readLevel(surface, D3DFMT_UNKNOWN, bytes, desc); FAILED(hr)) return hr;
  width = desc.Width;
  height = desc.Height;
  argb.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < argb.size(); ++i) {
    if (desc.Format == D3DFMT_R32F) {
      float value;
      std::memcpy(&value, bytes.data() + 4 * i, 4);
      const auto red = static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
      argb[i] = 0xFF00FFFFu | (red << 16);
    } else {
      std::memcpy(&argb[i], bytes.data() + 4 * i, 4);
      if (desc.Format == D3DFMT_X8R8G8B8) argb[i] |= 0xFF000000u;
    }
  }
  return D3D_OK;
}

HRESULT readSurfaceFloat(IDirect3DSurface9* surface, std::vector<float>& values, UINT& width,
                         UINT& height) {
  std::vector<unsigned char> bytes;
  D3DSURFACE_DESC desc{};
  if (HRESULT hr = readLevel(surface, D3DFMT_R32F, bytes, desc); FAILED(hr)) return hr;
  width = desc.Width;
  height = desc.Height;
  values.resize(static_cast<size_t>(width) * height);
  std::memcpy(values.data(), bytes.data(), bytes.size());
  return D3D_OK;
}

const char* rendererName(IDirect3DDevice9* device) {
  Device* d = ours(device);
  return d ? d->gl().renderer().c_str() : "";
}

HRESULT finish(IDirect3DDevice9* device) {
  Device* d = ours(device);
  if (!d) return D3DERR_INVALIDCALL;
  d->gl().makeCurrent();
  glFinish();
  return D3D_OK;
}

}  // namespace platform::d3d9

#include "gfx/resources/RenderTarget.h"

#include "Core/Fatal.h"
#include "demo/D3DWindow.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {
constexpr const char* kReportSource = "gfx\\RenderTarget";

void releaseRef(IDirect3DSurface9*& surface) {
  if (surface) surface->Release();
  surface = nullptr;
}
}  // namespace

RenderTarget::RenderTarget(int width, int height, D3DFORMAT format) {
  create(width, height, format, true);
}

RenderTarget::~RenderTarget() {
  if (texture) texture->Release();
  releaseRef(surface);
  releaseRef(depthSurface);
}

void RenderTarget::create(int newWidth, int newHeight, D3DFORMAT newFormat, bool withDepth) {
  if (texture || surface) {
    reportFatal(52);
    return;
  }
  format = newFormat;
  width = newWidth;
  height = newHeight;
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  VANTOR_CHECK(device->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1,
                                     D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, &texture,
                                     nullptr));
  VANTOR_CHECK(texture->GetSurfaceLevel(0, &surface));
  if (withDepth && !depthSurface) {
    VANTOR_CHECK(device->CreateDepthStencilSurface(
        static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0,
        TRUE, &depthSurface, nullptr));
  }
}

void RenderTarget::begin(int newSlot) {
  if (!surface) {
    reportFatal(113);
    return;
  }
  if (active) {
    reportFatal(118);  // and bind anyway, dropping what the first begin saved
    releaseRef(savedTarget);
    releaseRef(savedDepth);
  }
  active = true;
  slot = newSlot;
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  device->GetRenderTarget(static_cast<DWORD>(slot), &savedTarget);
  device->SetRenderTarget(static_cast<DWORD>(slot), surface);
  if (slot == 0 && depthSurface) {
    device->GetDepthStencilSurface(&savedDepth);
    device->SetDepthStencilSurface(depthSurface);
  }
  if (slot == 0) {
    D3DWindow::current()->pushViewport(
        {0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0.0f, 1.0f});
  }
}

void RenderTarget::end() {
  if (!active) {
    reportFatal(160);
    return;
  }
  active = false;
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  device->SetRenderTarget(static_cast<DWORD>(slot), savedTarget);
  if (slot == 0 && depthSurface) device->SetDepthStencilSurface(savedDepth);
  releaseRef(savedTarget);
  releaseRef(savedDepth);
  if (slot == 0) D3DWindow::current()->popViewport();
}

}  // namespace vantor

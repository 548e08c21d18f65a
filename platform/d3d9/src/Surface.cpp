#include "Surface.h"

#include "CallReport.h"
#include "Formats.h"
#include "RefCounted.h"

namespace platform::d3d9 {

Surface* Surface::colourLevel(std::shared_ptr<GlContext> gl, IUnknown* container, GLuint texture,
                              GLint level, const D3DSURFACE_DESC& desc) {
  auto* surface = new Surface;
  surface->gl_ = std::move(gl);
  surface->container_ = container;
  surface->glName_ = texture;
  surface->level_ = level;
  surface->desc_ = desc;
  return surface;
}

Surface* Surface::depthStencil(std::shared_ptr<GlContext> gl, UINT width, UINT height,
                               D3DFORMAT format) {
  const DepthFormat* depth = depthFormat(format);
  if (!depth) return nullptr;
  gl->makeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  const GLuint renderbuffer = gl->dialect().createRenderbuffer(
      depth->internalFormat, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  if (glGetError() != GL_NO_ERROR) {
    glDeleteRenderbuffers(1, &renderbuffer);
    return nullptr;
  }
  auto* surface = new Surface;
  surface->gl_ = std::move(gl);
  surface->glName_ = renderbuffer;
  surface->withStencil_ = depth->withStencil;
  surface->desc_ = {format,
                    D3DRTYPE_SURFACE,
                    D3DUSAGE_DEPTHSTENCIL,
                    D3DPOOL_DEFAULT,
                    D3DMULTISAMPLE_NONE,
                    0,
                    width,
                    height};
  return surface;
}

Surface::~Surface() {
  if (container_ || !glName_) return;  // the container owns the texture
  gl_->forgetRenderbuffer(glName_);
  glDeleteRenderbuffers(1, &glName_);
}

HRESULT Surface::QueryInterface(REFIID, void** object) {
  if (object) *object = nullptr;
  return refuse(E_NOINTERFACE, "IDirect3DSurface9::QueryInterface",
                "no other interface is offered");
}

ULONG Surface::AddRef() { return container_ ? container_->AddRef() : ++ownReferences_; }

ULONG Surface::Release() {
  if (container_) return container_->Release();
  const ULONG left = --ownReferences_;
  if (left == 0) delete this;
  return left;
}

HRESULT Surface::GetDevice(IDirect3DDevice9** device) {
  if (!device) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DSurface9::GetDevice", "the device is null");
  }
  *device = addRef(gl_->device);
  if (!*device)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DSurface9::GetDevice", "its device is gone");
  return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* desc) {
  if (!desc) return refuse(D3DERR_INVALIDCALL, "IDirect3DSurface9::GetDesc", "the desc is null");
  *desc = desc_;
  return D3D_OK;
}

}  // namespace platform::d3d9

// A Direct3D surface: a colour level of a texture or of the back buffer, or a depth-stencil
// surface. Level surfaces and the back buffer forward their reference count to their
// container (texture, device), as Direct3D's do; depth-stencil surfaces count for themselves.
#pragma once

#include <d3d9.h>

#include <memory>

#include "GlContext.h"

namespace platform::d3d9 {

class Surface final : public IDirect3DSurface9 {
 public:
  // A colour level: `texture` is the GL texture (owned by the container), `container` gets
  // the references.
  static Surface* colourLevel(std::shared_ptr<GlContext> gl, IUnknown* container, GLuint texture,
                              GLint level, const D3DSURFACE_DESC& desc);
  // A depth-stencil surface with a renderbuffer of its own; null when GL refuses.
  static Surface* depthStencil(std::shared_ptr<GlContext> gl, UINT width, UINT height,
                               D3DFORMAT format);

  HRESULT QueryInterface(REFIID, void** object) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* desc) override;

  // The container deletes level surfaces when it goes.
  void destroyLevel() { delete this; }

  const D3DSURFACE_DESC& desc() const { return desc_; }
  bool isColourTarget() const { return (desc_.Usage & D3DUSAGE_RENDERTARGET) != 0; }
  bool isDepthStencil() const { return (desc_.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
  bool withStencil() const { return withStencil_; }
  // GL texture (colour) or renderbuffer (depth) name.
  GLuint glName() const { return glName_; }
  GLint level() const { return level_; }
  GlContext* gl() const { return gl_.get(); }

 private:
  Surface() = default;
  ~Surface();

  std::shared_ptr<GlContext> gl_;
  IUnknown* container_ = nullptr;
  ULONG ownReferences_ = 1;
  GLuint glName_ = 0;
  GLint level_ = 0;
  bool withStencil_ = false;
  D3DSURFACE_DESC desc_{};
};

}  // namespace platform::d3d9

#include "Texture.h"

#include <algorithm>

#include "CallReport.h"

namespace platform::d3d9 {

HRESULT Texture::create(std::shared_ptr<GlContext> gl, UINT width, UINT height, UINT levels,
                        DWORD usage, D3DFORMAT format, D3DPOOL pool, Texture** texture) {
  if (!texture) {
    noteRefusal("the texture out-pointer is null");
    return D3DERR_INVALIDCALL;
  }
  *texture = nullptr;
  const ColourFormat* colour = colourFormat(format);
  if (!colour) {
    noteRefusal("format %u cannot be a texture here", static_cast<unsigned>(format));
    return D3DERR_INVALIDCALL;
  }
  if (width == 0 || height == 0 || width > kMaxSurfaceEdge || height > kMaxSurfaceEdge) {
    noteRefusal("%ux%u is outside 1 to %u on each edge", width, height, kMaxSurfaceEdge);
    return D3DERR_INVALIDCALL;
  }
  if ((usage & ~(D3DUSAGE_RENDERTARGET | D3DUSAGE_DYNAMIC)) != 0) {
    noteRefusal("usage 0x%X has more than RENDERTARGET and DYNAMIC", static_cast<unsigned>(usage));
    return D3DERR_INVALIDCALL;
  }
  if (pool == D3DPOOL_SCRATCH || pool > D3DPOOL_SCRATCH) {
    noteRefusal("pool %u cannot hold textures here", static_cast<unsigned>(pool));
    return D3DERR_INVALIDCALL;
  }
  const UINT fullChain = fullMipCount(width, height);
  if (levels == 0) levels = fullChain;
  if (levels > fullChain) {
    noteRefusal("%u levels are more than the %u a %ux%u chain has", levels, fullChain, width,
                height);
    return D3DERR_INVALIDCALL;
  }
  const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
  // Render targets are drawn at level 0 only and live in video memory.
  if (renderTarget && (levels != 1 || pool != D3DPOOL_DEFAULT)) {
    noteRefusal("a render target has one level and lives in the DEFAULT pool");
    return D3DERR_INVALIDCALL;
  }

  gl->makeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  const GLuint name =
      gl->dialect().createTexture(*colour, static_cast<GLsizei>(levels),
                                  static_cast<GLsizei>(width), static_cast<GLsizei>(height));
  if (glGetError() != GL_NO_ERROR) {
    glDeleteTextures(1, &name);
    noteRefusal("GL could not store a %ux%u texture", width, height);
    return D3DERR_OUTOFVIDEOMEMORY;
  }

  auto* created = new Texture;
  created->gl_ = std::move(gl);
  created->name_ = name;
  created->format_ = colour;
  created->locked_.resize(levels);
  created->lockedForWriting_.resize(levels);
  for (UINT level = 0; level < levels; ++level) {
    const UINT levelWidth = std::max(1u, width >> level);
    const UINT levelHeight = std::max(1u, height >> level);
    const D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, usage,      pool, D3DMULTISAMPLE_NONE,
                               0,      levelWidth,       levelHeight};
    created->surfaces_.push_back(
        Surface::colourLevel(created->gl_, created, name, static_cast<GLint>(level), desc));
  }
  *texture = created;
  return D3D_OK;
}

Texture::~Texture() {
  for (Surface* surface : surfaces_) surface->destroyLevel();
  gl_->forgetTexture(name_);
  glDeleteTextures(1, &name_);
}

HRESULT Texture::GetDevice(IDirect3DDevice9** device) {
  if (!device)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetDevice",
                  "the device out-pointer is null");
  *device = addRef(gl_->device);
  if (!*device)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetDevice", "its device is gone");
  return D3D_OK;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
  if (!desc)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetLevelDesc",
                  "the desc out-pointer is null");
  if (level >= surfaces_.size()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetLevelDesc",
                  "level %u is beyond the texture's %zu", level, surfaces_.size());
  }
  *desc = surfaces_[level]->desc();
  return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
  if (!surface) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetSurfaceLevel",
                  "the surface out-pointer is null");
  }
  *surface = nullptr;
  if (level >= surfaces_.size()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::GetSurfaceLevel",
                  "level %u is beyond the texture's %zu", level, surfaces_.size());
  }
  *surface = addRef(surfaces_[level]);
  return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
  if (!locked)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect",
                  "the lock out-pointer is null");
  if (level >= surfaces_.size()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect",
                  "level %u is beyond the texture's %zu", level, surfaces_.size());
  }
  if (rect)
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect",
                  "only whole levels lock: rect must be null");
  if (surfaces_[level]->isColourTarget()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect",
                  "a render target cannot be locked");
  }
  if ((flags & ~(D3DLOCK_READONLY | D3DLOCK_DISCARD | D3DLOCK_NOSYSLOCK)) != 0) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect",
                  "flags 0x%X have more than READONLY, DISCARD and NOSYSLOCK",
                  static_cast<unsigned>(flags));
  }
  auto& copy = locked_[level];
  if (!copy.empty()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::LockRect", "level %u is already locked",
                  level);
  }
  const D3DSURFACE_DESC& desc = surfaces_[level]->desc();
  const UINT pitch = desc.Width * format_->bytesPerPixel;
  copy.resize(static_cast<size_t>(pitch) * desc.Height);
  if (!(flags & D3DLOCK_DISCARD)) {
    gl_->makeCurrent();
    gl_->dialect().readTexture(name_, static_cast<GLint>(level), static_cast<GLsizei>(desc.Width),
                               static_cast<GLsizei>(desc.Height), *format_, copy.data());
  }
  lockedForWriting_[level] = !(flags & D3DLOCK_READONLY);
  locked->Pitch = static_cast<INT>(pitch);
  locked->pBits = copy.data();
  return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
  if (level >= surfaces_.size() || locked_[level].empty()) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DTexture9::UnlockRect", "level %u is not locked",
                  level);
  }
  auto& copy = locked_[level];
  if (lockedForWriting_[level]) {
    const D3DSURFACE_DESC& desc = surfaces_[level]->desc();
    gl_->makeCurrent();
    gl_->dialect().writeTexture(name_, static_cast<GLint>(level), static_cast<GLsizei>(desc.Width),
                                static_cast<GLsizei>(desc.Height), *format_, copy.data());
  }
  std::vector<unsigned char>().swap(copy);
  return D3D_OK;
}

}  // namespace platform::d3d9

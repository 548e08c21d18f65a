// A 2D texture: a GL texture with immutable storage for all its levels, one surface per level.
// Plain textures can be locked per level (a CPU copy uploaded at unlock); render-target
// textures have one level and are drawn into.
#pragma once

#include <d3d9.h>

#include <memory>
#include <vector>

#include "Formats.h"
#include "GlContext.h"
#include "RefCounted.h"
#include "Surface.h"

namespace platform::d3d9 {

class Texture final : public RefCounted<IDirect3DTexture9> {
 public:
  // Answers a failure code and null for arguments the subset does not take.
  static HRESULT create(std::shared_ptr<GlContext> gl, UINT width, UINT height, UINT levels,
                        DWORD usage, D3DFORMAT format, D3DPOOL pool, Texture** texture);

  HRESULT GetDevice(IDirect3DDevice9** device) override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return static_cast<DWORD>(surfaces_.size()); }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;

  GLuint glName() const { return name_; }
  GlContext* gl() const { return gl_.get(); }

 private:
  Texture() = default;
  ~Texture() override;

  std::shared_ptr<GlContext> gl_;
  GLuint name_ = 0;
  const ColourFormat* format_ = nullptr;
  std::vector<Surface*> surfaces_;  // owned, one per level
  // CPU copies of locked levels (empty while not locked) and whether the lock may write.
  std::vector<std::vector<unsigned char>> locked_;
  std::vector<bool> lockedForWriting_;
};

}  // namespace platform::d3d9

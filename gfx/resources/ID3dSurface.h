// A GPU surface that a shader parameter can take: a loaded Texture or a RenderTarget.
#pragma once

#include <d3d9.h>

namespace vantor {

class ID3dSurface {
 public:
  // The Direct3D texture to bind, or null.
  virtual IDirect3DTexture9* getTexture() = 0;

 protected:
  ~ID3dSurface() = default;  // never deleted through this interface
};

}  // namespace vantor

// How the Direct3D formats of the subset live in GL.
#pragma once

#include <d3d9.h>
#include "GlApi.h"

namespace platform::d3d9 {

struct ColourFormat {
  GLenum internalFormat;
  // How locked bytes are laid out for upload and read-back: Direct3D's A8R8G8B8 is B, G, R, A
  // in memory, which GL calls GL_BGRA with unsigned bytes.
  GLenum pixelFormat;
  GLenum pixelType;
  UINT bytesPerPixel;
  // What sampling answers per channel: X8R8G8B8 reads alpha 1, R32F reads (r, 1, 1, 1).
  GLint swizzle[4];
};

// Null for a format that cannot be a texture or a colour target here.
const ColourFormat* colourFormat(D3DFORMAT format);

struct DepthFormat {
  GLenum internalFormat;
  bool withStencil;
};

// Null for a format that cannot be a depth-stencil surface here.
const DepthFormat* depthFormat(D3DFORMAT format);

// The number of levels of a full mip chain down to 1 x 1.
UINT fullMipCount(UINT width, UINT height);

// Largest texture or surface edge accepted, in pixels.
constexpr UINT kMaxSurfaceEdge = 16384;

}  // namespace platform::d3d9

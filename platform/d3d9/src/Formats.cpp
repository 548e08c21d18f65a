#include "Formats.h"

namespace platform::d3d9 {

const ColourFormat* colourFormat(D3DFORMAT format) {
  static const ColourFormat argb{
      GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
  static const ColourFormat xrgb{
      GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, 4, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
  static const ColourFormat r32f{GL_R32F, GL_RED, GL_FLOAT, 4, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
  switch (format) {
    case D3DFMT_A8R8G8B8: return &argb;
    case D3DFMT_X8R8G8B8: return &xrgb;
    case D3DFMT_R32F: return &r32f;
    default: return nullptr;
  }
}

const DepthFormat* depthFormat(D3DFORMAT format) {
  static const DepthFormat d24s8{GL_DEPTH24_STENCIL8, true};
  static const DepthFormat d24x8{GL_DEPTH_COMPONENT24, false};
  static const DepthFormat d16{GL_DEPTH_COMPONENT16, false};
  switch (format) {
    case D3DFMT_D24S8: return &d24s8;
    case D3DFMT_D24X8: return &d24x8;
    case D3DFMT_D16: return &d16;
    default: return nullptr;
  }
}

UINT fullMipCount(UINT width, UINT height) {
  UINT levels = 1;
  while (width > 1 || height > 1) {
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    ++levels;
  }
  return levels;
}

}  // namespace platform::d3d9

// Where each vertex semantic sits among a GL program's vertex inputs. The device binds vertex
// buffers there (Device::applyVertexLayout), the fixed-function programs declare their inputs
// there, and tools/fxc gives effect stages the semantic names as these numbers, so an effect
// writes `layout(location = TEXCOORD0) in vec2 uv;`. Fragment outputs COLOR0-COLOR3 are the
// render-target slots 0-3. Needs nothing but the compiler, so the effect compiler can use it.
#pragma once

namespace platform::d3d9 {

enum AttributeLocation : unsigned {
  kPosition = 0,   // POSITION
  kNormal = 1,     // NORMAL
  kTexcoord0 = 2,  // TEXCOORD0-3 at 2-5
  kDiffuse = 6,    // COLOR0 of a vertex, as normalised B, G, R, A bytes (fixed function)
};

inline constexpr unsigned kTexcoordSets = 4;

}  // namespace platform::d3d9

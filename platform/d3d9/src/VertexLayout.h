// Where each attribute of a flexible vertex format lies within a vertex.
#pragma once

#include <d3d9.h>

#include <array>
#include <optional>

#include "AttributeLocations.h"

namespace platform::d3d9 {

struct VertexLayout {
  static constexpr UINT kMaxTexcoordSets = kTexcoordSets;  // TEXCOORD0-3 have attribute locations

  UINT size;  // bytes per vertex
  UINT positionOffset;
  std::optional<UINT> normalOffset;
  std::optional<UINT> diffuseOffset;
  UINT texcoordSets;
  std::array<UINT, kMaxTexcoordSets> texcoordOffsets;
  std::array<UINT, kMaxTexcoordSets> texcoordComponents;  // 1 to 4 floats
};

// Empty for formats the subset does not draw: positions must be D3DFVF_XYZ; NORMAL, DIFFUSE
// and up to four texture coordinate sets may follow. PSIZE, SPECULAR, XYZRHW and blend
// weights are refused.
std::optional<VertexLayout> vertexLayout(DWORD fvf);

// The number of vertices a draw of `primitives` primitives reads, or 0 for an unknown type.
UINT verticesOfPrimitives(D3DPRIMITIVETYPE type, UINT primitives);

}  // namespace platform::d3d9

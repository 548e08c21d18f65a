#include "VertexLayout.h"

namespace platform::d3d9 {

std::optional<VertexLayout> vertexLayout(DWORD fvf) {
  constexpr DWORD texcoordSizeBits = 0xFFFF0000u;
  constexpr DWORD drawable =
      D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEXCOUNT_MASK | texcoordSizeBits;
  if ((fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || (fvf & ~drawable) != 0) return std::nullopt;
  const UINT sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (sets > VertexLayout::kMaxTexcoordSets) return std::nullopt;
  // Size bits of sets that are not present must be zero.
  if (sets < 8 && (fvf >> (16 + 2 * sets)) != 0) return std::nullopt;

  VertexLayout layout{};
  UINT offset = 0;
  layout.positionOffset = offset;
  offset += 12;
  if (fvf & D3DFVF_NORMAL) {
    layout.normalOffset = offset;
    offset += 12;
  }
  if (fvf & D3DFVF_DIFFUSE) {
    layout.diffuseOffset = offset;
    offset += 4;
  }
  layout.texcoordSets = sets;
  for (UINT set = 0; set < sets; ++set) {
    const DWORD format = (fvf >> (16 + 2 * set)) & 3;
    const UINT components = format == D3DFVF_TEXTUREFORMAT1   ? 1
                            : format == D3DFVF_TEXTUREFORMAT3 ? 3
                            : format == D3DFVF_TEXTUREFORMAT4 ? 4
                                                              : 2;
    layout.texcoordOffsets[set] = offset;
    layout.texcoordComponents[set] = components;
    offset += 4 * components;
  }
  layout.size = offset;
  return layout;
}

UINT verticesOfPrimitives(D3DPRIMITIVETYPE type, UINT primitives) {
  if (primitives > (1u << 28)) return 0;  // beyond any buffer, and would overflow below
  switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    default: return 0;
  }
}

}  // namespace platform::d3d9

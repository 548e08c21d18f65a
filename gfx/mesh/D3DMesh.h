// The GPU half of an editable mesh: one vertex buffer in the engine's vertex format and one
// 32-bit index buffer holding a triangle list, drawn with a single indexed draw call and
// readable back into a topology (optionally welding coincident vertices and rejoining
// coplanar triangle pairs into quads).
//
// The buffers appear on the first fill that needs them, grow to exactly what a fill asks
// for (never below the construction minimums) and never shrink; the counts describe the
// last fill. The device is the graphics context's at construction time.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "gfx/math/OutwardWinding.h"
#include "gfx/mesh/VantorMesh.h"

namespace vantor {

class Mesh;

class D3DMesh {
 public:
  // XYZ, normal and four texture coordinate sets, the last two of three floats: the 64-byte
  // attribute block of Vertex (position, normal, uv0, uv1, tangent, binormal).
  static constexpr DWORD vertexFormat =
      D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE3(2) | D3DFVF_TEXCOORDSIZE3(3);
  static constexpr int vertexRecordSize = 64;

  // The least capacities of new buffers: vertices, and triangles of three indices each.
  D3DMesh(int minVertexCapacity, int minTriangleCapacity);
  D3DMesh(const D3DMesh&) = delete;
  D3DMesh& operator=(const D3DMesh&) = delete;
  ~D3DMesh();

  // Makes room for the given numbers of vertices (of vertexSize bytes, created with fvf) and
  // indices; a zero amount leaves that buffer alone.
  void reserve(DWORD fvf, int vertexAmount, int indexAmount, int vertexSize);
  // Fills the vertex buffer with the attribute blocks of vertices, in order, and the index
  // buffer with indices when given (without them the previous indices stay). An empty
  // vertex list leaves nothing to draw.
  void setData(const VertexList& vertices, const IndexList* indices);
  // Fills from raw 64-byte vertex records and 32-bit indices (either may be null, which
  // keeps that part), multiplying every position by scale.
  void setRaw(const void* vertexData, const std::uint32_t* indexData, int vertexCount,
              int indexCount, float scale);
  // One indexed triangle-list draw with the caller's effect pass; nothing when empty.
  void draw();
  // Reads the buffers back and hands the result to mesh.setTopology. weld joins vertices
  // closer than 0.001 (the first keeps its attributes); makeQuads merges each new triangle
  // into the first earlier triangle that shares an edge and faces the same way (normals'
  // dot above 0.9).
  void rebuildTopology(Mesh& mesh, bool weld, bool makeQuads);

  // What the last fill left: counts in use and the capacities of the buffers.
  int getIndexAmount() const { return d3dIndexAmount; }
  int getVertexAmount() const { return vertexAmount; }
  int getIndexCapacity() const { return indexCapacity; }
  int getVertexCapacity() const { return vertexCapacity; }
  // Whether the triangles in use bound a solid and which way round, worked out at every fill.
  OutwardWinding getOutwardWinding() const { return winding; }

 private:
  // Works out the winding after a fill from the positions in use (empty: read them from
  // the vertex buffer) and the indices in use (null: read them from the index buffer).
  void updateWinding(std::vector<Vector3> positions, const std::uint32_t* indices);

  IDirect3DIndexBuffer9* indexBuffer = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer = nullptr;
  int d3dIndexAmount = 0;
  int vertexAmount = 0;
  int indexCapacity = 0;
  int vertexCapacity = 0;
  int vertexSize = -1;
  IDirect3DDevice9* device = nullptr;
  int minVertexCapacity = 0;
  int minTriangleCapacity = 0;
  OutwardWinding winding = OutwardWinding::Open;
};

static_assert(D3DMesh::vertexFormat == 5243922);
static_assert(sizeof(VertexAttributes) == D3DMesh::vertexRecordSize);

}  // namespace vantor

// The engine's editable polygon mesh node. It holds the surface twice, as a topology that
// modifiers edit and as GPU buffers that get drawn, and converts lazily between them: a
// sync state records which form is current, reading or editing the topology while only the
// buffers are current first reads them back, and drawing while only the topology is
// current first rebuilds the buffers.
//
// Meshes are made and owned by the graphics context (createMesh); a mesh is not renderable
// by itself, a MeshInstance draws it with a material. Misuse that can be survived (reading,
// drawing, copying or making tangents of a mesh that was never given anything) shows a
// numbered error box and goes on.
#pragma once

#include <d3dx9.h>

#include "gfx/math/BoundingBox.h"
#include "gfx/scene/INode.h"
#include "gfx/math/Matrix.h"
#include "gfx/math/OutwardWinding.h"
#include "gfx/mesh/VantorMesh.h"

namespace vantor {

class D3DMesh;
class Mesh;

// Which of the two forms is current.
enum class MeshSync : int {
  Empty = 0,          // nothing was ever given to the mesh
  TopologyNewer = 1,  // the topology is current; the buffers are stale or missing
  GpuNewer = 2,       // the buffers are current; the topology is stale
  Synced = 3,         // both agree
};

// The private record of a Mesh.
struct MeshData {
  D3DMesh* d3dMesh = nullptr;        // owned
  MeshTopology* topology = nullptr;  // owned
  MeshSync syncState = MeshSync::Empty;
  BoundingBox box;  // cached box of the positions
  bool bboxValid = false;
  bool autoNormalsOff = false;
  bool mergeOnRebuild = false;  // weld and merge quads when reading the buffers back
  Mesh* owner = nullptr;        // the mesh itself
};

class Mesh : public INode {
 public:
  // The least buffer capacities, in vertices and triangles.
  Mesh(int minVertexCapacity, int minTriangleCapacity);
  virtual ~Mesh();

  // The lists for reading; the topology's flags are left alone.
  const VertexList& getVertices();
  const EdgeList& getEdges();
  const FaceList& getFaces();
  // The lists for editing: the normals are invalidated (and the adjacency with edges or
  // faces), and the topology becomes the current form.
  VertexList& editVertices();
  EdgeList& editEdges();
  FaceList& editFaces();
  // Any of the three lists at once for editing (each out-pointer may be null).
  void edit(VertexList** vertices, EdgeList** edges, FaceList** faces);

  // Replaces the given lists by deep copies of the caller's objects (which stay the
  // caller's); see MeshTopology::assign.
  void setTopology(const VertexList* vertices, const EdgeList* edges, const FaceList* faces);
  // Fills the buffers: the vertices' attribute blocks and three indices per triangle.
  void setGpuData(const VertexList& vertices, const IndexList& indices);
  // Fills the buffers from a D3DX mesh of any vertex format (converted to the engine's);
  // the D3DX mesh stays the caller's.
  void loadFromD3DXMesh(ID3DXMesh* mesh);
  // Empties the topology.
  void clear();
  // Makes this mesh's topology a copy of other's current surface; other is not changed.
  void copyFrom(const Mesh& other);
  // Rebuilds the buffers if the topology is newer.
  void upload();
  // Whether the surface bounds a solid and which way its faces run seen from outside, as the
  // buffers hold it (rebuilt first if the topology is newer); Open for an empty mesh.
  OutwardWinding outwardWinding();
  // Draws the mesh with the caller's effect pass; m is not used by the mesh.
  void draw(const Matrix& m);
  // Smooth vertex normals of the topology, unless automatic normals are off.
  void computeNormals();
  // Vertex tangents and binormals; only while the topology is the newer form.
  void computeTangents();
  void setAutoNormals(bool enabled);
  // Whether reading the buffers back welds vertices and merges triangle pairs into quads.
  void setMergeOnRebuild(bool merge);
  // Moves positions (as points) and normals (as directions, not renormalised) by m. The
  // cached box is kept as it was.
  void transform(const Matrix& m);
  // The box of the positions, computed once after each setTopology or setGpuData. It
  // starts from min (10000, 10000, 10000) and max (-10000, -10000, -10000): an empty mesh
  // gives that box, and a minimum above 10000 (a maximum below -10000) stays there.
  BoundingBox* getBoundingBox();

  MeshData* data;

 private:
  // Reads the buffers back into the topology; both forms then agree.
  void rebuild();
  // Before reading a list: the topology is read back if the buffers are newer; a mesh that
  // was never given anything shows error box 166 (its lists are empty).
  void prepareRead();
};

}  // namespace vantor

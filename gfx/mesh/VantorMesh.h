// The topology half of the editable mesh: vertices, edges and faces as heap objects, with
// vertex normals, face normals and tangents computed on demand and cached behind flags.
//
// A topology owns every object in its lists and deletes them when cleared or destroyed.
// Invariants: every edge ends at vertices of the same topology, every face's edges belong
// to the same topology, consecutive edges of a face share a vertex (the last with the
// first). Lists keep insertion order; indexes are positions in that order.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/mesh/MeshFace.h"

namespace vantor {

using EdgeList = std::vector<Edge*>;
using FaceList = std::vector<FaceBase*>;
using IndexList = std::vector<std::uint32_t>;

class MeshTopology {
 public:
  MeshTopology() = default;
  MeshTopology(const MeshTopology&) = delete;
  MeshTopology& operator=(const MeshTopology&) = delete;
  ~MeshTopology();

  // Hands out the addresses of the requested lists (each out-pointer may be null). For
  // editing (readOnly false), handing out vertices invalidates vertex and face normals, and
  // handing out edges or faces invalidates those and the adjacency as well. Tangents are
  // never invalidated here.
  void getLists(VertexList** vertices, EdgeList** edges, FaceList** faces, bool readOnly);

  // Replaces the given lists by deep copies of the caller's objects (which stay the
  // caller's). Edges need vertices and faces need edges; every edge end must be among the
  // given vertices and every face edge among the given edges (live assertions). A list not
  // given is kept as it is.
  void assign(const VertexList* vertices, const EdgeList* edges, const FaceList* faces);
  // Replaces everything by a deep copy of other; the flags are left as they were.
  void copyFrom(const MeshTopology& other);
  // Deletes every vertex, edge and face and frees the lists' storage (a cleared topology
  // may stay empty for good, as a work mesh does); the flags keep their values.
  void clear();

  // Face normals of every face, unless already valid.
  void computeFaceNormals();
  // Smooth vertex normals: the sum of the (area-weighted) normals of the faces at each
  // corner, normalised. Answers true when the normals are now valid, false when nothing was
  // done because they were valid already or the vertex type has no normal. An empty
  // topology answers true.
  bool computeVertexNormals();
  // Tangent and binormal of every face, always recomputed.
  void computeFaceTangentFrames();
  // Vertex tangents and binormals from the face frames, normalised, unless already valid
  // or the vertex type has none.
  void computeTangents();

  // The GPU form: the vertex list as it is (one GPU vertex per topology vertex, shared
  // between faces) and three indices per triangle (a quad gives two). A corner that is not
  // in the vertex list shows error box 320 and gets index 0.
  void flattenForGpu(VertexList& gpuVertices, IndexList& indices) const;
  // Hands the GPU form to owner.setGpuData(vertices, indices), the owning mesh.
  template <class Owner>
  void buildBuffers(Owner& owner) const {
    VertexList gpuVertices;
    IndexList indices;
    flattenForGpu(gpuVertices, indices);
    owner.setGpuData(gpuVertices, indices);
  }

  bool vertexNormalsValid = false;
  bool faceNormalsValid = false;
  // Cleared with the normals when edges or faces are handed out for editing; nothing in
  // the engine computes adjacency, so nothing sets it.
  bool adjacencyValid = false;
  bool tangentsValid = false;

 private:
  void deleteVertices();
  void deleteEdges();
  void deleteFaces();

  VertexList vertices;
  EdgeList edges;
  FaceList faces;
};

}  // namespace vantor

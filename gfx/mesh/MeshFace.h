// Faces of the editable mesh topology: triangles and quads.
//
// A face stores its edges in order, not its vertices; its corners follow from consecutive
// edges (getVertices), so reversing the edge order reverses the winding. Faces do not own
// their edges. Normal, tangent and binormal are cached here by computeNormal and
// computeTangentFrame and are zero until then.
#pragma once

#include <vector>

#include "gfx/mesh/MeshVertex.h"

namespace vantor {

using VertexList = std::vector<VertexBase*>;

class FaceBase {
 public:
  virtual ~FaceBase() = default;

  // Faces of every type are stored in the record pool.
  VANTOR_POOLED_RECORD

  virtual int getEdgeCount() const = 0;
  // A new face of the same type with the same edge pointers and vectors; caller owns it.
  virtual FaceBase* clone() const = 0;
  // Edge slot i, 0 ≤ i < getEdgeCount() (checked).
  virtual void setEdge(int i, Edge* edge) = 0;
  virtual Edge* getEdge(int i) const = 0;
  // Appends the face as triangles, three corners each.
  virtual void getTriangleVertices(VertexList& out) const = 0;

  // Appends the corners, one per edge: corner k is the vertex that edge k shares with edge
  // k + 1. The edges (A,B), (B,C), (C,A) give B, C, A, keeping the winding A, B, C.
  void getVertices(VertexList& out) const;
  // The first edge of this face, in this face's order, that other also has; null if none.
  Edge* findSharedEdge(const FaceBase& other) const;
  // normal = (p1 − p0) × (p2 − p0) over the first three corners, not normalised: its length
  // is twice the area of that triangle.
  void computeNormal();
  // Tangent and binormal of the first three corners from texture coordinate set 1, not
  // normalised; both zero where the coordinates give no frame.
  void computeTangentFrame();
  Vector3 getTangent() const { return tangent; }
  Vector3 getBinormal() const { return binormal; }

  Vector3 normal;

 protected:
  FaceBase() = default;
  FaceBase(const FaceBase&) = default;
  FaceBase& operator=(const FaceBase&) = default;

  // The first count corners (count ≤ getEdgeCount()) in getVertices order.
  void writeCorners(VertexBase** out, int count) const;

 private:
  Vector3 tangent;
  Vector3 binormal;
};

class TriFace : public FaceBase {
 public:
  TriFace(Edge* e0, Edge* e1, Edge* e2) : edges{e0, e1, e2} {}

  int getEdgeCount() const override { return 3; }
  FaceBase* clone() const override { return new TriFace(*this); }
  void setEdge(int i, Edge* edge) override;
  Edge* getEdge(int i) const override;
  // The three corners.
  void getTriangleVertices(VertexList& out) const override;

 private:
  Edge* edges[3];
};

class QuadFace : public FaceBase {
 public:
  QuadFace(Edge* e0, Edge* e1, Edge* e2, Edge* e3) : edges{e0, e1, e2, e3} {}

  int getEdgeCount() const override { return 4; }
  FaceBase* clone() const override { return new QuadFace(*this); }
  void setEdge(int i, Edge* edge) override;
  Edge* getEdge(int i) const override;
  // Corners w0 … w3 as the two triangles w0 w1 w2 and w2 w3 w0.
  void getTriangleVertices(VertexList& out) const override;

 private:
  Edge* edges[4];
};

}  // namespace vantor

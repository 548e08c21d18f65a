#include "gfx/mesh/MeshFace.h"

#include "Core/Fatal.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\VantorMesh";

// The corner of a face that comes after corner previous along edge: the edge's other end.
VertexBase* nextCorner(const VertexBase* previous, const Edge* edge) {
  return previous == edge->a ? edge->b : previous == edge->b ? edge->a : edge->b;
}

// The end of first that it shares with second (first.a when they share none).
VertexBase* sharedEnd(const Edge* first, const Edge* second) {
  if (first->a == second->a || first->a == second->b) return first->a;
  if (first->b == second->a || first->b == second->b) return first->b;
  return first->a;
}

}  // namespace

void FaceBase::writeCorners(VertexBase** out, int count) const {
  VertexBase* corner = sharedEnd(getEdge(0), getEdge(1));
  out[0] = corner;
  for (int k = 1; k < count; ++k) out[k] = corner = nextCorner(corner, getEdge(k));
}

void FaceBase::getVertices(VertexList& out) const {
  const int count = getEdgeCount();
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(count));
  writeCorners(out.data() + start, count);
}

Edge* FaceBase::findSharedEdge(const FaceBase& other) const {
  const int count = getEdgeCount(), otherCount = other.getEdgeCount();
  for (int i = 0; i < count; ++i) {
    Edge* edge = getEdge(i);
    for (int j = 0; j < otherCount; ++j) {
      if (other.getEdge(j) == edge) return edge;
    }
  }
  return nullptr;
}

void FaceBase::computeNormal() {
  VertexBase* w[3];
  writeCorners(w, 3);
  const Vector3 p0 = *w[0]->getPosition();
  normal = (*w[1]->getPosition() - p0).cross(*w[2]->getPosition() - p0);
}

void FaceBase::computeTangentFrame() {
  VertexBase* w[3];
  writeCorners(w, 3);
  const Vector3 p0 = *w[0]->getPosition();
  const Vector3 e1 = *w[1]->getPosition() - p0;
  const Vector3 e2 = *w[2]->getPosition() - p0;
  const Vector2 t0 = *w[0]->getTexcoord1();
  const Vector2 d1 = *w[1]->getTexcoord1() - t0;
  const Vector2 d2 = *w[2]->getTexcoord1() - t0;
  const float det = d2.y * d1.x - d2.x * d1.y;
  if (det == 0.0f) {
    tangent = binormal = Vector3();
    return;
  }
  tangent = (e1 * d2.y - e2 * d1.y) / det;
  binormal = (e2 * d1.x - e1 * d2.x) / det;
}

void TriFace::setEdge(int i, Edge* edge) {
  VANTOR_ASSERT(i >= 0 && i < 3);
  edges[i] = edge;
}

Edge* TriFace::getEdge(int i) const {
  VANTOR_ASSERT(i >= 0 && i < 3);
  return edges[i];
}

void TriFace::getTriangleVertices(VertexList& out) const { getVertices(out); }

void QuadFace::setEdge(int i, Edge* edge) {
  VANTOR_ASSERT(i >= 0 && i < 4);
  edges[i] = edge;
}

Edge* QuadFace::getEdge(int i) const {
  VANTOR_ASSERT(i >= 0 && i < 4);
  return edges[i];
}

void QuadFace::getTriangleVertices(VertexList& out) const {
  VertexBase* w[4];
  writeCorners(w, 4);
  out.insert(out.end(), {w[0], w[1], w[2], w[2], w[3], w[0]});
}

}  // namespace vantor

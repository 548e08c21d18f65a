#include "gfx/mesh/MeshModifierSubdivide.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "Core/Fatal.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor::meshmodify {

struct Subdivide::Rule {
  int mode;
};

namespace {

constexpr const char* kReportSource = "gfx\\MeshModifierSubdivide";

// Positions of list entries by address: open addressing over a power-of-two table at most
// half full, so that a level costs time linear in the mesh size.
class PointerIndex {
 public:
  template <class List>
  explicit PointerIndex(const List& list) {
    std::size_t capacity = 16;
    while (capacity < 2 * list.size()) capacity *= 2;
    mask = capacity - 1;
    slots.assign(capacity, Slot{nullptr, -1});
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::size_t at = slotOf(list[i]);
      while (slots[at].key && slots[at].key != list[i]) at = (at + 1) & mask;
      // A pointer listed twice keeps its first position.
      if (!slots[at].key) slots[at] = Slot{list[i], static_cast<int>(i)};
    }
  }

  // The position of key in the list, or -1.
  int find(const void* key) const {
    for (std::size_t at = slotOf(key);; at = (at + 1) & mask) {
      if (slots[at].key == key) return slots[at].index;
      if (!slots[at].key) return -1;
    }
  }

 private:
  struct Slot {
    const void* key;
    int index;
  };

  std::size_t slotOf(const void* key) const {
    const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key));
    return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 20) & mask;
  }

  std::vector<Slot> slots;
  std::size_t mask = 0;
};

bool sharesVertex(const Edge* e, const Edge* f) {
  return e->a == f->a || e->a == f->b || e->b == f->a || e->b == f->b;
}

// Linear interpolation of one texture coordinate set, where every vertex involved has it.
void averageTexcoords(VertexBase& point, VertexBase& a, VertexBase& b, int set) {
  Vector2* target = point.getTexcoord(set);
  const Vector2* ta = a.getTexcoord(set);
  const Vector2* tb = b.getTexcoord(set);
  if (target && ta && tb) *target = (*ta + *tb) * 0.5f;
}

// One level from source into result, whose lists are empty.
class Step {
 public:
  Step(Mesh& sourceMesh, Mesh& resultMesh, bool smooth)
      : srcFace(sourceMesh.getFaces()),
        srcEdge(&sourceMesh.getEdges()),
        srcVertex(sourceMesh.getVertices()),
        smooth(smooth) {
    VANTOR_ASSERT(srcEdge->size());
    resultMesh.edit(&vertices, &edges, &faces);
  }

  void run() {
    const PointerIndex vertexIndex(srcVertex);
    const PointerIndex edgeIndex(*srcEdge);
    edgeSplits(vertexIndex);
    faceSplits(vertexIndex, edgeIndex);
    if (smooth) smoothPositions();
  }

 private:
  struct EdgeSplit {
    int a, b;           // source vertex indices
    Edge* first;        // (copy of a, edge point)
    Edge* second;       // (edge point, copy of b)
    VertexBase* point;  // the edge point
    int faceCount = 0;  // faces met so far (smooth mode)
    int facePoints[2];  // their faces, whose face points sit in facePoints
  };

  // Per source vertex, in smooth mode: sums in the order the points are met, so averages
  // come out as if each list were kept and summed.
  struct VertexSums {
    Vector3 facePoints;
    int faceCount = 0;
    Vector3 midpoints;
    int midpointCount = 0;
    Vector3 borderNeighbours;
    int borderCount = 0;
  };

  void edgeSplits(const PointerIndex& vertexIndex) {
    const std::size_t edgeCount = srcEdge->size();
    copies.assign(srcVertex.size(), nullptr);
    if (smooth) sums.assign(srcVertex.size(), VertexSums{});
    splits.reserve(edgeCount);
    vertices->reserve(srcVertex.size() + edgeCount + srcFace.size());
    edges->reserve(2 * edgeCount + 4 * srcFace.size());
    faces->reserve(4 * srcFace.size());
    for (const Edge* edge : *srcEdge) {
      const int ia = vertexIndex.find(edge->a);
      const int ib = vertexIndex.find(edge->b);
      VANTOR_ASSERT(ia >= 0 && ib >= 0);
      VertexBase* a = copyOf(ia);
      VertexBase* b = copyOf(ib);
      VertexBase* point = a->clone();
      vertices->push_back(point);
      const Vector3 midpoint = (*a->getPosition() + *b->getPosition()) * 0.5f;
      point->setPosition(midpoint);
      averageTexcoords(*point, *a, *b, 0);
      averageTexcoords(*point, *a, *b, 1);
      Edge* first = new Edge{a, point, nullptr, nullptr};
      Edge* second = new Edge{point, b, nullptr, nullptr};
      edges->push_back(first);
      edges->push_back(second);
      splits.push_back(EdgeSplit{ia, ib, first, second, point, 0, {-1, -1}});
      if (smooth) {
        sums[static_cast<std::size_t>(ia)].midpoints += midpoint;
        ++sums[static_cast<std::size_t>(ia)].midpointCount;
        sums[static_cast<std::size_t>(ib)].midpoints += midpoint;
        ++sums[static_cast<std::size_t>(ib)].midpointCount;
      }
    }
  }

  VertexBase* copyOf(int index) {
    VertexBase*& copy = copies[static_cast<std::size_t>(index)];
    if (!copy) {
      copy = srcVertex[static_cast<std::size_t>(index)]->clone();
      vertices->push_back(copy);
    }
    return copy;
  }

  void faceSplits(const PointerIndex& vertexIndex, const PointerIndex& edgeIndex) {
    VertexList corners;
    std::vector<int> sides;    // source edge index of each edge of the face
    std::vector<Edge*> inner;  // inner edge of each edge of the face
    facePoints.reserve(srcFace.size());
    for (std::size_t f = 0; f < srcFace.size(); ++f) {
      const FaceBase& face = *srcFace[f];
      const int n = face.getEdgeCount();
      corners.clear();
      face.getVertices(corners);

      VertexBase* point = corners[0]->clone();
      vertices->push_back(point);
      Vector3 centre;
      for (VertexBase* corner : corners) centre += *corner->getPosition();
      centre = centre / static_cast<float>(n);
      point->setPosition(centre);
      facePoints.push_back(centre);
      for (int set = 0; set < 2; ++set) {
        Vector2* target = point->getTexcoord(set);
        if (!target) continue;
        Vector2 sum;
        for (VertexBase* corner : corners) {
          if (const Vector2* t = corner->getTexcoord(set)) sum = sum + *t;
        }
        *target = {sum.x / static_cast<float>(n), sum.y / static_cast<float>(n)};
      }
      if (smooth) {
        for (VertexBase* corner : corners) {
          // Corners are ends of the face's edges, so each is a listed vertex with a copy.
          VertexSums& s = sums[static_cast<std::size_t>(vertexIndex.find(corner))];
          s.facePoints += centre;
          ++s.faceCount;
        }
      }

      sides.assign(static_cast<std::size_t>(n), -1);
      inner.assign(static_cast<std::size_t>(n), nullptr);
      for (int j = 0; j < n; ++j) {
        const int side = edgeIndex.find(face.getEdge(j));
        VANTOR_ASSERT(side >= 0);
        sides[static_cast<std::size_t>(j)] = side;
        EdgeSplit& split = splits[static_cast<std::size_t>(side)];
        Edge* edge = new Edge{split.point, point, nullptr, nullptr};
        edges->push_back(edge);
        inner[static_cast<std::size_t>(j)] = edge;
        if (smooth) {
          if (split.faceCount < 2) {
            split.facePoints[split.faceCount++] = static_cast<int>(f);
          } else {
            reportFatal(188);
          }
        }
      }

      for (int k = 0; k < n; ++k) {
        const int next = (k + 1) % n;
        const EdgeSplit& x = splits[static_cast<std::size_t>(sides[static_cast<std::size_t>(k)])];
        const EdgeSplit& y =
            splits[static_cast<std::size_t>(sides[static_cast<std::size_t>(next)])];
        Edge* nE1 = nullptr;
        Edge* nE2 = nullptr;
        const std::pair<Edge*, Edge*> tries[4] = {
            {x.first, y.first}, {x.first, y.second}, {x.second, y.first}, {x.second, y.second}};
        for (const auto& [halfX, halfY] : tries) {
          if (sharesVertex(halfX, halfY)) {
            nE1 = halfX;
            nE2 = halfY;
            break;
          }
        }
        if (!nE1) reportFatal(230);
        // An edge used twice by one face keeps the inner edge of its later use.
        Edge* nE3 = innerOf(sides, inner, sides[static_cast<std::size_t>(next)]);
        Edge* nE4 = innerOf(sides, inner, sides[static_cast<std::size_t>(k)]);
        VANTOR_ASSERT(nE1);
        VANTOR_ASSERT(nE2);
        VANTOR_ASSERT(nE3);
        VANTOR_ASSERT(nE4);
        faces->push_back(new QuadFace(nE1, nE2, nE3, nE4));
      }
    }
  }

  static Edge* innerOf(const std::vector<int>& sides, const std::vector<Edge*>& inner, int side) {
    for (std::size_t j = sides.size(); j-- > 0;) {
      if (sides[j] == side) return inner[j];
    }
    return nullptr;
  }

  void smoothPositions() {
    for (std::size_t e = 0; e < splits.size(); ++e) {
      EdgeSplit& split = splits[e];
      const Vector3& a = *srcVertex[static_cast<std::size_t>(split.a)]->getPosition();
      const Vector3& b = *srcVertex[static_cast<std::size_t>(split.b)]->getPosition();
      if (split.faceCount == 2) {
        const Vector3& f1 = facePoints[static_cast<std::size_t>(split.facePoints[0])];
        const Vector3& f2 = facePoints[static_cast<std::size_t>(split.facePoints[1])];
        split.point->setPosition((a + b + f1 + f2) * 0.25f);
      } else if (split.faceCount == 1) {
        // A border edge keeps its midpoint; its ends learn their border neighbours.
        sums[static_cast<std::size_t>(split.a)].borderNeighbours += b;
        ++sums[static_cast<std::size_t>(split.a)].borderCount;
        sums[static_cast<std::size_t>(split.b)].borderNeighbours += a;
        ++sums[static_cast<std::size_t>(split.b)].borderCount;
      }
    }
    for (std::size_t v = 0; v < srcVertex.size(); ++v) {
      VertexBase* copy = copies[v];
      if (!copy) continue;  // on no edge: not in the result
      const VertexSums& s = sums[v];
      const Vector3& p = *srcVertex[v]->getPosition();
      if (s.borderCount == 2) {
        copy->setPosition(p * 0.75f + s.borderNeighbours * 0.125f);
        continue;
      }
      if (s.borderCount > 0) continue;  // where borders meet the vertex stays a corner
      const int n = s.faceCount;
      const int m = s.midpointCount;
      VANTOR_ASSERT(n == m);
      const Vector3 fa = s.facePoints / static_cast<float>(n);
      const Vector3 ra = s.midpoints / static_cast<float>(m);
      copy->setPosition((fa + ra * 2.0f + p * static_cast<float>(n - 3)) / static_cast<float>(n));
    }
  }

  const FaceList& srcFace;
  const EdgeList* srcEdge;
  const VertexList& srcVertex;
  const bool smooth;
  VertexList* vertices = nullptr;
  EdgeList* edges = nullptr;
  FaceList* faces = nullptr;
  std::vector<VertexBase*> copies;  // per source vertex; null until met
  std::vector<EdgeSplit> splits;    // per source edge
  std::vector<Vector3> facePoints;  // per source face
  std::vector<VertexSums> sums;     // per source vertex, smooth mode only
};

}  // namespace

Subdivide::Subdivide(int levels, int mode) : rule(new Rule{mode}), levels(levels) {}

Subdivide::~Subdivide() { delete rule; }

void Subdivide::apply(Mesh* mesh) {
  if (levels <= 0) return;
  if (!scratch) scratch = GraphicsContext::instance()->createMesh();
  Mesh* current = mesh;
  Mesh* work = scratch;
  for (int level = 0; level < levels; ++level) {
    work->clear();
    Step(*current, *work, rule->mode == 0).run();
    std::swap(current, work);
  }
  // After an odd count the result sits in the work mesh, which stays the work mesh.
  if (current != mesh) mesh->copyFrom(*current);
}

}  // namespace vantor::meshmodify

#include "gfx/mesh/D3DMesh.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "Core/Fatal.h"
#include "Core/Progress.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/mesh/Mesh.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\D3DMesh";

// Key of an ordered pair of topology vertex indices.
std::uint64_t vertexPair(int first, int second) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) |
         static_cast<std::uint32_t>(second);
}

template <class Buffer>
void releaseBuffer(Buffer*& buffer) {
  if (!buffer) return;
  progressPoint();
  buffer->Release();
  buffer = nullptr;
}

bool sharesVertex(const Edge* e, const Edge* f) {
  return e->a == f->a || e->a == f->b || e->b == f->a || e->b == f->b;
}

// The two edges of a triangle other than shared, in the triangle's edge order.
void otherEdges(const FaceBase& face, const Edge* shared, Edge*& first, Edge*& second) {
  first = second = nullptr;
  for (int i = 0; i < 3; ++i) {
    Edge* edge = face.getEdge(i);
    if (edge == shared) continue;
    (first ? second : first) = edge;
  }
}

// The working lists of a read-back and the merging of new triangles into earlier ones.
struct Rebuild {
  VertexList vertices;
  EdgeList edges;
  FaceList faces;
  std::unordered_map<std::uint64_t, Edge*> vertexPairToEdge;

  ~Rebuild() {
    for (VertexBase* v : vertices) delete v;
    for (Edge* e : edges) delete e;
    for (FaceBase* f : faces) delete f;
  }

  // Merges the new triangle into the first earlier triangle that shares an edge with it and
  // faces nearly the same way; answers false when there is none. On success both
  // triangles are deleted and the quad is appended. pairs[k] are the vertex-pair keys of
  // the new triangle's edge k, both orders.
  bool mergeIntoQuad(TriFace* newFace, const std::uint64_t (&pairs)[3][2]) {
    for (std::size_t t = 0; t < faces.size(); ++t) {
      FaceBase* earlier = faces[t];
      if (earlier->getEdgeCount() != 3) continue;
      Edge* shared = newFace->findSharedEdge(*earlier);
      if (!shared) continue;
      newFace->computeNormal();
      earlier->computeNormal();
      if (!(newFace->normal.normalized().dot(earlier->normal.normalized()) > 0.9f)) continue;

      std::size_t edge_i = 0;
      while (edge_i != edges.size() && edges[edge_i] != shared) ++edge_i;
      VANTOR_ASSERT(edge_i != edges.size());
      edges.erase(edges.begin() + static_cast<std::ptrdiff_t>(edge_i));
      for (int k = 0; k < 3; ++k) {
        if (newFace->getEdge(k) != shared) continue;
        vertexPairToEdge.erase(pairs[k][0]);
        vertexPairToEdge.erase(pairs[k][1]);
      }

      // The new triangle's other edges in its winding order after the shared one, so that
      // the quad runs the same way round as the triangle whichever edge was shared.
      Edge* n1;
      Edge* n2;
      otherEdges(*newFace, shared, n1, n2);
      if (newFace->getEdge(1) == shared) std::swap(n1, n2);
      Edge* m1;
      Edge* m2;
      otherEdges(*earlier, shared, m1, m2);
      delete shared;
      QuadFace* qFace =
          sharesVertex(n1, m1) ? new QuadFace(n2, m2, m1, n1) : new QuadFace(n2, m1, m2, n1);
      VANTOR_ASSERT(qFace);

      delete newFace;
      delete earlier;
      faces.erase(faces.begin() + static_cast<std::ptrdiff_t>(t));
      faces.push_back(qFace);
      return true;
    }
    return false;
  }
};

}  // namespace

D3DMesh::D3DMesh(int minVertexCapacity, int minTriangleCapacity)
    : device(GraphicsContext::instance()->device()),
      minVertexCapacity(minVertexCapacity),
      minTriangleCapacity(minTriangleCapacity) {}

D3DMesh::~D3DMesh() {
  releaseBuffer(indexBuffer);
  releaseBuffer(vertexBuffer);
}

void D3DMesh::reserve(DWORD fvf, int vertexAmount, int indexAmount, int vertexSize) {
  // The failed-assertion report prints the expression exactly as written here.
  // clang-format off
  VANTOR_ASSERT(!vertexAmount || ( vertexAmount && vertexSize ));
  // clang-format on
  if (indexAmount != 0 && indexAmount > indexCapacity) {
    releaseBuffer(indexBuffer);
    const int n = std::max(indexAmount, 3 * minTriangleCapacity);
    progressPoint();
    VANTOR_CHECK(device->CreateIndexBuffer(static_cast<UINT>(n) * 4, D3DUSAGE_DYNAMIC,
                                           D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM, &indexBuffer,
                                           nullptr));
    indexCapacity = n;
  }
  if (vertexAmount != 0 && vertexAmount > vertexCapacity) {
    releaseBuffer(vertexBuffer);
    const int m = std::max(vertexAmount, minVertexCapacity);
    progressPoint();
    VANTOR_CHECK(device->CreateVertexBuffer(static_cast<UINT>(m) * vertexSize, D3DUSAGE_DYNAMIC,
                                            fvf, D3DPOOL_SYSTEMMEM, &vertexBuffer, nullptr));
    vertexCapacity = m;
  }
}

void D3DMesh::setData(const VertexList& vertices, const IndexList* indices) {
  if (vertices.empty()) {
    vertexAmount = d3dIndexAmount = 0;
    winding = OutwardWinding::Open;
    return;
  }
  vertexSize = vertices.front()->getDataSize();
  const int vertexTotal = static_cast<int>(vertices.size());
  const int indexTotal = indices ? static_cast<int>(indices->size()) : 0;
  reserve(0, vertexTotal, indexTotal, vertexSize);

  vertexAmount = vertexTotal;
  void* memory = nullptr;
  VANTOR_CHECK(vertexBuffer->Lock(0, vertexTotal * vertexSize, &memory, D3DLOCK_DISCARD));
  auto* out = static_cast<unsigned char*>(memory);
  for (const VertexBase* vertex : vertices) {
    vertex->copyData(out);
    out += vertexSize;
  }
  VANTOR_CHECK(vertexBuffer->Unlock());

  std::vector<Vector3> positions;
  positions.reserve(vertices.size());
  for (VertexBase* vertex : vertices) {
    const Vector3* position = vertex->getPosition();
    positions.push_back(position ? *position : Vector3{});
  }

  if (indices) {
    d3dIndexAmount = indexTotal;
    // An empty list only clears the count: a lock of size 0 would mean the whole buffer,
    // and there may be no buffer yet.
    if (indexTotal != 0) {
      VANTOR_CHECK(indexBuffer->Lock(0, indexTotal * 4, &memory, D3DLOCK_DISCARD));
      std::memcpy(memory, indices->data(), static_cast<std::size_t>(indexTotal) * 4);
      VANTOR_CHECK(indexBuffer->Unlock());
    }
  }
  updateWinding(std::move(positions), indices ? indices->data() : nullptr);
}

void D3DMesh::setRaw(const void* vertexData, const std::uint32_t* indexData, int vertexCount,
                     int indexCount, float scale) {
  vertexSize = vertexRecordSize;
  reserve(0, vertexCount, indexCount, vertexRecordSize);
  void* memory = nullptr;
  std::vector<Vector3> positions;
  if (vertexData) {
    vertexAmount = vertexCount;
    if (vertexCount > 0) {
      VANTOR_CHECK(vertexBuffer->Lock(0, vertexCount * vertexRecordSize, &memory, D3DLOCK_DISCARD));
      const auto* in = static_cast<const VertexAttributes*>(vertexData);
      auto* out = static_cast<VertexAttributes*>(memory);
      positions.resize(static_cast<std::size_t>(vertexCount));
      for (int i = 0; i < vertexCount; ++i) {
        out[i] = in[i];
        out[i].position = in[i].position * scale;
        positions[static_cast<std::size_t>(i)] = out[i].position;
      }
      VANTOR_CHECK(vertexBuffer->Unlock());
    }
  }
  if (indexData) {
    d3dIndexAmount = indexCount;
    if (indexCount > 0) {
      VANTOR_CHECK(indexBuffer->Lock(0, indexCount * 4, &memory, D3DLOCK_DISCARD));
      std::memcpy(memory, indexData, static_cast<std::size_t>(indexCount) * 4);
      VANTOR_CHECK(indexBuffer->Unlock());
    }
  }
  updateWinding(std::move(positions), indexData);
}

void D3DMesh::updateWinding(std::vector<Vector3> positions, const std::uint32_t* indices) {
  winding = OutwardWinding::Open;
  if (vertexAmount == 0 || d3dIndexAmount == 0) return;
  void* memory = nullptr;
  if (positions.empty()) {
    VANTOR_CHECK(vertexBuffer->Lock(0, 0, &memory, D3DLOCK_READONLY));
    const auto* records = static_cast<const unsigned char*>(memory);
    positions.resize(static_cast<std::size_t>(vertexAmount));
    for (std::size_t i = 0; i < positions.size(); ++i) {
      std::memcpy(&positions[i], records + i * static_cast<std::size_t>(vertexSize),
                  sizeof(Vector3));
    }
    VANTOR_CHECK(vertexBuffer->Unlock());
  }
  const auto indexCount = static_cast<std::size_t>(d3dIndexAmount);
  if (indices) {
    winding = outwardWinding(positions, {indices, indexCount});
    return;
  }
  VANTOR_CHECK(indexBuffer->Lock(0, 0, &memory, D3DLOCK_READONLY));
  winding = outwardWinding(positions, {static_cast<const std::uint32_t*>(memory), indexCount});
  VANTOR_CHECK(indexBuffer->Unlock());
}

void D3DMesh::draw() {
  // The failed-assertion report prints the expression exactly as written here.
  // clang-format off
  VANTOR_ASSERT(( d3dIndexAmount % 3 ) == 0);
  // clang-format on
  if (!vertexBuffer || !indexBuffer || d3dIndexAmount == 0) return;
  VANTOR_CHECK(device->SetStreamSource(0, vertexBuffer, 0, vertexSize));
  VANTOR_CHECK(device->SetFVF(vertexFormat));
  VANTOR_CHECK(device->SetIndices(indexBuffer));
  VANTOR_CHECK(
      device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexAmount, 0, d3dIndexAmount / 3));
}

void D3DMesh::rebuildTopology(Mesh& mesh, bool weld, bool makeQuads) {
  const int gpuVertices = vertexBuffer ? vertexAmount : 0;
  const int gpuTriangles = indexBuffer ? d3dIndexAmount / 3 : 0;
  Rebuild rebuild;
  // GPU vertex index → topology vertex index.
  std::vector<int> topologyIndex(static_cast<std::size_t>(gpuVertices));
  std::vector<Vector3> keptPositions;  // positions of rebuild.vertices, for welding

  progressPoint();
  if (vertexBuffer) {
    void* memory = nullptr;
    VANTOR_CHECK(vertexBuffer->Lock(0, 0, &memory, D3DLOCK_READONLY));
    const auto* records = static_cast<const unsigned char*>(memory);
    for (int j = 0; j < gpuVertices; ++j) {
      VertexAttributes record;
      std::memcpy(&record, records + static_cast<std::size_t>(j) * vertexSize, sizeof record);
      int found = -1;
      if (weld) {
        for (std::size_t k = 0; k < keptPositions.size(); ++k) {
          if ((record.position - keptPositions[k]).lengthSq() < 0.000001f) {
            found = static_cast<int>(k);
            break;
          }
        }
      }
      if (found < 0) {
        Vertex* vertex = new Vertex;
        vertex->attributes.position = record.position;
        vertex->attributes.normal = record.normal;
        vertex->attributes.texcoord0 = record.texcoord0;
        found = static_cast<int>(rebuild.vertices.size());
        rebuild.vertices.push_back(vertex);
        keptPositions.push_back(record.position);
      }
      topologyIndex[static_cast<std::size_t>(j)] = found;
    }
    VANTOR_CHECK(vertexBuffer->Unlock());
  }

  progressPoint();
  if (indexBuffer) {
    void* memory = nullptr;
    VANTOR_CHECK(indexBuffer->Lock(0, 0, &memory, D3DLOCK_READONLY));
    // The failed-assertion report prints the expression exactly as written here.
    // clang-format off
    VANTOR_ASSERT(!(d3dIndexAmount%3));
    // clang-format on
    const auto* indices = static_cast<const std::uint32_t*>(memory);
    auto& vertexPairToEdge = rebuild.vertexPairToEdge;
    for (int t = 0; t < gpuTriangles; ++t) {
      int corner[3];
      for (int c = 0; c < 3; ++c) {
        const std::uint32_t gpuIndex = indices[3 * t + c];
        // Indices left from an earlier, larger fill may point past the vertices in use.
        VANTOR_ASSERT(gpuIndex < static_cast<std::uint32_t>(gpuVertices));
        corner[c] = topologyIndex[gpuIndex];
      }
      const int i1 = corner[0], i2 = corner[1], i3 = corner[2];
      VertexBase* a = rebuild.vertices[static_cast<std::size_t>(i1)];
      VertexBase* b = rebuild.vertices[static_cast<std::size_t>(i2)];
      VertexBase* c = rebuild.vertices[static_cast<std::size_t>(i3)];
      Edge* p = vertexPairToEdge[vertexPair(i1, i2)];
      Edge* q = vertexPairToEdge[vertexPair(i2, i3)];
      Edge* w = vertexPairToEdge[vertexPair(i3, i1)];
      VANTOR_ASSERT(vertexPairToEdge[vertexPair(i1, i2)] == vertexPairToEdge[vertexPair(i2, i1)]);
      VANTOR_ASSERT(vertexPairToEdge[vertexPair(i2, i3)] == vertexPairToEdge[vertexPair(i3, i2)]);
      VANTOR_ASSERT(vertexPairToEdge[vertexPair(i3, i1)] == vertexPairToEdge[vertexPair(i1, i3)]);
      const auto makeEdge = [&](VertexBase* from, VertexBase* to, int fromIndex, int toIndex) {
        Edge* edge = new Edge{from, to, nullptr, nullptr};
        vertexPairToEdge[vertexPair(fromIndex, toIndex)] = edge;
        vertexPairToEdge[vertexPair(toIndex, fromIndex)] = edge;
        rebuild.edges.push_back(edge);
        return edge;
      };
      if (!p) p = makeEdge(a, b, i1, i2);
      if (!q) q = makeEdge(b, c, i2, i3);
      if (!w) w = makeEdge(c, a, i3, i1);
      TriFace* face = new TriFace(p, q, w);
      const std::uint64_t pairs[3][2] = {{vertexPair(i1, i2), vertexPair(i2, i1)},
                                         {vertexPair(i2, i3), vertexPair(i3, i2)},
                                         {vertexPair(i3, i1), vertexPair(i1, i3)}};
      if (!makeQuads || !rebuild.mergeIntoQuad(face, pairs)) rebuild.faces.push_back(face);
    }
    VANTOR_CHECK(indexBuffer->Unlock());
  }

  progressPoint();
  mesh.setTopology(&rebuild.vertices, &rebuild.edges, &rebuild.faces);
}

}  // namespace vantor

// Costs of the mesh topology on a grid of about 20 000 triangles: deep copies, normals,
// tangents and the flattening to GPU lists.
#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <utility>

#include "gfx/mesh/VantorMesh.h"

namespace {

using namespace vantor;

// A gridSize × gridSize grid of quads, each split into two triangles, with shared edges.
class Grid {
 public:
  static constexpr int gridSize = 100;  // 20 000 triangles, 10 201 vertices, 30 200 edges

  Grid() {
    constexpr int side = gridSize + 1;
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        Vertex* v = new Vertex(static_cast<float>(x), static_cast<float>(y),
                               static_cast<float>((x * y) % 7) * 0.1f);
        v->setTexcoord1({x / float(gridSize), y / float(gridSize)});
        vertices.push_back(v);
      }
    }
    for (int y = 0; y < gridSize; ++y) {
      for (int x = 0; x < gridSize; ++x) {
        VertexBase* a = vertices[y * side + x];
        VertexBase* b = vertices[y * side + x + 1];
        VertexBase* c = vertices[(y + 1) * side + x + 1];
        VertexBase* d = vertices[(y + 1) * side + x];
        triangle(a, b, c);
        triangle(a, c, d);
      }
    }
  }
  ~Grid() {
    for (VertexBase* v : vertices) delete v;
    for (Edge* e : edges) delete e;
    for (FaceBase* f : faces) delete f;
  }

  VertexList vertices;
  EdgeList edges;
  FaceList faces;

 private:
  Edge* edge(VertexBase* a, VertexBase* b) {
    const auto key = a < b ? std::make_pair(a, b) : std::make_pair(b, a);
    auto [found, inserted] = edgeOf.try_emplace(key, nullptr);
    if (inserted) {
      found->second = new Edge{a, b, nullptr, nullptr};
      edges.push_back(found->second);
    }
    return found->second;
  }
  void triangle(VertexBase* a, VertexBase* b, VertexBase* c) {
    Edge* ab = edge(a, b);
    Edge* bc = edge(b, c);
    faces.push_back(new TriFace(ab, bc, edge(c, a)));
  }

  std::map<std::pair<VertexBase*, VertexBase*>, Edge*> edgeOf;
};

const Grid& grid() {
  static const Grid* const instance = new Grid;
  return *instance;
}

MeshTopology* filledTopology() {
  MeshTopology* topology = new MeshTopology;
  topology->assign(&grid().vertices, &grid().edges, &grid().faces);
  return topology;
}

void BM_Assign(benchmark::State& state) {
  MeshTopology topology;
  for (auto _ : state) topology.assign(&grid().vertices, &grid().edges, &grid().faces);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid().faces.size()));
}
BENCHMARK(BM_Assign)->Unit(benchmark::kMillisecond);

void BM_CopyFrom(benchmark::State& state) {
  const std::unique_ptr<MeshTopology> source(filledTopology());
  MeshTopology copy;
  for (auto _ : state) copy.copyFrom(*source);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(grid().faces.size()));
}
BENCHMARK(BM_CopyFrom)->Unit(benchmark::kMillisecond);

void BM_ComputeVertexNormals(benchmark::State& state) {
  const std::unique_ptr<MeshTopology> topology(filledTopology());
  VertexList* vertices;
  for (auto _ : state) {
    topology->getLists(&vertices, nullptr, nullptr, false);  // invalidates the normals
    benchmark::DoNotOptimize(topology->computeVertexNormals());
  }
}
BENCHMARK(BM_ComputeVertexNormals)->Unit(benchmark::kMillisecond);

void BM_ComputeTangents(benchmark::State& state) {
  const std::unique_ptr<MeshTopology> topology(filledTopology());
  for (auto _ : state) {
    topology->tangentsValid = false;
    topology->computeTangents();
  }
}
BENCHMARK(BM_ComputeTangents)->Unit(benchmark::kMillisecond);

void BM_FlattenForGpu(benchmark::State& state) {
  const std::unique_ptr<MeshTopology> topology(filledTopology());
  VertexList gpuVertices;
  IndexList indices;
  for (auto _ : state) {
    topology->flattenForGpu(gpuVertices, indices);
    benchmark::DoNotOptimize(indices.data());
  }
}
BENCHMARK(BM_FlattenForGpu)->Unit(benchmark::kMillisecond);

}  // namespace

// Costs of the mesh node on a grid of 20 000 triangles on the headless device: reading the
// buffers back into a topology (plain, with welding, with welding and quad merging, whose
// searches are quadratic), rebuilding the buffers from the topology, and the topology copies
// that setTopology and copyFrom make.
#include <benchmark/benchmark.h>
#include <d3d9.h>

#include <memory>
#include <vector>

#include "BenchDevice.h"
#include "gfx/mesh/D3DMesh.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/mesh/Mesh.h"
#include <DeviceGl.h>

namespace {

using namespace vantor;

constexpr int gridSize = 100;  // 100 × 100 quads: 20 000 triangles, 10 201 grid points

Vector3 gridPoint(int x, int y) {
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>((x * y) % 7) * 0.1f};
}

// The grid in GPU form. shared: one vertex per grid point (what buildBuffers makes);
// otherwise three vertices per triangle (a triangle soup, as imported models come).
std::unique_ptr<Mesh> gridMesh(bool shared) {
  openBenchDevice(64, 64);
  VertexList vertices;
  IndexList indices;
  const auto index = [](int x, int y) {
    return static_cast<std::uint32_t>(y * (gridSize + 1) + x);
  };
  if (shared) {
    for (int y = 0; y <= gridSize; ++y) {
      for (int x = 0; x <= gridSize; ++x) {
        const Vector3 p = gridPoint(x, y);
        vertices.push_back(new Vertex(p.x, p.y, p.z));
      }
    }
  }
  const auto corner = [&](int x, int y) {
    if (shared) {
      indices.push_back(index(x, y));
      return;
    }
    const Vector3 p = gridPoint(x, y);
    indices.push_back(static_cast<std::uint32_t>(vertices.size()));
    vertices.push_back(new Vertex(p.x, p.y, p.z));
  };
  for (int y = 0; y < gridSize; ++y) {
    for (int x = 0; x < gridSize; ++x) {
      corner(x, y), corner(x + 1, y), corner(x + 1, y + 1);
      corner(x, y), corner(x + 1, y + 1), corner(x, y + 1);
    }
  }
  auto mesh = std::make_unique<Mesh>(0, 0);
  mesh->setGpuData(vertices, indices);
  for (VertexBase* v : vertices) delete v;
  return mesh;
}

void rebuild(benchmark::State& state, bool shared, bool weld, bool makeQuads) {
  const std::unique_ptr<Mesh> source = gridMesh(shared);
  Mesh target(0, 0);
  for (auto _ : state) source->data->d3dMesh->rebuildTopology(target, weld, makeQuads);
  state.counters["faces"] = static_cast<double>(target.getFaces().size());
  state.counters["vertices"] = static_cast<double>(target.getVertices().size());
}

void BM_RebuildTopology(benchmark::State& state) { rebuild(state, true, false, false); }
BENCHMARK(BM_RebuildTopology)->Unit(benchmark::kMillisecond);

void BM_RebuildTopologyWeldSoup(benchmark::State& state) { rebuild(state, false, true, false); }
BENCHMARK(BM_RebuildTopologyWeldSoup)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RebuildTopologyWeldAndQuadsSoup(benchmark::State& state) {
  rebuild(state, false, true, true);
}
BENCHMARK(BM_RebuildTopologyWeldAndQuadsSoup)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RebuildTopologyQuads(benchmark::State& state) { rebuild(state, true, false, true); }
BENCHMARK(BM_RebuildTopologyQuads)->Unit(benchmark::kMillisecond)->Iterations(3);

// Flattening the topology and filling the buffers (what a draw does after an edit).
void BM_BuildBuffers(benchmark::State& state) {
  const std::unique_ptr<Mesh> mesh = gridMesh(true);
  mesh->getVertices();
  for (auto _ : state) {
    mesh->edit(nullptr, nullptr, nullptr);  // topology newer
    mesh->upload();
  }
}
BENCHMARK(BM_BuildBuffers)->Unit(benchmark::kMillisecond);

// The deep copy of the whole topology from another mesh whose topology is current.
void BM_MeshCopyFrom(benchmark::State& state) {
  const std::unique_ptr<Mesh> source = gridMesh(true);
  source->getVertices();
  Mesh copy(0, 0);
  for (auto _ : state) copy.copyFrom(*source);
}
BENCHMARK(BM_MeshCopyFrom)->Unit(benchmark::kMillisecond);

// setTopology from caller-owned lists (the read-back ends in it).
void BM_SetTopology(benchmark::State& state) {
  const std::unique_ptr<Mesh> source = gridMesh(true);
  VertexList* vertices;
  EdgeList* edges;
  FaceList* faces;
  source->edit(&vertices, &edges, &faces);
  Mesh copy(0, 0);
  for (auto _ : state) copy.setTopology(vertices, edges, faces);
}
BENCHMARK(BM_SetTopology)->Unit(benchmark::kMillisecond);

}  // namespace

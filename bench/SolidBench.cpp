// Solid objects on the headless device, at the invitation's picture size (640 x 359 inside a
// 640 x 480 back buffer): one scene drawing of the grill and a 50 000-triangle ball through
// SolidObject.fxo into colour, blur map, depth and normal buffers, with one point light and
// with ten; and what importing the grill costs, with the trial read in a child process alone.
// Run from the build folder, where "data/" holds the compiled effects and the model:
//   cd build && bench/solid_bench --benchmark_repetitions=5
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <epoxy/gl.h>

#include <cmath>
#include <memory>
#include <vector>

#include "BenchDevice.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshVertex.h"
#include "gfx/model/MeshInstance.h"
#include "gfx/model/ModelImporter.h"
#include "gfx/model/ModelProbe.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/scene/Scene.h"
#include <DeviceGl.h>

namespace {

using namespace vantor;

constexpr const char* kGrill = "data/grilli9.x";

Matrix grillTransform() {
  Matrix scale;
  for (int i = 0; i < 3; ++i) scale.m[i][i] = 0.03f;
  return Matrix::rotationX(1.57f) * scale;
}

// A ball of rings x segments x 2 triangles with its own normals.
Mesh* ball(float radius, int rings, int segments) {
  VertexList vertices;
  IndexList indices;
  for (int r = 0; r <= rings; ++r) {
    const float theta = 3.14159265f * r / rings;
    for (int s = 0; s <= segments; ++s) {
      const float phi = 6.2831853f * s / segments;
      const Vector3 n{std::sin(theta) * std::cos(phi), std::cos(theta),
                      std::sin(theta) * std::sin(phi)};
      auto* v = new Vertex(n.x * radius, n.y * radius, n.z * radius);
      v->setNormal(n);
      v->setTexcoord0({float(s) / segments, float(r) / rings});
      vertices.push_back(v);
    }
  }
  const auto row = static_cast<std::uint32_t>(segments + 1);
  for (std::uint32_t r = 0; r < std::uint32_t(rings); ++r) {
    for (std::uint32_t s = 0; s < std::uint32_t(segments); ++s) {
      const std::uint32_t a = r * row + s, b = a + 1, c = a + row, d = c + 1;
      for (std::uint32_t i : {a, c, b, b, c, d}) indices.push_back(i);
    }
  }
  auto* mesh = new Mesh(static_cast<int>(vertices.size()), static_cast<int>(indices.size() / 3));
  mesh->setAutoNormals(false);
  mesh->setGpuData(vertices, indices);
  for (VertexBase* v : vertices) delete v;
  return mesh;
}

// One frame of the invitation's view: the grill at (-3, 0, 0) and the ball, state.range(0)
// point lights, the blur map on; the time moves by 20 ms a frame, so every frame records
// motion and redraws. Each frame ends with glFinish so that the drawing itself is counted.
void BM_SolidSceneFrame(benchmark::State& state) {
  openBenchDevice(640, 480);
  ModelImporter importer;
  DummyNode* grill = importer.loadModel(kGrill, false, false, grillTransform());
  if (!grill) {
    state.SkipWithError("data/grilli9.x not found: run from the build folder");
    return;
  }
  grill->setTransform(Matrix::translation(-3, 0, 0));
  std::unique_ptr<Mesh> ballMesh(ball(2.5f, 125, 200));  // 50 000 triangles
  MeshInstance ballInstance(ballMesh.get());
  ballInstance.setTransform(Matrix::translation(5, 3, 2));
  PerspectiveCamera camera(1.5f, 1.0f, 200.0f);
  camera.setLookAt({0, 8, -14}, {6, 5, 0}, {0, 1, 0});
  auto scene = std::make_unique<Scene>();
  scene->setCamera(&camera);
  scene->setBlurMapEnabled(true);
  scene->lighting.velocityScale = 0.05f;
  std::vector<std::unique_ptr<NodePointlight>> lights;
  for (int i = 0; i < state.range(0); ++i) {
    lights.push_back(std::make_unique<NodePointlight>(float(i) - 5, 8, -10, 1, 1, 1, 1, 2, 1, 0));
    scene->addNode(lights.back().get());
  }
  scene->addNode(grill);
  scene->addNode(&ballInstance);
  float time = 0.0f;
  for (auto _ : state) {
    time += 0.02f;
    scene->render(time);
    platform::d3d9::makeCurrent(GraphicsContext::instance()->device());
    glFinish();
  }
  state.counters["lights"] = static_cast<double>(state.range(0));
  scene.reset();
}
BENCHMARK(BM_SolidSceneFrame)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole import of the grill at setup: trial read in a child, the real read, conversion
// and buffer fills. The meshes of each load are kept, as the importer's are.
void BM_LoadGrill(benchmark::State& state) {
  openBenchDevice(640, 480);
  std::vector<std::unique_ptr<ModelImporter>> importers;
  for (auto _ : state) {
    importers.push_back(std::make_unique<ModelImporter>());
    benchmark::DoNotOptimize(importers.back()->loadModel(kGrill, false, false, grillTransform()));
  }
}
BENCHMARK(BM_LoadGrill)->Unit(benchmark::kMillisecond)->UseRealTime();

// The trial read alone: fork, Assimp's read in the child, wait.
void BM_TrialRead(benchmark::State& state) {
  openBenchDevice(640, 480);
  for (auto _ : state) benchmark::DoNotOptimize(modelReadSurvives(kGrill));
}
BENCHMARK(BM_TrialRead)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

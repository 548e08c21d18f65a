// The scene's own cost per frame on the headless device: the update walk, then a drawing with
// its motion record, light collection, buffer clears and culled render walk, over trees of
// renderable nodes that draw nothing. Half of the leaves lie behind the camera. The picture is
// kept tiny (64 x 36) so that the clears of the four buffers stay small beside the walks; each
// frame ends with glFinish so that their share is counted.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <epoxy/gl.h>

#include <memory>
#include <vector>

#include "BenchDevice.h"
#include "gfx/scene/DummyNode.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/scene/INodeRenderable.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/scene/Scene.h"
#include <DeviceGl.h>

namespace {

using namespace vantor;

class Leaf : public INodeRenderable {
 public:
  void render(const Matrix&) override { benchmark::DoNotOptimize(this); }
  BoundingBox getBoundingBox() override { return {-1, -1, -1, 1, 1, 1}; }
};

// One frame of a scene with state.range(0) groups of 100 leaves each and one light per group;
// the time moves by 20 ms a frame, so every frame records motion and redraws.
void BM_SceneFrame(benchmark::State& state) {
  openBenchDevice(64, 64);
  const auto groups = static_cast<int>(state.range(0));
  std::vector<std::unique_ptr<DummyNode>> parents;
  std::vector<std::unique_ptr<Leaf>> leaves;
  std::vector<std::unique_ptr<NodePointlight>> lights;
  PerspectiveCamera camera(1.5f, 1.0f, 200.0f);
  auto scene = std::make_unique<Scene>();
  scene->setCamera(&camera);
  scene->setBlurMapEnabled(true);
  for (int g = 0; g < groups; ++g) {
    parents.push_back(std::make_unique<DummyNode>());
    parents.back()->setTransform(Matrix::translation(static_cast<float>(g % 10) - 5, 0, 20));
    lights.push_back(std::make_unique<NodePointlight>(0, 5, 0, 1, 1, 1, 1, 1, 1, 0));
    parents.back()->addChild(lights.back().get());
    for (int i = 0; i < 100; ++i) {
      leaves.push_back(std::make_unique<Leaf>());
      const float z = (i % 2 == 0) ? 0.0f : -40.0f;  // odd leaves end up behind the camera
      leaves.back()->setTransform(Matrix::translation(static_cast<float>(i % 10), 0, z));
      parents.back()->addChild(leaves.back().get());
    }
    scene->addNode(parents.back().get());
  }
  float time = 0.0f;
  for (auto _ : state) {
    time += 0.02f;
    scene->update(time);
    scene->render(time);
    platform::d3d9::makeCurrent(GraphicsContext::instance()->device());
    glFinish();
  }
  state.counters["nodes"] = static_cast<double>(groups * 101);
  // The nodes are never deleted by the tree; the scene is let go before they are.
  scene.reset();
}
BENCHMARK(BM_SceneFrame)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

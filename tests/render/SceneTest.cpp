// The scene on the headless device: update and drawing order, culling by the camera, the
// lights and motion it collects, its extra buffers; and the perspective camera it looks through.
#include <cmath>
#include <set>

#include "DeviceGl.h"
#include "EngineFixture.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/scene/DummyNode.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/scene/INodeRenderable.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/scene/PerspectiveCamera.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/scene/Scene.h"
#include "gfx/resources/TShader.h"

namespace vantor_test {
namespace {

using vantor::BoundingBox;
using vantor::DummyNode;
using vantor::Matrix;
using vantor::Scene;
using vantor::Vector3;

// A renderable node with a 2-unit box around its origin. It records every drawing with the
// parent matrix it got and the scene's motion of the instance being drawn; given a colour, it
// also adds that colour over the whole picture.
class Probe : public vantor::INodeRenderable {
 public:
  explicit Probe(Scene& scene, const float (&rgba)[4] = kNoColour) : scene(scene) {
    std::copy(rgba, rgba + 4, colour);
  }
  void render(const Matrix& parent) override {
    parents.push_back(parent);
    velocities.push_back(scene.velocityTransform());
    if (colour[3] == 0.0f) return;
    vantor::TShader fill(vantor::dataFile("Solid.fxo"), "Fill");
    fill.setParameter("color", colour);
    fill.setParameter("strength", 1.0f);
    fill.setParameter("worldViewProjection", Matrix());
    fill.begin();
    fill.beginPass(0);
    vantor::drawQuad(nullptr, 1.0f, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_ONE, false);
    fill.endPass();
    fill.end();
  }
  BoundingBox getBoundingBox() override { return {-1, -1, -1, 1, 1, 1}; }

  std::vector<Matrix> parents;
  std::vector<Matrix> velocities;

 private:
  static constexpr float kNoColour[4] = {0, 0, 0, 0};
  Scene& scene;
  float colour[4];
};

// Records the update calls it gets, in a log shared by several nodes.
class UpdateRecorder : public DummyNode {
 public:
  UpdateRecorder(const char* tag, std::vector<std::pair<std::string, Matrix>>& log)
      : tag(tag), log(log) {}
  void update(const Matrix& parentWorld, float) override { log.emplace_back(tag, parentWorld); }

 private:
  std::string tag;
  std::vector<std::pair<std::string, Matrix>>& log;
};

Matrix at(float x, float y, float z) { return Matrix::translation(x, y, z); }

// The camera sits at the origin looking along +z, so the view is the identity and world ×
// view is the world matrix.
class Scenes : public EngineTest {
 protected:
  void SetUp() override { scene.setCamera(&camera); }
  // Hangs `node` under both parents, put at those places, and both parents under the root.
  void addUnderTwoParents(vantor::INode& node, DummyNode& first, const Matrix& firstPlace,
                          DummyNode& second, const Matrix& secondPlace) {
    first.setTransform(firstPlace);
    second.setTransform(secondPlace);
    first.addChild(&node);
    second.addChild(&node);
    scene.addNode(&first);
    scene.addNode(&second);
  }
  Scene scene;
  vantor::PerspectiveCamera camera{1.5f, 1.0f, 200.0f};
};

TEST_F(Scenes, RenderingWithoutACameraEndsTheProcess) {
  scene.setCamera(nullptr);
  EXPECT_DEATH(scene.render(1.0f), "Scene:[0-9]+: Assertion `sceneCamera' failed");
}

TEST_F(Scenes, UpdateVisitsChildrenBeforeTheirParentWithTheParentsWorld) {
  std::vector<std::pair<std::string, Matrix>> log;
  UpdateRecorder parent("parent", log), child("child", log), sibling("sibling", log);
  parent.setTransform(at(1, 0, 0));
  child.setTransform(at(0, 2, 0));
  parent.addChild(&child);
  scene.addNode(&parent);
  scene.addNode(&sibling);
  scene.update(3.0f);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0].first, "child");
  EXPECT_TRUE(log[0].second == at(1, 0, 0));
  EXPECT_EQ(log[1].first, "parent");
  EXPECT_TRUE(log[1].second == Matrix());
  EXPECT_EQ(log[2].first, "sibling");
}

TEST_F(Scenes, NodesBehindTheCameraAreCulledButTheirChildrenStillDraw) {
  const float red[4] = {1, 0, 0, 1}, green[4] = {0, 1, 0, 1};
  Probe front(scene, red), behind(scene, green), childInFront(scene);
  front.setTransform(at(0, 0, 10));
  behind.setTransform(at(0, 0, -10));
  childInFront.setTransform(at(0, 0, 20));  // at z = 10 in the world
  behind.addChild(&childInFront);
  scene.addNode(&front);
  scene.addNode(&behind);
  scene.render(1.0f);

  EXPECT_EQ(front.parents.size(), 1u);
  EXPECT_TRUE(behind.parents.empty());
  ASSERT_EQ(childInFront.parents.size(), 1u);
  EXPECT_TRUE(childInFront.parents[0] == at(0, 0, -10));  // its parent's world, not its own
  // Only the visible node painted; the rest of the buffer is cleared to transparent black.
  const std::vector<std::uint32_t> picture = pixels(surfaceOf(scene.getColorBuffer()));
  EXPECT_EQ(std::set<std::uint32_t>(picture.begin(), picture.end()),
            std::set<std::uint32_t>{0xFFFF0000u});

  scene.render(1.0f);  // same time: the picture is kept, nothing draws
  EXPECT_EQ(front.parents.size(), 1u);
}

TEST_F(Scenes, LightsAreListedWithTheWorldMatrixOfEachPlaceTheyAppear) {
  vantor::NodePointlight light(1, 2, 3, 1, 0.5f, 0, 1, 2, 1, 0);
  DummyNode left, right;
  addUnderTwoParents(light, left, at(10, 0, 0), right, at(0, 20, 0));
  scene.render(1.0f);
  const auto& lights = scene.getLights();
  ASSERT_EQ(lights.size(), 2u);
  for (const auto& found : lights) EXPECT_EQ(found.light, &light);
  EXPECT_EQ(Vector3(lights[0].world.m[3][0], lights[0].world.m[3][1], lights[0].world.m[3][2]),
            Vector3(11, 2, 3));
  EXPECT_EQ(Vector3(lights[1].world.m[3][0], lights[1].world.m[3][1], lights[1].world.m[3][2]),
            Vector3(1, 22, 3));

  scene.removeNode(&right);
  scene.render(2.0f);  // rebuilt by every drawing
  EXPECT_EQ(scene.getLights().size(), 1u);
}

TEST_F(Scenes, MotionIsRecordedOnlyWhenTheTimeMovedByMoreThanTenMilliseconds) {
  Probe probe(scene);
  probe.setTransform(at(0, 0, 10));
  scene.addNode(&probe);
  scene.render(1.0f);
  EXPECT_EQ(scene.getDeltaTime(), 1.0f);
  // First record: the instance moved from the identity to its place.
  EXPECT_TRUE(probe.velocities.back() == at(0, 0, 10) - Matrix());

  probe.setTransform(at(1, 0, 10));
  scene.render(1.005f);  // redrawn, but the motion of time 1.0 stays
  ASSERT_EQ(probe.velocities.size(), 2u);
  EXPECT_TRUE(probe.velocities.back() == at(0, 0, 10) - Matrix());
  EXPECT_EQ(scene.getDeltaTime(), 1.0f);
  EXPECT_EQ(scene.getTime(), 1.005f);

  scene.render(1.02f);
  EXPECT_NEAR(scene.getDeltaTime(), 0.02f, 1e-6f);
  EXPECT_TRUE(probe.velocities.back() == at(1, 0, 10) - at(0, 0, 10));
}

TEST_F(Scenes, ANodeUnderTwoParentsHasTheMotionOfEachPlace) {
  Probe probe(scene);
  DummyNode moving, still;
  addUnderTwoParents(probe, moving, at(0, 0, 10), still, at(0, 0, 20));
  scene.render(1.0f);
  moving.setTransform(at(3, 0, 10));
  scene.render(2.0f);
  ASSERT_EQ(probe.velocities.size(), 4u);
  EXPECT_TRUE(probe.velocities[2] == at(3, 0, 10) - at(0, 0, 10));
  EXPECT_TRUE(probe.velocities[3] == at(0, 0, 20) - at(0, 0, 20));
}

TEST_F(Scenes, ExtraBuffersStartEveryDrawingAtMidGrey) {
  scene.setBlurMapEnabled(true);
  scene.render(1.0f);
  for (vantor::RenderTarget* buffer : {scene.getBlurMap(), scene.getNormalBuffer()}) {
    const std::vector<std::uint32_t> seen = pixels(surfaceOf(buffer));
    EXPECT_EQ(std::set<std::uint32_t>(seen.begin(), seen.end()),
              std::set<std::uint32_t>{0xFF808080u});
  }
  // The one-channel depth buffer keeps the red value.
  std::vector<float> values;
  UINT width = 0, height = 0;
  ASSERT_EQ(
      platform::d3d9::readSurfaceFloat(surfaceOf(scene.getDepthBuffer()), values, width, height),
      D3D_OK);
  EXPECT_EQ(width, 640u);
  EXPECT_EQ(height, 359u);
  EXPECT_EQ(std::set<float>(values.begin(), values.end()), std::set<float>{128.0f / 255.0f});
}

TEST_F(Scenes, BuffersGoBackToThePool) {
  vantor::GraphicsContext* context = vantor::GraphicsContext::instance();
  auto* blurred = new Scene;
  blurred->setBlurMapEnabled(true);
  vantor::RenderTarget* blurMap = blurred->getBlurMap();
  blurred->setBlurMapEnabled(true);  // still the same one: the first is not lost
  EXPECT_EQ(blurred->getBlurMap(), blurMap);
  blurred->setBlurMapEnabled(false);
  EXPECT_EQ(blurred->getBlurMap(), nullptr);
  EXPECT_EQ(context->getRenderTarget(D3DFMT_A8R8G8B8), blurMap);
  context->releaseRenderTarget(blurMap);

  vantor::RenderTarget* depth = blurred->getDepthBuffer();
  vantor::RenderTarget* normal = blurred->getNormalBuffer();
  delete blurred;
  EXPECT_EQ(context->getRenderTarget(D3DFMT_R32F), depth);
  std::vector<vantor::RenderTarget*> colour;
  context->requestRenderTargets(0, 0, D3DFMT_A8R8G8B8, 2, colour);
  EXPECT_EQ(std::set<vantor::RenderTarget*>(colour.begin(), colour.end()),
            (std::set<vantor::RenderTarget*>{blurMap, normal}));
  context->releaseRenderTarget(depth);
  for (vantor::RenderTarget* target : colour) context->releaseRenderTarget(target);
}

TEST_F(Scenes, CameraProjectsOverThePictureAndRollsAboutItsLineOfSight) {
  const Matrix projection = camera.getProjection();
  EXPECT_TRUE(projection == Matrix::perspectiveFovLH(1.5f, 640.0f / 359.0f, 1.0f, 200.0f));
  camera.roll = std::acos(0.0f);  // a quarter turn
  const Vector3 rolled = Vector3(3, 0, 10).transformCoord(camera.getView());
  EXPECT_NEAR(rolled.x, 0.0f, 1e-5f);
  EXPECT_NEAR(rolled.y, 3.0f, 1e-5f);
  EXPECT_NEAR(rolled.z, 10.0f, 1e-5f);
}

TEST_F(Scenes, ObjectFrustumIsTheWorldFrustumInTheNodesSpace) {
  camera.setLookAt({0, 8, -14}, {6, 5, 0}, {0, 1, 0});
  const Matrix world = Matrix::rotationY(0.7f) * at(5, 1, 3);
  const vantor::Frustum inWorld = camera.getFrustum();
  const vantor::Frustum inObject = camera.getObjectFrustum(world);
  const Vector3 points[] = {{0, 0, 0},   {2, 0, 5},   {-30, 0, 0}, {0, 0, -20},
                            {0, 0, 300}, {0, 40, 10}, {1, -3, 8},  {-10, 4, 2}};
  int inside = 0;
  for (const Vector3& p : points) {
    const bool seen = inWorld.contains(p.transformCoord(world));
    EXPECT_EQ(inObject.contains(p), seen) << p.x << " " << p.y << " " << p.z;
    inside += seen;
  }
  EXPECT_GT(inside, 0);
  EXPECT_LT(inside, 8);
}

}  // namespace
}  // namespace vantor_test

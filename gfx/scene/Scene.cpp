#include "gfx/scene/Scene.h"

#include <cmath>
#include <cstdint>
#include <map>

#include "Core/Fatal.h"
#include "gfx/scene/DummyNode.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/scene/INodeRenderable.h"
#include "gfx/scene/NodePointlight.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/scene/TCamera.h"
#include "gfx/shading/SolidObjectShader.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\Scene";

// The key of one appearance of a node in the tree, from the node's identity and the key of the
// appearance of its parent (0 above the root). Keys only mean something within one run.
std::uint32_t instanceKey(const INode& node, std::uint32_t parentKey) {
  const auto n = static_cast<std::uint32_t>(node.id);
  return (n * n + 10000u) ^ (n * parentKey) ^ (parentKey >> 16) ^ (parentKey << 16);
}

// Every extra buffer starts a drawing at mid grey: "no motion", "no depth", "no normal".
void clearExtraBuffer(RenderTarget* buffer) {
  if (!buffer) return;
  buffer->begin(0);
  clearTarget(255, 128, 128, 128);
  buffer->end();
}

Matrix lookUp(const std::map<std::uint32_t, Matrix>& motion, std::uint32_t key) {
  const auto found = motion.find(key);
  return found == motion.end() ? Matrix() : found->second;
}

}  // namespace

// The root of the tree, with what the scene keeps between and during its drawings.
struct Scene::Implementation final : DummyNode {
  void updateNode(const Matrix& parentWorld, INode& node, float time);
  void recordMotion(const Matrix& parentWorld, INode& node, std::uint32_t parentKey);
  void collectLights(const Matrix& parentWorld, INode& node);
  void renderNode(const Matrix& parentWorld, INode& node, std::uint32_t parentKey);

  std::vector<FrameLight> frameLights;
  TCamera* camera = nullptr;
  RenderTarget* depthBuffer = nullptr;   // borrowed for the scene's life
  RenderTarget* normalBuffer = nullptr;  // borrowed for the scene's life
  RenderTarget* blurMap = nullptr;       // borrowed while enabled
  float lastMotionTime = 0.0f;
  // World × view of every node instance at the last motion update, and at the one before.
  std::map<std::uint32_t, Matrix> previousMotion;
  std::map<std::uint32_t, Matrix> currentMotion;
  float time = 0.0f;
  std::uint32_t currentKey = 0;  // the instance being drawn
  float deltaTime = 0.0f;
};

void Scene::Implementation::updateNode(const Matrix& parentWorld, INode& node, float t) {
  const Matrix world = node.getTransform() * parentWorld;
  node.resetChildren();
  while (INode* child = node.nextChild()) updateNode(world, *child, t);
  node.update(parentWorld, t);
}

void Scene::Implementation::recordMotion(const Matrix& parentWorld, INode& node,
                                         std::uint32_t parentKey) {
  const std::uint32_t key = instanceKey(node, parentKey);
  const Matrix world = node.getTransform() * parentWorld;
  previousMotion[key] = lookUp(currentMotion, key);
  currentMotion[key] = world * camera->getView();
  node.resetChildren();
  while (INode* child = node.nextChild()) recordMotion(world, *child, key);
}

void Scene::Implementation::collectLights(const Matrix& parentWorld, INode& node) {
  const Matrix world = node.getTransform() * parentWorld;
  if (auto* light = dynamic_cast<NodePointlight*>(&node)) frameLights.push_back({light, world});
  node.resetChildren();
  while (INode* child = node.nextChild()) collectLights(world, *child);
}

void Scene::Implementation::renderNode(const Matrix& parentWorld, INode& node,
                                       std::uint32_t parentKey) {
  const std::uint32_t key = instanceKey(node, parentKey);
  const Matrix world = node.getTransform() * parentWorld;
  node.resetChildren();
  while (INode* child = node.nextChild()) renderNode(world, *child, key);
  currentKey = key;
  auto* renderable = node.isRenderable() ? dynamic_cast<INodeRenderable*>(&node) : nullptr;
  if (renderable && camera->getObjectFrustum(world).intersectsBox(renderable->getBoundingBox())) {
    renderable->render(parentWorld);
  }
}

Scene::Scene() : impl(new Implementation) {
  impl->depthBuffer = GraphicsContext::instance()->getRenderTarget(D3DFMT_R32F);
  impl->normalBuffer = GraphicsContext::instance()->getRenderTarget(D3DFMT_A8R8G8B8);
}

Scene::~Scene() {
  GraphicsContext* context = GraphicsContext::instance();
  if (impl->blurMap) context->releaseRenderTarget(impl->blurMap);
  context->releaseRenderTarget(impl->depthBuffer);
  context->releaseRenderTarget(impl->normalBuffer);
  delete impl;
}

void Scene::setCamera(TCamera* camera) { impl->camera = camera; }
TCamera* Scene::getCamera() const { return impl->camera; }

void Scene::setBlurMapEnabled(bool enabled) {
  GraphicsContext* context = GraphicsContext::instance();
  if (enabled) {
    if (!impl->blurMap) impl->blurMap = context->getRenderTarget(D3DFMT_A8R8G8B8);
  } else {
    context->releaseRenderTarget(impl->blurMap);
    impl->blurMap = nullptr;
  }
}

void Scene::addNode(INode* node) { impl->addChild(node); }
void Scene::removeNode(INode* node) { impl->removeChild(node); }

void Scene::update(float time) { impl->updateNode(Matrix(), *impl, time); }

RenderTarget* Scene::getBlurMap() { return impl->blurMap; }
RenderTarget* Scene::getDepthBuffer() { return impl->depthBuffer; }
RenderTarget* Scene::getNormalBuffer() { return impl->normalBuffer; }

float Scene::getTime() const { return impl->time; }
float Scene::getDeltaTime() const { return impl->deltaTime; }
const std::vector<FrameLight>& Scene::getLights() const { return impl->frameLights; }

Matrix Scene::velocityTransform() const {
  return lookUp(impl->currentMotion, impl->currentKey) -
         lookUp(impl->previousMotion, impl->currentKey);
}

void Scene::draw(float time) {
  const TCamera* sceneCamera = impl->camera;
  VANTOR_ASSERT(sceneCamera);
  if (std::fabs(impl->lastMotionTime - time) > 0.01f) {
    impl->recordMotion(Matrix(), *impl, 0);
    impl->deltaTime = std::fabs(impl->lastMotionTime - time);
    impl->lastMotionTime = time;
  }
  impl->frameLights.clear();
  impl->collectLights(Matrix(), *impl);
  impl->time = time;
  SolidObjectShader::instance()->setScene(this);

  clearExtraBuffer(impl->blurMap);
  clearExtraBuffer(impl->depthBuffer);
  clearExtraBuffer(impl->normalBuffer);
  clearTarget(0, 0, 0, 0);
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  VANTOR_CHECK(device->BeginScene());
  impl->renderNode(Matrix(), *impl, 0);
  VANTOR_CHECK(device->EndScene());
}

}  // namespace vantor

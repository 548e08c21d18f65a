// The graphics context's render-target pool and its texture registry.
#include "EngineFixture.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshVertex.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"

namespace vantor_test {
namespace {

using vantor::GraphicsContext;
using vantor::RenderTarget;

class Pool : public EngineTest {
 protected:
  GraphicsContext* context = GraphicsContext::instance();
  // One target of that size and format, new or from the pool; counts the new ones through
  // the progress point each creation passes.
  RenderTarget* take(int width, int height, D3DFORMAT format, int* created = nullptr) {
    const int before = progressTicks;
    std::vector<RenderTarget*> out;
    context->requestRenderTargets(width, height, format, 1, out);
    if (created) *created = progressTicks - before;
    return out.at(0);
  }
};

TEST_F(Pool, RequestTakesMatchingFreeTargetsInOrderThenMakesNewOnes) {
  RenderTarget* depth = take(250, 250, D3DFMT_R32F);
  RenderTarget* first = take(250, 250, D3DFMT_A8R8G8B8);
  RenderTarget* second = take(250, 250, D3DFMT_A8R8G8B8);
  RenderTarget* large = take(500, 500, D3DFMT_A8R8G8B8);
  for (RenderTarget* t : {depth, first, second, large}) context->releaseRenderTarget(t);

  std::vector<RenderTarget*> out;
  const int before = progressTicks;
  context->requestRenderTargets(250, 250, D3DFMT_A8R8G8B8, 3, out);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], first);
  EXPECT_EQ(out[1], second);
  EXPECT_NE(out[2], depth);
  EXPECT_NE(out[2], large);
  EXPECT_EQ(progressTicks - before, 1);  // one new target
  // The others stayed in the pool.
  EXPECT_EQ(take(250, 250, D3DFMT_R32F), depth);
  EXPECT_EQ(take(500, 500, D3DFMT_A8R8G8B8), large);
  for (RenderTarget* t : out) context->releaseRenderTarget(t);
  context->releaseRenderTarget(depth);
  context->releaseRenderTarget(large);
}

TEST_F(Pool, SizeZeroMeansThePictureSize) {
  RenderTarget* target = context->getRenderTarget(D3DFMT_A8R8G8B8);
  EXPECT_EQ(target->getWidth(), 640);
  EXPECT_EQ(target->getHeight(), 359);
  context->releaseRenderTarget(target);
}

TEST_F(Pool, ReleasedTargetIsReusedWithoutANewOne) {
  RenderTarget* target = take(123, 45, D3DFMT_A8R8G8B8);
  context->releaseRenderTarget(target);
  int created = -1;
  EXPECT_EQ(take(123, 45, D3DFMT_A8R8G8B8, &created), target);
  EXPECT_EQ(created, 0);
  context->releaseRenderTarget(target);
}

TEST_F(Pool, NullReleasesAreSkippedAndADoubleReleaseLendsATargetOnce) {
  RenderTarget* target = take(77, 77, D3DFMT_A8R8G8B8);
  context->releaseRenderTarget(nullptr);
  context->releaseRenderTarget(target);
  context->releaseRenderTarget(target);
  std::vector<RenderTarget*> out;
  context->requestRenderTargets(77, 77, D3DFMT_A8R8G8B8, 2, out);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0], target);
  EXPECT_NE(out[1], target);
  for (RenderTarget* t : out) context->releaseRenderTarget(t);
}

TEST_F(Pool, EveryLoadTextureMakesANewTexture) {
  const std::string name = vantor::dataFile(VANTOR_DATA_DIR "/kivei.jpg");
  vantor::Texture* a = context->loadTexture(name);
  vantor::Texture* b = context->loadTexture(name);
  EXPECT_NE(a, b);
  EXPECT_NE(a->getTexture(), nullptr);
  EXPECT_NE(a->getTexture(), b->getTexture());
}

// References held on a Direct3D object besides the test's own.
int otherReferences(IUnknown* object) {
  object->AddRef();
  return static_cast<int>(object->Release()) - 1;
}

void releaseAllInOrder() {
  GraphicsContext* context = GraphicsContext::instance();
  vantor::Mesh* mesh = context->createMesh();
  vantor::Vertex a(0, 0, 0), b(1, 0, 0), c(0, 1, 0);
  mesh->setGpuData({&a, &b, &c}, {0, 1, 2});  // buffers that the mesh releases when deleted
  IDirect3DTexture9* texture =
      context->loadTexture(vantor::dataFile(VANTOR_DATA_DIR "/kivei.jpg"))->getTexture();
  IDirect3DTexture9* target = context->getRenderTarget(D3DFMT_R32F)->getTexture();
  texture->AddRef();
  target->AddRef();
  // At each progress point of the shutdown: is the texture, is the target still owned?
  std::vector<std::pair<bool, bool>> alive;
  onProgress = [&] {
    alive.emplace_back(otherReferences(texture) > 0, otherReferences(target) > 0);
  };
  context->releaseAll();
  onProgress = nullptr;
  // Two points, the mesh's two (one before each buffer it releases), one after the meshes,
  // one after the textures, one after the targets.
  const std::vector<std::pair<bool, bool>> expected = {{true, true},  {true, true}, {true, true},
                                                       {true, true},  {true, true}, {false, true},
                                                       {false, false}};
  const bool inOrder = alive == expected;
  const bool freed = texture->Release() == 0 && target->Release() == 0;
  std::exit(inOrder && freed && context->device() == nullptr ? 0 : 1);
}

TEST_F(Pool, ReleaseAllDeletesMeshesThenTexturesThenTargetsAndLeavesNoDevice) {
  EXPECT_EXIT(releaseAllInOrder(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vantor_test

#include "gfx/resources/GraphicsContext.h"

#include <algorithm>
#include <list>
#include <map>

#include "demo/D3DWindow.h"
#include "Core/Progress.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/resources/RenderTarget.h"
#include "gfx/resources/Texture.h"

namespace vantor {

struct GraphicsContext::Implementation {
  IDirect3DDevice9* device = nullptr;
  // Everything made through the context; the flag is true while the context owns it. The
  // maps' address order is the order of deletion.
  std::map<Mesh*, bool> meshes;
  std::map<Texture*, bool> textures;
  std::map<RenderTarget*, bool> renderTargets;
  std::list<RenderTarget*> freeRenderTargets;  // oldest released first; may hold null
};

namespace {

GraphicsContext* singleton = nullptr;

template <typename T>
void deleteOwned(std::map<T*, bool>& objects) {
  for (auto& [object, owned] : objects) {
    if (owned) delete object;
  }
  objects.clear();
}

}  // namespace

GraphicsContext* GraphicsContext::instance() {
  if (singleton) return singleton;
  progressPoint();
  singleton = new GraphicsContext;
  return singleton;
}

GraphicsContext::GraphicsContext() : impl(new Implementation) { progressPoint(); }

IDirect3DDevice9* GraphicsContext::device() { return impl->device; }

IDirect3DDevice9** GraphicsContext::deviceSlot() { return &impl->device; }

Mesh* GraphicsContext::createMesh() {
  progressPoint();
  auto* mesh = new Mesh(0, 0);
  impl->meshes[mesh] = true;
  return mesh;
}

Texture* GraphicsContext::loadTexture(const std::string& fileName) {
  auto* texture = new Texture;
  texture->load(fileName);
  impl->textures[texture] = true;
  return texture;
}

bool GraphicsContext::remakeTextures(const std::string& fileName, const void* bytes,
                                     std::size_t size, std::string& error) {
  bool found = false;
  for (auto& [texture, owned] : impl->textures) {
    if (!owned || texture->fileName() != fileName) continue;
    found = true;
    // Bytes that the first texture refuses are refused by all: nothing has changed yet.
    if (!texture->remake(bytes, size, error)) return false;
  }
  if (!found) error = "no texture is loaded from it";
  return found;
}

void GraphicsContext::requestRenderTargets(int width, int height, D3DFORMAT format, int count,
                                           std::vector<RenderTarget*>& out) {
  if (width == 0 || height == 0) {
    const D3DVIEWPORT9 picture = D3DWindow::current()->defaultViewport();
    if (width == 0) width = static_cast<int>(picture.Width);
    if (height == 0) height = static_cast<int>(picture.Height);
  }
  out.clear();
  auto& free = impl->freeRenderTargets;
  for (auto entry = free.begin(); entry != free.end() && count > 0;) {
    RenderTarget* target = *entry;
    if (target && target->getWidth() == width && target->getHeight() == height &&
        target->getFormat() == format) {
      out.push_back(target);
      --count;
      entry = free.erase(entry);
    } else {
      ++entry;
    }
  }
  for (; count > 0; --count) {
    progressPoint();
    auto* target = new RenderTarget(width, height, format);
    impl->renderTargets[target] = true;
    out.push_back(target);
  }
}

RenderTarget* GraphicsContext::getRenderTarget(D3DFORMAT format) {
  // The effects ask for their targets every frame: the list's storage is kept between calls.
  static std::vector<RenderTarget*> one;
  requestRenderTargets(0, 0, format, 1, one);
  return one.front();
}

void GraphicsContext::releaseRenderTarget(RenderTarget* target) {
  auto& free = impl->freeRenderTargets;
  if (target && std::find(free.begin(), free.end(), target) != free.end()) return;
  free.push_back(target);
}

void GraphicsContext::releaseAll() {
  progressPoint();
  progressPoint();
  deleteOwned(impl->meshes);
  progressPoint();
  deleteOwned(impl->textures);
  progressPoint();
  deleteOwned(impl->renderTargets);
  impl->freeRenderTargets.clear();
  progressPoint();
  if (impl->device) {
    impl->device->Release();
    impl->device = nullptr;
  }
}

}  // namespace vantor

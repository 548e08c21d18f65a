// The process-wide way to the Direct3D device, and the owner of every texture, render target
// and mesh the engine makes for its users, with the pool from which screen-sized render
// targets are lent. Created on first use, before the device exists; the window creates the
// device straight into deviceSlot(). Never deleted.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <string>
#include <vector>

namespace vantor {

class Mesh;
class RenderTarget;
class Texture;

class GraphicsContext {
 public:
  // The singleton, created on the first call (passing two progress points then).
  static GraphicsContext* instance();

  // Null before the window has created the device and after releaseAll.
  IDirect3DDevice9* device();
  // Where IDirect3D9::CreateDevice stores the device; the context owns what it holds.
  IDirect3DDevice9** deviceSlot();

  // A new, empty mesh (no least buffer capacities), owned by the context.
  Mesh* createMesh();

  // A new texture decoded from the named data file (loaded into the DataFileCache by the
  // caller). Owned by the context; every call makes a new one.
  Texture* loadTexture(const std::string& fileName);
  // Makes every texture loaded from that data file anew from new bytes of the picture (a
  // tool's reload while the demo runs, between frames); each keeps its place and file name.
  // False with the reason in `error` when no texture was loaded from that file or the bytes
  // do not decode; every texture then stays as it was.
  bool remakeTextures(const std::string& fileName, const void* bytes, std::size_t size,
                      std::string& error);

  // Fills `out` with `count` render targets of that size and format: free ones of the pool
  // first (oldest released first), then new ones. A width or height of 0 stands for the
  // picture size (the window's default viewport). The targets stay the context's; give each
  // back once with releaseRenderTarget.
  void requestRenderTargets(int width, int height, D3DFORMAT format, int count,
                            std::vector<RenderTarget*>& out);
  // One picture-sized target of that format.
  RenderTarget* getRenderTarget(D3DFORMAT format);
  // Returns a target to the pool. A target that is already free is not added again, so it
  // cannot be lent to two holders at once.
  void releaseRenderTarget(RenderTarget* target);

  // Deletes everything the context owns (meshes, then textures, then render targets) and
  // releases the device. Called once, at shutdown, after the effects are released.
  void releaseAll();

 private:
  struct Implementation;
  GraphicsContext();
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  Implementation* impl;  // never freed: the context lives as long as the process
};

}  // namespace vantor

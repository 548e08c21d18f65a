// A texture the scene and the post effects draw into, with its own depth-stencil surface.
// Binding it saves what was bound at its slot; on slot 0 it also binds its depth surface and a
// viewport over the whole target, and end() restores all of that. Slots 1-3 are extra
// outputs of the same draw and must match the slot-0 target's size.
#pragma once

#include <d3d9.h>

#include "gfx/resources/ID3dSurface.h"

namespace vantor {

class RenderTarget final : public ID3dSurface {
 public:
  // Creates the texture, its surface and a depth surface of the same size.
  RenderTarget(int width, int height, D3DFORMAT format);
  // Releases the Direct3D objects. Render targets are deleted by the graphics context only.
  ~RenderTarget();
  RenderTarget(const RenderTarget&) = delete;
  RenderTarget& operator=(const RenderTarget&) = delete;

  void create(int newWidth, int newHeight, D3DFORMAT newFormat, bool withDepth);
  void begin(int newSlot);
  void end();
  IDirect3DTexture9* getTexture() override { return texture; }

  int getWidth() const { return width; }
  int getHeight() const { return height; }
  D3DFORMAT getFormat() const { return format; }
  bool isActive() const { return active; }

 private:
  int width = 0;
  int height = 0;
  bool active = false;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  IDirect3DSurface9* surface = nullptr;       // level 0 of texture
  IDirect3DSurface9* depthSurface = nullptr;  // or null
  IDirect3DSurface9* savedTarget = nullptr;   // bound at the slot when begin ran
  IDirect3DSurface9* savedDepth = nullptr;    // bound when begin ran on slot 0
  int slot = 0;
  IDirect3DTexture9* texture = nullptr;
};

}  // namespace vantor

// An image texture decoded from a cached data file, with its full mip chain. Made and owned by
// the graphics context.
#pragma once

#include <d3d9.h>

#include <string>

#include "gfx/resources/ID3dSurface.h"

namespace vantor {

class Texture : public ID3dSurface {
 public:
  Texture();
  virtual ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  IDirect3DTexture9* getTexture() override;

  // Decodes the data file of that name, which the caller has loaded into the DataFileCache.
  // Runs once: later calls change nothing. If the data cannot be decoded the texture stays
  // null and a message names the file.
  void load(const std::string& fileName);

  // The picture's own size, and the level-0 size of the Direct3D texture.
  int getWidth() const;
  int getHeight() const;
  int getTextureWidth() const;
  int getTextureHeight() const;

 private:
  struct Implementation;
  Implementation* impl;
};

}  // namespace vantor

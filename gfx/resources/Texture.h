// An image texture decoded from a cached data file, with its full mip chain. Made and owned by
// the graphics context.
#pragma once

#include <d3d9.h>

#include <cstddef>
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

  // Makes the texture anew from new bytes of its picture (a tool's reload while the demo
  // runs, between frames), with the full mip chain as load makes it; the texture keeps its
  // file name. When the bytes do not decode, false with the reason in `error`, and the
  // texture that was there stays.
  bool remake(const void* bytes, std::size_t size, std::string& error);

  // The data file the texture was loaded from; empty before load.
  const std::string& fileName() const;

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

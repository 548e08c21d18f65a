#include "gfx/resources/Texture.h"

#include <d3dx9.h>

#include <cstdio>

#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

struct Texture::Implementation {
  IDirect3DTexture9* texture = nullptr;
  bool created = false;
  int width = 0;
  int height = 0;
  int textureWidth = 0;
  int textureHeight = 0;
};

Texture::Texture() : impl(new Implementation) {}

Texture::~Texture() {
  if (impl->texture) impl->texture->Release();
  delete impl;
}

IDirect3DTexture9* Texture::getTexture() { return impl->texture; }

void Texture::load(const std::string& fileName) {
  if (impl->created) return;
  DataFileCache* cache = DataFileCache::instance();
  D3DXIMAGE_INFO info{};
  const HRESULT result = D3DXCreateTextureFromFileInMemoryEx(
      GraphicsContext::instance()->device(), cache->data(fileName), cache->size(fileName),
      D3DX_DEFAULT, D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
      D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, D3DX_FILTER_BOX, 0, &info, nullptr,
      &impl->texture);
  if (SUCCEEDED(result)) {
    D3DSURFACE_DESC desc{};
    impl->texture->GetLevelDesc(0, &desc);
    impl->textureWidth = static_cast<int>(desc.Width);
    impl->textureHeight = static_cast<int>(desc.Height);
    impl->width = static_cast<int>(info.Width);
    impl->height = static_cast<int>(info.Height);
  } else {
    impl->texture = nullptr;
    std::fprintf(stderr, "vantor: the picture \"%s\" cannot be decoded\n", fileName.c_str());
  }
  impl->created = true;
}

int Texture::getWidth() const { return impl->width; }
int Texture::getHeight() const { return impl->height; }
int Texture::getTextureWidth() const { return impl->textureWidth; }
int Texture::getTextureHeight() const { return impl->textureHeight; }

}  // namespace vantor

#include "gfx/resources/Texture.h"

#include <d3dx9.h>

#include <climits>
#include <cstdio>

#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

struct Texture::Implementation {
  IDirect3DTexture9* texture = nullptr;
  bool created = false;
  std::string fileName;
  int width = 0;
  int height = 0;
  int textureWidth = 0;
  int textureHeight = 0;
};

namespace {

// A texture with its full mip chain from the bytes of a JPEG or PNG picture; `info` receives
// the picture's own size.
HRESULT createTexture(const void* bytes, std::size_t size, D3DXIMAGE_INFO& info,
                      IDirect3DTexture9** texture) {
  return D3DXCreateTextureFromFileInMemoryEx(
      GraphicsContext::instance()->device(), bytes, static_cast<UINT>(size), D3DX_DEFAULT,
      D3DX_DEFAULT, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
      D3DX_FILTER_TRIANGLE | D3DX_FILTER_DITHER, D3DX_FILTER_BOX, 0, &info, nullptr, texture);
}

}  // namespace

Texture::Texture() : impl(new Implementation) {}

Texture::~Texture() {
  if (impl->texture) impl->texture->Release();
  delete impl;
}

IDirect3DTexture9* Texture::getTexture() { return impl->texture; }

void Texture::load(const std::string& fileName) {
  if (impl->created) return;
  impl->created = true;
  impl->fileName = fileName;
  DataFileCache* cache = DataFileCache::instance();
  std::string error;
  if (!remake(cache->data(fileName), cache->size(fileName), error)) {
    std::fprintf(stderr, "vantor: the picture \"%s\" cannot be decoded\n", fileName.c_str());
  }
}

bool Texture::remake(const void* bytes, std::size_t size, std::string& error) {
  D3DXIMAGE_INFO info{};
  IDirect3DTexture9* made = nullptr;
  const HRESULT result =
      size <= UINT_MAX ? createTexture(bytes, size, info, &made) : D3DXERR_INVALIDDATA;
  if (FAILED(result) || !made) {
    if (bytes == nullptr || size == 0) {
      error = "the file is empty";
    } else if (result == D3DXERR_INVALIDDATA) {
      error = "not a whole JPEG or PNG picture";
    } else {
      char text[64];
      std::snprintf(text, sizeof text, "the texture cannot be made (error 0x%08X)",
                    static_cast<unsigned>(result));
      error = text;
    }
    return false;
  }
  if (impl->texture) impl->texture->Release();
  impl->texture = made;
  D3DSURFACE_DESC desc{};
  made->GetLevelDesc(0, &desc);
  impl->textureWidth = static_cast<int>(desc.Width);
  impl->textureHeight = static_cast<int>(desc.Height);
  impl->width = static_cast<int>(info.Width);
  impl->height = static_cast<int>(info.Height);
  return true;
}

const std::string& Texture::fileName() const { return impl->fileName; }

int Texture::getWidth() const { return impl->width; }
int Texture::getHeight() const { return impl->height; }
int Texture::getTextureWidth() const { return impl->textureWidth; }
int Texture::getTextureHeight() const { return impl->textureHeight; }

}  // namespace vantor

// Draws the invitation's 66 glyphs, refined as the invitation refines them, into a PNG:
//   glyph_preview OUTPUT.png
// The picture shows the face chosen for the invitation's font, the closed solids and the
// generated texture coordinates (as a checker).
#include <d3d9.h>
#include <d3dx9.h>
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "gfx/mesh/Mesh.h"
#include "gfx/mesh/MeshModifierSubdivide.h"
#include "gfx/mesh/MeshModifierTexgen.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/text/FontImporter.h"
#include <DeviceGl.h>

using namespace vantor;

namespace {

constexpr const char* invitationSet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.1234567890,&!";
constexpr int width = 1280;
constexpr int height = 640;
constexpr int columns = 11;

bool fail(const char* what) {
  std::fprintf(stderr, "glyph_preview: %s\n", what);
  return false;
}

bool render(const char* output) {
  GraphicsContext* context = GraphicsContext::instance();
  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(64, 64);
  if (direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                             D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                             context->deviceSlot()) != D3D_OK) {
    return fail("no device");
  }
  IDirect3DDevice9* device = context->device();
  std::ifstream file(GLYPH_EFFECT_DIR "/GlyphShade.fxo", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  ID3DXEffect* effect = nullptr;
  if (D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size()), nullptr, nullptr, 0,
                       nullptr, &effect, nullptr) != D3D_OK) {
    return fail("cannot load GlyphShade.fxo");
  }
  IDirect3DTexture9* texture = nullptr;
  IDirect3DSurface9* target = nullptr;
  IDirect3DSurface9* depth = nullptr;
  device->CreateTexture(width, height, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                        &texture, nullptr);
  texture->GetSurfaceLevel(0, &target);
  device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                    &depth, nullptr);
  device->SetRenderTarget(0, target);
  device->SetDepthStencilSurface(depth);

  FontImporter font(1, 600, 0.2f, false, "Arial Black");
  font.importGlyphs(invitationSet);
  Matrix enlarge;
  enlarge.m[0][0] = enlarge.m[1][1] = enlarge.m[2][2] = 7.0f;
  meshmodify::Texgen set0(0.2f, 1, 0);
  meshmodify::Texgen set1(0.2f, 1, 1);
  meshmodify::Subdivide refine(2, 1);
  constexpr float cellWidth = 8.0f, cellHeight = 8.5f;
  for (int i = 0; i < font.glyphCount(); ++i) {
    Mesh* glyph = font.glyph(static_cast<unsigned>(i));
    glyph->transform(enlarge);
    set0.apply(glyph);
    set1.apply(glyph);
    refine.apply(glyph);
    // Centred in its cell of the grid, on a common baseline.
    float minX = 1e9f, maxX = -1e9f;
    for (VertexBase* v : glyph->getVertices()) {
      minX = std::min(minX, v->getPosition()->x);
      maxX = std::max(maxX, v->getPosition()->x);
    }
    const int column = i % columns, row = i / columns;
    glyph->transform(Matrix::translation(
        (static_cast<float>(column) - (columns - 1) / 2.0f) * cellWidth - (minX + maxX) / 2,
        (2.5f - static_cast<float>(row)) * cellHeight - 2.5f, 0));
  }

  const Matrix viewProjection =
      Matrix::lookAtLH({-12, 9, -78}, {0, 0, 0}, {0, 1, 0}) *
      Matrix::perspectiveFovLH(0.75f, static_cast<float>(width) / height, 1.0f, 300.0f);
  D3DXMATRIX matrix;
  static_cast<D3DMATRIX&>(matrix) = viewProjection.toD3D();
  const D3DXVECTOR4 gold = {1.0f, 0.78f, 0.35f, 1.0f};
  effect->SetTechnique("Shade");
  effect->SetMatrix("worldViewProjection", &matrix);
  effect->SetVector("color", &gold);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF182030, 1, 0);
  device->BeginScene();
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  for (int i = 0; i < font.glyphCount(); ++i) {
    Mesh* glyph = font.glyph(static_cast<unsigned>(i));
    glyph->computeNormals();
    glyph->draw(Matrix());
  }
  effect->EndPass();
  effect->End();
  device->EndScene();
  effect->Release();

  std::vector<std::uint32_t> argb;
  UINT readWidth = 0, readHeight = 0;
  if (platform::d3d9::readSurface(target, argb, readWidth, readHeight) != D3D_OK) {
    return fail("cannot read the picture back");
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = readWidth;
  image.height = readHeight;
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB little-endian is B, G, R, A in memory
  if (!png_image_write_to_file(&image, output, 0, argb.data(), 0, nullptr)) {
    return fail("cannot write the PNG");
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: glyph_preview OUTPUT.png\n");
    return 2;
  }
  return render(argv[1]) ? 0 : 1;
}

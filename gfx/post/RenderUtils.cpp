#include "gfx/post/RenderUtils.h"

#include <algorithm>

#include "Core/Fatal.h"
#include "demo/D3DWindow.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/math/Matrix.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\RenderUtils";

struct QuadVertex {
  float x, y, z, u, v;
};
constexpr DWORD kQuadFvf = D3DFVF_XYZ | D3DFVF_TEX1;  // 0x102
static_assert(sizeof(QuadVertex) == 20);

// A texture of the viewport's size drawn without a margin puts one texel on each pixel
// centre, where the nearest texel is exactly what linear filtering gives, for less work.
// Anything else, or a size that cannot be read, is filtered linearly.
D3DTEXTUREFILTERTYPE quadFilter(IDirect3DDevice9* device, IDirect3DTexture9* texture,
                                float margin) {
  D3DVIEWPORT9 viewport;
  D3DSURFACE_DESC level;
  if (margin != 0.0f || texture == nullptr || FAILED(device->GetViewport(&viewport)) ||
      FAILED(texture->GetLevelDesc(0, &level))) {
    return D3DTEXF_LINEAR;
  }
  return level.Width == viewport.Width && level.Height == viewport.Height ? D3DTEXF_POINT
                                                                          : D3DTEXF_LINEAR;
}

}  // namespace

void clearTarget(unsigned alpha, unsigned red, unsigned green, unsigned blue) {
  // The failed-assertion report prints the expression exactly as written here.
  // clang-format off
  VANTOR_CHECK_LINE(GraphicsContext::instance()->device()->Clear(
                        0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER,
                        D3DCOLOR_ARGB(alpha, red, green, blue), 1.0f, 0),
                    14);
  // clang-format on
}

void drawQuad(ID3dSurface* texture, float alpha, float margin, D3DBLENDOP blendOp,
              D3DBLEND destBlend, D3DBLEND srcBlend, bool bracketScene) {
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  const D3DVIEWPORT9 picture = D3DWindow::current()->defaultViewport();
  const float m = margin;
  const float my =
      margin / (static_cast<float>(picture.Width) / static_cast<float>(picture.Height));
  const QuadVertex quad[6] = {{-1 - m, -1 - my, 0, 0, 1}, {-1 - m, 1 + my, 0, 0, 0},
                              {1 + m, 1 + my, 0, 1, 0},   {1 + m, 1 + my, 0, 1, 0},
                              {1 + m, -1 - my, 0, 1, 1},  {-1 - m, -1 - my, 0, 0, 1}};

  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), 38);
  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_SRCBLEND, srcBlend), 40);
  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_DESTBLEND, destBlend), 41);
  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_BLENDOP, blendOp), 42);
  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), 43);
  VANTOR_CHECK_LINE(device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP), 45);
  VANTOR_CHECK_LINE(device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP), 46);
  VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1), 48);
  VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR), 49);
  const auto alphaByte = static_cast<DWORD>(std::clamp(alpha, 0.0f, 1.0f) * 255.0f);
  VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_TEXTUREFACTOR, alphaByte << 24), 55);
  if (texture) {
    VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), 59);
    VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), 60);
    VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE), 63);
    VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR), 64);
    VANTOR_CHECK_LINE(device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE), 65);
    VANTOR_CHECK_LINE(device->SetTexture(0, texture->getTexture()), 67);
    const D3DMATRIX projection = Matrix::screenProjection().toD3D();
    const D3DMATRIX identity = Matrix().toD3D();
    VANTOR_CHECK_LINE(device->SetTransform(D3DTS_PROJECTION, &projection), 69);
    VANTOR_CHECK_LINE(device->SetTransform(D3DTS_VIEW, &identity), 70);
    VANTOR_CHECK_LINE(device->SetTransform(D3DTS_WORLD, &identity), 71);
    const D3DTEXTUREFILTERTYPE filter = quadFilter(device, texture->getTexture(), margin);
    VANTOR_CHECK_LINE(device->SetSamplerState(0, D3DSAMP_MAGFILTER, filter), 73);
    VANTOR_CHECK_LINE(device->SetSamplerState(0, D3DSAMP_MINFILTER, filter), 74);
    VANTOR_CHECK_LINE(device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE), 75);
  }
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  VANTOR_CHECK_LINE(device->SetFVF(kQuadFvf), 80);
  if (bracketScene) device->BeginScene();
  VANTOR_CHECK_LINE(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(QuadVertex)), 83);
  if (bracketScene) device->EndScene();
}

}  // namespace vantor

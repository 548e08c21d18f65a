// What the device draws, read back from its targets. Colours are saturated and sample points
// keep away from primitive edges, so the comparisons only need to absorb 8-bit rounding.
#include <epoxy/gl.h>

#include <cstring>
#include <utility>
#include <string>

#include "DeviceFixture.h"

namespace testing_d3d9 {
namespace {

class DevicePixels : public DeviceTest {
 protected:
  // Untextured drawing in one colour through texture stage 0.
  void useSolidColour(D3DCOLOR argb) {
    ASSERT_EQ(device->SetRenderState(D3DRS_TEXTUREFACTOR, argb), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1), D3D_OK);
    ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR), D3D_OK);
  }
  void clear(D3DCOLOR argb) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, argb, 1.0f, 0), D3D_OK);
  }
  // Unbinds the stream and index buffers and drops the test's references to them.
  void unbindAndRelease(IDirect3DVertexBuffer9* vertices, IDirect3DIndexBuffer9* indices) {
    ASSERT_EQ(device->SetStreamSource(0, nullptr, 0, 0), D3D_OK);
    ASSERT_EQ(device->SetIndices(nullptr), D3D_OK);
    vertices->Release();
    indices->Release();
  }
  // A triangle given in clip space, in the order given.
  void drawTriangle(float ax, float ay, float bx, float by, float cx, float cy) {
    const QuadVertex triangle[3] = {{ax, ay, 0, 0, 0}, {bx, by, 0, 0, 0}, {cx, cy, 0, 0, 0}};
    ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex)), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  }
};

TEST_F(DevicePixels, ClearWithoutRectanglesClearsOnlyTheViewportOfEveryTarget) {
  IDirect3DSurface9* extra = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(1, extra), D3D_OK);
  clear(0xFFFF0000);
  const D3DVIEWPORT9 letterbox{0, 6, kWidth, 36, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&letterbox), D3D_OK);
  clear(0xFF0000FF);
  ASSERT_EQ(device->SetRenderTarget(1, nullptr), D3D_OK);

  for (const Pixels& pixels : {readBackBuffer(), read(extra)}) {
    for (UINT y : {0u, 5u, 42u, 47u}) EXPECT_TRUE(sameColour(pixels.at(10, y), 0xFFFF0000)) << y;
    for (UINT y : {6u, 24u, 41u}) EXPECT_TRUE(sameColour(pixels.at(10, y), 0xFF0000FF)) << y;
  }
}

TEST_F(DevicePixels, UpperLeftOfClipSpaceIsTheUpperLeftOfTheTarget) {
  clear(0xFF000000);
  useSolidColour(0xFF00FF00);
  drawTriangle(-1, 1, 0, 1, -1, 0);  // clockwise on screen
  const Pixels pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(4, 4), 0xFF00FF00));
  EXPECT_TRUE(sameColour(pixels.at(4, kHeight - 4), 0xFF000000));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 4, 4), 0xFF000000));
}

TEST_F(DevicePixels, TextureRowZeroIsTheTopAndColumnZeroTheLeft) {
  IDirect3DTexture9* texture = makeTexture(2, 2, 0);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  auto* texels = static_cast<std::uint32_t*>(locked.pBits);
  texels[0] = 0xFFFF0000;  // top left
  texels[1] = 0xFF00FF00;  // top right
  texels[locked.Pitch / 4] = 0xFF0000FF;
  texels[locked.Pitch / 4 + 1] = 0xFFFFFFFF;
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
  drawQuad();
  const Pixels pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(4, 4), 0xFFFF0000));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 4, 4), 0xFF00FF00));
  EXPECT_TRUE(sameColour(pixels.at(4, kHeight - 4), 0xFF0000FF));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 4, kHeight - 4), 0xFFFFFFFF));
}

TEST_F(DevicePixels, CullModesFollowDirect3DWinding) {
  struct Case {
    DWORD cull;
    bool clockwiseDrawn;
    bool counterClockwiseDrawn;
  };
  for (const Case& c : {Case{D3DCULL_CCW, true, false}, Case{D3DCULL_CW, false, true},
                        Case{D3DCULL_NONE, true, true}}) {
    ASSERT_EQ(device->SetRenderState(D3DRS_CULLMODE, c.cull), D3D_OK);
    clear(0xFF000000);
    useSolidColour(0xFFFFFFFF);
    drawTriangle(-1, 1, 0, 1, -1, 0);  // clockwise as seen, upper left
    drawTriangle(1, -1, 1, 0, 0, -1);  // counter-clockwise as seen, lower right
    const Pixels pixels = readBackBuffer();
    EXPECT_EQ(pixels.at(4, 4) == 0xFFFFFFFF, c.clockwiseDrawn) << "cull " << c.cull;
    EXPECT_EQ(pixels.at(kWidth - 4, kHeight - 4) == 0xFFFFFFFF, c.counterClockwiseDrawn)
        << "cull " << c.cull;
  }
}

TEST_F(DevicePixels, DepthTestAndDepthWrites) {
  clear(0xFF000000);
  auto quadAt = [this](float z, D3DCOLOR colour) {
    useSolidColour(colour);
    drawQuad(-1, -1, 1, 1, z);
  };
  quadAt(0.5f, 0xFFFF0000);
  quadAt(0.7f, 0xFF00FF00);  // behind: hidden with LESSEQUAL
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), 0xFFFF0000));
  quadAt(0.3f, 0xFF00FF00);  // in front
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), 0xFF00FF00));

  ASSERT_EQ(device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE), D3D_OK);
  quadAt(0.1f, 0xFF0000FF);  // passes, leaves the depth at 0.3
  ASSERT_EQ(device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE), D3D_OK);
  quadAt(0.2f, 0xFFFFFF00);  // passes against 0.3
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), 0xFFFFFF00));

  ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  quadAt(0.9f, 0xFFFF00FF);  // no test at all
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), 0xFFFF00FF));
}

TEST_F(DevicePixels, AdditiveBlendingWeightedBySourceAlpha) {
  clear(0xFF333333);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD), D3D_OK);
  useSolidColour(0x80FF0000);
  drawQuad();
  // red: 0x33 + 0xFF * 128/255 = 0xB3; green and blue keep 0x33
  const std::uint32_t c = readBackBuffer().at(32, 24);
  EXPECT_NEAR(redOf(c), 0xB3, 2);
  EXPECT_NEAR(greenOf(c), 0x33, 2);
  EXPECT_NEAR(blueOf(c), 0x33, 2);
}

TEST_F(DevicePixels, TexturedQuadTakesItsAlphaFromTheTextureFactor) {
  clear(0xFF000000);
  ASSERT_EQ(device->SetTexture(0, makeTexture(4, 4, 0xFF00FF00)), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TEXTURE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x40000000), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
  drawQuad();
  // green: 0xFF * (0x40/255 factor alpha * 1.0 texture alpha) = 0x40
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), 0xFF004000));
}

// The engine's one vertex format: position, normal, two 2D texture coordinate sets, tangent
// and binormal, 64 bytes.
struct EngineVertex {
  float position[3], normal[3], uv0[2], uv1[2], tangent[3], binormal[3];
};
static_assert(sizeof(EngineVertex) == 64);
constexpr DWORD kEngineFvf =
    D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE3(2) | D3DFVF_TEXCOORDSIZE3(3);
static_assert(kEngineFvf == 5243922);

TEST_F(DevicePixels, IndexedDrawInTheEngineVertexFormat) {
  // A texture whose left half is red and right half blue; the triangle maps u to 0.75 only, so
  // only the set-0 coordinates at bytes 24-31 can make it blue.
  IDirect3DTexture9* texture = makeTexture(2, 1, 0);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  static_cast<std::uint32_t*>(locked.pBits)[0] = 0xFFFF0000;
  static_cast<std::uint32_t*>(locked.pBits)[1] = 0xFF0000FF;
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(EngineVertex), D3DUSAGE_DYNAMIC, 0,
                                       D3DPOOL_SYSTEMMEM, &vertices, nullptr),
            D3D_OK);
  EngineVertex* v = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, reinterpret_cast<void**>(&v), D3DLOCK_DISCARD), D3D_OK);
  const float corners[4][2] = {{-1, 1}, {0, 1}, {-1, -1}, {0, -1}};  // the left half
  for (int i = 0; i < 4; ++i) {
    v[i] = EngineVertex{{corners[i][0], corners[i][1], 0.5f},
                        {0, 0, -1},
                        {0.75f, 0.5f},
                        {0.25f, 0.5f},
                        {1, 0, 0},
                        {0, 1, 0}};
  }
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(6 * 4, D3DUSAGE_DYNAMIC, D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM,
                                      &indices, nullptr),
            D3D_OK);
  std::uint32_t* index = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, reinterpret_cast<void**>(&index), D3DLOCK_DISCARD), D3D_OK);
  const std::uint32_t order[6] = {0, 1, 2, 2, 1, 3};
  std::copy(order, order + 6, index);
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  clear(0xFF000000);
  ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
  ASSERT_EQ(device->SetFVF(kEngineFvf), D3D_OK);
  ASSERT_EQ(device->SetStreamSource(0, vertices, 0, sizeof(EngineVertex)), D3D_OK);
  ASSERT_EQ(device->SetIndices(indices), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  unbindAndRelease(vertices, indices);

  const Pixels pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(8, 24), 0xFF0000FF));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 8, 24), 0xFF000000));
}

// The ES dialect has no base-vertex draws and reads vertex colours as R, G, B, A: the base
// vertex must move to the second quad's vertices and D3DCOLOR's bytes B, G, R, A must give
// the colours written, the stream offset counted too.
TEST_F(DevicePixels, AnIndexedDrawStartsAtItsBaseVertexAndReadsVertexColoursAsDirect3D) {
  struct ColouredVertex {
    float x, y, z;
    D3DCOLOR colour;
  };
  constexpr DWORD kColouredFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;
  // One unused vertex for the stream offset, then a red quad on the left half, a green-blue
  // one on the right half.
  const float halves[2][2] = {{-1, 0}, {0, 1}};
  const D3DCOLOR colours[2] = {0xFFFF0000, 0xFF00FF80};
  std::vector<ColouredVertex> quads{{0, 0, 0, 0}};
  for (int q = 0; q < 2; ++q) {
    const float x0 = halves[q][0], x1 = halves[q][1];
    for (const auto& [x, y] : {std::pair{x0, 1.0f}, {x1, 1.0f}, {x0, -1.0f}, {x1, -1.0f}}) {
      quads.push_back({x, y, 0.5f, colours[q]});
    }
  }
  const UINT bytes = static_cast<UINT>(quads.size() * sizeof(ColouredVertex));
  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kColouredFvf, D3DPOOL_MANAGED,
                                       &vertices, nullptr),
            D3D_OK);
  void* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, quads.data(), bytes);
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                      &indices, nullptr),
            D3D_OK);
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
  const std::uint16_t order[6] = {0, 1, 2, 2, 1, 3};  // clockwise on screen
  std::memcpy(data, order, sizeof order);
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  clear(0xFF000000);
  ASSERT_EQ(device->SetRenderState(D3DRS_LIGHTING, FALSE), D3D_OK);  // the colours as given
  ASSERT_EQ(device->SetFVF(kColouredFvf), D3D_OK);
  ASSERT_EQ(device->SetStreamSource(0, vertices, sizeof(ColouredVertex), sizeof(ColouredVertex)),
            D3D_OK);
  ASSERT_EQ(device->SetIndices(indices), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  Pixels pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(8, kHeight / 2), 0xFF000000));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 8, kHeight / 2), 0xFF00FF80));

  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(8, kHeight / 2), 0xFFFF0000));
  unbindAndRelease(vertices, indices);
}

// Wireframe and point fills exist in core only; ES refuses such a draw and says why rather
// than filling the triangles.
TEST_F(DevicePixels, WireframeDrawsInCoreAndIsRefusedWithTheReasonInEs) {
  const bool core = std::string(platform::d3d9::dialectName(device)) == "core";
  clear(0xFF000000);
  useSolidColour(0xFF00FF00);
  ASSERT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME), D3D_OK);
  const QuadVertex triangle[3] = {{-1, 1, 0, 0, 0}, {1, 1, 0, 0, 0}, {-1, -1, 0, 0, 0}};
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  testing::internal::CaptureStderr();
  const HRESULT hr = device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(QuadVertex));
  const std::string said = testing::internal::GetCapturedStderr();
  ASSERT_EQ(device->EndScene(), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID), D3D_OK);
  if (core) {
    EXPECT_EQ(hr, D3D_OK);
    // The inside of the triangle stays black: only its edges are drawn.
    EXPECT_TRUE(sameColour(readBackBuffer().at(kWidth / 4, kHeight / 4), 0xFF000000));
  } else {
    EXPECT_EQ(hr, D3DERR_INVALIDCALL);
    EXPECT_NE(said.find("OpenGL ES fills polygons only"), std::string::npos) << said;
  }
}

// On a CPU rasterizer the device hands GL its triangles in batches of a few thousand and waits
// for older batches as it goes. Three additive coats of a one-pixel grid, drawn in pieces
// across some ten batches, must reach every pixel exactly three times: a lost or repeated
// piece shows as a pixel with another count.
TEST_F(DevicePixels, ManyBatchesOfSmallTrianglesEachReachEveryPixelOnce) {
  constexpr UINT kColumns = kWidth, kRows = kHeight;
  constexpr UINT kTriangles = kColumns * kRows * 2;
  constexpr UINT kTrianglesPerDraw = 512;
  constexpr int kCoats = 3;
  static_assert(kTriangles % kTrianglesPerDraw == 0);

  IDirect3DVertexBuffer9* vertices = nullptr;
  const UINT vertexCount = (kColumns + 1) * (kRows + 1);
  ASSERT_EQ(device->CreateVertexBuffer(vertexCount * sizeof(QuadVertex), 0, kQuadFvf,
                                       D3DPOOL_MANAGED, &vertices, nullptr),
            D3D_OK);
  QuadVertex* v = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, reinterpret_cast<void**>(&v), 0), D3D_OK);
  for (UINT row = 0; row <= kRows; ++row) {
    for (UINT column = 0; column <= kColumns; ++column) {
      *v++ = {-1.0f + 2.0f * column / kColumns, 1.0f - 2.0f * row / kRows, 0.0f, 0.0f, 0.0f};
    }
  }
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(kTriangles * 3 * sizeof(std::uint16_t), 0, D3DFMT_INDEX16,
                                      D3DPOOL_MANAGED, &indices, nullptr),
            D3D_OK);
  std::uint16_t* index = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, reinterpret_cast<void**>(&index), 0), D3D_OK);
  for (UINT row = 0; row < kRows; ++row) {
    for (UINT column = 0; column < kColumns; ++column) {
      const auto corner = static_cast<std::uint16_t>(row * (kColumns + 1) + column);
      const auto below = static_cast<std::uint16_t>(corner + kColumns + 1);
      for (std::uint16_t i : {corner, std::uint16_t(corner + 1), below, below,
                              std::uint16_t(corner + 1), std::uint16_t(below + 1)}) {
        *index++ = i;
      }
    }
  }
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  clear(0xFF000000);
  ASSERT_EQ(device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE), D3D_OK);
  ASSERT_EQ(device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE), D3D_OK);
  useSolidColour(0xFF200000);
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  ASSERT_EQ(device->SetStreamSource(0, vertices, 0, sizeof(QuadVertex)), D3D_OK);
  ASSERT_EQ(device->SetIndices(indices), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  for (int coat = 0; coat < kCoats; ++coat) {
    for (UINT first = 0; first < kTriangles; first += kTrianglesPerDraw) {
      ASSERT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, first * 3,
                                             kTrianglesPerDraw),
                D3D_OK);
    }
  }
  ASSERT_EQ(device->EndScene(), D3D_OK);
  unbindAndRelease(vertices, indices);

  const Pixels pixels = readBackBuffer();
  int wrong = 0;
  for (UINT y = 0; y < kHeight; ++y) {
    for (UINT x = 0; x < kWidth; ++x) wrong += redOf(pixels.at(x, y)) != kCoats * 0x20;
  }
  EXPECT_EQ(wrong, 0) << "pixels not reached exactly " << kCoats << " times";
}

// A vertex buffer hands its contents to GL at a draw and lets its own copy go; a later lock
// must still see what was written, and a partial write after that must keep the rest.
TEST_F(DevicePixels, VertexContentsOutliveTheirUploadForLaterLocks) {
  IDirect3DVertexBuffer9* vertices = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(QuadVertex), D3DUSAGE_DYNAMIC, 0,
                                       D3DPOOL_SYSTEMMEM, &vertices, nullptr),
            D3D_OK);
  // The left half of the picture as a strip of two triangles.
  QuadVertex written[4] = {{-1, -1, 0, 0, 0}, {-1, 1, 0, 0, 0}, {0, -1, 0, 0, 0}, {0, 1, 0, 0, 0}};
  void* data = nullptr;
  ASSERT_EQ(vertices->Lock(0, 0, &data, 0), D3D_OK);
  std::memcpy(data, written, sizeof written);
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(
      device->CreateIndexBuffer(6 * 4, 0, D3DFMT_INDEX32, D3DPOOL_SYSTEMMEM, &indices, nullptr),
      D3D_OK);
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), D3D_OK);
  const std::uint32_t order[6] = {0, 1, 2, 2, 1, 3};
  std::memcpy(data, order, sizeof order);
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  useSolidColour(0xFF00FF00);
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  ASSERT_EQ(device->SetStreamSource(0, vertices, 0, sizeof(QuadVertex)), D3D_OK);
  ASSERT_EQ(device->SetIndices(indices), D3D_OK);
  const auto draw = [&] {
    clear(0xFF000000);
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
  };
  draw();
  ASSERT_EQ(vertices->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::memcmp(data, written, sizeof written), 0);
  ASSERT_EQ(vertices->Unlock(), D3D_OK);

  // The right-hand edge moves to the right border; only those two vertices are written.
  draw();
  ASSERT_EQ(vertices->Lock(2 * sizeof(QuadVertex), 2 * sizeof(QuadVertex), &data, 0), D3D_OK);
  written[2].x = written[3].x = 1;
  std::memcpy(data, &written[2], 2 * sizeof(QuadVertex));
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  draw();
  ASSERT_EQ(vertices->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::memcmp(data, written, sizeof written), 0);
  ASSERT_EQ(vertices->Unlock(), D3D_OK);
  unbindAndRelease(vertices, indices);

  // Both halves green: GL drew from the buffer as last written.
  const Pixels pixels = readBackBuffer();
  EXPECT_TRUE(sameColour(pixels.at(8, kHeight / 2), 0xFF00FF00));
  EXPECT_TRUE(sameColour(pixels.at(kWidth - 8, kHeight / 2), 0xFF00FF00));
}

// A program of the two stages in the device's dialect: each body follows that dialect's version
// line, and the vertex stage gets the dialect's epilogue, as the device's own programs do.
GLuint linkProgram(IDirect3DDevice9* device, const char* vertex, const char* fragment) {
  const platform::d3d9::GlDialect& dialect = *platform::d3d9::glDialect(device);
  const std::string version = dialect.kind() == platform::d3d9::Dialect::kCore
                                  ? "#version 450 core\n"
                                  : "#version 300 es\nprecision highp float;\n";
  auto compile = [&](GLenum type, const char* body) {
    const std::string text = dialect.stageText(type, version + body);
    const char* source = text.c_str();
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
  };
  GLuint program = glCreateProgram();
  GLuint vs = compile(GL_VERTEX_SHADER, vertex), fs = compile(GL_FRAGMENT_SHADER, fragment);
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  return program;
}

TEST_F(DevicePixels, OneDrawWritesFourTargetsAndR32FSamplesAsRedOneOneOne) {
  constexpr UINT size = 32;
  IDirect3DTexture9* depthTexture = nullptr;
  IDirect3DSurface9* targets[4] = {
      makeTarget(size, size, D3DFMT_A8R8G8B8), makeTarget(size, size, D3DFMT_A8R8G8B8),
      makeTarget(size, size, D3DFMT_R32F, &depthTexture), makeTarget(size, size, D3DFMT_A8R8G8B8)};
  for (DWORD slot = 0; slot < 4; ++slot)
    ASSERT_EQ(device->SetRenderTarget(slot, targets[slot]), D3D_OK);

  ASSERT_TRUE(platform::d3d9::makeCurrent(device));
  const GLuint program = linkProgram(device,
                                     "layout(location = 0) in vec3 position;\n"
                                     "void main() { gl_Position = vec4(position, 1.0); }\n",
                                     "layout(location = 0) out vec4 colour;\n"
                                     "layout(location = 1) out vec4 velocity;\n"
                                     "layout(location = 2) out vec4 depth;\n"
                                     "layout(location = 3) out vec4 normal;\n"
                                     "void main() {\n"
                                     "  colour = vec4(1, 0, 0, 1); velocity = vec4(0, 1, 0, 1);\n"
                                     "  depth = vec4(0.25, 0, 0, 0); normal = vec4(0, 0, 1, 1);\n"
                                     "}\n");
  ASSERT_EQ(platform::d3d9::setProgram(device, program), D3D_OK);
  drawQuad();
  ASSERT_EQ(platform::d3d9::setProgram(device, 0), D3D_OK);
  glDeleteProgram(program);

  EXPECT_TRUE(sameColour(read(targets[0]).at(16, 16), 0xFFFF0000));
  EXPECT_TRUE(sameColour(read(targets[1]).at(16, 16), 0xFF00FF00));
  EXPECT_TRUE(sameColour(read(targets[3]).at(16, 16), 0xFF0000FF));
  std::vector<float> depths;
  UINT w = 0, h = 0;
  ASSERT_EQ(platform::d3d9::readSurfaceFloat(targets[2], depths, w, h), D3D_OK);
  EXPECT_FLOAT_EQ(depths[16 * w + 16], 0.25f);

  // Sampled through stage 0, the R32F target reads as (0.25, 1, 1, 1) where GL can swizzle
  // textures. WebGL 2 cannot, so the ES dialect answers GL's (0.25, 0, 0, 1); the engine reads
  // only the red channel of its R32F targets.
  for (DWORD slot = 1; slot < 4; ++slot) ASSERT_EQ(device->SetRenderTarget(slot, nullptr), D3D_OK);
  IDirect3DSurface9* back = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(0, back), D3D_OK);
  back->Release();
  ASSERT_EQ(device->SetTexture(0, depthTexture), D3D_OK);
  ASSERT_EQ(device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1), D3D_OK);
  drawQuad();
  const bool swizzles = std::string(platform::d3d9::dialectName(device)) == "core";
  EXPECT_TRUE(sameColour(readBackBuffer().at(32, 24), swizzles ? 0xFF40FFFF : 0xFF400000));
}

}  // namespace
}  // namespace testing_d3d9

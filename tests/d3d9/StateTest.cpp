// Bindings, scene brackets, reference counts, the call observer, and bad input: calls the
// stand-in refuses must answer a failure code and leave every state as it was.
#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "CallObserver.h"
#include "DeviceFixture.h"

namespace testing_d3d9 {
namespace {

using DeviceState = DeviceTest;

bool sameViewport(const D3DVIEWPORT9& a, const D3DVIEWPORT9& b) {
  return a.X == b.X && a.Y == b.Y && a.Width == b.Width && a.Height == b.Height &&
         a.MinZ == b.MinZ && a.MaxZ == b.MaxZ;
}

D3DVIEWPORT9 viewportOf(IDirect3DDevice9* device) {
  D3DVIEWPORT9 viewport{};
  EXPECT_EQ(device->GetViewport(&viewport), D3D_OK);
  return viewport;
}

// Answers the bound object and drops the reference the getter added.
IDirect3DSurface9* boundTarget(IDirect3DDevice9* device, DWORD slot) {
  IDirect3DSurface9* surface = nullptr;
  device->GetRenderTarget(slot, &surface);
  if (surface) surface->Release();
  return surface;
}
IDirect3DSurface9* boundDepth(IDirect3DDevice9* device) {
  IDirect3DSurface9* surface = nullptr;
  device->GetDepthStencilSurface(&surface);
  if (surface) surface->Release();
  return surface;
}

TEST_F(DeviceState, RenderTargetSlotsKeepDepthAndViewportApartFromSlotZero) {
  IDirect3DSurface9* backBuffer = boundTarget(device, 0);
  IDirect3DSurface9* autoDepth = boundDepth(device);
  ASSERT_NE(backBuffer, nullptr);
  ASSERT_NE(autoDepth, nullptr);
  EXPECT_TRUE(sameViewport(viewportOf(device), {0, 0, kWidth, kHeight, 0.0f, 1.0f}));

  // Slot 0 takes the viewport of the whole new target; the depth surface is set apart.
  IDirect3DSurface9* target = makeTarget(32, 16, D3DFMT_A8R8G8B8);
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(device->CreateDepthStencilSurface(32, 16, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                              &depth, nullptr),
            D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  ASSERT_EQ(device->SetDepthStencilSurface(depth), D3D_OK);
  EXPECT_TRUE(sameViewport(viewportOf(device), {0, 0, 32, 16, 0.0f, 1.0f}));
  EXPECT_EQ(boundTarget(device, 0), target);
  EXPECT_EQ(boundDepth(device), depth);

  // Putting the old ones back restores the picture as it was.
  ASSERT_EQ(device->SetRenderTarget(0, backBuffer), D3D_OK);
  ASSERT_EQ(device->SetDepthStencilSurface(autoDepth), D3D_OK);
  depth->Release();
  EXPECT_TRUE(sameViewport(viewportOf(device), {0, 0, kWidth, kHeight, 0.0f, 1.0f}));

  // Slot 1 is an extra output: depth and viewport stay; an empty slot is "not found".
  const D3DVIEWPORT9 letterbox{0, 6, kWidth, 36, 0.0f, 1.0f};
  ASSERT_EQ(device->SetViewport(&letterbox), D3D_OK);
  IDirect3DSurface9* extra = makeTarget(kWidth, kHeight, D3DFMT_A8R8G8B8);
  ASSERT_EQ(device->SetRenderTarget(1, extra), D3D_OK);
  EXPECT_TRUE(sameViewport(viewportOf(device), letterbox));
  EXPECT_EQ(boundDepth(device), autoDepth);
  ASSERT_EQ(device->SetRenderTarget(1, nullptr), D3D_OK);
  IDirect3DSurface9* empty = extra;
  EXPECT_EQ(device->GetRenderTarget(1, &empty), D3DERR_NOTFOUND);
  EXPECT_EQ(empty, nullptr);
}

TEST_F(DeviceState, SceneBracketsAreChecked) {
  const QuadVertex point[3] = {};
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, point, sizeof(QuadVertex)),
            D3DERR_INVALIDCALL);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(DeviceState, ReferencesFreeWhatTheyShouldAndResourcesOutliveTheirDevice) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  // A level surface counts for its texture.
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(2, &level), D3D_OK);
  EXPECT_EQ(texture->AddRef(), 3u);
  EXPECT_EQ(texture->Release(), 2u);
  EXPECT_EQ(level->Release(), 1u);
  D3DSURFACE_DESC desc{};
  ASSERT_EQ(texture->GetLevelDesc(2, &desc), D3D_OK);
  EXPECT_EQ(desc.Width, 2u);

  // A binding holds a reference: the texture survives its own Release while bound.
  ASSERT_EQ(device->SetTexture(0, texture), D3D_OK);
  EXPECT_EQ(texture->Release(), 1u);
  IDirect3DBaseTexture9* bound = nullptr;
  ASSERT_EQ(device->GetTexture(0, &bound), D3D_OK);
  EXPECT_EQ(bound, texture);
  ASSERT_EQ(device->SetTexture(0, nullptr), D3D_OK);  // now only `bound` holds it
  EXPECT_EQ(bound->Release(), 0u);

  // A buffer that outlives the device still answers, without a device.
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), D3D_OK);
  EXPECT_EQ(device->Release(), 0u);
  device = nullptr;
  IDirect3DDevice9* owner = nullptr;
  EXPECT_EQ(buffer->GetDevice(&owner), D3DERR_INVALIDCALL);
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3D_OK);
  EXPECT_EQ(buffer->Unlock(), D3D_OK);
  EXPECT_EQ(buffer->Release(), 0u);
}

class RecordingObserver : public platform::ICallObserver {
 public:
  void onCall(const platform::Call& call) override {
    calls.push_back(std::string(call.method) + "(" + call.arguments + ") " +
                    std::to_string(call.result));
  }
  std::vector<std::string> calls;
};

TEST_F(DeviceState, ObserverSeesEveryCallInOrderWithItsResult) {
  RecordingObserver observer;
  platform::setCallObserver(&observer);
  device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  device->BeginScene();
  device->BeginScene();
  device->EndScene();
  platform::setCallObserver(nullptr);
  device->EndScene();
  EXPECT_EQ(observer.calls,
            (std::vector<std::string>{"SetRenderState(14, 0) 0", "BeginScene() 0",
                                      "BeginScene() " + std::to_string(D3DERR_INVALIDCALL),
                                      "EndScene() 0"}));
}

// Everything a test can read back of the device's state.
struct Snapshot {
  std::vector<DWORD> renderStates;
  std::vector<DWORD> samplerStates;
  std::vector<DWORD> stageStates;
  D3DVIEWPORT9 viewport;
  IDirect3DSurface9* targets[4];
  IDirect3DSurface9* depth;
  IDirect3DBaseTexture9* texture;
  DWORD fvf;
  D3DMATRIX world;

  static Snapshot of(IDirect3DDevice9* device) {
    Snapshot s{};
    for (DWORD state = 0; state < 256; ++state) {
      DWORD value = 0;
      if (device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &value) == D3D_OK) {
        s.renderStates.push_back(value);
      }
    }
    for (DWORD state = 0; state < 14; ++state) {
      DWORD value = 0;
      if (device->GetSamplerState(0, static_cast<D3DSAMPLERSTATETYPE>(state), &value) == D3D_OK) {
        s.samplerStates.push_back(value);
      }
    }
    for (DWORD stage = 0; stage < 2; ++stage) {
      for (DWORD state = 0; state < 33; ++state) {
        DWORD value = 0;
        if (device->GetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(state),
                                         &value) == D3D_OK) {
          s.stageStates.push_back(value);
        }
      }
    }
    device->GetViewport(&s.viewport);
    for (DWORD slot = 0; slot < 4; ++slot) s.targets[slot] = boundTarget(device, slot);
    s.depth = boundDepth(device);
    device->GetTexture(0, &s.texture);
    if (s.texture) s.texture->Release();
    device->GetFVF(&s.fvf);
    device->GetTransform(D3DTS_WORLD, &s.world);
    return s;
  }

  bool operator==(const Snapshot& o) const {
    return renderStates == o.renderStates && samplerStates == o.samplerStates &&
           stageStates == o.stageStates && sameViewport(viewport, o.viewport) &&
           std::equal(targets, targets + 4, o.targets) && depth == o.depth &&
           texture == o.texture && fvf == o.fvf && std::memcmp(&world, &o.world, sizeof world) == 0;
  }
};

TEST_F(DeviceState, BadInputAnswersAFailureCodeAndChangesNothing) {
  IDirect3DTexture9* plain = makeTexture(4, 4, 0xFFFFFFFF);
  IDirect3DSurface9* plainLevel = nullptr;
  ASSERT_EQ(plain->GetSurfaceLevel(0, &plainLevel), D3D_OK);
  plainLevel->Release();  // the texture keeps it
  IDirect3DTexture9* smallTexture = nullptr;
  IDirect3DSurface9* small = makeTarget(16, 16, D3DFMT_A8R8G8B8, &smallTexture);
  ASSERT_EQ(device->SetFVF(kQuadFvf), D3D_OK);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(60, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), D3D_OK);
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indices, nullptr),
            D3D_OK);
  std::uint32_t* index = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, reinterpret_cast<void**>(&index), 0), D3D_OK);
  index[0] = 0, index[1] = 1, index[2] = 3;  // 3 lies beyond three 20-byte vertices
  ASSERT_EQ(indices->Unlock(), D3D_OK);

  IDirect3D9* otherD3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS otherParameters{16,
                                        16,
                                        D3DFMT_A8R8G8B8,
                                        1,
                                        D3DMULTISAMPLE_NONE,
                                        0,
                                        D3DSWAPEFFECT_DISCARD,
                                        nullptr,
                                        TRUE,
                                        FALSE,
                                        D3DFMT_UNKNOWN,
                                        0,
                                        0,
                                        0};
  IDirect3DDevice9* other = nullptr;
  ASSERT_EQ(otherD3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                   &otherParameters, &other),
            D3D_OK);
  IDirect3DTexture9* foreign = nullptr;
  ASSERT_EQ(other->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &foreign, nullptr),
            D3D_OK);

  const D3DVIEWPORT9 outside{32, 0, 64, 48, 0.0f, 1.0f};
  const D3DVIEWPORT9 badDepth{0, 0, 8, 8, 0.5f, 0.25f};
  const D3DRECT rect{0, 0, 4, 4};
  const D3DMATRIX matrix{};
  IDirect3DTexture9* noTexture = nullptr;
  IDirect3DSurface9* noSurface = nullptr;
  IDirect3DVertexBuffer9* noBuffer = nullptr;
  void* data = nullptr;
  D3DLOCKED_RECT locked{};

  struct BadCall {
    const char* what;
    std::function<HRESULT()> call;
  };
  const std::vector<BadCall> calls = {
      {"unknown render state", [&] { return device->SetRenderState(D3DRENDERSTATETYPE(3), 1); }},
      {"render state past the table",
       [&] { return device->SetRenderState(D3DRENDERSTATETYPE(4000), 1); }},
      {"cull mode out of range", [&] { return device->SetRenderState(D3DRS_CULLMODE, 7); }},
      {"alpha test (not drawn)",
       [&] { return device->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE); }},
      {"fog (not drawn)", [&] { return device->SetRenderState(D3DRS_FOGENABLE, TRUE); }},
      {"sampler 16",
       [&] { return device->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR); }},
      {"no magnification filter",
       [&] { return device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_NONE); }},
      {"unknown sampler state",
       [&] { return device->SetSamplerState(0, D3DSAMPLERSTATETYPE(99), 0); }},
      {"stage 8", [&] { return device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_DISABLE); }},
      {"second blending stage",
       [&] { return device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE); }},
      {"unknown texture op", [&] { return device->SetTextureStageState(0, D3DTSS_COLOROP, 99); }},
      {"argument modifier",
       [&] {
         return device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE | D3DTA_COMPLEMENT);
       }},
      {"texture stage 16", [&] { return device->SetTexture(16, plain); }},
      {"texture of another device", [&] { return device->SetTexture(0, foreign); }},
      {"viewport outside the target", [&] { return device->SetViewport(&outside); }},
      {"viewport with MinZ above MaxZ", [&] { return device->SetViewport(&badDepth); }},
      {"null viewport", [&] { return device->SetViewport(nullptr); }},
      {"render target slot 4", [&] { return device->SetRenderTarget(4, small); }},
      {"empty slot 0", [&] { return device->SetRenderTarget(0, nullptr); }},
      {"plain texture as target", [&] { return device->SetRenderTarget(0, plainLevel); }},
      {"colour surface as depth", [&] { return device->SetDepthStencilSurface(small); }},
      {"vertex format with XYZRHW", [&] { return device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1); }},
      {"vertex format with five sets",
       [&] { return device->SetFVF(D3DFVF_XYZ | (5 << D3DFVF_TEXCOUNT_SHIFT)); }},
      {"vertex format without position", [&] { return device->SetFVF(D3DFVF_NORMAL); }},
      {"stream 1", [&] { return device->SetStreamSource(1, buffer, 0, 20); }},
      {"stream stride 0", [&] { return device->SetStreamSource(0, buffer, 0, 0); }},
      {"stream offset past the end", [&] { return device->SetStreamSource(0, buffer, 60, 20); }},
      {"unknown transform",
       [&] { return device->SetTransform(D3DTRANSFORMSTATETYPE(1), &matrix); }},
      {"null transform", [&] { return device->SetTransform(D3DTS_WORLD, nullptr); }},
      {"clear without flags", [&] { return device->Clear(0, nullptr, 0, 0, 1.0f, 0); }},
      {"clear with unknown flags", [&] { return device->Clear(0, nullptr, 0x10, 0, 1.0f, 0); }},
      {"clear rectangles without a count",
       [&] { return device->Clear(0, &rect, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
      {"clear count without rectangles",
       [&] { return device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0); }},
      {"clear depth out of range",
       [&] { return device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 2.0f, 0); }},
      {"texture of size 0",
       [&] {
         return device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &noTexture,
                                      nullptr);
       }},
      {"texture too large",
       [&] {
         return device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                      &noTexture, nullptr);
       }},
      {"texture with too many levels",
       [&] {
         return device->CreateTexture(4, 4, 4, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &noTexture,
                                      nullptr);
       }},
      {"texture of a depth format",
       [&] {
         return device->CreateTexture(4, 4, 1, 0, D3DFMT_D24S8, D3DPOOL_DEFAULT, &noTexture,
                                      nullptr);
       }},
      {"render target with mips",
       [&] {
         return device->CreateTexture(4, 4, 2, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                      D3DPOOL_DEFAULT, &noTexture, nullptr);
       }},
      {"texture without output",
       [&] {
         return device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, nullptr,
                                      nullptr);
       }},
      {"depth surface of a colour format",
       [&] {
         return device->CreateDepthStencilSurface(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0,
                                                  TRUE, &noSurface, nullptr);
       }},
      {"multisampled depth surface",
       [&] {
         return device->CreateDepthStencilSurface(4, 4, D3DFMT_D24S8, D3DMULTISAMPLE_NONMASKABLE, 0,
                                                  TRUE, &noSurface, nullptr);
       }},
      {"vertex buffer of length 0",
       [&] { return device->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &noBuffer, nullptr); }},
      {"vertex buffer beyond the limit",
       [&] {
         return device->CreateVertexBuffer(0xFFFFFFFFu, 0, 0, D3DPOOL_DEFAULT, &noBuffer, nullptr);
       }},
      {"index buffer of a colour format",
       [&] {
         IDirect3DIndexBuffer9* b = nullptr;
         return device->CreateIndexBuffer(12, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &b, nullptr);
       }},
      {"lock past the end", [&] { return buffer->Lock(40, 24, &data, 0); }},
      {"lock at the end", [&] { return buffer->Lock(60, 0, &data, 0); }},
      {"lock without output", [&] { return buffer->Lock(0, 0, nullptr, 0); }},
      {"read-only discarding lock",
       [&] { return buffer->Lock(0, 0, &data, D3DLOCK_READONLY | D3DLOCK_DISCARD); }},
      {"unlock while not locked", [&] { return buffer->Unlock(); }},
      {"lock a render target", [&] { return smallTexture->LockRect(0, &locked, nullptr, 0); }},
      {"lock a level that does not exist", [&] { return plain->LockRect(1, &locked, nullptr, 0); }},
      {"lock a part of a level",
       [&] {
         const RECT r{0, 0, 2, 2};
         return plain->LockRect(0, &locked, &r, 0);
       }},
      {"surface level out of range", [&] { return plain->GetSurfaceLevel(1, &noSurface); }},
      {"draw without a scene",
       [&] {
         const QuadVertex v[3] = {};
         return device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, v, 20);
       }},
      {"draw an index beyond the vertices",
       [&] {
         device->BeginScene();
         device->SetStreamSource(0, buffer, 0, 20);
         device->SetIndices(indices);
         const HRESULT hr = device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1);
         device->SetStreamSource(0, nullptr, 0, 0);
         device->SetIndices(nullptr);
         device->EndScene();
         return hr;
       }},
      {"present a part",
       [&] {
         const RECT r{0, 0, 4, 4};
         return device->Present(&r, nullptr, nullptr, nullptr);
       }},
      {"present into another window",
       [&] { return device->Present(nullptr, nullptr, reinterpret_cast<HWND>(8), nullptr); }},
      {"effect program that is not one",
       [&] { return platform::d3d9::setProgram(device, 0xFFFF); }},
  };
  for (const BadCall& bad : calls) {
    const Snapshot before = Snapshot::of(device);
    EXPECT_LT(bad.call(), 0) << bad.what;
    EXPECT_TRUE(Snapshot::of(device) == before) << bad.what << " changed the state";
  }

  buffer->Release();
  indices->Release();
  foreign->Release();
  other->Release();
  otherD3d->Release();
}

}  // namespace
}  // namespace testing_d3d9

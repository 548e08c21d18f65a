// Costs of the Direct3D 9 stand-in on the headless device: a screen quad drawn from user
// memory with its state changes (what every post pass does), and one indexed draw of a
// 20 000-triangle mesh in the engine's vertex format (what every mesh does), each finished
// with glFinish so that the GPU's share is counted. llvmpipe rasterises on the CPU, so the
// figures measure the stand-in and Mesa together; compare ratios, not absolute times.
#include <benchmark/benchmark.h>
#include <d3d9.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "DeviceGl.h"

namespace {

struct QuadVertex {
  float x, y, z, u, v;
};

struct EngineVertex {
  float position[3], normal[3], uv0[2], uv1[2], tangent[3], binormal[3];
};
constexpr DWORD kEngineFvf =
    D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE3(2) | D3DFVF_TEXCOORDSIZE3(3);

// A 640 x 359 target, the demo's picture size.
class Device {
 public:
  Device() {
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    D3DPRESENT_PARAMETERS p = platform::d3d9::windowedParameters(640, 359);
    d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                       D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device);
  }
  ~Device() {
    if (device) device->Release();
    d3d_->Release();
  }
  void finish() {
    platform::d3d9::makeCurrent(device);
    glFinish();
  }
  IDirect3DDevice9* device = nullptr;

 private:
  IDirect3D9* d3d_ = nullptr;
};

void BM_ScreenQuad(benchmark::State& state) {
  Device d;
  IDirect3DDevice9* device = d.device;
  IDirect3DTexture9* texture = nullptr;
  device->CreateTexture(640, 359, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                        &texture, nullptr);
  const QuadVertex quad[6] = {{-1, -1, 0, 0, 1}, {-1, 1, 0, 0, 0}, {1, 1, 0, 1, 0},
                              {1, 1, 0, 1, 0},   {1, -1, 0, 1, 1}, {-1, -1, 0, 0, 1}};
  for (auto _ : state) {
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetRenderState(D3DRS_TEXTUREFACTOR, 0x80000000);
    device->SetTexture(0, texture);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
    device->BeginScene();
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof(QuadVertex));
    device->EndScene();
    d.finish();
  }
  device->SetTexture(0, nullptr);
  texture->Release();
}
BENCHMARK(BM_ScreenQuad)->Unit(benchmark::kMicrosecond);

void BM_IndexedMesh20k(benchmark::State& state) {
  Device d;
  IDirect3DDevice9* device = d.device;
  constexpr int side = 101;  // 100 x 100 quads: 20 000 triangles
  std::vector<EngineVertex> vertices;
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const float px = x / 50.0f - 1.0f, py = y / 50.0f - 1.0f;
      vertices.push_back({{px, py, 0.5f}, {0, 0, -1}, {0, 0}, {0, 0}, {1, 0, 0}, {0, 1, 0}});
    }
  }
  std::vector<std::uint32_t> indices;
  for (int y = 0; y + 1 < side; ++y) {
    for (int x = 0; x + 1 < side; ++x) {
      const std::uint32_t a = y * side + x, b = a + 1, c = a + side + 1, e = a + side;
      indices.insert(indices.end(), {a, e, c, a, c, b});
    }
  }
  IDirect3DVertexBuffer9* vb = nullptr;
  IDirect3DIndexBuffer9* ib = nullptr;
  device->CreateVertexBuffer(static_cast<UINT>(vertices.size() * sizeof(EngineVertex)),
                             D3DUSAGE_DYNAMIC, 0, D3DPOOL_SYSTEMMEM, &vb, nullptr);
  device->CreateIndexBuffer(static_cast<UINT>(indices.size() * 4), D3DUSAGE_DYNAMIC, D3DFMT_INDEX32,
                            D3DPOOL_SYSTEMMEM, &ib, nullptr);
  void* data = nullptr;
  vb->Lock(0, 0, &data, D3DLOCK_DISCARD);
  std::copy(vertices.begin(), vertices.end(), static_cast<EngineVertex*>(data));
  vb->Unlock();
  ib->Lock(0, 0, &data, D3DLOCK_DISCARD);
  std::copy(indices.begin(), indices.end(), static_cast<std::uint32_t*>(data));
  ib->Unlock();
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  const bool reupload = state.range(0) != 0;
  for (auto _ : state) {
    if (reupload) {  // a mesh whose topology changed every frame
      vb->Lock(0, 0, &data, D3DLOCK_DISCARD);
      vb->Unlock();
    }
    device->SetStreamSource(0, vb, 0, sizeof(EngineVertex));
    device->SetFVF(kEngineFvf);
    device->SetIndices(ib);
    device->BeginScene();
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertices.size()), 0,
                                 static_cast<UINT>(indices.size() / 3));
    device->EndScene();
    d.finish();
  }
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetIndices(nullptr);
  vb->Release();
  ib->Release();
}
BENCHMARK(BM_IndexedMesh20k)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

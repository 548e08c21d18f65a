// IDirect3DDevice9 over one GL context. Direct3D state is shadowed here and flushed to GL at
// draw time, only where it changed. All drawing goes to framebuffer objects, the back buffer
// included; Present shows the back buffer in the window, if there is one.
#pragma once

#include <d3d9.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Buffer.h"
#include "FixedFunction.h"
#include "GlContext.h"
#include "RefCounted.h"
#include "StateTables.h"
#include "Surface.h"
#include "Texture.h"
#include "VertexLayout.h"

namespace platform::d3d9 {

class Device final : public RefCounted<IDirect3DDevice9> {
 public:
  // Checks the parameters, makes the back buffer and the automatic depth surface.
  static HRESULT create(std::shared_ptr<GlContext> gl, const D3DPRESENT_PARAMETERS& parameters,
                        IDirect3DDevice9** device);

  HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow,
                  const RGNDATA* dirtyRegion) override;
  HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** surface) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                    D3DMULTISAMPLE_TYPE multiSample, DWORD quality, BOOL discard,
                                    IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
  HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) override;
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) override;
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                          UINT stride) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* fvf) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                          UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;

  // The private seam of DeviceGl.h.
  GlContext& gl() { return *gl_; }
  HRESULT setProgram(GLuint program);

 private:
  explicit Device(std::shared_ptr<GlContext> gl);
  ~Device() override;

  // Binds the framebuffer of the current targets; false when they cannot be drawn together
  // (no colour target, extra targets of another size, a depth surface smaller than them).
  bool bindTargets();
  // Flushes every state a draw depends on; false when the draw must be refused.
  bool prepareDraw(const VertexLayout& layout, GLuint vertexBuffer, GLintptr offset, UINT stride);
  // Counts the triangles handed to GL and hands a CPU rasterizer a batch once enough have
  // gathered (see kTrianglesPerBatch).
  void batchDrawn(UINT triangles);
  // False where the dialect cannot draw with the states set (noted for the refusal).
  bool applyRasterStates();
  void applyProgram(const VertexLayout& layout);
  void applyTextures();
  void applyVertexLayout(const VertexLayout& layout, GLuint vertexBuffer, GLintptr offset,
                         UINT stride);
  // Sets the viewport and scissor rectangle in GL, if they changed.
  void applyViewport(const D3DVIEWPORT9& viewport);
  bool ownsResource(GlContext* owner) const { return owner == gl_.get(); }
  const D3DSURFACE_DESC& targetDesc() const { return renderTargets_[0]->desc(); }

  std::shared_ptr<GlContext> gl_;
  D3DPRESENT_PARAMETERS parameters_{};
  Texture* backBuffer_ = nullptr;        // one reference held
  Surface* autoDepthStencil_ = nullptr;  // one reference held, or null

  // Bindings: each holds a reference.
  std::array<Surface*, 4> renderTargets_{};
  Surface* depthStencil_ = nullptr;
  std::array<Texture*, kSamplerCount> textures_{};
  VertexBuffer* streamSource_ = nullptr;
  UINT streamOffset_ = 0;
  UINT streamStride_ = 0;
  IndexBuffer* indices_ = nullptr;

  // Shadowed Direct3D state.
  DWORD fvf_ = 0;
  D3DVIEWPORT9 viewport_{};
  RenderStates renderStates_{};
  std::array<SamplerStates, kSamplerCount> samplerStates_{};
  std::array<StageStates, kStageCount> stageStates_{};
  std::map<DWORD, D3DMATRIX> transforms_;  // absent means identity
  bool inScene_ = false;
  GLuint effectProgram_ = 0;

  // GL objects and what was last sent to GL.
  FixedFunction fixedFunction_;
  GLuint vertexArray_ = 0;
  GLuint userVertices_ = 0;  // streaming buffer for DrawPrimitiveUP
  GLsizeiptr userVerticesSize_ = 0;
  UINT trianglesSinceFlush_ = 0;  // counted only where rastersOnTheCpu()
  // The ends of the last batches handed to a CPU rasterizer (null where none yet); the
  // oldest is waited for before another batch goes. Four in flight cost no measurable time.
  std::array<GLsync, 4> batchFences_{};
  std::size_t nextBatchFence_ = 0;  // the oldest
  std::array<GLuint, kSamplerCount> samplerObjects_{};
  std::array<bool, kSamplerCount> samplerDirty_{};
  struct Applied;
  std::unique_ptr<Applied> applied_;
};

}  // namespace platform::d3d9

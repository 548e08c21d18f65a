// The Direct3D 9 interfaces of the subset the engine uses. Objects are reference counted:
// every Create/Get that hands out an interface adds a reference, and the last Release frees
// the object. Resources keep their device alive.
#pragma once

#include "d3d9types.h"

struct IDirect3DDevice9;

struct IDirect3DResource9 : IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual D3DRESOURCETYPE GetType() = 0;
};

struct IDirect3DSurface9 : IDirect3DResource9 {
  virtual HRESULT GetDesc(D3DSURFACE_DESC* desc) = 0;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9 {
  virtual DWORD GetLevelCount() = 0;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
  virtual HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) = 0;
  virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;
  // Plain (non-render-target) textures only; the whole level (rect null) is supported.
  virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) = 0;
  virtual HRESULT UnlockRect(UINT level) = 0;
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9 {
  // size 0 locks from offset to the end of the buffer.
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) = 0;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9 {
  virtual HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) = 0;
};

// A question put to the GPU's command stream. Timestamps only (TIMESTAMP, TIMESTAMPDISJOINT,
// TIMESTAMPFREQ): a TIMESTAMP issued with D3DISSUE_END answers, as a UINT64, the tick at which
// every command before it was finished; ticks count at the TIMESTAMPFREQ rate. GetData answers
// S_FALSE while the answer is not ready (D3DGETDATA_FLUSH sends pending commands on first).
struct IDirect3DQuery9 : IUnknown {
  virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
  virtual D3DQUERYTYPE GetType() = 0;
  virtual DWORD GetDataSize() = 0;
  virtual HRESULT Issue(DWORD issueFlags) = 0;
  virtual HRESULT GetData(void* data, DWORD size, DWORD getDataFlags) = 0;
};

struct IDirect3DDevice9 : IUnknown {
  virtual HRESULT Present(const RECT* source, const RECT* dest, HWND destWindow,
                          const RGNDATA* dirtyRegion) = 0;
  virtual HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                IDirect3DSurface9** surface) = 0;

  virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                D3DPOOL pool, IDirect3DTexture9** texture,
                                HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                            BOOL discard, IDirect3DSurface9** surface,
                                            HANDLE* sharedHandle) = 0;
  // A null `query` asks whether the type is supported: D3D_OK or D3DERR_NOTAVAILABLE.
  virtual HRESULT CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) = 0;

  virtual HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* surface) = 0;
  virtual HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** surface) = 0;
  virtual HRESULT SetDepthStencilSurface(IDirect3DSurface9* surface) = 0;
  virtual HRESULT GetDepthStencilSurface(IDirect3DSurface9** surface) = 0;

  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) = 0;

  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;

  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type,
                                       DWORD* value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) = 0;

  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* vertices,
                                  UINT stride) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex,
                                       UINT minVertexIndex, UINT numVertices, UINT startIndex,
                                       UINT primitiveCount) = 0;
  virtual HRESULT SetFVF(DWORD fvf) = 0;
  virtual HRESULT GetFVF(DWORD* fvf) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                  UINT stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
};

struct IDirect3D9 : IUnknown {
  virtual UINT GetAdapterCount() = 0;
  virtual UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) = 0;
  virtual HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                   D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow,
                               DWORD behaviorFlags, D3DPRESENT_PARAMETERS* parameters,
                               IDirect3DDevice9** device) = 0;
};

// Null when the SDK version is not the one this subset implements.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

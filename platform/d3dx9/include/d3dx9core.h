// D3DX 9 core declarations of the subset the engine uses: result codes, the "default"
// sentinels and the byte buffer that D3DX hands out.
#pragma once

#include <d3d9.h>

#include <cfloat>

#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, 0x876, code)
constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_DDHRESULT(2900);
constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901);
constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905);
constexpr HRESULT D3DXERR_LOADEDMESHHASNODATA = MAKE_DDHRESULT(2906);

constexpr UINT D3DX_DEFAULT = static_cast<UINT>(-1);
constexpr UINT D3DX_DEFAULT_NONPOW2 = static_cast<UINT>(-2);
constexpr UINT D3DX_FROM_FILE = static_cast<UINT>(-3);
constexpr float D3DX_DEFAULT_FLOAT = FLT_MAX;
constexpr D3DFORMAT D3DFMT_FROM_FILE = static_cast<D3DFORMAT>(-3);

// A block of bytes owned by the buffer (error texts, adjacency). Freed by its last Release.
struct ID3DXBuffer : IUnknown {
  virtual LPVOID GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};
using LPD3DXBUFFER = ID3DXBuffer*;

using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DBASETEXTURE9 = IDirect3DBaseTexture9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;

// D3DX 9 effects of the subset the engine uses. An effect is created from the bytes of a
// compiled effect file (.fxo, written by tools/fxc) and holds named parameters, techniques
// and numbered passes; each pass is one linked GL program plus the render states it sets.
//
// Every call is also reported to the call observer (platform/d3d9/observer/CallObserver.h) as
// object "effect", method = the method name, arguments = the parameter or technique name followed
// by the values ("material.ambient, 0.1, 0.2, 0.3, 1"; a texture as "null" or "texture").
#pragma once

#include "d3dx9core.h"
#include "d3dx9math.h"

// Parameters and techniques are addressed by name.
using D3DXHANDLE = LPCSTR;

struct D3DXMACRO {
  LPCSTR Name;
  LPCSTR Definition;
};
struct ID3DXInclude;
using LPD3DXINCLUDE = ID3DXInclude*;
struct ID3DXEffectPool : IUnknown {};
using LPD3DXEFFECTPOOL = ID3DXEffectPool*;

// Begin flags. Without D3DXFX_DONOTSAVESTATE, Begin saves the render states that the
// technique's passes set and End restores them.
constexpr DWORD D3DXFX_DONOTSAVESTATE = 1 << 0;
constexpr DWORD D3DXFX_DONOTSAVESHADERSTATE = 1 << 1;
constexpr DWORD D3DXFX_DONOTSAVESAMPLERSTATE = 1 << 2;

// Setters fail with D3DERR_INVALIDCALL for a name the effect does not declare or a value of
// the wrong type; values stay in the effect until set again. Changes made inside a pass reach
// the next draw only after CommitChanges. SetTexture with null binds no texture.
struct ID3DXEffect : IUnknown {
  virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* device) = 0;

  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  virtual D3DXHANDLE GetCurrentTechnique() = 0;
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT CommitChanges() = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;

  virtual HRESULT SetInt(D3DXHANDLE parameter, INT value) = 0;
  virtual HRESULT GetInt(D3DXHANDLE parameter, INT* value) = 0;
  virtual HRESULT SetBool(D3DXHANDLE parameter, BOOL value) = 0;
  virtual HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) = 0;
  virtual HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) = 0;
  virtual HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) = 0;
  virtual HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) = 0;
  virtual HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) = 0;
  virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) = 0;
  virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9 texture) = 0;
  // Adds a reference to the texture handed out (null when none is set).
  virtual HRESULT GetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9* texture) = 0;
};
using LPD3DXEFFECT = ID3DXEffect*;

// Creates an effect from compiled effect bytes, validated as untrusted input: malformed bytes
// answer D3DXERR_INVALIDDATA. Macros, include handlers and pools belong to effect sources and
// are refused here (E_NOTIMPL). errors, when not null, receives the GL compiler's or linker's
// log on failure (or null).
HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 device, LPCVOID data, UINT length,
                                const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD flags,
                                LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors);

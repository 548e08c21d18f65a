// D3DX 9 meshes of the subset the engine uses: an indexed triangle list in one vertex and one
// index buffer of the device, in a flexible vertex format.
#pragma once

#include "d3dx9core.h"

// Mesh options. Without D3DXMESH_32BIT the indices are 16-bit. The buffers of the meshes made
// here always live in D3DPOOL_SYSTEMMEM, whatever pool bits the options carry.
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_VB_SHARE = 0x1000;
constexpr DWORD D3DXMESH_USEHWONLY = 0x2000;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;
constexpr DWORD D3DXMESH_WRITEONLY = 0x440;
constexpr DWORD D3DXMESH_DYNAMIC = 0x880;

struct ID3DXMesh;
using LPD3DXMESH = ID3DXMesh*;

struct ID3DXBaseMesh : IUnknown {
  virtual DWORD GetNumFaces() = 0;
  virtual DWORD GetNumVertices() = 0;
  virtual DWORD GetFVF() = 0;
  virtual DWORD GetNumBytesPerVertex() = 0;
  virtual DWORD GetOptions() = 0;
  virtual HRESULT GetDevice(LPDIRECT3DDEVICE9* device) = 0;
  // Copies the mesh into the vertex format fvf: position, normal, colours and texture
  // coordinate sets that both formats have are copied, those only the new one has are zero.
  // Formats other than XYZ positions with normals, colours and up to eight texture
  // coordinate sets answer D3DERR_INVALIDCALL.
  virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE9 device,
                               LPD3DXMESH* clone) = 0;
  // Both add a reference to the buffer handed out.
  virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* buffer) = 0;
  virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* buffer) = 0;
  virtual HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockVertexBuffer() = 0;
  virtual HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) = 0;
  virtual HRESULT UnlockIndexBuffer() = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {};

// ID3DXMesh: an indexed triangle list in one vertex and one index buffer of the device, both
// in D3DPOOL_SYSTEMMEM so that they can be locked for reading.
#pragma once

#include <d3dx9mesh.h>

#include "RefCounted.h"

namespace platform::d3dx9 {

class TriangleMesh final : public d3d9::RefCounted<ID3DXMesh> {
 public:
  // Buffers for `faces` triangles and `vertices` vertices of format fvf; 32-bit indices when
  // options has D3DXMESH_32BIT (required beyond 65535 vertices).
  static HRESULT create(IDirect3DDevice9* device, DWORD options, DWORD fvf, DWORD faces,
                        DWORD vertices, TriangleMesh** mesh);

  DWORD GetNumFaces() override { return faces_; }
  DWORD GetNumVertices() override { return vertices_; }
  DWORD GetFVF() override { return fvf_; }
  DWORD GetNumBytesPerVertex() override { return stride_; }
  DWORD GetOptions() override { return options_; }
  HRESULT GetDevice(LPDIRECT3DDEVICE9* device) override;
  HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE9 device,
                       LPD3DXMESH* clone) override;
  HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* buffer) override;
  HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* buffer) override;
  HRESULT LockVertexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockVertexBuffer() override;
  HRESULT LockIndexBuffer(DWORD flags, LPVOID* data) override;
  HRESULT UnlockIndexBuffer() override;

 private:
  TriangleMesh() = default;
  ~TriangleMesh() override;

  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
  IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
  DWORD options_ = 0;
  DWORD fvf_ = 0;
  DWORD stride_ = 0;
  DWORD faces_ = 0;
  DWORD vertices_ = 0;
};

}  // namespace platform::d3dx9

#include "TriangleMesh.h"

#include <algorithm>
#include <cstring>

#include "CallReport.h"
#include "VertexLayout.h"

namespace platform::d3dx9 {
namespace {

bool wide(DWORD options) { return (options & D3DXMESH_32BIT) != 0; }

// Locks a buffer for the length of a scope.
template <typename Buffer>
class Locked {
 public:
  Locked(Buffer* buffer, DWORD flags) : buffer_(buffer) {
    result_ = buffer->Lock(0, 0, &data_, flags);
  }
  ~Locked() {
    if (SUCCEEDED(result_)) buffer_->Unlock();
  }
  HRESULT result() const { return result_; }
  unsigned char* bytes() const { return static_cast<unsigned char*>(data_); }

 private:
  Buffer* buffer_;
  void* data_ = nullptr;
  HRESULT result_;
};

// Copies the floats that both vertices' forms of an attribute have; the target's others stay 0.
void copyAttribute(const unsigned char* from, UINT fromComponents, unsigned char* to,
                   UINT toComponents) {
  std::memcpy(to, from, std::min(fromComponents, toComponents) * sizeof(float));
}

}  // namespace

HRESULT TriangleMesh::create(IDirect3DDevice9* device, DWORD options, DWORD fvf, DWORD faces,
                             DWORD vertices, TriangleMesh** mesh) {
  *mesh = nullptr;
  const auto layout = d3d9::vertexLayout(fvf);
  if (!device || !layout || faces == 0 || vertices == 0 || (!wide(options) && vertices > 65536) ||
      faces > (1u << 28) / 3 || vertices > (1u << 30) / layout->size) {
    noteRefusal(
        "a mesh needs a device, a drawable vertex format (0x%X) and 1 to the format's "
        "limit of faces (%u) and vertices (%u)",
        static_cast<unsigned>(fvf), static_cast<unsigned>(faces), static_cast<unsigned>(vertices));
    return D3DERR_INVALIDCALL;
  }
  auto* created = new TriangleMesh;
  created->device_ = d3d9::addRef(device);
  created->options_ = options;
  created->fvf_ = fvf;
  created->stride_ = layout->size;
  created->faces_ = faces;
  created->vertices_ = vertices;
  HRESULT result = device->CreateVertexBuffer(vertices * layout->size, 0, fvf, D3DPOOL_SYSTEMMEM,
                                              &created->vertexBuffer_, nullptr);
  if (SUCCEEDED(result)) {
    result = device->CreateIndexBuffer(faces * 3 * (wide(options) ? 4 : 2), 0,
                                       wide(options) ? D3DFMT_INDEX32 : D3DFMT_INDEX16,
                                       D3DPOOL_SYSTEMMEM, &created->indexBuffer_, nullptr);
  }
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *mesh = created;
  return D3D_OK;
}

TriangleMesh::~TriangleMesh() {
  d3d9::release(indexBuffer_);
  d3d9::release(vertexBuffer_);
  d3d9::release(device_);
}

HRESULT TriangleMesh::GetDevice(LPDIRECT3DDEVICE9* device) {
  if (!device)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::GetDevice", "the device out-pointer is null");
  *device = d3d9::addRef(device_);
  return D3D_OK;
}

HRESULT TriangleMesh::CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE9 device,
                                   LPD3DXMESH* clone) {
  if (!clone)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::CloneMeshFVF", "the clone out-pointer is null");
  *clone = nullptr;
  const auto from = d3d9::vertexLayout(fvf_);
  const auto to = d3d9::vertexLayout(fvf);
  if (!to) {
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::CloneMeshFVF",
                  "vertex format 0x%X is not drawable", static_cast<unsigned>(fvf));
  }
  TriangleMesh* copy = nullptr;
  if (HRESULT hr = create(device ? device : device_, options, fvf, faces_, vertices_, &copy);
      FAILED(hr)) {
    return answer("ID3DXMesh::CloneMeshFVF", hr);
  }
  {
    Locked<IDirect3DVertexBuffer9> source(vertexBuffer_, D3DLOCK_READONLY);
    Locked<IDirect3DVertexBuffer9> target(copy->vertexBuffer_, 0);
    Locked<IDirect3DIndexBuffer9> sourceIndices(indexBuffer_, D3DLOCK_READONLY);
    Locked<IDirect3DIndexBuffer9> targetIndices(copy->indexBuffer_, 0);
    if (FAILED(source.result()) || FAILED(target.result()) || FAILED(sourceIndices.result()) ||
        FAILED(targetIndices.result())) {
      copy->Release();
      return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::CloneMeshFVF",
                    "the buffers could not be locked");
    }
    std::memset(target.bytes(), 0, static_cast<std::size_t>(vertices_) * to->size);
    for (DWORD v = 0; v < vertices_; ++v) {
      const unsigned char* in = source.bytes() + static_cast<std::size_t>(v) * from->size;
      unsigned char* out = target.bytes() + static_cast<std::size_t>(v) * to->size;
      copyAttribute(in + from->positionOffset, 3, out + to->positionOffset, 3);
      if (from->normalOffset && to->normalOffset) {
        copyAttribute(in + *from->normalOffset, 3, out + *to->normalOffset, 3);
      }
      if (from->diffuseOffset && to->diffuseOffset) {
        std::memcpy(out + *to->diffuseOffset, in + *from->diffuseOffset, 4);
      }
      for (UINT set = 0; set < std::min(from->texcoordSets, to->texcoordSets); ++set) {
        copyAttribute(in + from->texcoordOffsets[set], from->texcoordComponents[set],
                      out + to->texcoordOffsets[set], to->texcoordComponents[set]);
      }
    }
    for (DWORD i = 0; i < faces_ * 3; ++i) {
      std::uint32_t index = 0;
      if (wide(options_)) {
        std::memcpy(&index, sourceIndices.bytes() + 4 * i, 4);
      } else {
        std::uint16_t narrow = 0;
        std::memcpy(&narrow, sourceIndices.bytes() + 2 * i, 2);
        index = narrow;
      }
      if (wide(options)) {
        std::memcpy(targetIndices.bytes() + 4 * i, &index, 4);
      } else {
        const auto narrow = static_cast<std::uint16_t>(index);
        std::memcpy(targetIndices.bytes() + 2 * i, &narrow, 2);
      }
    }
  }
  *clone = copy;
  return D3D_OK;
}

HRESULT TriangleMesh::GetVertexBuffer(LPDIRECT3DVERTEXBUFFER9* buffer) {
  if (!buffer)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::GetVertexBuffer", "the out-pointer is null");
  *buffer = d3d9::addRef(vertexBuffer_);
  return D3D_OK;
}

HRESULT TriangleMesh::GetIndexBuffer(LPDIRECT3DINDEXBUFFER9* buffer) {
  if (!buffer)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::GetIndexBuffer", "the out-pointer is null");
  *buffer = d3d9::addRef(indexBuffer_);
  return D3D_OK;
}

HRESULT TriangleMesh::LockVertexBuffer(DWORD flags, LPVOID* data) {
  if (!data)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::LockVertexBuffer",
                  "the data out-pointer is null");
  return vertexBuffer_->Lock(0, 0, data, flags);
}
HRESULT TriangleMesh::UnlockVertexBuffer() { return vertexBuffer_->Unlock(); }
HRESULT TriangleMesh::LockIndexBuffer(DWORD flags, LPVOID* data) {
  if (!data)
    return refuse(D3DERR_INVALIDCALL, "ID3DXMesh::LockIndexBuffer", "the data out-pointer is null");
  return indexBuffer_->Lock(0, 0, data, flags);
}
HRESULT TriangleMesh::UnlockIndexBuffer() { return indexBuffer_->Unlock(); }

}  // namespace platform::d3dx9

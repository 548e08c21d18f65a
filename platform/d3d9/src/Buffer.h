// Vertex and index buffers: a CPU copy that Lock hands out and a GL buffer that receives the
// copy at the next draw after a writing lock. A vertex buffer drops its copy once the GL
// buffer holds it (the GL driver keeps its own, in system memory on a software renderer,
// and a refined mesh's vertices are megabytes) and reads it back from GL at the next lock;
// an index buffer keeps its copy, since every draw checks its indices against it.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "CallReport.h"
#include "GlContext.h"
#include "RefCounted.h"

namespace platform::d3d9 {

// What both kinds of buffer share: storage, locking and upload.
class BufferStorage {
 public:
  // Largest buffer accepted, in bytes.
  static constexpr UINT kMaxBytes = 1u << 30;

  // Failure code for a length, usage or pool the subset does not take.
  static HRESULT validate(UINT length, DWORD usage, D3DPOOL pool);
  // target: what the buffer is drawn from (GL_ARRAY_BUFFER or GL_ELEMENT_ARRAY_BUFFER);
  // keepCopy: whether the CPU copy stays after an upload.
  BufferStorage(std::shared_ptr<GlContext> gl, GLenum target, UINT length, bool keepCopy);
  ~BufferStorage();

  HRESULT lock(UINT offset, UINT size, void** data, DWORD flags);
  HRESULT unlock();
  bool isLocked() const { return locked_; }
  // Brings the GL buffer up to date; answers its name.
  GLuint upload();

  UINT size() const { return length_; }
  // The CPU copy; only for a buffer that keeps it.
  const unsigned char* bytes() const { return bytes_.data(); }
  // Counts writing locks, so that derived data (an index range) knows when to recompute.
  std::uint64_t revision() const { return revision_; }
  GlContext* gl() const { return gl_.get(); }
  HRESULT device(IDirect3DDevice9** device) const;

 private:
  std::shared_ptr<GlContext> gl_;
  GLenum target_;
  UINT length_;
  bool keepCopy_;
  std::vector<unsigned char> bytes_;  // empty while dropped after an upload
  GLuint name_ = 0;
  bool locked_ = false;
  bool dirty_ = true;
  bool lockWrites_ = false;
  std::uint64_t revision_ = 0;
};

class VertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
 public:
  VertexBuffer(std::shared_ptr<GlContext> gl, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    return answer("IDirect3DVertexBuffer9::GetDevice", storage_.device(device));
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return answer("IDirect3DVertexBuffer9::Lock", storage_.lock(offset, size, data, flags));
  }
  HRESULT Unlock() override { return answer("IDirect3DVertexBuffer9::Unlock", storage_.unlock()); }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

  BufferStorage& storage() { return storage_; }

 private:
  BufferStorage storage_;
  D3DVERTEXBUFFER_DESC desc_;
};

class IndexBuffer final : public RefCounted<IDirect3DIndexBuffer9> {
 public:
  IndexBuffer(std::shared_ptr<GlContext> gl, UINT length, DWORD usage, D3DFORMAT format,
              D3DPOOL pool);

  HRESULT GetDevice(IDirect3DDevice9** device) override {
    return answer("IDirect3DIndexBuffer9::GetDevice", storage_.device(device));
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override {
    return answer("IDirect3DIndexBuffer9::Lock", storage_.lock(offset, size, data, flags));
  }
  HRESULT Unlock() override { return answer("IDirect3DIndexBuffer9::Unlock", storage_.unlock()); }
  HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

  BufferStorage& storage() { return storage_; }
  UINT indexSize() const { return desc_.Format == D3DFMT_INDEX32 ? 4 : 2; }
  UINT indexCount() const { return storage_.size() / indexSize(); }
  // Whether every one of `count` indices from `first` (a range inside the buffer) is below
  // `limit`. Cheap while the whole buffer's largest index is below it.
  bool indicesBelow(UINT first, UINT count, std::uint64_t limit);

 private:
  BufferStorage storage_;
  D3DINDEXBUFFER_DESC desc_;
  // The largest index of the whole buffer, valid for `largestRevision_`.
  std::uint32_t largestOfAll_ = 0;
  std::uint64_t largestRevision_ = ~std::uint64_t{0};
};

}  // namespace platform::d3d9

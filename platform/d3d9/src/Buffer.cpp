#include "Buffer.h"

#include <algorithm>
#include <cstring>

#include "CallReport.h"

namespace platform::d3d9 {

HRESULT BufferStorage::validate(UINT length, DWORD usage, D3DPOOL pool) {
  if (length == 0) {
    noteRefusal("a buffer has at least one byte");
    return D3DERR_INVALIDCALL;
  }
  if (length > kMaxBytes) {
    noteRefusal("%u bytes are more than the %u a buffer may have", length, kMaxBytes);
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  if ((usage & ~(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY)) != 0) {
    noteRefusal("usage 0x%X has more than DYNAMIC and WRITEONLY", static_cast<unsigned>(usage));
    return D3DERR_INVALIDCALL;
  }
  if (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM) {
    noteRefusal("pool %u cannot hold buffers", static_cast<unsigned>(pool));
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

BufferStorage::BufferStorage(std::shared_ptr<GlContext> gl, GLenum target, UINT length,
                             bool keepCopy)
    : gl_(std::move(gl)), target_(target), length_(length), keepCopy_(keepCopy), bytes_(length) {}

BufferStorage::~BufferStorage() {
  if (!name_) return;
  gl_->makeCurrent();
  glDeleteBuffers(1, &name_);
}

HRESULT BufferStorage::device(IDirect3DDevice9** device) const {
  if (!device) {
    noteRefusal("the device out-pointer is null");
    return D3DERR_INVALIDCALL;
  }
  *device = addRef(gl_->device);
  if (!*device) {
    noteRefusal("its device is gone");
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT BufferStorage::lock(UINT offset, UINT size, void** data, DWORD flags) {
  if (!data) {
    noteRefusal("the data out-pointer is null");
    return D3DERR_INVALIDCALL;
  }
  *data = nullptr;
  constexpr DWORD known =
      D3DLOCK_READONLY | D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE | D3DLOCK_NOSYSLOCK;
  if ((flags & ~known) != 0 ||
      ((flags & D3DLOCK_READONLY) && (flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)))) {
    noteRefusal("flags 0x%X are unknown or READONLY with DISCARD/NOOVERWRITE",
                static_cast<unsigned>(flags));
    return D3DERR_INVALIDCALL;
  }
  if (locked_) {
    noteRefusal("the buffer is already locked");
    return D3DERR_INVALIDCALL;
  }
  if (offset >= length_ || (size != 0 && size > length_ - offset)) {
    noteRefusal("bytes %u+%u are beyond the buffer's %u", offset, size, length_);
    return D3DERR_INVALIDCALL;
  }
  if (bytes_.empty()) {
    // Dropped after the last upload: the GL buffer holds the contents.
    bytes_.resize(length_);
    gl_->makeCurrent();
    gl_->dialect().readBuffer(target_, name_, static_cast<GLsizeiptr>(length_), bytes_.data());
  }
  locked_ = true;
  lockWrites_ = !(flags & D3DLOCK_READONLY);
  *data = bytes_.data() + offset;
  return D3D_OK;
}

HRESULT BufferStorage::unlock() {
  if (!locked_) {
    noteRefusal("the buffer is not locked");
    return D3DERR_INVALIDCALL;
  }
  locked_ = false;
  if (lockWrites_) {
    dirty_ = true;
    ++revision_;
  }
  return D3D_OK;
}

GLuint BufferStorage::upload() {
  if (!name_) {
    name_ = gl_->dialect().createBuffer(target_, static_cast<GLsizeiptr>(length_));
  }
  if (dirty_) {
    gl_->dialect().writeBuffer(target_, name_, static_cast<GLsizeiptr>(length_), bytes_.data());
    dirty_ = false;
  }
  if (!keepCopy_ && !locked_) {
    bytes_.clear();
    bytes_.shrink_to_fit();  // the storage goes too: assigning {} keeps the capacity
  }
  return name_;
}

VertexBuffer::VertexBuffer(std::shared_ptr<GlContext> gl, UINT length, DWORD usage, DWORD fvf,
                           D3DPOOL pool)
    : storage_(std::move(gl), GL_ARRAY_BUFFER, length, false),
      desc_{D3DFMT_UNKNOWN, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf} {}

HRESULT VertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc) {
  if (!desc) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DVertexBuffer9::GetDesc", "the desc is null");
  }
  *desc = desc_;
  return D3D_OK;
}

IndexBuffer::IndexBuffer(std::shared_ptr<GlContext> gl, UINT length, DWORD usage, D3DFORMAT format,
                         D3DPOOL pool)
    : storage_(std::move(gl), GL_ELEMENT_ARRAY_BUFFER, length, true),
      desc_{format, D3DRTYPE_INDEXBUFFER, usage, pool, length} {}

HRESULT IndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc) {
  if (!desc) {
    return refuse(D3DERR_INVALIDCALL, "IDirect3DIndexBuffer9::GetDesc", "the desc is null");
  }
  *desc = desc_;
  return D3D_OK;
}

bool IndexBuffer::indicesBelow(UINT first, UINT count, std::uint64_t limit) {
  auto largestOf = [this](UINT from, UINT n) {
    std::uint32_t largest = 0;
    const unsigned char* bytes = storage_.bytes() + static_cast<size_t>(from) * indexSize();
    for (UINT i = 0; i < n; ++i) {
      std::uint32_t index;
      if (indexSize() == 4) {
        std::memcpy(&index, bytes + 4 * static_cast<size_t>(i), 4);
      } else {
        std::uint16_t shortIndex;
        std::memcpy(&shortIndex, bytes + 2 * static_cast<size_t>(i), 2);
        index = shortIndex;
      }
      largest = std::max(largest, index);
    }
    return largest;
  };
  if (largestRevision_ != storage_.revision()) {
    largestOfAll_ = largestOf(0, indexCount());
    largestRevision_ = storage_.revision();
  }
  if (largestOfAll_ < limit) return true;
  return largestOf(first, count) < limit;
}

}  // namespace platform::d3d9

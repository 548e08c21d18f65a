// ID3DXBuffer over a byte vector: error texts and adjacency data handed to callers.
#pragma once

#include <d3dx9core.h>

#include <string>
#include <vector>

#include "RefCounted.h"

namespace platform::d3dx9 {

class ByteBuffer final : public d3d9::RefCounted<ID3DXBuffer> {
 public:
  explicit ByteBuffer(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}
  // A NUL-terminated text.
  static ByteBuffer* fromText(const std::string& text) {
    return new ByteBuffer(std::vector<unsigned char>(text.c_str(), text.c_str() + text.size() + 1));
  }

  LPVOID GetBufferPointer() override { return bytes_.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(bytes_.size()); }

 private:
  std::vector<unsigned char> bytes_;
};

}  // namespace platform::d3dx9

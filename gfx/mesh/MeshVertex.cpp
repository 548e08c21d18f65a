#include "gfx/mesh/MeshVertex.h"

#include <cstring>

namespace vantor {

void VertexBase::copyData(void* destination) const {
  const unsigned char* block = reinterpret_cast<const unsigned char*>(this) + sizeof(VertexBase);
  std::memcpy(destination, block, static_cast<std::size_t>(getDataSize()));
}

Vector2* Vertex::getTexcoord(int set) {
  if (set == 0) return &attributes.texcoord0;
  if (set == 1) return &attributes.texcoord1;
  return nullptr;
}

void Vertex::setTexcoord(int set, const Vector2& t) {
  if (Vector2* target = getTexcoord(set)) *target = t;
}

}  // namespace vantor

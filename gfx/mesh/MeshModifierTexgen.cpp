#include "gfx/mesh/MeshModifierTexgen.h"

#include <cmath>

#include "gfx/mesh/Mesh.h"

namespace vantor::meshmodify {

Texgen::Texgen(float scale, int mode, int set) : scale(scale), mode(mode), set(set) {}

void Texgen::apply(Mesh* mesh) {
  VertexList* vertices = nullptr;
  mesh->edit(&vertices, nullptr, nullptr);
  if (vertices->empty() || !vertices->front()->getTexcoord(set)) return;
  const float s = scale;
  if (mode == 0) {
    for (VertexBase* vertex : *vertices) {
      const Vector3& p = *vertex->getPosition();
      *vertex->getTexcoord(set) = {(p.x + p.z) * s, (p.y + p.z) * s};
    }
    return;
  }
  mesh->computeNormals();
  for (VertexBase* vertex : *vertices) {
    const Vector3& p = *vertex->getPosition();
    const Vector3* normal = vertex->getNormal();
    const float wx = normal ? std::fabs(normal->x) : 0.0f;
    const float wy = normal ? std::fabs(normal->y) : 0.0f;
    const float wz = normal ? std::fabs(normal->z) : 0.0f;
    const float weight = wz + wy + wx;
    Vector2* texcoord = vertex->getTexcoord(set);
    if (weight == 0.0f) {
      // No direction to weigh by: the projection onto the picture plane.
      *texcoord = {s * p.x, s * (p.y + p.z)};
      continue;
    }
    const float u = (wz * (s * p.x) + wx * (s * (p.x + p.y)) + wy * (s * p.x)) / weight;
    const float v = (wz * (s * (p.y + p.z)) + wx * (s * p.z) + wy * (s * p.z)) / weight;
    *texcoord = {u, v};
  }
}

}  // namespace vantor::meshmodify

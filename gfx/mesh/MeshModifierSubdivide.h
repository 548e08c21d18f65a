// Refinement of a mesh: each level splits every n-sided face into n quads through a point in
// the face and a point on each of its edges.
//
// Mode 0 is smooth (Catmull-Clark: edge points and old vertices move toward the neighbouring
// face points; on an open surface a border edge keeps its midpoint and a border vertex moves
// along the border only). Any other mode is linear: the new points are edge midpoints and
// face centroids, so the surface keeps its shape and only the face count grows. Texture
// coordinates are interpolated linearly in both modes; normals, tangents and binormals of
// new points are copies until the mesh's normals and tangents are next computed.
//
// The result order is fixed, since the GPU index order follows it: vertices are, per source
// edge, [copy of a if new, copy of b if new, edge point], then one face point per source
// face; edges are, per source edge, its two halves, then per source face its inner edges;
// faces are, per source face, one quad per corner in corner order.
#pragma once

#include "gfx/mesh/MeshModifier.h"

namespace vantor::meshmodify {

class Subdivide : public IMeshModifier {
 public:
  // levels: how many times apply refines; mode: 0 smooth, anything else linear.
  Subdivide(int levels, int mode);
  Subdivide(const Subdivide&) = delete;
  Subdivide& operator=(const Subdivide&) = delete;
  // The work mesh belongs to the graphics context and is left to it.
  ~Subdivide() override;

  // Refines the mesh levels times in place; the result always ends up in the given mesh.
  // Levels alternate between the given mesh and a work mesh made on the first apply (and
  // kept for later ones); an odd count ends with one copy back.
  void apply(Mesh* mesh) override;

  // The work mesh; null until the first apply with at least one level.
  Mesh* scratchMesh() const { return scratch; }

 private:
  struct Rule;
  Rule* rule;
  Mesh* scratch = nullptr;
  int levels;
};

}  // namespace vantor::meshmodify

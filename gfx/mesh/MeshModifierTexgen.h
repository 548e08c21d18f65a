// Texture coordinates generated from positions, written into one coordinate set of every
// vertex of a mesh.
//
// Mode 0 projects diagonally: ((x + z)·s, (y + z)·s). Any other mode blends three planar
// projections, weighted by the absolute components of the vertex normal: Z (s·x, s·(y + z)),
// X (s·(x + y), s·z) and Y (s·x, s·z). A face looking along one axis gets that axis's
// projection; slanted surfaces mix them, so the seams between projections are soft. The
// blend computes the mesh's normals first (unless they are fixed) and leaves them valid; a
// vertex whose normal is zero gets the Z projection.
#pragma once

#include "gfx/mesh/MeshModifier.h"

namespace vantor::meshmodify {

class Texgen : public IMeshModifier {
 public:
  // scale multiplies every coordinate; set is the coordinate set written (0 or 1; any other
  // set, or a vertex type without it, leaves the coordinates alone).
  Texgen(float scale, int mode, int set);

  void apply(Mesh* mesh) override;

 private:
  float scale;
  int mode;
  int set;
};

}  // namespace vantor::meshmodify

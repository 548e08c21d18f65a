// The common interface of the mesh modifiers: small value-like objects that change a mesh in
// place. Callers make one (often on the stack), apply it to one or more meshes and drop it.
#pragma once

namespace vantor {

class Mesh;

namespace meshmodify {

class IMeshModifier {
 public:
  virtual ~IMeshModifier() = default;
  // Changes the given mesh in place.
  virtual void apply(Mesh* mesh) = 0;
};

}  // namespace meshmodify
}  // namespace vantor

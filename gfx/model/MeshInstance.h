// A scene node that draws meshes with a material through the solid-object shader. The mesh
// it shows is its first child (not owned: one mesh may be shown by several instances); the
// material is the instance's own copy.
#pragma once

#include "gfx/scene/INodeRenderable.h"
#include "gfx/shading/Material.h"

namespace vantor {

class Mesh;

class MeshInstance : public INodeRenderable {
 public:
  MeshInstance() = default;
  // Adds `mesh` as the first child.
  explicit MeshInstance(Mesh* mesh);

  // Copies the record into the instance.
  void setMaterial(const Material& material);
  // The instance's own material, to read or change in place.
  Material& getMaterial() { return material; }
  const Material& getMaterial() const { return material; }

  // Opens the solid-object pass for this instance, draws every mesh of its subtree (children
  // before their parent) and closes the pass. `parent` is the parent's world matrix.
  void render(const Matrix& parent) override;
  // The box of the first child, a mesh, in that mesh's own coordinates. An instance without
  // a mesh child has the empty box at its origin.
  BoundingBox getBoundingBox() override;

 private:
  void drawSubtree(const Matrix& parent, INode* node);

  Material material;
};

}  // namespace vantor

#include "gfx/model/MeshInstance.h"

#include "gfx/mesh/Mesh.h"
#include "gfx/shading/SolidObjectShader.h"

namespace vantor {

MeshInstance::MeshInstance(Mesh* mesh) { addChild(mesh); }

void MeshInstance::setMaterial(const Material& newMaterial) { material = newMaterial; }

void MeshInstance::render(const Matrix& parent) {
  SolidObjectShader* shader = SolidObjectShader::instance();
  shader->beginInstance(this);
  drawSubtree(parent, this);
  shader->endInstance();
}

void MeshInstance::drawSubtree(const Matrix& parent, INode* node) {
  const Matrix world = node->getTransform() * parent;
  node->resetChildren();
  while (INode* child = node->nextChild()) drawSubtree(world, child);
  SolidObjectShader* shader = SolidObjectShader::instance();
  // The mesh's own matrix is applied on top of the parent's by the upload.
  shader->pushMatrix(parent);
  if (auto* mesh = dynamic_cast<Mesh*>(node)) {
    if (material.lit) {
      mesh->computeNormals();
      if (material.normalmap) mesh->computeTangents();
    }
    shader->uploadObject(mesh, mesh->outwardWinding());
    mesh->draw(Matrix());
  }
  shader->popMatrix();
}

BoundingBox MeshInstance::getBoundingBox() {
  resetChildren();
  auto* mesh = dynamic_cast<Mesh*>(nextChild());
  return mesh ? *mesh->getBoundingBox() : BoundingBox{};
}

}  // namespace vantor

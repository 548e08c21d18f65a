// Binds what the solid-object effect needs to draw one mesh instance of a scene: the
// instance's material scaled by the scene's colour settings, the scene's time, camera and
// lights, the per-object matrices with the motion of the instance, the blend and depth
// states, and the scene's blur map, normal and depth buffers as further render targets.
//
// Per instance: beginInstance opens the pass; for each mesh the drawing pushes the parent
// matrix, calls uploadObject, draws and pops; endInstance closes the pass and unbinds the
// extra buffers. Instances never nest.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gfx/math/Matrix.h"
#include "gfx/math/OutwardWinding.h"
#include "gfx/resources/TShader.h"
#include "gfx/shading/Material.h"

namespace vantor {

class INode;
class Scene;

class SolidObjectShader {
 public:
  // The effect's point-light array holds this many; the index is one character.
  static constexpr int maxPointLights = 10;

  // The process-wide shader, created on first use and kept for the whole run.
  static SolidObjectShader* instance();

  // The scene whose drawing is under way (the scene says so before its traversal).
  void setScene(Scene* scene);
  Scene* getScene() const { return scene; }

  // Binds the material, the lights and the states for the instance node and begins pass 0.
  void beginInstance(INode* node, const Material& material);
  // The same for a node that carries its own material (a mesh instance).
  template <class Instance>
  void beginInstance(Instance* instance) {
    beginInstance(instance, instance->getMaterial());
  }
  void pushMatrix(const Matrix& parent);
  // Pops the top matrix; nothing when the stack is empty.
  void popMatrix();
  // The per-object matrices of the node under the top matrix, committed for the next draw.
  // The faces turned away from the eye are skipped where the node's surface is closed
  // (winding not Open); an open one is drawn from both sides.
  void uploadObject(INode* node, OutwardWinding winding);
  // Ends the pass and the technique, unbinds the extra buffers, discards the handle.
  void endInstance();

  // The handle of the instance being drawn, or null between instances.
  TShader* currentShader() { return shader ? &*shader : nullptr; }

 private:
  SolidObjectShader() = default;
  // The steps of beginInstance, in their order. The scene is set and the effect made first.
  void bindEffect(const Material& material);
  // Answers the world matrix it set.
  Matrix uploadMatrices(INode* node);
  void bindMaterial(const Material& material);
  // The directional light and the scene's point lights; an unlit material gets none.
  void bindLights(const Material& material);
  // The scene's blur map (slot 1, with its velocity scale), normal (3) and depth (2) buffers.
  void bindExtraTargets();
  void setBlendStates(const Material& material);

  // Made in place for each instance (no heap block per drawn object).
  std::optional<TShader> shader;
  std::string technique;  // the running technique's name, kept alive for the handle
  Scene* scene = nullptr;
  std::vector<Matrix> matrixStack;
};

}  // namespace vantor

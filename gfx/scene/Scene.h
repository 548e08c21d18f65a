// A tree of nodes drawn through one camera. Rendering at a time t draws the nodes that the
// camera sees into the scene's colour buffer; the solid objects also write per-pixel motion
// (the blur map, when enabled), depth and normals into the scene's further buffers, which the
// post effects read. Before drawing, the scene collects its point lights with their world
// matrices and, when the time has moved, records every node instance's world × view matrix so
// that the shaders can write motion.
#pragma once

#include <vector>

#include "gfx/post/BufferRenderable.h"
#include "gfx/math/Matrix.h"
#include "gfx/math/Vector3.h"

namespace vantor {

class INode;
class NodePointlight;
class TCamera;

// The scene's light and colour settings, read by the solid-object shading.
struct SceneLighting {
  bool directionalLightEnabled = false;
  Vector3 directionalLightDir{1.0f, 1.0f, 0.0f};              // passed on as it is, not normalised
  float directionalLightColor[4] = {1.0f, 1.0f, 1.0f, 1.0f};  // r, g, b, a
  float directionalLightIntensity = 1.0f;                     // multiplies the colour
  // Multiply every material's ambient, diffuse and specular colour (r, g, b, a).
  float ambientScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float diffuseScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float specularScale[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float velocityScale = 1.0f;  // scale of the motion written to the blur map
};

// A point light found by the last drawing, with the world matrix of that appearance in the
// tree (row 3 is the light's world position).
struct FrameLight {
  NodePointlight* light;
  Matrix world;
};

class Scene : public BufferRenderable {
 public:
  // Borrows the depth buffer (R32F) and the normal buffer (A8R8G8B8) from the pool, picture
  // sized. Needs the device and the window.
  Scene();
  // Gives the borrowed buffers back to the pool; the nodes are not deleted.
  ~Scene() override;

  SceneLighting lighting;

  // The camera is not owned and must be set before the first render.
  void setCamera(TCamera* camera);
  TCamera* getCamera() const;

  // On: borrows a picture-sized A8R8G8B8 blur map (keeping the one it holds, if any). Off:
  // gives the blur map back to the pool.
  void setBlurMapEnabled(bool enabled);

  // Children of the scene's root (not owned). A node may appear at several places.
  void addNode(INode* node);
  void removeNode(INode* node);

  // Calls every node's update with its parent's world matrix and `time` (seconds), children
  // before their parent.
  void update(float time);

  RenderTarget* getBlurMap() override;
  RenderTarget* getDepthBuffer() override;
  RenderTarget* getNormalBuffer() override;

  // Seconds: the time of the last drawing, and the absolute time step of the last motion
  // update.
  float getTime() const;
  float getDeltaTime() const;
  const std::vector<FrameLight>& getLights() const;

  // For the node instance being drawn: its world × view matrix of the last motion update
  // minus that of the update before, element by element (an instance not yet recorded counts
  // as the identity).
  Matrix velocityTransform() const;

 protected:
  // Draws the tree into the bound colour buffer; the camera must be set.
  void draw(float time) override;

 private:
  struct Implementation;
  Implementation* impl;  // owned
};

}  // namespace vantor

// The surface record of a drawn solid: colours, lighting switches, textures, blending and
// the effect that draws it. A plain value: copying copies every field, and the two texture
// pointers are shared, never owned.
#pragma once

#include <string>

namespace vantor {

class Texture;

struct Material {
  float ambient[4] = {0.1f, 0.1f, 0.1f, 1.0f};  // r, g, b, a
  float diffuse[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  float specularPower = 5.0f;
  // How far light wraps past the terminator; 0 turns the wrap off.
  float lightBleed = 0.0f;
  // Together with lit and the scene's own switch, lets the scene's directional light in.
  bool useDirectionalLight = true;
  Texture* tex = nullptr;        // modulates the diffuse colour; not owned
  Texture* normalmap = nullptr;  // tangent-space normals; not owned
  float bumpiness = 1.0f;        // strength of the normal map
  // Lit solids get the point and directional lights and have their normals recomputed
  // before drawing; unlit ones get neither.
  bool lit = true;
  int blendMode = 0;               // 1 additive, 2 alpha, anything else opaque
  float blendFactor = 1.0f;        // scales the written alpha in the blend modes
  float limitIllumination = 0.0f;  // upper bound of the lit colour; 0 means no bound
  // The compiled effect and technique that draw the solid; empty for the solid-object
  // effect ("SolidObject.fxo", technique "SolidObject").
  std::string effectFile;
  std::string technique;
};

}  // namespace vantor

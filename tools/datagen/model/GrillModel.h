#pragma once

#include <string>
#include <vector>

#include "MeshBuilder.h"

namespace datagen {

// A surface of the model, written as a DirectX .x Material. Colours are stored as the file
// should hold them: the invitation multiplies diffuse by 10 and specular by 3 at setup, so
// diffuse (alpha included) is a tenth and specular a third of the colour meant on screen.
struct SurfaceMaterial {
  std::string name;
  double diffuse[4];
  double specularPower;
  double specular[3];
  std::string textureFile;  // a file of data/, or empty
};

struct GrillModel {
  std::vector<SurfaceMaterial> materials;
  std::vector<MeshPart> parts;  // one frame and one mesh per part, under the root frame
};

// The kettle grill of the invitation: a stone slab, three legs with an axle and an ash
// plate, two wheels, the bowl, the lid with its vent, and wooden handles. Model units, about
// 100 tall, engine frame (y up, the front towards -z), standing on y = 0.
GrillModel buildGrillModel();

}  // namespace datagen

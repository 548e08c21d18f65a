#pragma once

#include <string>

#include "GrillModel.h"

namespace datagen {

// Writes the model as a DirectX .x text file: a root frame "Grill" with one frame per part
// holding that part's mesh (MeshNormals, MeshTextureCoords, and a MeshMaterialList with the
// part's material written inline: Assimp's reader does not resolve material references).
// Every FrameTransformMatrix is the identity: the engine applies its setup transform to the
// vertices and the frame matrices on top of that, unscaled.
//
// The model's engine-frame coordinates are turned into file coordinates by undoing what
// happens on the way into the engine: Assimp's .x reader negates z, then the invitation
// turns the vertices by rotationX(1.57) (row vectors) and scales them by 0.03. So the file
// holds p * inverse(rotationX(1.57)) with z negated, and the engine ends up with p * 0.03.
// Returns false when the file cannot be written.
bool writeXFile(const std::string& path, const GrillModel& model);

}  // namespace datagen

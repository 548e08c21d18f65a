#pragma once

#include <string>

#include "Canvas.h"

namespace datagen {

// The invitation's pictures. Each function is deterministic: the same build paints the
// same pixels. Sizes are the ones data/README.md lists.

// The backdrop of every frame: a Nordic midsummer night over a lake, dark everywhere (the
// scene is added on top of it), 1024 x 576.
Canvas paintNightSky();

// The loading picture: the party's name and a loading line over a sunset, 1024 x 576.
// fontDir holds the DejaVu TrueType files. Returns an empty canvas when a font is missing.
Canvas paintLoadingScreen(const std::string& fontDir);

// A tileable tangent-space normal map of a cratered surface, 512 x 512, linear values
// normal * 0.5 + 0.5 (x to the right of the picture, y down it, z out of it).
Canvas paintMoonNormals();

// A tileable texture of rounded stones set in dark joints, 512 x 512.
Canvas paintStoneTexture();

}  // namespace datagen

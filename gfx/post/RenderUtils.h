// Screen-space drawing shared by the scene, the post effects and the demo.
#pragma once

#include <d3d9.h>

#include "gfx/resources/ID3dSurface.h"

namespace vantor {

// Clears the bound target (within the viewport) to the colour and its depth to 1.0. Only the
// low 8 bits of each channel are used.
void clearTarget(unsigned alpha, unsigned red, unsigned green, unsigned blue);

// Draws one full-screen quad, optionally textured, with the given blend. Positions are in clip
// space (-1..1, widened by `margin` and its aspect-corrected vertical share); texture
// coordinate (0, 0) is the top-left corner. With a texture the colour is the texture's and the
// alpha is the texture's alpha times `alpha` (clamped to 0..1); without one the begun effect's
// pixel shader decides. Leaves blending on, culling off, and depth writes off after an
// untextured quad and on after a textured one. With bracketScene the draw is put in its own
// BeginScene/EndScene.
void drawQuad(ID3dSurface* texture, float alpha, float margin, D3DBLENDOP blendOp,
              D3DBLEND destBlend, D3DBLEND srcBlend, bool bracketScene);

}  // namespace vantor

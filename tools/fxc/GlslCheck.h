// Checks GLSL stages with the glslang reference compiler: no GPU, driver or display needed.
#pragma once

#include <string>
#include <vector>

#include "EffectDescription.h"

namespace fxc {

// One compiler message, with the effect source line it refers to (0 when none).
struct GlslMessage {
  int line = 0;
  std::string text;
};

// Compiles every stage and links the stages of every pass. Answers false and fills messages
// (errors only) when any stage or pass fails.
bool checkGlsl(const platform::d3dx9::EffectDescription& effect,
               std::vector<GlslMessage>& messages);

}  // namespace fxc

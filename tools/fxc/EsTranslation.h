// Writes GLSL 4.50 effect stages as GLSL ES 3.00 for the device's ES dialect: glslang compiles
// the stage to SPIR-V (OpenGL rules), SPIRV-Cross writes it back as ES 3.00 and glslang checks
// the result as ES, so what the ES driver gets has passed a reference compiler.
#pragma once

#include <string>
#include <vector>

#include "EffectDescription.h"
#include "GlslCheck.h"

namespace fxc {

// Fills glslEs of every stage. The ES text keeps the names that parameters are set by (plain
// uniforms stay plain uniforms, struct members and array elements keep their names), vertex
// inputs and fragment outputs keep their locations, and varyings match between stages by
// name. Samplers carry no unit in the text: the effect assigns units by name when it links.
// Every pass is linked as ES as well. Answers false and fills messages when a stage cannot be
// written as ES or a pass does not link so; `firstLines` (one per stage) names the line for
// errors that no longer point into the source.
bool writeEsStages(platform::d3dx9::EffectDescription& effect, const std::vector<int>& firstLines,
                   std::vector<GlslMessage>& messages);

}  // namespace fxc

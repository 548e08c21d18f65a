// Parses an effect source (.fx) into an EffectDescription: parameter declarations with
// HLSL-like types, GLSL stage blocks, techniques with numbered passes. The format is described
// in effects/README.md.
#pragma once

#include <string>

#include "EffectDescription.h"

namespace fxc {

// A declaration error: the source line (1-based) and what is wrong.
struct SourceError {
  int line = 0;
  std::string message;
};

// A stage's GLSL as written, with the line of the source it starts on, for error reports.
struct StageOrigin {
  int firstLine = 0;
};

struct ParsedEffect {
  platform::d3dx9::EffectDescription effect;  // stages hold complete GLSL (declarations added)
  std::vector<StageOrigin> stageOrigins;      // parallel to effect.stages
};

// Answers false and fills error on the first declaration error.
bool parseEffectSource(const std::string& source, ParsedEffect& parsed, SourceError& error);

}  // namespace fxc

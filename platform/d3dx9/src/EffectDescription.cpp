#include "EffectDescription.h"

#include <optional>
#include <set>
#include <string_view>

#include "EffectStates.h"

namespace platform::d3dx9 {
namespace {

bool isIdentifierStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isIdentifierChar(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }

bool isIdentifier(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || !isIdentifierStart(name[0])) return false;
  for (char c : name) {
    if (!isIdentifierChar(c)) return false;
  }
  return true;
}

// A flattened parameter name: identifiers joined by '.', each optionally indexed: a[3].b.
bool isParameterName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength) return false;
  std::size_t i = 0;
  while (true) {
    if (i >= name.size() || !isIdentifierStart(name[i])) return false;
    while (i < name.size() && isIdentifierChar(name[i])) ++i;
    if (i < name.size() && name[i] == '[') {
      const std::size_t digits = ++i;
      while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
      if (i == digits || i >= name.size() || name[i] != ']') return false;
      ++i;
    }
    if (i == name.size()) return true;
    if (name[i] != '.') return false;
    ++i;
  }
}

// Stage text that a driver may be given: not empty, within the length limit, no NUL, and
// opening with `version` (the ES text must open with its directive, so that a damaged or
// swapped section fails here and not in the driver).
bool isStageText(const std::string& text, std::string_view version) {
  return text.size() > version.size() && text.size() <= kMaxGlslLength &&
         text.compare(0, version.size(), version) == 0 && text.find('\0') == std::string::npos;
}

bool validStates(const std::vector<StateValue>& states, const StateInfo* (*find)(std::uint32_t),
                 std::string& error) {
  if (states.size() > kMaxStates) {
    error = "too many states";
    return false;
  }
  std::set<std::uint32_t> seen;
  for (const StateValue& entry : states) {
    const StateInfo* info = find(entry.state);
    if (info == nullptr) {
      error = "unknown state " + std::to_string(entry.state);
      return false;
    }
    if (!info->isValid(entry.value)) {
      error = "invalid value " + std::to_string(entry.value) + " for " + std::string(info->name);
      return false;
    }
    if (!seen.insert(entry.state).second) {
      error = "state " + std::string(info->name) + " set twice";
      return false;
    }
  }
  return true;
}

}  // namespace

unsigned componentCount(ParameterType type) {
  switch (type) {
    case ParameterType::kInt:
    case ParameterType::kBool:
    case ParameterType::kFloat: return 1;
    case ParameterType::kFloat2: return 2;
    case ParameterType::kFloat3: return 3;
    case ParameterType::kFloat4: return 4;
    case ParameterType::kFloat4x4: return 16;
    case ParameterType::kTexture: return 0;
  }
  return 0;
}

bool validateEffect(const EffectDescription& effect, std::string& error, EsText esText) {
  if (effect.parameters.size() > kMaxParameters) {
    error = "too many parameters";
    return false;
  }
  std::set<std::string> names;
  std::size_t textures = 0;
  for (const ParameterDescription& parameter : effect.parameters) {
    if (!isParameterName(parameter.name)) {
      error = "bad parameter name";
      return false;
    }
    if (!names.insert(parameter.name).second) {
      error = "parameter " + parameter.name + " declared twice";
      return false;
    }
    const bool texture = parameter.type == ParameterType::kTexture;
    if (!texture && componentCount(parameter.type) == 0) {
      error = "parameter " + parameter.name + " has an unknown type";
      return false;
    }
    if (parameter.elements < 1 || parameter.elements > kMaxElements ||
        (texture && parameter.elements != 1)) {
      error = "parameter " + parameter.name + " has a bad element count";
      return false;
    }
    if (!texture && !parameter.samplerStates.empty()) {
      error = "parameter " + parameter.name + " is not a texture but has sampler states";
      return false;
    }
    if (texture && ++textures > kMaxTextures) {
      error = "more than 16 texture parameters";
      return false;
    }
    if (!validStates(parameter.samplerStates, &findSamplerState, error)) {
      error = "parameter " + parameter.name + ": " + error;
      return false;
    }
    if (!parameter.preshader.empty()) {
      const bool wholeNumber =
          parameter.type == ParameterType::kInt || parameter.type == ParameterType::kBool;
      if (texture || wholeNumber || parameter.elements != 1) {
        error = "parameter " + parameter.name +
                ": a preshader makes only a single float, float2-4 or float4x4";
        return false;
      }
      const std::size_t self = static_cast<std::size_t>(&parameter - effect.parameters.data());
      const std::optional<ParameterType> result =
          preshaderResultType(parameter.preshader, effect.parameters, self, error);
      if (result && *result != parameter.type) error = "its preshader makes another type";
      if (!result || *result != parameter.type) {
        error = "parameter " + parameter.name + ": " + error;
        return false;
      }
    }
  }

  if (effect.stages.size() > kMaxStages) {
    error = "too many stages";
    return false;
  }
  std::set<std::string> stageNames;
  for (const StageDescription& stage : effect.stages) {
    if (stage.kind != StageKind::kVertex && stage.kind != StageKind::kFragment) {
      error = "stage of unknown kind";
      return false;
    }
    if (!isIdentifier(stage.name) || !stageNames.insert(stage.name).second) {
      error = "bad or repeated stage name";
      return false;
    }
    if (!isStageText(stage.glsl, "")) {
      error = "stage " + stage.name + " has bad GLSL text";
      return false;
    }
    if (esText == EsText::kRequired && !isStageText(stage.glslEs, "#version 300 es")) {
      error = "stage " + stage.name + " has bad GLSL ES text";
      return false;
    }
  }

  if (effect.techniques.empty() || effect.techniques.size() > kMaxTechniques) {
    error = "an effect needs 1 to 64 techniques";
    return false;
  }
  std::set<std::string> techniqueNames;
  for (const TechniqueDescription& technique : effect.techniques) {
    if (!isIdentifier(technique.name) || !techniqueNames.insert(technique.name).second) {
      error = "bad or repeated technique name";
      return false;
    }
    if (technique.passes.empty() || technique.passes.size() > kMaxPasses) {
      error = "technique " + technique.name + " needs 1 to 64 passes";
      return false;
    }
    for (const PassDescription& pass : technique.passes) {
      if (pass.vertexStage >= effect.stages.size() ||
          effect.stages[pass.vertexStage].kind != StageKind::kVertex ||
          pass.fragmentStage >= effect.stages.size() ||
          effect.stages[pass.fragmentStage].kind != StageKind::kFragment) {
        error = "technique " + technique.name + " has a pass with bad stages";
        return false;
      }
      if (!validStates(pass.renderStates, &findRenderState, error)) {
        error = "technique " + technique.name + ": " + error;
        return false;
      }
    }
  }
  return true;
}

}  // namespace platform::d3dx9

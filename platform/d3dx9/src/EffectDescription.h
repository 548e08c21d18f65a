// What a compiled effect holds, as tools/fxc writes it and D3DXCreateEffect reads it: the
// flattened parameters, the GLSL stages and the techniques with their numbered passes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Preshader.h"

namespace platform::d3dx9 {

enum class ParameterType : std::uint8_t {
  kInt = 1,
  kBool = 2,
  kFloat = 3,
  kFloat2 = 4,
  kFloat3 = 5,
  kFloat4 = 6,
  kFloat4x4 = 7,
  kTexture = 8,
};

// Number of 32-bit components of one element of a numeric type (0 for textures).
unsigned componentCount(ParameterType type);

// A Direct3D state (D3DRS_* or D3DSAMP_*) and the value a pass or sampler gives it.
struct StateValue {
  std::uint32_t state = 0;
  std::uint32_t value = 0;
  bool operator==(const StateValue&) const = default;
};

// One leaf parameter. Struct members and array elements of structs are flattened into names
// such as "material.ambient" and "pointLight[3].color"; an array of a plain type stays one
// parameter with elements > 1. Texture parameters carry their sampler states. A parameter with
// a preshader is worked out from earlier parameters for every draw and is not set by callers.
struct ParameterDescription {
  std::string name;
  ParameterType type = ParameterType::kFloat;
  std::uint32_t elements = 1;
  std::vector<StateValue> samplerStates;
  std::vector<PreshaderStep> preshader;  // empty: an ordinary parameter
  bool operator==(const ParameterDescription&) const = default;
};

enum class StageKind : std::uint8_t { kVertex = 0, kFragment = 1 };

// A complete stage, declarations of the parameters included, ready to compile: as GLSL 4.50
// for the core dialect and as GLSL ES 3.00 (written from it by the effect compiler) for the ES
// dialect.
struct StageDescription {
  StageKind kind = StageKind::kVertex;
  std::string name;
  std::string glsl;
  std::string glslEs;
  bool operator==(const StageDescription&) const = default;
};

struct PassDescription {
  std::uint32_t vertexStage = 0;    // index into EffectDescription::stages
  std::uint32_t fragmentStage = 0;  // index into EffectDescription::stages
  std::vector<StateValue> renderStates;
  bool operator==(const PassDescription&) const = default;
};

struct TechniqueDescription {
  std::string name;
  std::vector<PassDescription> passes;  // pass i is passes[i]
  bool operator==(const TechniqueDescription&) const = default;
};

struct EffectDescription {
  std::vector<ParameterDescription> parameters;
  std::vector<StageDescription> stages;
  std::vector<TechniqueDescription> techniques;
  bool operator==(const EffectDescription&) const = default;
};

// Limits that every effect keeps; the reader refuses anything beyond them.
constexpr std::size_t kMaxNameLength = 256;
constexpr std::size_t kMaxGlslLength = 1 << 20;
constexpr std::uint32_t kMaxElements = 4096;
constexpr std::size_t kMaxParameters = 4096;
constexpr std::size_t kMaxStages = 256;
constexpr std::size_t kMaxTechniques = 64;
constexpr std::size_t kMaxPasses = 64;
constexpr std::size_t kMaxStates = 64;
constexpr std::size_t kMaxTextures = 16;  // texture units 0-15

// Whether validation asks for the stages' ES text: a compiled effect carries it, an effect
// the compiler has just parsed does not have it yet.
enum class EsText { kRequired, kNotYetWritten };

// Checks every rule a well-formed effect keeps (names, counts, stage references, known states
// and values, stage texts). On failure answers false and says why in error.
bool validateEffect(const EffectDescription& effect, std::string& error,
                    EsText esText = EsText::kRequired);

}  // namespace platform::d3dx9

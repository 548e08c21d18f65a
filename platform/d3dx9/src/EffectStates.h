// The render states an effect pass may set and the sampler states a texture parameter may
// carry, with the names effect sources use for them and for their values.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform::d3dx9 {

struct StateInfo {
  std::string_view name;  // as written in effect sources: "ZEnable", "MinFilter"
  std::uint32_t state;    // D3DRS_* or D3DSAMP_*
  // Answers the value for a value name of this state ("true", "CCW", "SrcAlpha"), if any.
  std::optional<std::uint32_t> (*valueByName)(std::string_view name);
  bool (*isValid)(std::uint32_t value);
};

const StateInfo* findRenderState(std::string_view name);
const StateInfo* findRenderState(std::uint32_t state);
const StateInfo* findSamplerState(std::string_view name);
const StateInfo* findSamplerState(std::uint32_t state);

}  // namespace platform::d3dx9

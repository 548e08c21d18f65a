// The compiled effect file (.fxo): a compact, versioned, little-endian binary of an
// EffectDescription.
//
//   "VFXO"  u32 version (3)
//   u32 parameter count, each: str name, u8 type, u32 elements, states, preshader
//   u32 stage count,     each: u8 kind, str name, str glsl (4.50), str glsl (ES 3.00)
//   u32 technique count, each: str name, u32 pass count,
//                               each pass: u32 vertex stage, u32 fragment stage, states
//   states: u32 count, each: u32 state, u32 value
//   preshader: u32 step count (0: none), each: u8 op, u32 parameter, f32 number
//   str:    u32 byte length, the bytes (no terminator)
//
// Nothing may follow the last technique.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EffectDescription.h"

namespace platform::d3dx9 {

constexpr std::uint32_t kFxoVersion = 3;

// The effect must be valid (validateEffect).
std::vector<std::uint8_t> writeFxo(const EffectDescription& effect);

// Reads untrusted bytes: every count, length and reference is checked before use, and the
// result must pass validateEffect. On failure answers false, says why in error and leaves
// effect partly filled.
bool readFxo(const void* data, std::size_t size, EffectDescription& effect, std::string& error);

}  // namespace platform::d3dx9

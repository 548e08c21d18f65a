// A preshader: an expression of parameters alone, worked out on the CPU once per draw (when a
// pass begins and when changes are committed) into a parameter of its own, instead of for
// every vertex or pixel. An effect declares one as a parameter with an initializer,
//
//   float4x4 view = worldInv * worldView;
//   float4 eye = float4(0, 0, 0, 1) * inverse(view);
//
// and its stages read the result like any parameter; the engine cannot set it.
//
// The expression is kept as a postfix program over a small stack. Values are float, float2,
// float3, float4 (int and bool parameters read as float) and float4x4, with Direct3D's
// conventions: matrices row-major, a row vector times a matrix is v * M.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::d3dx9 {

enum class ParameterType : std::uint8_t;
struct ParameterDescription;

enum class PreshaderOp : std::uint8_t {
  kParameter = 1,  // pushes the value of an earlier parameter (by index)
  kNumber = 2,     // pushes a float constant
  kMultiply = 3,   // a * b: scalar with anything, vector by vector of the same size
                   // (per component), float4 * float4x4, float4x4 * float4, float4x4 * float4x4
  kNegate = 4,     // -a
  kInverse = 5,    // inverse(float4x4); a singular matrix gives all zeros
  kTranspose = 6,  // transpose(float4x4)
  kFloat4 = 7,     // float4(a, b, c, d) of four scalars
  kAdd = 8,        // a + b of the same type, or a scalar and anything
  kSubtract = 9,   // a - b, as kAdd
};

struct PreshaderStep {
  PreshaderOp op = PreshaderOp::kNumber;
  std::uint32_t parameter = 0;  // kParameter only
  float number = 0.0f;          // kNumber only
  bool operator==(const PreshaderStep&) const = default;
};

constexpr std::size_t kMaxPreshaderSteps = 64;
constexpr std::size_t kMaxPreshaderDepth = 8;

// The type the program of parameters[self] leaves, or nothing, with why in error: a step that
// names itself, a later, a texture or an array parameter, a type that an operation does not
// take, more than kMaxPreshaderDepth values at once, or not exactly one value at the end.
std::optional<ParameterType> preshaderResultType(
    const std::vector<PreshaderStep>& program, const std::vector<ParameterDescription>& parameters,
    std::size_t self, std::string& error);

// A parameter as a running program reads it: its type and current values (as many floats as
// the type has).
struct PreshaderInput {
  ParameterType type;
  const float* values;
};
using PreshaderInputs = PreshaderInput (*)(const void* context, std::uint32_t parameter);

// Runs a program that preshaderResultType accepted and writes the result's floats (as many
// as its type has) to out. Uses no heap: it runs for every draw.
void runPreshader(const std::vector<PreshaderStep>& program, PreshaderInputs inputs,
                  const void* context, float* out);

}  // namespace platform::d3dx9

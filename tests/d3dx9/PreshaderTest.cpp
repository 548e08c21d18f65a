// Preshaders: the checker refuses every malformed program, since the reader takes them from
// untrusted bytes and the runner trusts what was checked; the runner's products follow the
// stages' conventions, so that a value worked out on the CPU is the one a stage would compute.
#include <gtest/gtest.h>

#include <array>

#include "EffectDescription.h"
#include "Preshader.h"

namespace {

using namespace platform::d3dx9;
using Op = PreshaderOp;

// Parameters 0-4: a rigid camera-like matrix (rotation about z by 90 degrees, then a
// translation), a float4, a float, an int, a float3; then a texture and a float array.
struct Inputs {
  std::array<float, 16> matrix = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  std::array<float, 4> vector = {1, 2, 3, 4};
  float scalar = 2;
  float whole = 3;
  std::array<float, 3> three = {1, 1, 1};
  std::vector<ParameterDescription> descriptions = {
      {"m", ParameterType::kFloat4x4, 1, {}, {}}, {"v", ParameterType::kFloat4, 1, {}, {}},
      {"s", ParameterType::kFloat, 1, {}, {}},    {"i", ParameterType::kInt, 1, {}, {}},
      {"t", ParameterType::kFloat3, 1, {}, {}},   {"tex", ParameterType::kTexture, 1, {}, {}},
      {"w", ParameterType::kFloat, 4, {}, {}},
  };
  std::size_t self = descriptions.size();

  static PreshaderInput read(const void* context, std::uint32_t index) {
    const auto* inputs = static_cast<const Inputs*>(context);
    const float* values[] = {inputs->matrix.data(), inputs->vector.data(), &inputs->scalar,
                             &inputs->whole, inputs->three.data()};
    return {inputs->descriptions[index].type, values[index]};
  }

  // Checks the program, expects the given type, and runs it.
  std::vector<float> run(const std::vector<PreshaderStep>& program, ParameterType expected) {
    std::string error;
    const std::optional<ParameterType> type =
        preshaderResultType(program, descriptions, self, error);
    EXPECT_TRUE(type.has_value()) << error;
    if (!type) return {};
    EXPECT_EQ(*type, expected);
    std::vector<float> out(componentCount(*type), -99.0f);
    runPreshader(program, &Inputs::read, this, out.data());
    return out;
  }
};

PreshaderStep parameter(std::uint32_t index) { return {Op::kParameter, index}; }
PreshaderStep number(float value) { return {Op::kNumber, 0, value}; }
PreshaderStep op(Op kind) { return {kind}; }

TEST(Preshader, ProductsFollowTheRowVectorConvention) {
  Inputs inputs;
  // The eye of a view matrix: the origin's preimage, the translation of the inverse.
  const std::vector<float> eye =
      inputs.run({number(0), number(0), number(0), number(1), op(Op::kFloat4), parameter(0),
                  op(Op::kInverse), op(Op::kMultiply)},
                 ParameterType::kFloat4);
  // p * M = (-p.y + 5, p.x + 6, p.z + 7) is the origin for p = (-6, 5, -7).
  EXPECT_EQ(eye, (std::vector<float>{-6, 5, -7, 1}));

  // v * M takes rows, M * v columns: v * M == transpose(M) * v.
  const std::vector<float> rowTimes =
      inputs.run({parameter(1), parameter(0), op(Op::kMultiply)}, ParameterType::kFloat4);
  EXPECT_EQ(rowTimes, (std::vector<float>{18, 25, 31, 4}));
  const std::vector<float> transposedTimes = inputs.run(
      {parameter(0), op(Op::kTranspose), parameter(1), op(Op::kMultiply)}, ParameterType::kFloat4);
  EXPECT_EQ(transposedTimes, rowTimes);

  // M * inverse(M) is the identity.
  const std::vector<float> identity = inputs.run(
      {parameter(0), parameter(0), op(Op::kInverse), op(Op::kMultiply)}, ParameterType::kFloat4x4);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(identity[i], i % 5 == 0 ? 1 : 0, 1e-6) << i;
}

TEST(Preshader, ScalarsWholeNumbersSumsAndSingularMatrices) {
  Inputs inputs;
  // 0.5 * v - s + i * float4(...): scalars reach every component; an int reads as a float.
  EXPECT_EQ(inputs.run({number(0.5f), parameter(1), op(Op::kMultiply), parameter(2),
                        op(Op::kSubtract), parameter(3), number(1), number(0), number(0),
                        number(-1), op(Op::kFloat4), op(Op::kMultiply), op(Op::kAdd)},
                       ParameterType::kFloat4),
            (std::vector<float>{1.5f, -1, -0.5f, -3}));
  EXPECT_EQ(inputs.run({parameter(4), parameter(4), op(Op::kMultiply), op(Op::kNegate)},
                       ParameterType::kFloat3),
            (std::vector<float>{-1, -1, -1}));
  inputs.matrix.fill(1.0f);
  const std::vector<float> singular =
      inputs.run({parameter(0), op(Op::kInverse)}, ParameterType::kFloat4x4);
  EXPECT_EQ(singular, std::vector<float>(16, 0.0f));
}

TEST(Preshader, MalformedProgramsAreRefused) {
  Inputs inputs;
  const std::vector<std::vector<PreshaderStep>> refused = {
      {},                                                                // nothing
      {parameter(7)},                                                    // itself
      {parameter(9)},                                                    // beyond
      {parameter(5)},                                                    // a texture
      {parameter(6)},                                                    // an array
      {op(Op::kMultiply)},                                               // no operands
      {parameter(4), parameter(0), op(Op::kMultiply)},                   // float3 * float4x4
      {parameter(1), parameter(4), op(Op::kAdd)},                        // float4 + float3
      {parameter(1), op(Op::kInverse)},                                  // inverse of a vector
      {parameter(1), number(1), number(1), number(1), op(Op::kFloat4)},  // a vector inside
      {parameter(1), parameter(1)},                                      // two values left
      {number(1), number(1), number(1), number(1), number(1), number(1), number(1), number(1),
       number(1)},                                // deeper than the stack
      {number(1), {static_cast<Op>(42)}},         // unknown step
      std::vector<PreshaderStep>(65, number(1)),  // too long
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    std::string error;
    EXPECT_FALSE(preshaderResultType(refused[i], inputs.descriptions, inputs.self, error)) << i;
    EXPECT_FALSE(error.empty()) << i;
  }

  // A valid effect with a worked-out parameter, and the same with a result of another type.
  EffectDescription effect;
  effect.parameters = inputs.descriptions;
  effect.parameters.push_back({"eye", ParameterType::kFloat4, 1, {}, {parameter(1)}});
  effect.stages = {
      {StageKind::kVertex, "V", "void main() {}", "#version 300 es\nvoid main() {}"},
      {StageKind::kFragment, "F", "void main() {}", "#version 300 es\nvoid main() {}"}};
  effect.techniques = {{"T", {{0, 1, {}}}}};
  std::string error;
  EXPECT_TRUE(validateEffect(effect, error)) << error;
  effect.parameters.back().type = ParameterType::kFloat3;
  EXPECT_FALSE(validateEffect(effect, error));
  effect.parameters.back().type = ParameterType::kInt;
  effect.parameters.back().preshader = {number(1)};
  EXPECT_FALSE(validateEffect(effect, error));
}

}  // namespace

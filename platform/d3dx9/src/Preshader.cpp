#include "Preshader.h"

#include <d3dx9math.h>

#include <algorithm>
#include <array>

#include "EffectDescription.h"

namespace platform::d3dx9 {
namespace {

bool isVector(ParameterType type) {
  return type == ParameterType::kFloat2 || type == ParameterType::kFloat3 ||
         type == ParameterType::kFloat4;
}

// What a parameter reads as inside a program: whole numbers are floats there.
ParameterType valueType(ParameterType type) {
  return type == ParameterType::kInt || type == ParameterType::kBool ? ParameterType::kFloat : type;
}

// The type of a * b, or nothing where the product is not defined.
std::optional<ParameterType> productType(ParameterType a, ParameterType b) {
  if (a == ParameterType::kFloat) return b;
  if (b == ParameterType::kFloat) return a;
  if (isVector(a) && a == b) return a;
  const bool matrixA = a == ParameterType::kFloat4x4;
  const bool matrixB = b == ParameterType::kFloat4x4;
  if (matrixA && matrixB) return ParameterType::kFloat4x4;
  if ((matrixA && b == ParameterType::kFloat4) || (matrixB && a == ParameterType::kFloat4)) {
    return ParameterType::kFloat4;
  }
  return std::nullopt;
}

// The type of a + b and a - b, or nothing where the sum is not defined.
std::optional<ParameterType> sumType(ParameterType a, ParameterType b) {
  if (a == ParameterType::kFloat) return b;
  if (b == ParameterType::kFloat || a == b) return a;
  return std::nullopt;
}

struct Value {
  ParameterType type = ParameterType::kFloat;
  std::array<float, 16> v{};
};

Value multiply(const Value& a, const Value& b) {
  Value r;
  r.type = *productType(a.type, b.type);
  const unsigned n = componentCount(r.type);
  if (a.type == ParameterType::kFloat || b.type == ParameterType::kFloat) {
    const Value& scalar = a.type == ParameterType::kFloat ? a : b;
    const Value& other = a.type == ParameterType::kFloat ? b : a;
    for (unsigned i = 0; i < n; ++i) r.v[i] = scalar.v[0] * other.v[i];
  } else if (a.type == b.type && isVector(a.type)) {
    for (unsigned i = 0; i < n; ++i) r.v[i] = a.v[i] * b.v[i];
  } else if (r.type == ParameterType::kFloat4x4) {
    for (int i = 0; i < 4; ++i) {
      for (int j = 0; j < 4; ++j) {
        float sum = 0.0f;
        for (int k = 0; k < 4; ++k) sum += a.v[i * 4 + k] * b.v[k * 4 + j];
        r.v[i * 4 + j] = sum;
      }
    }
  } else if (a.type == ParameterType::kFloat4) {  // row vector times matrix
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.v[k] * b.v[k * 4 + j];
      r.v[j] = sum;
    }
  } else {  // matrix times column vector
    for (int i = 0; i < 4; ++i) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.v[i * 4 + k] * b.v[k];
      r.v[i] = sum;
    }
  }
  return r;
}

// a + b, or a - b where subtract; a scalar adds to every component of the other.
Value add(const Value& a, const Value& b, bool subtract) {
  Value r;
  r.type = *sumType(a.type, b.type);
  const float sign = subtract ? -1.0f : 1.0f;
  const bool scalarA = a.type == ParameterType::kFloat;
  const bool scalarB = b.type == ParameterType::kFloat;
  for (unsigned i = 0; i < componentCount(r.type); ++i) {
    r.v[i] = a.v[scalarA ? 0 : i] + sign * b.v[scalarB ? 0 : i];
  }
  return r;
}

}  // namespace

std::optional<ParameterType> preshaderResultType(
    const std::vector<PreshaderStep>& program, const std::vector<ParameterDescription>& parameters,
    std::size_t self, std::string& error) {
  if (program.empty() || program.size() > kMaxPreshaderSteps) {
    error = "a preshader needs 1 to 64 steps";
    return std::nullopt;
  }
  std::array<ParameterType, kMaxPreshaderDepth> stack{};
  std::size_t depth = 0;
  auto pop = [&](std::size_t count) {
    if (depth < count) error = "a preshader step lacks its operands";
    return depth >= count;
  };
  auto push = [&](ParameterType type) {
    if (depth == stack.size()) {
      error = "a preshader holds too many values at once";
      return false;
    }
    stack[depth++] = type;
    return true;
  };
  for (const PreshaderStep& step : program) {
    switch (step.op) {
      case PreshaderOp::kParameter: {
        if (step.parameter >= self) {
          error = "a preshader reads a parameter declared at or after its own";
          return std::nullopt;
        }
        const ParameterDescription& input = parameters[step.parameter];
        if (input.type == ParameterType::kTexture || input.elements != 1) {
          error = "a preshader reads " + input.name + ", which is not a single number value";
          return std::nullopt;
        }
        if (!push(valueType(input.type))) return std::nullopt;
        break;
      }
      case PreshaderOp::kNumber:
        if (!push(ParameterType::kFloat)) return std::nullopt;
        break;
      case PreshaderOp::kMultiply: {
        if (!pop(2)) return std::nullopt;
        const std::optional<ParameterType> type = productType(stack[depth - 2], stack[depth - 1]);
        if (!type) {
          error = "a preshader multiplies values that do not multiply";
          return std::nullopt;
        }
        depth -= 2;
        push(*type);
        break;
      }
      case PreshaderOp::kAdd:
      case PreshaderOp::kSubtract: {
        if (!pop(2)) return std::nullopt;
        const std::optional<ParameterType> type = sumType(stack[depth - 2], stack[depth - 1]);
        if (!type) {
          error = "a preshader adds values of different types";
          return std::nullopt;
        }
        depth -= 2;
        push(*type);
        break;
      }
      case PreshaderOp::kNegate:
        if (!pop(1)) return std::nullopt;
        break;
      case PreshaderOp::kInverse:
      case PreshaderOp::kTranspose:
        if (!pop(1)) return std::nullopt;
        if (stack[depth - 1] != ParameterType::kFloat4x4) {
          error = "a preshader inverts or transposes what is not a float4x4";
          return std::nullopt;
        }
        break;
      case PreshaderOp::kFloat4:
        if (!pop(4)) return std::nullopt;
        for (std::size_t i = depth - 4; i < depth; ++i) {
          if (stack[i] != ParameterType::kFloat) {
            error = "a preshader builds a float4 of what are not single numbers";
            return std::nullopt;
          }
        }
        depth -= 4;
        push(ParameterType::kFloat4);
        break;
      default: error = "a preshader step of unknown kind"; return std::nullopt;
    }
  }
  if (depth != 1) {
    error = "a preshader leaves " + std::to_string(depth) + " values instead of one";
    return std::nullopt;
  }
  return stack[0];
}

void runPreshader(const std::vector<PreshaderStep>& program, PreshaderInputs inputs,
                  const void* context, float* out) {
  std::array<Value, kMaxPreshaderDepth> stack;
  std::size_t depth = 0;
  for (const PreshaderStep& step : program) {
    switch (step.op) {
      case PreshaderOp::kParameter: {
        const PreshaderInput input = inputs(context, step.parameter);
        Value& value = stack[depth++];
        value.type = valueType(input.type);
        std::copy_n(input.values, componentCount(value.type), value.v.begin());
        break;
      }
      case PreshaderOp::kNumber:
        stack[depth].type = ParameterType::kFloat;
        stack[depth++].v[0] = step.number;
        break;
      case PreshaderOp::kMultiply:
        stack[depth - 2] = multiply(stack[depth - 2], stack[depth - 1]);
        --depth;
        break;
      case PreshaderOp::kAdd:
      case PreshaderOp::kSubtract:
        stack[depth - 2] =
            add(stack[depth - 2], stack[depth - 1], step.op == PreshaderOp::kSubtract);
        --depth;
        break;
      case PreshaderOp::kNegate: {
        Value& value = stack[depth - 1];
        for (unsigned i = 0; i < componentCount(value.type); ++i) value.v[i] = -value.v[i];
        break;
      }
      case PreshaderOp::kInverse: {
        D3DXMATRIX matrix;
        std::copy_n(stack[depth - 1].v.begin(), 16, &matrix.m[0][0]);
        if (!D3DXMatrixInverse(&matrix, nullptr, &matrix)) matrix = D3DXMATRIX{};
        std::copy_n(&matrix.m[0][0], 16, stack[depth - 1].v.begin());
        break;
      }
      case PreshaderOp::kTranspose: {
        const Value value = stack[depth - 1];
        for (int i = 0; i < 16; ++i) stack[depth - 1].v[i] = value.v[(i % 4) * 4 + i / 4];
        break;
      }
      case PreshaderOp::kFloat4: {
        Value& first = stack[depth - 4];
        for (int i = 1; i < 4; ++i) first.v[i] = stack[depth - 4 + i].v[0];
        first.type = ParameterType::kFloat4;
        depth -= 3;
        break;
      }
    }
  }
  std::copy_n(stack[0].v.begin(), componentCount(stack[0].type), out);
}

}  // namespace platform::d3dx9

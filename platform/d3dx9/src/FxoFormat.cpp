#include "FxoFormat.h"

#include <cstring>

namespace platform::d3dx9 {
namespace {

constexpr char kMagic[4] = {'V', 'F', 'X', 'O'};

class Writer {
 public:
  void bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    out_.insert(out_.end(), p, p + size);
  }
  void u8(std::uint8_t value) { out_.push_back(value); }
  void u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
  void str(const std::string& value) {
    u32(static_cast<std::uint32_t>(value.size()));
    bytes(value.data(), value.size());
  }
  void states(const std::vector<StateValue>& states) {
    u32(static_cast<std::uint32_t>(states.size()));
    for (const StateValue& entry : states) {
      u32(entry.state);
      u32(entry.value);
    }
  }
  void preshader(const std::vector<PreshaderStep>& steps) {
    u32(static_cast<std::uint32_t>(steps.size()));
    for (const PreshaderStep& step : steps) {
      u8(static_cast<std::uint8_t>(step.op));
      u32(step.parameter);
      std::uint32_t bits = 0;
      std::memcpy(&bits, &step.number, sizeof bits);
      u32(bits);
    }
  }
  std::vector<std::uint8_t> take() { return std::move(out_); }

 private:
  std::vector<std::uint8_t> out_;
};

// Reads from a byte range; every read fails cleanly once the range is exhausted.
class Reader {
 public:
  Reader(const void* data, std::size_t size)
      : p_(static_cast<const std::uint8_t*>(data)), left_(data ? size : 0) {}

  bool u8(std::uint8_t& value) {
    if (left_ < 1) return false;
    value = *p_++;
    --left_;
    return true;
  }
  bool u32(std::uint32_t& value) {
    if (left_ < 4) return false;
    value = std::uint32_t(p_[0]) | std::uint32_t(p_[1]) << 8 | std::uint32_t(p_[2]) << 16 |
            std::uint32_t(p_[3]) << 24;
    p_ += 4;
    left_ -= 4;
    return true;
  }
  bool str(std::string& value, std::size_t maxLength) {
    std::uint32_t length = 0;
    if (!u32(length) || length > maxLength || length > left_) return false;
    value.assign(reinterpret_cast<const char*>(p_), length);
    p_ += length;
    left_ -= length;
    return true;
  }
  // A count of records that each take at least minRecordSize bytes: refused when it exceeds
  // the limit or could not fit in what is left, so no huge allocation follows a bad count.
  bool count(std::uint32_t& value, std::size_t limit, std::size_t minRecordSize) {
    return u32(value) && value <= limit && std::size_t(value) * minRecordSize <= left_;
  }
  bool states(std::vector<StateValue>& states) {
    std::uint32_t n = 0;
    if (!count(n, kMaxStates, 8)) return false;
    states.resize(n);
    for (StateValue& entry : states) {
      if (!u32(entry.state) || !u32(entry.value)) return false;
    }
    return true;
  }
  bool preshader(std::vector<PreshaderStep>& steps) {
    std::uint32_t n = 0;
    if (!count(n, kMaxPreshaderSteps, 9)) return false;
    steps.resize(n);
    for (PreshaderStep& step : steps) {
      std::uint8_t op = 0;
      std::uint32_t bits = 0;
      if (!u8(op) || !u32(step.parameter) || !u32(bits)) return false;
      step.op = static_cast<PreshaderOp>(op);
      std::memcpy(&step.number, &bits, sizeof bits);
    }
    return true;
  }
  bool magic() {
    if (left_ < sizeof kMagic || std::memcmp(p_, kMagic, sizeof kMagic) != 0) return false;
    p_ += sizeof kMagic;
    left_ -= sizeof kMagic;
    return true;
  }
  bool atEnd() const { return left_ == 0; }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

bool readBody(Reader& in, EffectDescription& effect, std::string& error) {
  std::uint32_t version = 0;
  if (!in.magic()) {
    error = "not a compiled effect";
    return false;
  }
  if (!in.u32(version) || version != kFxoVersion) {
    error = "unsupported effect version";
    return false;
  }
  error = "truncated or malformed effect";

  std::uint32_t n = 0;
  if (!in.count(n, kMaxParameters, 17)) return false;
  effect.parameters.resize(n);
  for (ParameterDescription& parameter : effect.parameters) {
    std::uint8_t type = 0;
    if (!in.str(parameter.name, kMaxNameLength) || !in.u8(type) || !in.u32(parameter.elements) ||
        !in.states(parameter.samplerStates) || !in.preshader(parameter.preshader)) {
      return false;
    }
    parameter.type = static_cast<ParameterType>(type);
  }

  if (!in.count(n, kMaxStages, 13)) return false;
  effect.stages.resize(n);
  for (StageDescription& stage : effect.stages) {
    std::uint8_t kind = 0;
    if (!in.u8(kind) || !in.str(stage.name, kMaxNameLength) ||
        !in.str(stage.glsl, kMaxGlslLength) || !in.str(stage.glslEs, kMaxGlslLength)) {
      return false;
    }
    stage.kind = static_cast<StageKind>(kind);
  }

  if (!in.count(n, kMaxTechniques, 8)) return false;
  effect.techniques.resize(n);
  for (TechniqueDescription& technique : effect.techniques) {
    if (!in.str(technique.name, kMaxNameLength) || !in.count(n, kMaxPasses, 12)) return false;
    technique.passes.resize(n);
    for (PassDescription& pass : technique.passes) {
      if (!in.u32(pass.vertexStage) || !in.u32(pass.fragmentStage) ||
          !in.states(pass.renderStates)) {
        return false;
      }
    }
  }
  if (!in.atEnd()) {
    error = "bytes after the end of the effect";
    return false;
  }
  if (!validateEffect(effect, error)) return false;
  error.clear();  // the "truncated" default must not outlive a successful read
  return true;
}

}  // namespace

std::vector<std::uint8_t> writeFxo(const EffectDescription& effect) {
  Writer out;
  out.bytes(kMagic, sizeof kMagic);
  out.u32(kFxoVersion);
  out.u32(static_cast<std::uint32_t>(effect.parameters.size()));
  for (const ParameterDescription& parameter : effect.parameters) {
    out.str(parameter.name);
    out.u8(static_cast<std::uint8_t>(parameter.type));
    out.u32(parameter.elements);
    out.states(parameter.samplerStates);
    out.preshader(parameter.preshader);
  }
  out.u32(static_cast<std::uint32_t>(effect.stages.size()));
  for (const StageDescription& stage : effect.stages) {
    out.u8(static_cast<std::uint8_t>(stage.kind));
    out.str(stage.name);
    out.str(stage.glsl);
    out.str(stage.glslEs);
  }
  out.u32(static_cast<std::uint32_t>(effect.techniques.size()));
  for (const TechniqueDescription& technique : effect.techniques) {
    out.str(technique.name);
    out.u32(static_cast<std::uint32_t>(technique.passes.size()));
    for (const PassDescription& pass : technique.passes) {
      out.u32(pass.vertexStage);
      out.u32(pass.fragmentStage);
      out.states(pass.renderStates);
    }
  }
  return out.take();
}

bool readFxo(const void* data, std::size_t size, EffectDescription& effect, std::string& error) {
  Reader in(data, size);
  effect = EffectDescription{};
  return readBody(in, effect, error);
}

}  // namespace platform::d3dx9

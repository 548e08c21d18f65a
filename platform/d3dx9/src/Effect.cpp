#include "Effect.h"

#include <algorithm>

#include "ByteBuffer.h"
#include "CallReport.h"
#include "DeviceGl.h"
#include "FxoFormat.h"

namespace platform::d3dx9 {
namespace {

const char* nameOf(D3DXHANDLE name) { return name ? name : "(null)"; }

// A non-null stand-in for "values were given" where a call passes no numbers.
constexpr int kAnyValue = 0;

std::string numbers(const float* values, UINT count) {
  std::string text;
  char number[32];
  for (UINT i = 0; i < count && values; ++i) {
    std::snprintf(number, sizeof number, ", %g", values[i]);
    text += number;
  }
  return text;
}

// Reports the call; a failure carries the reason noted while the call ran.
HRESULT report(const char* method, D3DXHANDLE name, const std::string& values, HRESULT result) {
  const std::string reason = takeRefusal();
  CallReport call("effect", method, "%s%s", nameOf(name), values.c_str());
  if (FAILED(result) && !reason.empty()) return call.refuse(result, "%s", reason.c_str());
  return call(result);
}

// The numbers a setter was given, written out only when someone reads them: the setters run
// dozens of times per drawn object, and formatting every value would cost more than the call.
struct Numbers {
  const float* values;
  UINT count;
};

HRESULT report(const char* method, D3DXHANDLE name, Numbers given, HRESULT result) {
  ICallObserver* observer = callObserver();
  const bool written = FAILED(result) || (observer && observer->wantsArguments("effect", method));
  return report(method, name, written ? numbers(given.values, given.count) : std::string(), result);
}

const char* typeName(ParameterType type) {
  switch (type) {
    case ParameterType::kInt: return "int";
    case ParameterType::kBool: return "bool";
    case ParameterType::kFloat: return "float";
    case ParameterType::kFloat2: return "float2";
    case ParameterType::kFloat3: return "float3";
    case ParameterType::kFloat4: return "float4";
    case ParameterType::kFloat4x4: return "float4x4";
    case ParameterType::kTexture: return "texture";
  }
  return "unknown";
}

// Compiles one stage in the dialect's language (the 4.50 text for core, the ES text for ES);
// 0 with the log appended on failure.
GLuint compileStage(const d3d9::GlDialect& dialect, const StageDescription& stage,
                    std::string& log) {
  const GLenum kind = stage.kind == StageKind::kVertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
  const GLuint shader = glCreateShader(kind);
  const std::string source =
      dialect.stageText(kind, dialect.kind() == d3d9::Dialect::kCore ? stage.glsl : stage.glslEs);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok) return shader;
  char message[2048] = {};
  glGetShaderInfoLog(shader, sizeof message, nullptr, message);
  log += "stage " + stage.name + ": " + message;
  glDeleteShader(shader);
  return 0;
}

}  // namespace

Effect::Effect(IDirect3DDevice9* device)
    : device_(d3d9::addRef(device)), dialect_(d3d9::glDialect(device)) {}

Effect::~Effect() {
  if (d3d9::makeCurrent(device_)) {
    if (inPass_) d3d9::setProgram(device_, 0);
    for (Technique& technique : techniques_) {
      for (Pass& pass : technique.passes) glDeleteProgram(pass.program);
    }
  }
  for (Parameter& parameter : parameters_) d3d9::release(parameter.texture);
  d3d9::release(device_);
}

HRESULT Effect::create(IDirect3DDevice9* device, EffectDescription description, Effect** effect,
                       std::string& log) {
  *effect = nullptr;
  if (!d3d9::makeCurrent(device)) return D3DERR_INVALIDCALL;
  auto* created = new Effect(device);
  DWORD unit = 0;
  for (ParameterDescription& parameter : description.parameters) {
    Parameter value;
    value.values.assign(componentCount(parameter.type) * parameter.elements, 0.0f);
    if (parameter.type == ParameterType::kTexture) value.unit = unit++;
    if (!parameter.preshader.empty()) created->worked_.push_back(created->parameters_.size());
    created->parameterIndex_[parameter.name] = created->parameters_.size();
    value.description = std::move(parameter);
    created->parameters_.push_back(std::move(value));
  }

  std::vector<GLuint> shaders;
  for (const StageDescription& stage : description.stages) {
    shaders.push_back(compileStage(*created->dialect_, stage, log));
  }
  bool ok = std::find(shaders.begin(), shaders.end(), 0u) == shaders.end();
  for (TechniqueDescription& techniqueDescription : description.techniques) {
    Technique technique{techniqueDescription.name, {}};
    for (std::size_t i = 0; ok && i < techniqueDescription.passes.size(); ++i) {
      const PassDescription& passDescription = techniqueDescription.passes[i];
      Pass pass;
      pass.renderStates = passDescription.renderStates;
      pass.program = glCreateProgram();
      glAttachShader(pass.program, shaders[passDescription.vertexStage]);
      glAttachShader(pass.program, shaders[passDescription.fragmentStage]);
      glLinkProgram(pass.program);
      GLint linked = GL_FALSE;
      glGetProgramiv(pass.program, GL_LINK_STATUS, &linked);
      if (!linked) {
        char message[2048] = {};
        glGetProgramInfoLog(pass.program, sizeof message, nullptr, message);
        log += "technique " + technique.name + " pass " + std::to_string(i) + ": " + message;
        ok = false;
      }
      for (const Parameter& parameter : created->parameters_) {
        const GLint location =
            glGetUniformLocation(pass.program, parameter.description.name.c_str());
        pass.locations.push_back(location);
        if (parameter.description.type == ParameterType::kTexture && location >= 0) {
          const auto unit = static_cast<GLint>(parameter.unit);
          created->dialect_->setUniform(pass.program, location, d3d9::UniformType::kInt, 1, &unit);
        }
      }
      technique.passes.push_back(std::move(pass));
    }
    created->techniques_.push_back(std::move(technique));
  }
  for (GLuint shader : shaders) glDeleteShader(shader);
  if (!ok) {
    created->Release();
    return E_FAIL;
  }
  *effect = created;
  return D3D_OK;
}

Effect::Parameter* Effect::find(D3DXHANDLE name) {
  if (!name) return nullptr;
  const auto found = parameterIndex_.find(std::string_view(name));
  return found == parameterIndex_.end() ? nullptr : &parameters_[found->second];
}

HRESULT Effect::GetDevice(LPDIRECT3DDEVICE9* device) {
  if (!device) {
    noteRefusal("the device out-pointer is null");
    return report("GetDevice", "", "", D3DERR_INVALIDCALL);
  }
  *device = d3d9::addRef(device_);
  return report("GetDevice", "", "", D3D_OK);
}

HRESULT Effect::SetTechnique(D3DXHANDLE technique) {
  HRESULT result = D3DERR_INVALIDCALL;
  if (technique && !begun_) {
    for (std::size_t i = 0; i < techniques_.size(); ++i) {
      if (techniques_[i].name == technique) {
        technique_ = i;
        result = D3D_OK;
      }
    }
  }
  if (FAILED(result)) {
    if (begun_) {
      noteRefusal("the technique cannot change between Begin and End");
    } else {
      noteRefusal("%s declares no technique \"%s\"", describe().c_str(), nameOf(technique));
    }
  }
  return report("SetTechnique", technique, "", result);
}

D3DXHANDLE Effect::GetCurrentTechnique() { return techniques_[technique_].name.c_str(); }

HRESULT Effect::Begin(UINT* passes, DWORD flags) {
  const std::string arguments = std::to_string(flags);
  if (begun_) {
    noteRefusal("the effect is already begun (no End)");
    return report("Begin", arguments.c_str(), "", D3DERR_INVALIDCALL);
  }
  const Technique& technique = techniques_[technique_];
  savedStates_.clear();
  if ((flags & D3DXFX_DONOTSAVESTATE) == 0) {
    // The states the passes change, each once, in increasing order; kept in savedStates_
    // (whose storage stays between frames) and then read from the device.
    for (const Pass& pass : technique.passes) {
      for (const StateValue& entry : pass.renderStates) {
        const bool listed =
            std::any_of(savedStates_.begin(), savedStates_.end(),
                        [&](const StateValue& saved) { return saved.state == entry.state; });
        if (!listed) savedStates_.push_back({entry.state, 0});
      }
    }
    std::sort(savedStates_.begin(), savedStates_.end(),
              [](const StateValue& a, const StateValue& b) { return a.state < b.state; });
    std::size_t kept = 0;
    for (const StateValue& saved : savedStates_) {
      DWORD value = 0;
      if (SUCCEEDED(
              device_->GetRenderState(static_cast<D3DRENDERSTATETYPE>(saved.state), &value))) {
        savedStates_[kept++] = {saved.state, value};
      }
    }
    savedStates_.resize(kept);
  }
  if (passes) *passes = static_cast<UINT>(technique.passes.size());
  begun_ = true;
  return report("Begin", arguments.c_str(), "", D3D_OK);
}

HRESULT Effect::BeginPass(UINT pass) {
  const std::string arguments = std::to_string(pass);
  if (!begun_ || inPass_ || pass >= techniques_[technique_].passes.size()) {
    if (!begun_) {
      noteRefusal("the effect is not begun (no Begin)");
    } else if (inPass_) {
      noteRefusal("pass %zu is still open (no EndPass)", pass_);
    } else {
      noteRefusal("pass %u is beyond technique %s's %zu", pass,
                  techniques_[technique_].name.c_str(), techniques_[technique_].passes.size());
    }
    return report("BeginPass", arguments.c_str(), "", D3DERR_INVALIDCALL);
  }
  const Pass& chosen = techniques_[technique_].passes[pass];
  for (const StateValue& entry : chosen.renderStates) {
    device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(entry.state), entry.value);
  }
  d3d9::makeCurrent(device_);
  const HRESULT bound = d3d9::setProgram(device_, chosen.program);
  if (FAILED(bound)) {
    noteRefusal("the device does not take the pass's GL program");
    return report("BeginPass", arguments.c_str(), "", bound);
  }
  inPass_ = true;
  pass_ = pass;
  upload(chosen);
  return report("BeginPass", arguments.c_str(), "", D3D_OK);
}

HRESULT Effect::CommitChanges() {
  if (!inPass_) {
    noteRefusal("no pass is open (no BeginPass)");
    return report("CommitChanges", "", "", D3DERR_INVALIDCALL);
  }
  d3d9::makeCurrent(device_);
  upload(techniques_[technique_].passes[pass_]);
  return report("CommitChanges", "", "", D3D_OK);
}

HRESULT Effect::EndPass() {
  if (!inPass_) {
    noteRefusal("no pass is open (no BeginPass)");
    return report("EndPass", "", "", D3DERR_INVALIDCALL);
  }
  inPass_ = false;
  return report("EndPass", "", "", d3d9::setProgram(device_, 0));
}

HRESULT Effect::End() {
  if (!begun_ || inPass_) {
    noteRefusal(begun_ ? "a pass is still open (no EndPass)" : "the effect is not begun");
    return report("End", "", "", D3DERR_INVALIDCALL);
  }
  for (const StateValue& entry : savedStates_) {
    device_->SetRenderState(static_cast<D3DRENDERSTATETYPE>(entry.state), entry.value);
  }
  savedStates_.clear();
  begun_ = false;
  return report("End", "", "", D3D_OK);
}

void Effect::upload(const Pass& pass) {
  // Preshaders first, in declaration order: each reads only parameters declared before it.
  for (std::size_t index : worked_) {
    Parameter& parameter = parameters_[index];
    runPreshader(
        parameter.description.preshader,
        [](const void* context, std::uint32_t input) {
          const Parameter& read = static_cast<const Effect*>(context)->parameters_[input];
          return PreshaderInput{read.description.type, read.values.data()};
        },
        this, parameter.values.data());
  }
  for (std::size_t i = 0; i < parameters_.size(); ++i) {
    const GLint location = pass.locations[i];
    if (location < 0) continue;
    const Parameter& parameter = parameters_[i];
    const auto count = static_cast<GLsizei>(parameter.description.elements);
    const float* values = parameter.values.data();
    switch (parameter.description.type) {
      case ParameterType::kInt:
      case ParameterType::kBool: {
        wholeNumbers_.assign(parameter.values.begin(), parameter.values.end());
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kInt, count,
                             wholeNumbers_.data());
        break;
      }
      case ParameterType::kFloat:
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kFloat, count, values);
        break;
      case ParameterType::kFloat2:
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kFloat2, count, values);
        break;
      case ParameterType::kFloat3:
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kFloat3, count, values);
        break;
      case ParameterType::kFloat4:
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kFloat4, count, values);
        break;
      case ParameterType::kFloat4x4:
        // Direct3D matrices are row-major for row vectors (p·M): GLSL writes vec4(p, 1) * M,
        // and the upload transposes.
        dialect_->setUniform(pass.program, location, d3d9::UniformType::kFloat4x4, count, values);
        break;
      case ParameterType::kTexture:
        device_->SetTexture(parameter.unit, parameter.texture);
        for (const StateValue& entry : parameter.description.samplerStates) {
          device_->SetSamplerState(parameter.unit, static_cast<D3DSAMPLERSTATETYPE>(entry.state),
                                   entry.value);
        }
        break;
    }
  }
}

HRESULT Effect::store(D3DXHANDLE name, const float* values, UINT count,
                      std::initializer_list<ParameterType> accepted) {
  Parameter* parameter = find(name);
  if (!usable(name, parameter, values, count, accepted)) return D3DERR_INVALIDCALL;
  if (!parameter->description.preshader.empty()) {
    noteRefusal("\"%s\" is worked out from other parameters for every draw; it cannot be set",
                nameOf(name));
    return D3DERR_INVALIDCALL;
  }
  const ParameterType type = parameter->description.type;
  for (UINT i = 0; i < count; ++i) {
    float value = values[i];
    if (type == ParameterType::kInt) value = static_cast<float>(static_cast<INT>(value));
    if (type == ParameterType::kBool) value = value != 0.0f ? 1.0f : 0.0f;
    parameter->values[i] = value;
  }
  return D3D_OK;
}

HRESULT Effect::load(D3DXHANDLE name, float* values, UINT count,
                     std::initializer_list<ParameterType> accepted) {
  Parameter* parameter = find(name);
  if (!usable(name, parameter, values, count, accepted)) return D3DERR_INVALIDCALL;
  std::copy_n(parameter->values.begin(), count, values);
  return D3D_OK;
}

bool Effect::usable(D3DXHANDLE name, const Parameter* parameter, const void* values, UINT count,
                    std::initializer_list<ParameterType> accepted) {
  if (!parameter) {
    noteRefusal("%s declares no parameter \"%s\"", describe().c_str(), nameOf(name));
    return false;
  }
  if (!values) {
    noteRefusal("the values are null");
    return false;
  }
  const ParameterType type = parameter->description.type;
  if (std::find(accepted.begin(), accepted.end(), type) == accepted.end()) {
    std::string takes;
    for (ParameterType one : accepted)
      takes += std::string(takes.empty() ? "" : ", ") + typeName(one);
    noteRefusal("\"%s\" is a %s parameter; this call takes %s", nameOf(name), typeName(type),
                takes.c_str());
    return false;
  }
  if (count > parameter->values.size()) {
    noteRefusal("\"%s\" holds %zu values, not %u", nameOf(name), parameter->values.size(), count);
    return false;
  }
  return true;
}

std::string Effect::describe() const {
  std::string text = "the effect";
  for (std::size_t i = 0; i < techniques_.size(); ++i) {
    text += (i == 0 ? " (technique " : ", ") + techniques_[i].name;
  }
  return techniques_.empty() ? text : text + ")";
}

constexpr std::initializer_list<ParameterType> kScalars = {
    ParameterType::kInt, ParameterType::kBool, ParameterType::kFloat};
constexpr std::initializer_list<ParameterType> kNumbers = {
    ParameterType::kInt,    ParameterType::kBool,   ParameterType::kFloat,   ParameterType::kFloat2,
    ParameterType::kFloat3, ParameterType::kFloat4, ParameterType::kFloat4x4};
constexpr std::initializer_list<ParameterType> kVectors = {
    ParameterType::kFloat2, ParameterType::kFloat3, ParameterType::kFloat4};

HRESULT Effect::SetInt(D3DXHANDLE parameter, INT value) {
  const float number = static_cast<float>(value);
  return report("SetInt", parameter, Numbers{&number, 1}, store(parameter, &number, 1, kScalars));
}

HRESULT Effect::GetInt(D3DXHANDLE parameter, INT* value) {
  float number = 0;
  const HRESULT result = load(parameter, value ? &number : nullptr, 1, kScalars);
  if (SUCCEEDED(result)) *value = static_cast<INT>(number);
  return report("GetInt", parameter, "", result);
}

HRESULT Effect::SetBool(D3DXHANDLE parameter, BOOL value) {
  const float number = value ? 1.0f : 0.0f;
  return report("SetBool", parameter, Numbers{&number, 1}, store(parameter, &number, 1, kScalars));
}

HRESULT Effect::GetBool(D3DXHANDLE parameter, BOOL* value) {
  float number = 0;
  const HRESULT result = load(parameter, value ? &number : nullptr, 1, kScalars);
  if (SUCCEEDED(result)) *value = number != 0.0f ? TRUE : FALSE;
  return report("GetBool", parameter, "", result);
}

HRESULT Effect::SetFloat(D3DXHANDLE parameter, FLOAT value) {
  return report("SetFloat", parameter, Numbers{&value, 1}, store(parameter, &value, 1, kScalars));
}

HRESULT Effect::GetFloat(D3DXHANDLE parameter, FLOAT* value) {
  return report("GetFloat", parameter, "", load(parameter, value, 1, kScalars));
}

HRESULT Effect::SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) {
  return report("SetFloatArray", parameter, Numbers{values, count},
                store(parameter, values, count, kNumbers));
}

HRESULT Effect::GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) {
  return report("GetFloatArray", parameter, "", load(parameter, values, count, kNumbers));
}

// A vector parameter takes as many of the four components as it has.
HRESULT Effect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  const float* values = vector ? &vector->x : nullptr;
  const Parameter* target = find(parameter);
  const UINT count = target ? std::min(4u, componentCount(target->description.type)) : 4;
  return report("SetVector", parameter, Numbers{values, 4},
                store(parameter, values, count, kVectors));
}

HRESULT Effect::GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) {
  const Parameter* target = find(parameter);
  const UINT count = target ? std::min(4u, componentCount(target->description.type)) : 4;
  if (vector) *vector = D3DXVECTOR4{0, 0, 0, 0};
  return report("GetVector", parameter, "",
                load(parameter, vector ? &vector->x : nullptr, count, kVectors));
}

HRESULT Effect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  const float* values = matrix ? &matrix->m[0][0] : nullptr;
  return report("SetMatrix", parameter, Numbers{values, 16},
                store(parameter, values, 16, {ParameterType::kFloat4x4}));
}

HRESULT Effect::GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) {
  return report(
      "GetMatrix", parameter, "",
      load(parameter, matrix ? &matrix->m[0][0] : nullptr, 16, {ParameterType::kFloat4x4}));
}

HRESULT Effect::SetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9 texture) {
  Parameter* target = find(parameter);
  const std::string value = texture ? ", texture" : ", null";
  if (!target || target->description.type != ParameterType::kTexture) {
    usable(parameter, target, &kAnyValue, 0, {ParameterType::kTexture});
    return report("SetTexture", parameter, value, D3DERR_INVALIDCALL);
  }
  d3d9::assignRef(target->texture, texture);
  return report("SetTexture", parameter, value, D3D_OK);
}

HRESULT Effect::GetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9* texture) {
  Parameter* target = find(parameter);
  if (!texture || !target || target->description.type != ParameterType::kTexture) {
    usable(parameter, target, texture ? &kAnyValue : nullptr, 0, {ParameterType::kTexture});
    return report("GetTexture", parameter, "", D3DERR_INVALIDCALL);
  }
  *texture = d3d9::addRef(target->texture);
  return report("GetTexture", parameter, "", D3D_OK);
}

}  // namespace platform::d3dx9

HRESULT WINAPI D3DXCreateEffect(LPDIRECT3DDEVICE9 device, LPCVOID data, UINT length,
                                const D3DXMACRO* defines, LPD3DXINCLUDE include, DWORD /*flags*/,
                                LPD3DXEFFECTPOOL pool, LPD3DXEFFECT* effect, LPD3DXBUFFER* errors) {
  using namespace platform::d3dx9;
  using platform::refuse;
  constexpr const char* kCall = "D3DXCreateEffect";
  if (errors) *errors = nullptr;
  if (!effect) return refuse(D3DERR_INVALIDCALL, kCall, "the effect out-pointer is null");
  *effect = nullptr;
  if (!device) return refuse(D3DERR_INVALIDCALL, kCall, "the device is null");
  if (!data) return refuse(D3DERR_INVALIDCALL, kCall, "the data are null");
  if (defines || include || pool) {
    return refuse(E_NOTIMPL, kCall, "defines, include handlers and effect pools are not supported");
  }
  EffectDescription description;
  std::string log;
  if (!readFxo(data, length, description, log)) {
    if (errors) *errors = ByteBuffer::fromText(log);
    return refuse(D3DXERR_INVALIDDATA, kCall, "the %u bytes are not a compiled effect: %s", length,
                  log.c_str());
  }
  Effect* created = nullptr;
  const HRESULT result = Effect::create(device, std::move(description), &created, log);
  if (FAILED(result) && errors && !log.empty()) *errors = ByteBuffer::fromText(log);
  *effect = created;
  if (result == D3DERR_INVALIDCALL) {
    return refuse(result, kCall, "the device is not one of this stand-in's");
  }
  if (FAILED(result)) return refuse(result, kCall, "GL refused the effect: %s", log.c_str());
  return result;
}

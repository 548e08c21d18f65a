// ID3DXEffect over GL programs: one linked program per pass, parameter values kept in the
// effect and uploaded (GlDialect::setUniform) at BeginPass and CommitChanges, after the
// preshaders have worked out the parameters that come from others.
#pragma once

#include <d3dx9effect.h>
#include "GlApi.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "EffectDescription.h"
#include "GlDialect.h"
#include "RefCounted.h"

namespace platform::d3dx9 {

class Effect final : public d3d9::RefCounted<ID3DXEffect> {
 public:
  // Compiles the stages and links every pass on the device's GL context. On failure answers
  // E_FAIL with the GL log in log.
  static HRESULT create(IDirect3DDevice9* device, EffectDescription description, Effect** effect,
                        std::string& log);

  HRESULT GetDevice(LPDIRECT3DDEVICE9* device) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  D3DXHANDLE GetCurrentTechnique() override;
  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT BeginPass(UINT pass) override;
  HRESULT CommitChanges() override;
  HRESULT EndPass() override;
  HRESULT End() override;

  HRESULT SetInt(D3DXHANDLE parameter, INT value) override;
  HRESULT GetInt(D3DXHANDLE parameter, INT* value) override;
  HRESULT SetBool(D3DXHANDLE parameter, BOOL value) override;
  HRESULT GetBool(D3DXHANDLE parameter, BOOL* value) override;
  HRESULT SetFloat(D3DXHANDLE parameter, FLOAT value) override;
  HRESULT GetFloat(D3DXHANDLE parameter, FLOAT* value) override;
  HRESULT SetFloatArray(D3DXHANDLE parameter, const FLOAT* values, UINT count) override;
  HRESULT GetFloatArray(D3DXHANDLE parameter, FLOAT* values, UINT count) override;
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT GetVector(D3DXHANDLE parameter, D3DXVECTOR4* vector) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT GetMatrix(D3DXHANDLE parameter, D3DXMATRIX* matrix) override;
  HRESULT SetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9 texture) override;
  HRESULT GetTexture(D3DXHANDLE parameter, LPDIRECT3DBASETEXTURE9* texture) override;

 private:
  // A parameter's value: numbers as floats (int and bool types hold whole numbers), or a
  // texture reference held by the effect.
  struct Parameter {
    ParameterDescription description;
    std::vector<float> values;  // componentCount × elements
    IDirect3DBaseTexture9* texture = nullptr;
    DWORD unit = 0;  // texture unit of a texture parameter
  };
  struct Pass {
    GLuint program = 0;
    std::vector<GLint> locations;  // per parameter; -1 where the program does not use it
    std::vector<StateValue> renderStates;
  };
  struct Technique {
    std::string name;
    std::vector<Pass> passes;
  };

  explicit Effect(IDirect3DDevice9* device);
  ~Effect() override;

  // The parameter of that name, or null.
  Parameter* find(D3DXHANDLE name);
  // Writes count numbers into a numeric parameter whose type is among the accepted ones.
  HRESULT store(D3DXHANDLE name, const float* values, UINT count,
                std::initializer_list<ParameterType> accepted);
  HRESULT load(D3DXHANDLE name, float* values, UINT count,
               std::initializer_list<ParameterType> accepted);
  void upload(const Pass& pass);
  // Whether the parameter exists, values were given, its type is among the accepted ones and
  // it holds at least count values; otherwise notes which rule the call breaks.
  bool usable(D3DXHANDLE name, const Parameter* parameter, const void* values, UINT count,
              std::initializer_list<ParameterType> accepted);
  // "the effect (technique Solid, Wire)": how refusals name the effect.
  std::string describe() const;

  IDirect3DDevice9* device_;
  d3d9::GlDialect* dialect_;  // of the device's context, which outlives the effect
  std::vector<Parameter> parameters_;
  // Found by the caller's name as it is, without making a string of it.
  struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const {
      return std::hash<std::string_view>{}(name);
    }
  };
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> parameterIndex_;
  std::vector<Technique> techniques_;
  std::size_t technique_ = 0;
  bool begun_ = false;
  bool inPass_ = false;
  std::size_t pass_ = 0;
  std::vector<StateValue> savedStates_;
  std::vector<GLint> wholeNumbers_;  // upload's int and bool values, kept between uploads
  std::vector<std::size_t> worked_;  // the parameters with a preshader, in declaration order
};

}  // namespace platform::d3dx9

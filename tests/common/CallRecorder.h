// Records the device and effect calls reported while it lives, as text a reader can check
// without a table of numbers: states and their values by their Direct3D names
// ("SetRenderState(D3DRS_ZWRITEENABLE, FALSE)"), everything else as the stand-in reports it
// ("SetFVF(0x102)", "SetFloat(strength, 0.5)").
#pragma once

#include <CallObserver.h>
#include <d3d9.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace vantor_test {

namespace call_names {

struct Name {
  DWORD value;
  const char* name;
};
#define VANTOR_NAME(constant) \
  Name { static_cast<DWORD>(constant), #constant }

inline const char* find(const std::vector<Name>& names, DWORD value) {
  for (const Name& entry : names) {
    if (entry.value == value) return entry.name;
  }
  return nullptr;
}

inline std::string number(DWORD value) { return std::to_string(value); }

inline std::string hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

inline std::string named(const std::vector<Name>& names, DWORD value) {
  const char* name = find(names, value);
  return name ? name : number(value);
}

inline std::string boolean(DWORD value) {
  return value == FALSE ? "FALSE" : value == TRUE ? "TRUE" : number(value);
}

inline const std::vector<Name> blends = {
    VANTOR_NAME(D3DBLEND_ZERO),          VANTOR_NAME(D3DBLEND_ONE),
    VANTOR_NAME(D3DBLEND_SRCCOLOR),      VANTOR_NAME(D3DBLEND_INVSRCCOLOR),
    VANTOR_NAME(D3DBLEND_SRCALPHA),      VANTOR_NAME(D3DBLEND_INVSRCALPHA),
    VANTOR_NAME(D3DBLEND_DESTALPHA),     VANTOR_NAME(D3DBLEND_INVDESTALPHA),
    VANTOR_NAME(D3DBLEND_DESTCOLOR),     VANTOR_NAME(D3DBLEND_INVDESTCOLOR),
    VANTOR_NAME(D3DBLEND_SRCALPHASAT),   VANTOR_NAME(D3DBLEND_BLENDFACTOR),
    VANTOR_NAME(D3DBLEND_INVBLENDFACTOR)};
inline const std::vector<Name> blendOps = {
    VANTOR_NAME(D3DBLENDOP_ADD), VANTOR_NAME(D3DBLENDOP_SUBTRACT),
    VANTOR_NAME(D3DBLENDOP_REVSUBTRACT), VANTOR_NAME(D3DBLENDOP_MIN), VANTOR_NAME(D3DBLENDOP_MAX)};
inline const std::vector<Name> culls = {VANTOR_NAME(D3DCULL_NONE), VANTOR_NAME(D3DCULL_CW),
                                        VANTOR_NAME(D3DCULL_CCW)};
inline const std::vector<Name> comparisons = {
    VANTOR_NAME(D3DCMP_NEVER),        VANTOR_NAME(D3DCMP_LESS),    VANTOR_NAME(D3DCMP_EQUAL),
    VANTOR_NAME(D3DCMP_LESSEQUAL),    VANTOR_NAME(D3DCMP_GREATER), VANTOR_NAME(D3DCMP_NOTEQUAL),
    VANTOR_NAME(D3DCMP_GREATEREQUAL), VANTOR_NAME(D3DCMP_ALWAYS)};
inline const std::vector<Name> fills = {VANTOR_NAME(D3DFILL_POINT), VANTOR_NAME(D3DFILL_WIREFRAME),
                                        VANTOR_NAME(D3DFILL_SOLID)};
inline const std::vector<Name> addresses = {
    VANTOR_NAME(D3DTADDRESS_WRAP), VANTOR_NAME(D3DTADDRESS_MIRROR), VANTOR_NAME(D3DTADDRESS_CLAMP),
    VANTOR_NAME(D3DTADDRESS_BORDER), VANTOR_NAME(D3DTADDRESS_MIRRORONCE)};
inline const std::vector<Name> filters = {VANTOR_NAME(D3DTEXF_NONE), VANTOR_NAME(D3DTEXF_POINT),
                                          VANTOR_NAME(D3DTEXF_LINEAR),
                                          VANTOR_NAME(D3DTEXF_ANISOTROPIC)};
inline const std::vector<Name> operations = {
    VANTOR_NAME(D3DTOP_DISABLE),  VANTOR_NAME(D3DTOP_SELECTARG1), VANTOR_NAME(D3DTOP_SELECTARG2),
    VANTOR_NAME(D3DTOP_MODULATE), VANTOR_NAME(D3DTOP_MODULATE2X), VANTOR_NAME(D3DTOP_MODULATE4X),
    VANTOR_NAME(D3DTOP_ADD)};
inline const std::vector<Name> primitives = {
    VANTOR_NAME(D3DPT_POINTLIST),     VANTOR_NAME(D3DPT_LINELIST),
    VANTOR_NAME(D3DPT_LINESTRIP),     VANTOR_NAME(D3DPT_TRIANGLELIST),
    VANTOR_NAME(D3DPT_TRIANGLESTRIP), VANTOR_NAME(D3DPT_TRIANGLEFAN)};
inline const std::vector<Name> arguments = {VANTOR_NAME(D3DTA_DIFFUSE),  VANTOR_NAME(D3DTA_CURRENT),
                                            VANTOR_NAME(D3DTA_TEXTURE),  VANTOR_NAME(D3DTA_TFACTOR),
                                            VANTOR_NAME(D3DTA_SPECULAR), VANTOR_NAME(D3DTA_TEMP),
                                            VANTOR_NAME(D3DTA_CONSTANT)};

// A texture-stage argument: its source, then its modifiers.
inline std::string stageArgument(DWORD value) {
  std::string text = named(arguments, value & D3DTA_SELECTMASK);
  if (value & D3DTA_COMPLEMENT) text += " | D3DTA_COMPLEMENT";
  if (value & D3DTA_ALPHAREPLICATE) text += " | D3DTA_ALPHAREPLICATE";
  if (value & ~(D3DTA_SELECTMASK | D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) return number(value);
  return text;
}

using Spell = std::string (*)(DWORD value);
struct State {
  Name name;
  Spell value;
};
#define VANTOR_STATE(constant, spell) \
  State { VANTOR_NAME(constant), spell }

inline std::string blend(DWORD v) { return named(blends, v); }
inline std::string blendOp(DWORD v) { return named(blendOps, v); }
inline std::string cull(DWORD v) { return named(culls, v); }
inline std::string comparison(DWORD v) { return named(comparisons, v); }
inline std::string fill(DWORD v) { return named(fills, v); }
inline std::string address(DWORD v) { return named(addresses, v); }
inline std::string filter(DWORD v) { return named(filters, v); }
inline std::string operation(DWORD v) { return named(operations, v); }

inline const std::vector<State> renderStates = {
    VANTOR_STATE(D3DRS_ZENABLE, boolean),
    VANTOR_STATE(D3DRS_FILLMODE, fill),
    VANTOR_STATE(D3DRS_ZWRITEENABLE, boolean),
    VANTOR_STATE(D3DRS_ALPHATESTENABLE, boolean),
    VANTOR_STATE(D3DRS_SRCBLEND, blend),
    VANTOR_STATE(D3DRS_DESTBLEND, blend),
    VANTOR_STATE(D3DRS_CULLMODE, cull),
    VANTOR_STATE(D3DRS_ZFUNC, comparison),
    VANTOR_STATE(D3DRS_ALPHAREF, number),
    VANTOR_STATE(D3DRS_ALPHAFUNC, comparison),
    VANTOR_STATE(D3DRS_DITHERENABLE, boolean),
    VANTOR_STATE(D3DRS_ALPHABLENDENABLE, boolean),
    VANTOR_STATE(D3DRS_FOGENABLE, boolean),
    VANTOR_STATE(D3DRS_SPECULARENABLE, boolean),
    VANTOR_STATE(D3DRS_STENCILENABLE, boolean),
    VANTOR_STATE(D3DRS_STENCILFUNC, comparison),
    VANTOR_STATE(D3DRS_TEXTUREFACTOR, hex),
    VANTOR_STATE(D3DRS_CLIPPING, boolean),
    VANTOR_STATE(D3DRS_LIGHTING, boolean),
    VANTOR_STATE(D3DRS_AMBIENT, hex),
    VANTOR_STATE(D3DRS_COLORWRITEENABLE, hex),
    VANTOR_STATE(D3DRS_BLENDOP, blendOp),
    VANTOR_STATE(D3DRS_SCISSORTESTENABLE, boolean),
    VANTOR_STATE(D3DRS_BLENDFACTOR, hex),
    VANTOR_STATE(D3DRS_SRGBWRITEENABLE, boolean),
    VANTOR_STATE(D3DRS_SEPARATEALPHABLENDENABLE, boolean),
    VANTOR_STATE(D3DRS_SRCBLENDALPHA, blend),
    VANTOR_STATE(D3DRS_DESTBLENDALPHA, blend),
    VANTOR_STATE(D3DRS_BLENDOPALPHA, blendOp)};
inline const std::vector<State> samplerStates = {
    VANTOR_STATE(D3DSAMP_ADDRESSU, address),     VANTOR_STATE(D3DSAMP_ADDRESSV, address),
    VANTOR_STATE(D3DSAMP_ADDRESSW, address),     VANTOR_STATE(D3DSAMP_BORDERCOLOR, hex),
    VANTOR_STATE(D3DSAMP_MAGFILTER, filter),     VANTOR_STATE(D3DSAMP_MINFILTER, filter),
    VANTOR_STATE(D3DSAMP_MIPFILTER, filter),     VANTOR_STATE(D3DSAMP_MAXMIPLEVEL, number),
    VANTOR_STATE(D3DSAMP_MAXANISOTROPY, number), VANTOR_STATE(D3DSAMP_SRGBTEXTURE, boolean)};
inline const std::vector<State> stageStates = {VANTOR_STATE(D3DTSS_COLOROP, operation),
                                               VANTOR_STATE(D3DTSS_COLORARG1, stageArgument),
                                               VANTOR_STATE(D3DTSS_COLORARG2, stageArgument),
                                               VANTOR_STATE(D3DTSS_ALPHAOP, operation),
                                               VANTOR_STATE(D3DTSS_ALPHAARG1, stageArgument),
                                               VANTOR_STATE(D3DTSS_ALPHAARG2, stageArgument),
                                               VANTOR_STATE(D3DTSS_TEXCOORDINDEX, number),
                                               VANTOR_STATE(D3DTSS_COLORARG0, stageArgument),
                                               VANTOR_STATE(D3DTSS_ALPHAARG0, stageArgument),
                                               VANTOR_STATE(D3DTSS_RESULTARG, stageArgument),
                                               VANTOR_STATE(D3DTSS_TEXTURETRANSFORMFLAGS, number)};

#undef VANTOR_STATE
#undef VANTOR_NAME

// "STATE, VALUE" by their names, from the reported "state, value"; a state not in the table
// keeps its numbers.
inline std::string stateAndValue(const std::vector<State>& states, const std::string& text) {
  char* end = nullptr;
  const DWORD state = static_cast<DWORD>(std::strtoul(text.c_str(), &end, 10));
  if (end == text.c_str() || std::strncmp(end, ", ", 2) != 0) return text;
  const char* valueText = end + 2;
  const DWORD value = static_cast<DWORD>(std::strtoul(valueText, &end, 10));
  if (end == valueText || *end != '\0') return text;
  for (const State& entry : states) {
    if (entry.name.value == state) return std::string(entry.name.name) + ", " + entry.value(value);
  }
  return text;
}

}  // namespace call_names

// The arguments of a reported call with the state names and values and the primitive types
// spelled out.
inline std::string symbolicArguments(const char* method, const std::string& arguments) {
  using namespace call_names;
  if (std::strncmp(method, "Draw", 4) == 0) {
    char* end = nullptr;
    const DWORD type = static_cast<DWORD>(std::strtoul(arguments.c_str(), &end, 10));
    const char* name = end != arguments.c_str() ? find(primitives, type) : nullptr;
    return name ? name + arguments.substr(static_cast<std::size_t>(end - arguments.c_str()))
                : arguments;
  }
  if (std::strcmp(method, "SetRenderState") == 0) return stateAndValue(renderStates, arguments);
  const bool sampler = std::strcmp(method, "SetSamplerState") == 0;
  if (sampler || std::strcmp(method, "SetTextureStageState") == 0) {
    // The sampler or stage index stays a number.
    const std::size_t comma = arguments.find(", ");
    if (comma == std::string::npos) return arguments;
    return arguments.substr(0, comma + 2) +
           stateAndValue(sampler ? samplerStates : stageStates, arguments.substr(comma + 2));
  }
  return arguments;
}

// Recorded calls and the questions tests ask of them.
struct CallList {
  bool has(const std::string& call) const {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }
  // The calls that begin with `prefix`, in order.
  std::vector<std::string> starting(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
      if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
  }
  // How many calls begin with `prefix` ("Method(" counts the calls of a method).
  int count(const std::string& prefix) const { return static_cast<int>(starting(prefix).size()); }
  // Index of the first call that begins with `prefix`, or -1.
  long indexOf(const std::string& prefix) const {
    for (std::size_t i = 0; i < calls.size(); ++i) {
      if (calls[i].rfind(prefix, 0) == 0) return static_cast<long>(i);
    }
    return -1;
  }
  // The names of the effect parameters set, in order, repeats kept (SetTechnique sets no
  // parameter). For a record of effect calls or of every call.
  std::vector<std::string> parameters() const {
    std::vector<std::string> names;
    for (const std::string& recorded : calls) {
      std::string call = recorded;
      if (call.rfind("effect.", 0) == 0) call.erase(0, 7);
      if (call.rfind("Set", 0) != 0 || call.rfind("SetTechnique(", 0) == 0) continue;
      const std::size_t open = call.find('(');
      if (call.find('.') < open) continue;  // another object's call
      names.push_back(call.substr(open + 1, call.find_first_of(",)", open) - open - 1));
    }
    return names;
  }

  std::vector<std::string> calls;
};

class CallRecorder : public CallList, public platform::ICallObserver {
 public:
  // With an object ("device", "effect"), only its calls, as "Method(arguments)"; without,
  // every call, as "object.Method(arguments)". Reporting stops when the recorder goes.
  explicit CallRecorder(const char* object = nullptr) : object_(object ? object : "") {
    platform::setCallObserver(this);
  }
  ~CallRecorder() { platform::setCallObserver(nullptr); }
  CallRecorder(const CallRecorder&) = delete;
  CallRecorder& operator=(const CallRecorder&) = delete;

  void onCall(const platform::Call& call) override {
    if (!object_.empty() && object_ != call.object) return;
    std::string text = object_.empty() ? std::string(call.object) + "." : std::string();
    calls.push_back(text + call.method + "(" + symbolicArguments(call.method, call.arguments) +
                    ")");
  }

 private:
  std::string object_;
};

}  // namespace vantor_test

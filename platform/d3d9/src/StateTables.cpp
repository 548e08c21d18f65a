#include "StateTables.h"

namespace platform::d3d9 {

namespace {

// The compilers' own bit cast: the browser build's C++ library has no std::bit_cast.
constexpr DWORD floatBits(float value) { return __builtin_bit_cast(DWORD, value); }

enum class Rule : unsigned char {
  Unknown,      // not a state of this kind
  Any,          // every value draws as Direct3D would (no effect in what the stand-in draws)
  DefaultOnly,  // only the default is honoured
  Bool,
  Range,  // low..high inclusive
};

struct StateRule {
  Rule rule = Rule::Unknown;
  DWORD defaultValue = 0;
  DWORD low = 0;
  DWORD high = 0;
};

constexpr StateRule any(DWORD value) { return {Rule::Any, value}; }
constexpr StateRule only(DWORD value) { return {Rule::DefaultOnly, value}; }
constexpr StateRule boolean(DWORD value) { return {Rule::Bool, value}; }
constexpr StateRule range(DWORD value, DWORD low, DWORD high) {
  return {Rule::Range, value, low, high};
}

bool accepts(const StateRule& rule, DWORD value) {
  switch (rule.rule) {
    case Rule::Unknown: return false;
    case Rule::Any: return true;
    case Rule::DefaultOnly: return value == rule.defaultValue;
    case Rule::Bool: return value <= 1;
    case Rule::Range: return value >= rule.low && value <= rule.high;
  }
  return false;
}

std::array<StateRule, kRenderStateCount> makeRenderRules() {
  std::array<StateRule, kRenderStateCount> r{};
  r[D3DRS_ZENABLE] = range(D3DZB_FALSE, D3DZB_FALSE, D3DZB_TRUE);
  r[D3DRS_FILLMODE] = range(D3DFILL_SOLID, D3DFILL_POINT, D3DFILL_SOLID);
  r[D3DRS_SHADEMODE] = only(D3DSHADE_GOURAUD);
  r[D3DRS_ZWRITEENABLE] = boolean(TRUE);
  r[D3DRS_ALPHATESTENABLE] = only(FALSE);
  r[D3DRS_LASTPIXEL] = any(TRUE);
  r[D3DRS_SRCBLEND] = range(D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_INVBLENDFACTOR);
  r[D3DRS_DESTBLEND] = range(D3DBLEND_ZERO, D3DBLEND_ZERO, D3DBLEND_INVBLENDFACTOR);
  r[D3DRS_CULLMODE] = range(D3DCULL_CCW, D3DCULL_NONE, D3DCULL_CCW);
  r[D3DRS_ZFUNC] = range(D3DCMP_LESSEQUAL, D3DCMP_NEVER, D3DCMP_ALWAYS);
  r[D3DRS_ALPHAREF] = any(0);
  r[D3DRS_ALPHAFUNC] = any(D3DCMP_ALWAYS);
  r[D3DRS_DITHERENABLE] = any(FALSE);
  r[D3DRS_ALPHABLENDENABLE] = boolean(FALSE);
  r[D3DRS_FOGENABLE] = only(FALSE);
  r[D3DRS_SPECULARENABLE] = any(FALSE);
  r[D3DRS_FOGCOLOR] = any(0);
  r[D3DRS_FOGTABLEMODE] = any(0);
  r[D3DRS_FOGSTART] = any(floatBits(0.0f));
  r[D3DRS_FOGEND] = any(floatBits(1.0f));
  r[D3DRS_FOGDENSITY] = any(floatBits(1.0f));
  r[D3DRS_RANGEFOGENABLE] = any(FALSE);
  r[D3DRS_STENCILENABLE] = only(FALSE);
  r[D3DRS_STENCILFAIL] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_STENCILZFAIL] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_STENCILPASS] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_STENCILFUNC] = any(D3DCMP_ALWAYS);
  r[D3DRS_STENCILREF] = any(0);
  r[D3DRS_STENCILMASK] = any(0xFFFFFFFF);
  r[D3DRS_STENCILWRITEMASK] = any(0xFFFFFFFF);
  r[D3DRS_TEXTUREFACTOR] = any(0xFFFFFFFF);
  for (DWORD wrap = D3DRS_WRAP0; wrap <= D3DRS_WRAP7; ++wrap) r[wrap] = only(0);
  for (DWORD wrap = D3DRS_WRAP8; wrap <= D3DRS_WRAP15; ++wrap) r[wrap] = only(0);
  r[D3DRS_CLIPPING] = any(TRUE);
  r[D3DRS_LIGHTING] = boolean(TRUE);
  r[D3DRS_AMBIENT] = any(0);
  r[D3DRS_FOGVERTEXMODE] = any(0);
  r[D3DRS_COLORVERTEX] = any(TRUE);
  r[D3DRS_LOCALVIEWER] = any(TRUE);
  r[D3DRS_NORMALIZENORMALS] = any(FALSE);
  r[D3DRS_DIFFUSEMATERIALSOURCE] = any(D3DMCS_COLOR1);
  r[D3DRS_SPECULARMATERIALSOURCE] = any(D3DMCS_COLOR2);
  r[D3DRS_AMBIENTMATERIALSOURCE] = any(D3DMCS_MATERIAL);
  r[D3DRS_EMISSIVEMATERIALSOURCE] = any(D3DMCS_MATERIAL);
  r[D3DRS_VERTEXBLEND] = only(0);
  r[D3DRS_CLIPPLANEENABLE] = only(0);
  r[D3DRS_POINTSIZE] = only(floatBits(1.0f));
  r[D3DRS_POINTSIZE_MIN] = any(floatBits(1.0f));
  r[D3DRS_POINTSPRITEENABLE] = only(FALSE);
  r[D3DRS_POINTSCALEENABLE] = only(FALSE);
  r[D3DRS_POINTSCALE_A] = any(floatBits(1.0f));
  r[D3DRS_POINTSCALE_B] = any(floatBits(0.0f));
  r[D3DRS_POINTSCALE_C] = any(floatBits(0.0f));
  r[D3DRS_MULTISAMPLEANTIALIAS] = any(TRUE);
  r[D3DRS_MULTISAMPLEMASK] = any(0xFFFFFFFF);
  r[D3DRS_PATCHEDGESTYLE] = only(0);
  r[D3DRS_DEBUGMONITORTOKEN] = any(0);
  r[D3DRS_POINTSIZE_MAX] = any(floatBits(64.0f));
  r[D3DRS_INDEXEDVERTEXBLENDENABLE] = only(FALSE);
  r[D3DRS_COLORWRITEENABLE] = range(0xF, 0, 0xF);
  r[D3DRS_COLORWRITEENABLE1] = range(0xF, 0, 0xF);
  r[D3DRS_COLORWRITEENABLE2] = range(0xF, 0, 0xF);
  r[D3DRS_COLORWRITEENABLE3] = range(0xF, 0, 0xF);
  r[D3DRS_TWEENFACTOR] = any(floatBits(0.0f));
  r[D3DRS_BLENDOP] = range(D3DBLENDOP_ADD, D3DBLENDOP_ADD, D3DBLENDOP_MAX);
  r[D3DRS_POSITIONDEGREE] = any(D3DDEGREE_CUBIC);
  r[D3DRS_NORMALDEGREE] = any(D3DDEGREE_LINEAR);
  r[D3DRS_SCISSORTESTENABLE] = only(FALSE);
  r[D3DRS_SLOPESCALEDEPTHBIAS] = only(0);
  r[D3DRS_ANTIALIASEDLINEENABLE] = only(FALSE);
  r[D3DRS_MINTESSELLATIONLEVEL] = any(floatBits(1.0f));
  r[D3DRS_MAXTESSELLATIONLEVEL] = any(floatBits(1.0f));
  r[D3DRS_ADAPTIVETESS_X] = any(floatBits(0.0f));
  r[D3DRS_ADAPTIVETESS_Y] = any(floatBits(0.0f));
  r[D3DRS_ADAPTIVETESS_Z] = any(floatBits(1.0f));
  r[D3DRS_ADAPTIVETESS_W] = any(floatBits(0.0f));
  r[D3DRS_ENABLEADAPTIVETESSELLATION] = only(FALSE);
  r[D3DRS_TWOSIDEDSTENCILMODE] = only(FALSE);
  r[D3DRS_CCW_STENCILFAIL] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_CCW_STENCILZFAIL] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_CCW_STENCILPASS] = any(D3DSTENCILOP_KEEP);
  r[D3DRS_CCW_STENCILFUNC] = any(D3DCMP_ALWAYS);
  r[D3DRS_BLENDFACTOR] = any(0xFFFFFFFF);
  r[D3DRS_SRGBWRITEENABLE] = only(0);
  r[D3DRS_DEPTHBIAS] = only(0);
  r[D3DRS_SEPARATEALPHABLENDENABLE] = boolean(FALSE);
  r[D3DRS_SRCBLENDALPHA] = range(D3DBLEND_ONE, D3DBLEND_ZERO, D3DBLEND_INVBLENDFACTOR);
  r[D3DRS_DESTBLENDALPHA] = range(D3DBLEND_ZERO, D3DBLEND_ZERO, D3DBLEND_INVBLENDFACTOR);
  r[D3DRS_BLENDOPALPHA] = range(D3DBLENDOP_ADD, D3DBLENDOP_ADD, D3DBLENDOP_MAX);
  return r;
}

const std::array<StateRule, kRenderStateCount>& renderRules() {
  static const auto rules = makeRenderRules();
  return rules;
}

std::array<StateRule, kSamplerStateCount> makeSamplerRules() {
  std::array<StateRule, kSamplerStateCount> r{};
  r[D3DSAMP_ADDRESSU] = range(D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRRORONCE);
  r[D3DSAMP_ADDRESSV] = range(D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRRORONCE);
  r[D3DSAMP_ADDRESSW] = range(D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_MIRRORONCE);
  r[D3DSAMP_BORDERCOLOR] = any(0);
  r[D3DSAMP_MAGFILTER] = range(D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_ANISOTROPIC);
  r[D3DSAMP_MINFILTER] = range(D3DTEXF_POINT, D3DTEXF_POINT, D3DTEXF_ANISOTROPIC);
  r[D3DSAMP_MIPFILTER] = range(D3DTEXF_NONE, D3DTEXF_NONE, D3DTEXF_LINEAR);
  r[D3DSAMP_MIPMAPLODBIAS] = any(0);
  r[D3DSAMP_MAXMIPLEVEL] = range(0, 0, 15);
  r[D3DSAMP_MAXANISOTROPY] = range(1, 1, 16);
  r[D3DSAMP_SRGBTEXTURE] = only(0);
  r[D3DSAMP_ELEMENTINDEX] = any(0);
  r[D3DSAMP_DMAPOFFSET] = any(0);
  return r;
}

const std::array<StateRule, kSamplerStateCount>& samplerRules() {
  static const auto rules = makeSamplerRules();
  return rules;
}

bool isTextureArgument(DWORD value) {
  switch (value) {
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT:
    case D3DTA_TEXTURE:
    case D3DTA_TFACTOR: return true;
    default: return false;
  }
}

bool isTextureOp(DWORD value) { return value >= D3DTOP_DISABLE && value <= D3DTOP_ADD; }

// Stage 0 is the one blending stage the stand-in draws; later stages must stay disabled.
StateRule stageRule(UINT stage, DWORD state) {
  switch (state) {
    case D3DTSS_COLOROP: return stage == 0 ? any(D3DTOP_MODULATE) : only(D3DTOP_DISABLE);
    case D3DTSS_ALPHAOP: return stage == 0 ? any(D3DTOP_SELECTARG1) : only(D3DTOP_DISABLE);
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1: return any(D3DTA_TEXTURE);
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2: return any(D3DTA_CURRENT);
    case D3DTSS_BUMPENVMAT00:
    case D3DTSS_BUMPENVMAT01:
    case D3DTSS_BUMPENVMAT10:
    case D3DTSS_BUMPENVMAT11:
    case D3DTSS_BUMPENVLSCALE:
    case D3DTSS_BUMPENVLOFFSET:
    case D3DTSS_CONSTANT: return any(0);
    case D3DTSS_TEXCOORDINDEX: return only(stage);
    case D3DTSS_TEXTURETRANSFORMFLAGS: return only(0);
    case D3DTSS_COLORARG0:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_RESULTARG: return only(D3DTA_CURRENT);
    default: return {};
  }
}

}  // namespace

RenderStates defaultRenderStates(bool withDepth) {
  RenderStates states{};
  for (UINT i = 0; i < kRenderStateCount; ++i) states[i] = renderRules()[i].defaultValue;
  states[D3DRS_ZENABLE] = withDepth ? D3DZB_TRUE : D3DZB_FALSE;
  return states;
}

SamplerStates defaultSamplerStates() {
  SamplerStates states{};
  for (UINT i = 0; i < kSamplerStateCount; ++i) states[i] = samplerRules()[i].defaultValue;
  return states;
}

StageStates defaultStageStates(UINT stage) {
  StageStates states{};
  for (UINT i = 0; i < kStageStateCount; ++i) states[i] = stageRule(stage, i).defaultValue;
  return states;
}

bool isRenderState(DWORD state) {
  return state < kRenderStateCount && renderRules()[state].rule != Rule::Unknown;
}
bool isSamplerState(DWORD state) {
  return state < kSamplerStateCount && samplerRules()[state].rule != Rule::Unknown;
}
bool isStageState(DWORD state) {
  return state < kStageStateCount && stageRule(0, state).rule != Rule::Unknown;
}

bool acceptsRenderState(DWORD state, DWORD value) {
  return isRenderState(state) && accepts(renderRules()[state], value);
}

bool acceptsSamplerState(DWORD state, DWORD value) {
  if (!isSamplerState(state)) return false;
  // Direct3D has no "no filter" for magnification or minification.
  if ((state == D3DSAMP_MAGFILTER || state == D3DSAMP_MINFILTER) && value == D3DTEXF_NONE) {
    return false;
  }
  return accepts(samplerRules()[state], value);
}

bool acceptsStageState(UINT stage, DWORD state, DWORD value) {
  if (stage >= kStageCount || !isStageState(state)) return false;
  switch (state) {
    case D3DTSS_COLOROP:
    case D3DTSS_ALPHAOP: return stage == 0 ? isTextureOp(value) : value == D3DTOP_DISABLE;
    case D3DTSS_COLORARG1:
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG1:
    case D3DTSS_ALPHAARG2: return isTextureArgument(value);
    default: return accepts(stageRule(stage, state), value);
  }
}

}  // namespace platform::d3d9

#include "EffectStates.h"

#include <d3d9.h>

#include <array>
#include <utility>

namespace platform::d3dx9 {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

using ValueName = std::pair<std::string_view, std::uint32_t>;

template <std::size_t N>
std::optional<std::uint32_t> lookUp(const std::array<ValueName, N>& table, std::string_view name) {
  for (const auto& [valueName, value] : table) {
    if (equalsIgnoringCase(valueName, name)) return value;
  }
  return std::nullopt;
}

template <std::size_t N>
bool contains(const std::array<ValueName, N>& table, std::uint32_t value) {
  for (const auto& entry : table) {
    if (entry.second == value) return true;
  }
  return false;
}

constexpr std::array<ValueName, 2> kBools{{{"false", FALSE}, {"true", TRUE}}};
constexpr std::array<ValueName, 2> kZBuffer{{{"false", D3DZB_FALSE}, {"true", D3DZB_TRUE}}};
constexpr std::array<ValueName, 3> kCull{
    {{"None", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}}};
constexpr std::array<ValueName, 8> kCompare{{{"Never", D3DCMP_NEVER},
                                             {"Less", D3DCMP_LESS},
                                             {"Equal", D3DCMP_EQUAL},
                                             {"LessEqual", D3DCMP_LESSEQUAL},
                                             {"Greater", D3DCMP_GREATER},
                                             {"NotEqual", D3DCMP_NOTEQUAL},
                                             {"GreaterEqual", D3DCMP_GREATEREQUAL},
                                             {"Always", D3DCMP_ALWAYS}}};
constexpr std::array<ValueName, 11> kBlend{{{"Zero", D3DBLEND_ZERO},
                                            {"One", D3DBLEND_ONE},
                                            {"SrcColor", D3DBLEND_SRCCOLOR},
                                            {"InvSrcColor", D3DBLEND_INVSRCCOLOR},
                                            {"SrcAlpha", D3DBLEND_SRCALPHA},
                                            {"InvSrcAlpha", D3DBLEND_INVSRCALPHA},
                                            {"DestAlpha", D3DBLEND_DESTALPHA},
                                            {"InvDestAlpha", D3DBLEND_INVDESTALPHA},
                                            {"DestColor", D3DBLEND_DESTCOLOR},
                                            {"InvDestColor", D3DBLEND_INVDESTCOLOR},
                                            {"SrcAlphaSat", D3DBLEND_SRCALPHASAT}}};
constexpr std::array<ValueName, 5> kBlendOp{{{"Add", D3DBLENDOP_ADD},
                                             {"Subtract", D3DBLENDOP_SUBTRACT},
                                             {"RevSubtract", D3DBLENDOP_REVSUBTRACT},
                                             {"Min", D3DBLENDOP_MIN},
                                             {"Max", D3DBLENDOP_MAX}}};
constexpr std::array<ValueName, 4> kFilter{{{"None", D3DTEXF_NONE},
                                            {"Point", D3DTEXF_POINT},
                                            {"Linear", D3DTEXF_LINEAR},
                                            {"Anisotropic", D3DTEXF_ANISOTROPIC}}};
constexpr std::array<ValueName, 5> kAddress{{{"Wrap", D3DTADDRESS_WRAP},
                                             {"Mirror", D3DTADDRESS_MIRROR},
                                             {"Clamp", D3DTADDRESS_CLAMP},
                                             {"Border", D3DTADDRESS_BORDER},
                                             {"MirrorOnce", D3DTADDRESS_MIRRORONCE}}};

#define STATE_VALUES(table)                                  \
  [](std::string_view name) { return lookUp(table, name); }, \
      [](std::uint32_t value) { return contains(table, value); }

const std::array<StateInfo, 8> kRenderStates{{
    {"ZEnable", D3DRS_ZENABLE, STATE_VALUES(kZBuffer)},
    {"ZWriteEnable", D3DRS_ZWRITEENABLE, STATE_VALUES(kBools)},
    {"ZFunc", D3DRS_ZFUNC, STATE_VALUES(kCompare)},
    {"CullMode", D3DRS_CULLMODE, STATE_VALUES(kCull)},
    {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, STATE_VALUES(kBools)},
    {"SrcBlend", D3DRS_SRCBLEND, STATE_VALUES(kBlend)},
    {"DestBlend", D3DRS_DESTBLEND, STATE_VALUES(kBlend)},
    {"BlendOp", D3DRS_BLENDOP, STATE_VALUES(kBlendOp)},
}};

const std::array<StateInfo, 6> kSamplerStates{{
    {"MinFilter", D3DSAMP_MINFILTER, STATE_VALUES(kFilter)},
    {"MagFilter", D3DSAMP_MAGFILTER, STATE_VALUES(kFilter)},
    {"MipFilter", D3DSAMP_MIPFILTER, STATE_VALUES(kFilter)},
    {"AddressU", D3DSAMP_ADDRESSU, STATE_VALUES(kAddress)},
    {"AddressV", D3DSAMP_ADDRESSV, STATE_VALUES(kAddress)},
    {"AddressW", D3DSAMP_ADDRESSW, STATE_VALUES(kAddress)},
}};

#undef STATE_VALUES

template <std::size_t N>
const StateInfo* byName(const std::array<StateInfo, N>& table, std::string_view name) {
  for (const StateInfo& info : table) {
    if (equalsIgnoringCase(info.name, name)) return &info;
  }
  return nullptr;
}

template <std::size_t N>
const StateInfo* byState(const std::array<StateInfo, N>& table, std::uint32_t state) {
  for (const StateInfo& info : table) {
    if (info.state == state) return &info;
  }
  return nullptr;
}

}  // namespace

const StateInfo* findRenderState(std::string_view name) { return byName(kRenderStates, name); }
const StateInfo* findRenderState(std::uint32_t state) { return byState(kRenderStates, state); }
const StateInfo* findSamplerState(std::string_view name) { return byName(kSamplerStates, name); }
const StateInfo* findSamplerState(std::uint32_t state) { return byState(kSamplerStates, state); }

}  // namespace platform::d3dx9

// The render, sampler and texture-stage states of Direct3D 9: their documented defaults and
// which values the stand-in honours. A state is stored when its value is drawn as Direct3D
// would draw it; a value the stand-in cannot honour is refused, never stored and ignored.
#pragma once

#include <d3d9.h>

#include <array>

namespace platform::d3d9 {

constexpr UINT kRenderStateCount = 256;
constexpr UINT kSamplerStateCount = 14;
constexpr UINT kStageStateCount = 33;
constexpr UINT kSamplerCount = 16;
constexpr UINT kStageCount = 8;

using RenderStates = std::array<DWORD, kRenderStateCount>;
using SamplerStates = std::array<DWORD, kSamplerStateCount>;
using StageStates = std::array<DWORD, kStageStateCount>;

// Defaults of a new device; `withDepth` is whether it has an automatic depth-stencil surface
// (D3DRS_ZENABLE starts TRUE then).
RenderStates defaultRenderStates(bool withDepth);
SamplerStates defaultSamplerStates();
StageStates defaultStageStates(UINT stage);

bool isRenderState(DWORD state);
bool isSamplerState(DWORD state);
bool isStageState(DWORD state);

// Whether the value may be set: false also for states that do not exist.
bool acceptsRenderState(DWORD state, DWORD value);
bool acceptsSamplerState(DWORD state, DWORD value);
bool acceptsStageState(UINT stage, DWORD state, DWORD value);

}  // namespace platform::d3d9

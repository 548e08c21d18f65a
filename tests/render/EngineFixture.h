// The process-wide window and a headless device in the graphics context, as the engine has
// them once the window is open: a 640 x 480 back buffer with a 16:9 picture (640 x 359 at
// y 60). Made once per process (the engine's singletons live that long).
#pragma once

#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/CallRecorder.h"

namespace vantor {
class RenderTarget;
}  // namespace vantor

namespace vantor_test {

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  IDirect3DDevice9* device();
  // Pixels of a surface as 0xAARRGGBB, top row first.
  std::vector<std::uint32_t> pixels(IDirect3DSurface9* surface);
  IDirect3DSurface9* boundTarget(DWORD slot);  // no reference kept
  // Level 0 of a render target's texture; no reference kept (the texture holds one).
  IDirect3DSurface9* surfaceOf(vantor::RenderTarget* target);
  IDirect3DSurface9* boundDepth();  // no reference kept
  D3DVIEWPORT9 viewport();
};

// Loading-progress points passed since the start of the process, and what a test wants done
// at each (may be empty).
extern int progressTicks;
extern std::function<void()> onProgress;

}  // namespace vantor_test

// Present on a real window: runs only where a display is reachable (for example under Xvfb);
// elsewhere it is skipped.
#include <SDL.h>
#include <d3d9.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "DeviceGl.h"
#include "WindowHost.h"

namespace {

TEST(WindowedPresent, TheBackBufferFillsTheWindowKeepingItsAspect) {
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  // A window twice as wide as the picture's aspect: the picture is centred between black bars.
  SDL_Window* window = SDL_CreateWindow("present", 0, 0, 200, 50, SDL_WINDOW_OPENGL);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  HWND handle = reinterpret_cast<HWND>(window);
  platform::win32::attachSdlWindow(handle, window);

  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  D3DPRESENT_PARAMETERS p = platform::d3d9::windowedParameters(100, 50, handle);
  p.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, handle,
                              D3DCREATE_HARDWARE_VERTEXPROCESSING, &p, &device),
            D3D_OK);
  // Top half red, bottom half blue, so a flipped picture shows.
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  const D3DRECT bottom{0, 25, 100, 50};
  ASSERT_EQ(device->Clear(1, &bottom, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

  // What was presented is read from the window's drawable. Mesa's software swap copies the back
  // buffer to the window and keeps it, while its front buffer cannot be read back; with another
  // driver this read may see an undefined back buffer.
  ASSERT_TRUE(platform::d3d9::makeCurrent(device));
  unsigned char pixel[4];
  auto windowPixel = [&](int x, int yFromTop) {
    glReadBuffer(GL_BACK);
    glReadPixels(x, 50 - 1 - yFromTop, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    return (pixel[0] << 16) | (pixel[1] << 8) | pixel[2];
  };
  EXPECT_EQ(windowPixel(100, 10), 0xFF0000);  // picture, top half
  EXPECT_EQ(windowPixel(100, 40), 0x0000FF);  // picture, bottom half
  EXPECT_EQ(windowPixel(10, 10), 0x000000);   // bar
  EXPECT_EQ(windowPixel(190, 40), 0x000000);  // bar

  EXPECT_EQ(device->Release(), 0u);
  d3d->Release();
  platform::win32::attachSdlWindow(handle, nullptr);
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

}  // namespace

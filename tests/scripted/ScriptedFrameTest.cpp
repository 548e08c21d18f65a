#include <fmod.hpp>
#include <gtest/gtest.h>

#include "ScriptedRun.h"
#include <DeviceGl.h>

namespace {

using platform::scripted::Input;
using platform::scripted::ScriptedRun;

bool escapeSeen = false;
LRESULT CALLBACK demoProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) escapeSeen = true;
  return DefWindowProcA(window, message, wParam, lParam);
}

// The demo's shape: a window, a headless device, the music, Presents that move the clock.
TEST(ScriptedRun, PresentsMoveTheClockAndTheMusicAndFrameInputArrives) {
  ScriptedRun run(20, 5000);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = 48;
  windowClass.lpfnWndProc = demoProcedure;
  windowClass.lpszClassName = "KESTU09";
  RegisterClassExA(&windowClass);
  HWND window = CreateWindowExA(0x40100, "KESTU09", "KESTU09", WS_OVERLAPPEDWINDOW, 0, 0, 64, 48,
                                nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  ShowWindow(window, SW_SHOW);

  IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_TRUE(direct3d);
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(64, 48, window);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
            D3D_OK);

  std::string tone = VANTOR_SOURCE_DIR "/tests/fmod/fixtures/tone.mp3";
  FMOD::System* music = nullptr;
  FMOD_System_Create(&music);
  music->init(1, FMOD_INIT_NORMAL, nullptr);
  FMOD::Sound* sound = nullptr;
  ASSERT_EQ(music->createStream(tone.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound), FMOD_OK);
  FMOD::Channel* channel = nullptr;
  music->playSound(FMOD_CHANNEL_FREE, sound, false, &channel);

  run.atFrame(3, Input::key(VK_ESCAPE));
  std::vector<int> shown;
  std::vector<std::uint32_t> centres;  // read back from inside the frame handler, as tools do
  run.onFrame([&](int frame) {
    shown.push_back(frame);
    platform::scripted::Image image;
    if (platform::scripted::readBackBuffer(device, image) == D3D_OK) {
      centres.push_back(image.argb[24 * 64 + 32]);
    }
  });
  DWORD start = timeGetTime();
  for (int frame = 0; frame < 5 && !escapeSeen; ++frame) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  EXPECT_TRUE(escapeSeen);
  EXPECT_EQ(shown, (std::vector<int>{1, 2, 3}));  // Escape arrived after the third frame
  EXPECT_EQ(centres, (std::vector<std::uint32_t>(3, 0xFF00FF00u)));
  EXPECT_EQ(timeGetTime() - start, 60u);
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_EQ(position, 60u);  // the music follows the same clock

  platform::scripted::Image frame;
  ASSERT_EQ(platform::scripted::readBackBuffer(device, frame), D3D_OK);
  ASSERT_EQ(frame.width, 64);
  ASSERT_EQ(frame.height, 48);
  EXPECT_EQ(frame.argb[24 * 64 + 32], 0xFF00FF00u);  // the cleared green, read back exactly

  music->release();
  device->Release();
  direct3d->Release();
  DestroyWindow(window);
}

}  // namespace

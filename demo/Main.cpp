// The process entry: start-up, the frame loop with its timing and music, and shutdown.
#include <windows.h>

#include <fmod.hpp>

#include "Core/Fatal.h"
#include "demo/D3DWindow.h"
#include "demo/DemoHooks.h"
#include "demo/Launcher.h"
#include "demo/RunLength.h"
#include "Core/Progress.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/EffectHandler.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "demo\\Main";

constexpr DWORD kStepMs = 50;  // demoStep's fixed step

// Owned by the shell for the whole run and never released: the process ends with them.
struct Music {
  FMOD::System* system = nullptr;
  FMOD::Sound* sound = nullptr;
  FMOD::Channel* channel = nullptr;
};
Music music;

void openMusic() {
  FMOD_System_Create(&music.system);
  if (!music.system) return;
  music.system->init(1, FMOD_INIT_NORMAL, nullptr);
  // "data/kestuinvi.mp3" where the working folder has it, else where the data files are
  // found (beside the executable or installed), so the demo runs from any folder.
  const std::string track = findDataFile("kestuinvi.mp3");
  music.system->createStream(track.empty() ? "data/kestuinvi.mp3" : track.c_str(),
                             FMOD_2D | FMOD_SOFTWARE, nullptr, &music.sound);
}

void playMusic() {
  if (music.system && music.sound) {
    music.system->playSound(FMOD_CHANNEL_FREE, music.sound, false, &music.channel);
  }
}

// Milliseconds played, or 0 when there is no track or it has ended.
unsigned int musicPosition() {
  unsigned int position = 0;
  if (music.channel) music.channel->getPosition(&position, FMOD_TIMEUNIT_MS);
  return position;
}

void runFrames(D3DWindow& window) {
  IDirect3DDevice9* device = GraphicsContext::instance()->device();
  const DisplaySettings& settings = window.displaySettings();
  const DWORD startTime = timeGetTime();
  DWORD lastTime = startTime;
  DWORD pendingStepMs = 0;
  while (!window.isClosed()) {
    const D3DVIEWPORT9 whole{
        0, 0, static_cast<DWORD>(settings.width), static_cast<DWORD>(settings.height), 0.0f, 1.0f};
    device->SetViewport(&whole);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_STENCIL, 0, 0.0f, 0);
    const D3DVIEWPORT9 picture = window.defaultViewport();
    VANTOR_CHECK_LINE(device->SetViewport(&picture), 293);

    const DWORD now = timeGetTime();
    const DWORD frameMs = now - lastTime;  // unsigned: the timer's wrap is harmless
    const DWORD elapsedMs = now - startTime;
    lastTime = now;
    const unsigned int musicMs = musicPosition();
    pendingStepMs += frameMs;
    if (elapsedMs >= kRunLengthMs) window.close();  // this frame still runs and is shown

    VANTOR_CHECK_LINE(device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0),
                      341);
    const auto musicSeconds = static_cast<float>(static_cast<double>(musicMs) / 1000.0);
    for (DWORD steps = pendingStepMs / kStepMs; steps > 0; --steps) {
      demoStep(kStepMs / 1000.0f, musicSeconds);
      pendingStepMs -= kStepMs;
    }
    demoFrame(static_cast<float>(frameMs) / 1000.0f, musicSeconds);
    VANTOR_CHECK_LINE(device->Present(nullptr, nullptr, nullptr, nullptr), 357);

    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

}  // namespace

}  // namespace vantor

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace vantor;
  // Destroyed last, when the entry returns, on every path.
  D3DWindow window;
  window.displaySettings() = DisplaySettings{};
  demoConfigure(window.displaySettings());
  if (!runLauncher(window.displaySettings(), instance)) return 0;

  window.open(window.displaySettings());
  openMusic();
  demoSetup();
  loadingActive = false;
  playMusic();

  runFrames(window);

  demoShutdown();
  EffectHandler::destroy();
  GraphicsContext::instance()->releaseAll();
  return 0;
}

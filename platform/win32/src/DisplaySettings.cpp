#include <windows.h>

#include <cstddef>

#include "Display.h"
#include "FullScreen.h"
#include "WindowHost.h"

namespace platform::win32 {

namespace {
struct TakenMode {
  bool active = false;
  int width = 0;
  int height = 0;
} taken;
}  // namespace

bool fullScreenActive() { return taken.active; }
int fullScreenWidth() { return taken.width; }
int fullScreenHeight() { return taken.height; }

}  // namespace platform::win32

using namespace platform::win32;

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
  if (!mode) {
    if (flags != 0) return DISP_CHANGE_BADFLAGS;
    taken.active = false;
    return DISP_CHANGE_SUCCESSFUL;
  }
  if (flags & ~(CDS_TEST | CDS_FULLSCREEN)) return DISP_CHANGE_BADFLAGS;
  if (mode->dmSize < offsetof(DEVMODEA, dmDisplayFrequency)) return DISP_CHANGE_BADPARAM;
  if (!hasDisplay()) return DISP_CHANGE_FAILED;
  if ((mode->dmFields & DM_BITSPERPEL) && mode->dmBitsPerPel != 32) return DISP_CHANGE_BADMODE;
  if (!(mode->dmFields & DM_PELSWIDTH) || !(mode->dmFields & DM_PELSHEIGHT)) {
    return DISP_CHANGE_BADPARAM;
  }
  bool wantsRate = mode->dmFields & DM_DISPLAYFREQUENCY;
  for (const DisplayMode& available : displayModes()) {
    if (available.width != mode->dmPelsWidth || available.height != mode->dmPelsHeight) continue;
    if (wantsRate && mode->dmDisplayFrequency != available.refreshRate) continue;
    if (!(flags & CDS_TEST)) {
      taken = {true, static_cast<int>(available.width), static_cast<int>(available.height)};
    }
    return DISP_CHANGE_SUCCESSFUL;
  }
  return DISP_CHANGE_BADMODE;
}

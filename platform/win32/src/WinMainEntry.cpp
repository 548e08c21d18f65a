#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "Display.h"
#include "PresentationCheck.h"

// The C entry of a program whose engine defines WinMain. The command line is not passed on.
// Such a program exists to be seen: where nothing can be shown (no display, no window, no
// OpenGL 4.5 in a window) it says why in one line and ends with exit code 1, before its first
// window where that can be known, so that whoever started it can tell that nobody saw it.
// Every other end the program itself chooses keeps its own exit code.
int main() {
  const std::string why = platform::d3d9::whyNothingCanBeShown();
  if (!why.empty()) {
    std::fprintf(stderr, "%s: nothing can be shown: %s\n", program_invocation_short_name,
                 why.c_str());
    return 1;
  }
  const int code =
      WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<LPSTR>(""), SW_SHOWDEFAULT);
  // A window refused later on (the full-screen one, say) leaves the engine running unseen,
  // to an end that looks orderly.
  const std::string& refused = platform::win32::whyAWindowWasRefused();
  if (code == 0 && !refused.empty()) {
    std::fprintf(stderr, "%s: nothing could be shown: a window was refused (%s)\n",
                 program_invocation_short_name, refused.c_str());
    return 1;
  }
  return code;
}

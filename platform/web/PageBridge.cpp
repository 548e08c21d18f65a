#include "PageBridge.h"

#include <emscripten.h>

#include <vector>

namespace platform::web {

// Each hook is looked up at the call: a page that lacks one (an embedding of its own) is
// simply not told.
void reportState(const char* state) {
  EM_ASM(
      {
        const page = window.kestu09Page;
        if (page && page.stateChanged) page.stateChanged(UTF8ToString($0));
      },
      state);
}

void reportMusic(double seconds) {
  EM_ASM(
      {
        const page = window.kestu09Page;
        if (page && page.music) page.music($0);
      },
      seconds);
}

void reportFrame() {
  EM_ASM({
    const page = window.kestu09Page;
    if (page && page.framePresented) page.framePresented();
  });
}

bool showMessage(const char* caption, const char* text) {
  return EM_ASM_INT(
             {
               const page = window.kestu09Page;
               if (!page || !page.messageBox) return 0;
               page.messageBox(UTF8ToString($0), UTF8ToString($1));
               return 1;
             },
             caption, text) != 0;
}

namespace {
// The canvas's byte order, alpha forced opaque: the page composes these over nothing.
std::vector<std::uint8_t> rgbaOf(int width, int height, const std::uint32_t* argb) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i < rgba.size() / 4; ++i) {
    rgba[i * 4 + 0] = (argb[i] >> 16) & 0xFF;
    rgba[i * 4 + 1] = (argb[i] >> 8) & 0xFF;
    rgba[i * 4 + 2] = argb[i] & 0xFF;
    rgba[i * 4 + 3] = 0xFF;
  }
  return rgba;
}
}  // namespace

bool showsWindows() { return true; }

void showWindowPicture(int width, int height, const std::uint32_t* argb) {
  const std::vector<std::uint8_t> rgba = rgbaOf(width, height, argb);
  EM_ASM(
      {
        const page = window.kestu09Page;
        if (page && page.windowPicture)
          page.windowPicture($0, $1, HEAPU8.slice($2, $2 + $0 * $1 * 4));
      },
      width, height, rgba.data());
}

void showStill(int width, int height, const std::uint32_t* argb) {
  const std::vector<std::uint8_t> rgba = rgbaOf(width, height, argb);
  EM_ASM(
      {
        const page = window.kestu09Page;
        if (page && page.still) page.still($0, $1, HEAPU8.slice($2, $2 + $0 * $1 * 4));
      },
      width, height, rgba.data());
}

bool availableSize(int& width, int& height) {
  width = EM_ASM_INT({
    const page = window.kestu09Page;
    return page && page.screenSize ? page.screenSize()[0] : 0;
  });
  height = EM_ASM_INT({
    const page = window.kestu09Page;
    return page && page.screenSize ? page.screenSize()[1] : 0;
  });
  return width > 0 && height > 0;
}

}  // namespace platform::web

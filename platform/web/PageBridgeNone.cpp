// Outside a browser: no page to tell.
#include "PageBridge.h"

namespace platform::web {

void reportState(const char*) {}
void reportMusic(double) {}
void reportFrame() {}
bool showMessage(const char*, const char*) { return false; }
bool showsWindows() { return false; }
void showWindowPicture(int, int, const std::uint32_t*) {}
void showStill(int, int, const std::uint32_t*) {}
bool availableSize(int& width, int& height) {
  width = height = 0;
  return false;
}

}  // namespace platform::web

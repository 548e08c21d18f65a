// The invitation's program in a web page. The page passes what its address asks for:
//   --size WxH   the canvas size the launcher offers (default: sizes that fit the page)
//   --autostart  start at once, windowed, as if Start was clicked
//   --still T    draw music time T (seconds) as kestu09-render draws it, motion blur
//                included, without music, show it in the page and stop
// Everything else is the demo's own entry on the browser's platform.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Arguments.h"
#include "BrowserRun.h"
#include "InvitationRun.h"
#include "PageBridge.h"

namespace {

constexpr const char* kTool = "kestu09";
// The launcher's controls, as the demo numbers them.
constexpr int kStartButton = 1001;
constexpr int kFullScreenBox = 1004;
// kestu09-render's default: the motion of a run at 60 frames a second.
constexpr int kStillFps = 60;

int drawStill(companion::Size size, std::uint32_t musicMs) {
  platform::scripted::Image image;
  if (!companion::InvitationRun::drawPicture(size, kStillFps, musicMs, kTool, image)) return 1;
  platform::web::showStill(image.width, image.height, image.argb.data());
  platform::web::reportState("still");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  companion::Size size{};
  bool autostart = false;
  std::optional<std::uint32_t> stillMs;
  std::vector<const char*> options;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--autostart") {
      autostart = true;
    } else {
      options.push_back(argv[i]);
    }
  }
  try {
    const companion::Arguments arguments = companion::parseArguments(
        static_cast<int>(options.size()), options.data(), {"--size", "--still"}, false);
    if (arguments.options.count("--size")) {
      size = companion::parseSize(arguments.options.at("--size"));
    }
    if (arguments.options.count("--still")) {
      stillMs = companion::parseMusicTimeMs(arguments.options.at("--still"));
    }
  } catch (const companion::UsageError& error) {
    const std::string text =
        std::string("The page asked for something this program does not do: ") + error.what();
    MessageBoxA(nullptr, text.c_str(), "error", MB_OK);
    return 2;
  }
  if (stillMs) return drawStill(size.width > 0 ? size : companion::Size{1280, 720}, *stillMs);

  if (size.width > 0) {
    platform::web::offerCanvasSize(size.width, size.height);
  } else {
    platform::web::offerCanvasSizesThatFit();
  }
  if (autostart) platform::web::startLauncherAtOnce(kStartButton, kFullScreenBox);
  char commandLine[] = "";
  const int code = WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
  platform::web::reportState("ended");
  return code;
}

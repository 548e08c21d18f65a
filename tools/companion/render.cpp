// kestu09-render: the picture a viewer sees at chosen music times, as PNG files.
#include <sys/stat.h>

#include <cstdio>
#include <set>

#include "Arguments.h"
#include "InvitationRun.h"
#include "OutputFile.h"
#include "Picture.h"
#include "Process.h"

namespace {

constexpr const char* kTool = "kestu09-render";
constexpr const char* kUsage =
    "usage: kestu09-render [--size WxH] [--fps N] [--data DIR] [--out DIR] TIME...\n"
    "Draws the invitation at each music TIME (seconds, 0 <= TIME < 91) as a viewer sees it\n"
    "in a run at N frames a second, motion blur included, and writes DIR/kestu09-NNNNN.png\n"
    "(NNNNN: the time in milliseconds).\n"
    "  --size WxH  picture size in pixels (default 1280x720)\n"
    "  --fps N     frames a second of the run, 1 to 90: the frame 1/N s before TIME is drawn\n"
    "              first, so the motion is that run's (default 60)\n"
    "  --data DIR  the data folder: files are read from there first (its invitation.tracks\n"
    "              gives the choreography), the usual places give what it lacks\n"
    "  --out DIR   folder for the pictures (default: the current folder)\n"
    "  --help      this text\n"
    "  --version   the version\n";

int renderOne(companion::Size size, int fps, std::uint32_t musicMs, const std::string& path) {
  platform::scripted::Image image;
  if (!companion::InvitationRun::drawPicture(size, fps, musicMs, kTool, image)) return 1;
  std::string error;
  if (!companion::writePng(path, image, error)) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
    return 1;
  }
  std::printf("%s  %dx%d  at %.3f s\n", path.c_str(), image.width, image.height, musicMs / 1000.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  companion::Size size{1280, 720};
  std::string folder, data;
  int fps = 60;
  std::vector<std::uint32_t> times;
  try {
    const companion::Arguments arguments =
        companion::parseArguments(argc - 1, argv + 1, {"--size", "--fps", "--data", "--out"}, true);
    if (arguments.help) return companion::printHelp(kTool, kUsage);
    if (arguments.version) return companion::printVersion(kTool);
    if (arguments.options.count("--size")) {
      size = companion::parseSize(arguments.options.at("--size"));
    }
    // Above 90 frames a second the scene keeps one motion over several frames.
    if (arguments.options.count("--fps")) {
      fps = companion::parseInteger(arguments.options.at("--fps"), 1, 90, "--fps");
    }
    if (arguments.options.count("--out")) folder = arguments.options.at("--out");
    if (arguments.options.count("--data")) data = arguments.options.at("--data");
    if (arguments.operands.empty()) throw companion::UsageError("no time given");
    std::set<std::uint32_t> seen;
    for (const std::string& operand : arguments.operands) {
      const std::uint32_t ms = companion::parseMusicTimeMs(operand);
      if (seen.insert(ms).second) times.push_back(ms);
    }
  } catch (const companion::UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", kTool, error.what(), kUsage);
    return 2;
  }
  struct stat status;
  if (!folder.empty() && (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))) {
    std::fprintf(stderr, "%s: the folder %s does not exist\n", kTool, folder.c_str());
    return 1;
  }
  if (!data.empty() && !companion::InvitationRun::useDataFolder(data, kTool)) return 1;
  if (!companion::InvitationRun::musicFound()) {
    std::fprintf(stderr, "%s: the music track is not found: every picture shows music time 0\n",
                 kTool);
  }
  // Each time in a run of its own, from a fresh start: a picture never depends on which
  // other times were asked for.
  for (std::uint32_t ms : times) {
    const std::string path = companion::framePath(folder, ms);
    const int code = companion::runIsolated(kTool, [&] { return renderOne(size, fps, ms, path); });
    if (code != 0) return code == 2 ? 1 : code;
  }
  return 0;
}

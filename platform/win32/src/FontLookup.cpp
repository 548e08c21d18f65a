#include "FontLookup.h"

#include <fileapi.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace platform::win32 {

namespace {

// ../share/kestu09/fonts from the executable's folder, or "" when there is no such folder.
std::string carriedFontFolder() {
  char executable[4096];
  const DWORD length = GetModuleFileNameA(nullptr, executable, sizeof executable);
  if (length == 0 || length >= sizeof executable - 1) return {};
  std::string folder(executable, length);
  const std::size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return {};
  folder.resize(slash);
  folder += "/../share/kestu09/fonts";
  struct stat status;
  if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return {};
  return folder;
}

// Whether the machine has a fontconfig configuration: one named by fontconfig's variables, or
// the system's file. (Asking fontconfig itself prints an error where there is none.)
bool machineHasConfiguration() {
  struct stat status;
  return std::getenv("FONTCONFIG_FILE") || std::getenv("FONTCONFIG_PATH") ||
         stat("/etc/fonts/fonts.conf", &status) == 0;
}

// The machine's own configuration, or, where it has none, the carried folder's fonts.conf.
FcConfig* loadConfiguration(const std::string& folder) {
  if (machineHasConfiguration()) return FcInitLoadConfig();
  FcConfig* config = FcConfigCreate();
  const std::string own = folder + "/fonts.conf";
  if (config) FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(own.c_str()), FcFalse);
  return config;
}

bool setUp() {
  const std::string folder = carriedFontFolder();
  if (folder.empty()) return FcInit() == FcTrue;
  FcConfig* config = loadConfiguration(folder);
  if (!config) return false;
  const auto* folderName = reinterpret_cast<const FcChar8*>(folder.c_str());
  if (!FcConfigBuildFonts(config) || !FcConfigAppFontAddDir(config, folderName) ||
      !FcConfigSetCurrent(config)) {
    FcConfigDestroy(config);
    return FcInit() == FcTrue;
  }
  // The current configuration holds its own reference now.
  FcConfigDestroy(config);
  return true;
}

}  // namespace

bool prepareFontLookup() {
  static const bool ready = setUp();
  return ready;
}

std::string sansSerifFontFile() {
  std::string path;
  if (!prepareFontLookup()) return path;
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
      path = reinterpret_cast<const char*>(file);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return path;
}

}  // namespace platform::win32

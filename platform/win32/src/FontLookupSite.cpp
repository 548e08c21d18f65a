// The faces in a browser: the site carries its own in /fonts, and nothing needs setting up.
#include "FontLookup.h"

namespace platform::win32 {

bool prepareFontLookup() { return true; }

std::string sansSerifFontFile() { return "/fonts/Lato-Regular.ttf"; }

}  // namespace platform::win32

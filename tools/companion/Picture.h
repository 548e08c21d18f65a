// Frames as files: a back-buffer read-back written as an 8-bit RGB PNG.
#pragma once

#include <string>

#include "ScriptedRun.h"

namespace companion {

// Writes the picture (alpha dropped) to path as an OutputFile: a failed write leaves no
// partial file; false with error set (naming path and the reason) on failure.
bool writePng(const std::string& path, const platform::scripted::Image& image, std::string& error);

// "DIR/kestu09-NNNNN.png" for a music time in milliseconds (five digits).
std::string framePath(const std::string& folder, std::uint32_t musicMs);

}  // namespace companion

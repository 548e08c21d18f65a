#pragma once

#include <string>

#include "JpegFile.h"

namespace datagen {

// Writes an 8-bit RGB PNG (the documentation renders). Returns false on any failure.
bool writePng(const std::string& path, const RgbImage& image);

}  // namespace datagen

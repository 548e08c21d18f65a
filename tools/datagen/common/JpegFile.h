#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen {

// An 8-bit RGB picture, rows top to bottom, 3 bytes per pixel.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Writes a baseline JPEG with full-resolution chroma (4:4:4), so that colour detail such as
// the normal map's channels is not halved. Returns false when the file cannot be written.
bool writeJpeg(const std::string& path, const RgbImage& image, int quality);

// Reads a JPEG as RGB; returns an empty image when the file is missing or not a JPEG.
RgbImage readJpeg(const std::string& path);

}  // namespace datagen

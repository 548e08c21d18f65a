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

// How the JPEG stores colour: as luma and chroma (the usual, smaller for pictures) or as the
// R, G and B channels themselves (no colour transform, so channels that carry data such as
// a normal map's x, y and z come back within a level or two at quality 100).
enum class JpegChannels { kYCbCr, kRgb };

// Writes a baseline JPEG with full-resolution chroma (4:4:4). Returns false when the file
// cannot be written.
bool writeJpeg(const std::string& path, const RgbImage& image, int quality,
               JpegChannels channels = JpegChannels::kYCbCr);

// Reads a JPEG as RGB; returns an empty image when the file is missing or not a JPEG.
RgbImage readJpeg(const std::string& path);

}  // namespace datagen

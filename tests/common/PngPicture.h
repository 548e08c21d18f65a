// A PNG file read back as 8-bit RGB, for tests that compare pictures the programs wrote.
#pragma once

#include <png.h>

#include <filesystem>
#include <vector>

namespace vantor_test {

struct PngPicture {
  int width = 0, height = 0;       // 0 when the file could not be read
  std::vector<unsigned char> rgb;  // top row first, three bytes a pixel
};

inline PngPicture readPng(const std::filesystem::path& path) {
  PngPicture picture;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return picture;
  png.format = PNG_FORMAT_RGB;
  picture.rgb.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, picture.rgb.data(), 0, nullptr)) {
    picture.width = static_cast<int>(png.width);
    picture.height = static_cast<int>(png.height);
  }
  png_image_free(&png);
  return picture;
}

}  // namespace vantor_test

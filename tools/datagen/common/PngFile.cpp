#include "PngFile.h"

#include <png.h>

namespace datagen {

bool writePng(const std::string& path, const RgbImage& image) {
  png_image info{};
  info.version = PNG_IMAGE_VERSION;
  info.width = image.width;
  info.height = image.height;
  info.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&info, path.c_str(), 0, image.pixels.data(), image.width * 3,
                                 nullptr) != 0;
}

}  // namespace datagen

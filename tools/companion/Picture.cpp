#include "Picture.h"

#include <png.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace companion {

bool writePng(const std::string& path, const platform::scripted::Image& image, std::string& error) {
  const std::size_t pixels = static_cast<std::size_t>(image.width) * image.height;
  if (image.width <= 0 || image.height <= 0 || image.argb.size() != pixels) {
    error = "the frame read back has no pixels";
    return false;
  }
  std::vector<unsigned char> rgb(pixels * 3);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint32_t p = image.argb[i];
    rgb[3 * i] = static_cast<unsigned char>(p >> 16);
    rgb[3 * i + 1] = static_cast<unsigned char>(p >> 8);
    rgb[3 * i + 2] = static_cast<unsigned char>(p);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  const std::string temporary = path + ".partial";
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = png_image_write_to_stdio(&png, file, 0, rgb.data(), 0, nullptr) != 0;
  const std::string pngError = png.message;
  png_image_free(&png);
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
    error = "cannot write " + path + ": " +
            (!written ? pngError : std::string(std::strerror(errno)));
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

std::string framePath(const std::string& folder, std::uint32_t musicMs) {
  char name[32];
  std::snprintf(name, sizeof name, "kestu09-%05u.png", musicMs);
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace companion

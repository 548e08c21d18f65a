#include "Picture.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "OutputFile.h"

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
  OutputFile file(path);
  if (!file.open(error)) return false;
  errno = 0;
  const bool written =
      png_image_write_to_stdio(&png, file.stream(), 0, rgb.data(), 0, nullptr) != 0;
  const int writeError = errno;
  const std::string pngError = png.message;
  png_image_free(&png);
  if (!written) {
    // A short write (a full disk) leaves its reason in errno; libpng's own words otherwise.
    error = "cannot write " + path + ": " + (writeError ? std::strerror(writeError) : pngError);
    return false;
  }
  return file.commit(error);
}

std::string framePath(const std::string& folder, std::uint32_t musicMs) {
  char name[32];
  std::snprintf(name, sizeof name, "kestu09-%05u.png", musicMs);
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace companion

#include "ImageEncoding.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace testing_d3dx9 {

std::vector<unsigned char> encodePng(std::uint32_t width, std::uint32_t height,
                                     const std::vector<std::uint32_t>& argb, bool withAlpha) {
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t size) {
        auto* bytes = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + size);
      },
      nullptr);
  png_set_IHDR(png, info, width, height, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<unsigned char> row;
  for (std::uint32_t y = 0; y < height; ++y) {
    row.clear();
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t c = argb[static_cast<std::size_t>(y) * width + x];
      row.push_back(static_cast<unsigned char>(c >> 16));
      row.push_back(static_cast<unsigned char>(c >> 8));
      row.push_back(static_cast<unsigned char>(c));
      if (withAlpha) row.push_back(static_cast<unsigned char>(c >> 24));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<unsigned char> encodeJpeg(std::uint32_t width, std::uint32_t height,
                                      const std::vector<std::uint32_t>& argb) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = width;
  info.image_height = height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row;
  for (std::uint32_t y = 0; y < height; ++y) {
    row.clear();
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t c = argb[static_cast<std::size_t>(y) * width + x];
      row.push_back(static_cast<unsigned char>(c >> 16));
      row.push_back(static_cast<unsigned char>(c >> 8));
      row.push_back(static_cast<unsigned char>(c));
    }
    unsigned char* rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<unsigned char> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

}  // namespace testing_d3dx9

#include "JpegFile.h"

#include <csetjmp>
#include <cstdio>
#include <memory>

#include <jpeglib.h>

namespace datagen {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// libjpeg reports fatal errors through a callback that must not return; jump back instead.
struct ErrorTrap {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void onFatalError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

}  // namespace

bool writeJpeg(const std::string& path, const RgbImage& image, int quality, JpegChannels channels) {
  FilePtr file(std::fopen(path.c_str(), "wb"));
  if (!file) return false;
  jpeg_compress_struct info{};
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = onFatalError;
  if (setjmp(trap.jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file.get());
  info.image_width = image.width;
  info.image_height = image.height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  if (channels == JpegChannels::kRgb) jpeg_set_colorspace(&info, JCS_RGB);
  jpeg_set_quality(&info, quality, TRUE);
  for (int c = 0; c < 3; ++c) {
    info.comp_info[c].h_samp_factor = 1;
    info.comp_info[c].v_samp_factor = 1;
  }
  info.optimize_coding = TRUE;
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row =
        const_cast<JSAMPROW>(&image.pixels[size_t(info.next_scanline) * image.width * 3]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fflush(file.get()) == 0;
}

RgbImage readJpeg(const std::string& path) {
  FilePtr file(std::fopen(path.c_str(), "rb"));
  if (!file) return {};
  jpeg_decompress_struct info{};
  ErrorTrap trap;
  info.err = jpeg_std_error(&trap.manager);
  trap.manager.error_exit = onFatalError;
  RgbImage image;
  if (setjmp(trap.jump)) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  image.width = info.output_width;
  image.height = info.output_height;
  image.pixels.resize(size_t(image.width) * image.height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = &image.pixels[size_t(info.output_scanline) * image.width * 3];
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return image;
}

}  // namespace datagen

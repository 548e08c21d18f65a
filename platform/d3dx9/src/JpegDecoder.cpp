// JPEG through libjpeg-turbo. libjpeg reports fatal errors through error_exit, which must not
// return: it jumps back to decodeJpeg. Only trivially destructible state lives between the
// setjmp and the jump, and the pixel vector is declared outside it.
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "ImageDecoder.h"

namespace platform::d3dx9 {
namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

[[noreturn]] void onError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

// A warning (premature end of data, corrupt markers) fails the picture at once: libjpeg
// would go on and make up every row still to come, which for a few hundred damaged bytes
// that claim twenty million pixels takes seconds.
void onMessage(j_common_ptr info, int level) {
  if (level < 0) {
    ++info->err->num_warnings;
    onError(info);
  }
}

}  // namespace

bool decodeJpeg(const void* data, std::size_t size, DecodedImage& image) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  std::vector<std::uint32_t> pixels;
  std::vector<unsigned char> row;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = onError;
  errors.base.emit_message = onMessage;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, static_cast<const unsigned char*>(data), static_cast<unsigned long>(size));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK ||
      !acceptableSize(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const bool gray = info.num_components == 1;
  info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&info);
  const std::uint32_t width = info.output_width;
  const std::uint32_t height = info.output_height;
  // Reserved, not filled: the rows are written as they are decoded, so that a damaged file
  // whose header claims a huge picture fails before megabytes are cleared for it.
  pixels.reserve(static_cast<std::size_t>(width) * height);
  row.resize(static_cast<std::size_t>(width) * info.output_components);
  while (info.output_scanline < height) {
    unsigned char* rows[1] = {row.data()};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
    pixels.resize(pixels.size() + width);
    std::uint32_t* out = pixels.data() + pixels.size() - width;
    for (std::uint32_t x = 0; x < width; ++x) {
      const unsigned char* p = row.data() + x * info.output_components;
      const std::uint32_t r = p[0], g = gray ? p[0] : p[1], b = gray ? p[0] : p[2];
      out[x] = 0xFF000000u | r << 16 | g << 8 | b;
    }
  }
  const bool complete = info.output_scanline == height;
  if (complete) jpeg_finish_decompress(&info);
  const bool clean = complete && errors.base.num_warnings == 0;
  jpeg_destroy_decompress(&info);
  if (!clean) return false;
  image.width = width;
  image.height = height;
  image.format = gray ? D3DFMT_L8 : D3DFMT_R8G8B8;
  image.fileFormat = D3DXIFF_JPG;
  image.argb = std::move(pixels);
  return true;
}

}  // namespace platform::d3dx9

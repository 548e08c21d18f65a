// PNG through libpng. libpng reports fatal errors by longjmp to png_jmpbuf; only trivially
// destructible state lives between the setjmp and the jump, and the vectors are declared
// outside it.
#include <png.h>

#include <cstring>

#include "ImageDecoder.h"

namespace platform::d3dx9 {
namespace {

struct MemoryInput {
  const unsigned char* data;
  std::size_t left;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (count > input->left) png_error(png, "truncated");
  std::memcpy(out, input->data, count);
  input->data += count;
  input->left -= count;
}

// Whether every chunk up to IEND lies within the data. libpng allocates (and clears) a
// buffer of a chunk's declared length before reading it, and only warns about lengths it
// finds too large: a 200-byte file that declares an 800 MB text chunk would cost 800 MB and
// seconds before the read runs out of data.
bool chunksFit(const unsigned char* data, std::size_t size) {
  std::size_t at = 8;  // after the signature
  while (size - at >= 12) {
    const std::size_t length = static_cast<std::size_t>(data[at]) << 24 |
                               static_cast<std::size_t>(data[at + 1]) << 16 |
                               static_cast<std::size_t>(data[at + 2]) << 8 | data[at + 3];
    if (length > size - at - 12) return false;
    const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
    at += 12 + length;
    if (end) return true;
  }
  return false;
}

void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

}  // namespace

bool decodePng(const void* data, std::size_t size, DecodedImage& image) {
  if (size < 8 || !chunksFit(static_cast<const unsigned char*>(data), size)) return false;
  MemoryInput input{static_cast<const unsigned char*>(data), size};
  std::vector<std::uint32_t> pixels;
  std::vector<png_bytep> rows;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_user_limits(png, kMaxImageEdge, kMaxImageEdge);
  png_set_read_fn(png, &input, readFromMemory);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);
  if (!acceptableSize(width, height)) png_error(png, "size");
  const bool alpha =
      (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
  const bool gray = (colourType & PNG_COLOR_MASK_COLOR) == 0;
  // Everything becomes 8-bit B, G, R, A in memory: 0xAARRGGBB words on a little-endian CPU.
  png_set_expand(png);
  png_set_strip_16(png);
  if (gray) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 4) png_error(png, "layout");

  pixels.resize(static_cast<std::size_t>(width) * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) {
    rows[y] = reinterpret_cast<png_bytep>(pixels.data() + static_cast<std::size_t>(y) * width);
  }
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);

  image.width = width;
  image.height = height;
  image.format = alpha ? D3DFMT_A8R8G8B8 : (gray ? D3DFMT_L8 : D3DFMT_R8G8B8);
  image.fileFormat = D3DXIFF_PNG;
  image.argb = std::move(pixels);
  return true;
}

}  // namespace platform::d3dx9

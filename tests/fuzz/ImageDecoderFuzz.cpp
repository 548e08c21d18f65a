// libFuzzer target for the picture decoders under D3DXCreateTextureFromFileInMemoryEx: JPEG
// and PNG from untrusted memory, then the same resampling that texture creation does (scale
// to the power-of-two texture, the whole mip chain). The device's part (LockRect and the
// upload) is left out: it sees only pictures the decoders accepted, and a headless GL device
// would make each input hundreds of times slower.
#include <cstdint>
#include <cstdlib>

#include "ImageDecoder.h"
#include "ImageFilter.h"

namespace {

std::uint32_t nextPowerOfTwo(std::uint32_t value) {
  std::uint32_t power = 1;
  while (power < value) power <<= 1;
  return power;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace platform::d3dx9;
  DecodedImage image;
  if (!decodeImage(data, size, image)) return 0;
  // Whatever was accepted is within the limits and has exactly one word per pixel.
  if (!acceptableSize(image.width, image.height)) std::abort();
  if (image.argb.size() != static_cast<std::size_t>(image.width) * image.height) std::abort();
  if (image.format != D3DFMT_R8G8B8 && image.format != D3DFMT_A8R8G8B8 &&
      image.format != D3DFMT_L8) {
    std::abort();
  }
  const std::uint32_t width = nextPowerOfTwo(image.width), height = nextPowerOfTwo(image.height);
  if (!acceptableSize(width, height)) return 0;  // refused before the device is asked
  Picture picture{image.width, image.height, std::move(image.argb)};
  picture = scalePicture(picture, width, height, ScaleFilter::kTriangle);
  while (picture.width > 1 || picture.height > 1) {
    picture = halvePicture(picture);
    if (picture.argb.size() != static_cast<std::size_t>(picture.width) * picture.height) {
      std::abort();
    }
  }
  return 0;
}

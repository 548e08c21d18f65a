// A picture of data/ drawn as a screen quad over the black letterboxed back buffer, compared
// with the same JPEG decoded here; where a margin puts the quad's corners; and textures made
// anew from new bytes of their picture.
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "EngineFixture.h"
#include "ImageEncoding.h"
#include "demo/D3DWindow.h"
#include "gfx/post/RenderUtils.h"
#include "gfx/resources/DataFileCache.h"
#include "gfx/resources/GraphicsContext.h"
#include "gfx/resources/Texture.h"

namespace vantor_test {
namespace {

struct Rgb {
  int width = 0, height = 0;
  std::vector<unsigned char> bytes;  // R, G, B, top row first
  const unsigned char* at(int x, int y) const { return &bytes[3 * (std::size_t(y) * width + x)]; }
};

Rgb decodeJpeg(const std::string& path) {
  Rgb image;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return image;
  jpeg_decompress_struct decoder{};
  jpeg_error_mgr errors{};
  decoder.err = jpeg_std_error(&errors);
  jpeg_create_decompress(&decoder);
  jpeg_stdio_src(&decoder, file);
  jpeg_read_header(&decoder, TRUE);
  decoder.out_color_space = JCS_RGB;
  jpeg_start_decompress(&decoder);
  image.width = static_cast<int>(decoder.output_width);
  image.height = static_cast<int>(decoder.output_height);
  image.bytes.resize(std::size_t(image.width) * image.height * 3);
  while (decoder.output_scanline < decoder.output_height) {
    JSAMPROW row = &image.bytes[std::size_t(decoder.output_scanline) * image.width * 3];
    jpeg_read_scanlines(&decoder, &row, 1);
  }
  jpeg_finish_decompress(&decoder);
  jpeg_destroy_decompress(&decoder);
  std::fclose(file);
  return image;
}

class Picture : public EngineTest {
 protected:
  // Clears the back buffer, draws the texture over the letterbox picture area at `alpha`, and
  // answers the back buffer.
  std::vector<std::uint32_t> drawOverBlack(vantor::Texture& texture, float alpha) {
    const D3DVIEWPORT9 whole{0, 0, 640, 480, 0, 1};
    device()->SetViewport(&whole);
    device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    const D3DVIEWPORT9 picture = vantor::D3DWindow::current()->defaultViewport();
    device()->SetViewport(&picture);
    vantor::drawQuad(&texture, alpha, 0.0f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
    return pixels(boundTarget(0));
  }
};

TEST_F(Picture, LoadedJpegFillsThePictureAreaTheRightWayUpAndHalvesAtHalfAlpha) {
  const std::string path = VANTOR_DATA_DIR "/loading.jpg";
  const Rgb reference = decodeJpeg(path);
  ASSERT_EQ(reference.width, 1024);
  vantor::Texture texture;
  texture.load(vantor::dataFile(path));
  const std::vector<std::uint32_t> full = drawOverBlack(texture, 1.0f);
  const std::vector<std::uint32_t> half = drawOverBlack(texture, 0.5f);

  // The bars stay black.
  EXPECT_EQ(full[10 * 640 + 320] & 0xFFFFFF, 0u);
  EXPECT_EQ(full[470 * 640 + 320] & 0xFFFFFF, 0u);
  // On a 16 x 9 grid over the picture area (640 x 359 at y 60), 5 x 5 averages of the drawn
  // picture against the same places of the decoded JPEG. The texture went through a resize
  // to 1024 x 1024 and bilinear minification, so single pixels differ; averages agree within
  // a few levels, while an upside-down or mirrored picture differs by tens of levels.
  auto average = [](auto channelAt, int cx, int cy) {
    int sum = 0;
    for (int dy = -2; dy <= 2; ++dy) {
      for (int dx = -2; dx <= 2; ++dx) sum += channelAt(cx + dx, cy + dy);
    }
    return sum / 25.0;
  };
  double totalDifference = 0.0, flippedDifference = 0.0;
  int samples = 0;
  for (int gy = 0; gy < 9; ++gy) {
    for (int gx = 0; gx < 16; ++gx) {
      const double u = (gx + 0.5) / 16.0, v = (gy + 0.5) / 9.0;
      const int px = static_cast<int>(u * 640), py = 60 + static_cast<int>(v * 359);
      const int rx = static_cast<int>(u * 1024), ry = static_cast<int>(v * 576);
      for (int channel = 0; channel < 3; ++channel) {
        const int shift = 16 - 8 * channel;
        const double drawn =
            average([&](int x, int y) { return int(full[y * 640 + x] >> shift) & 0xFF; }, px, py);
        const double halfDrawn =
            average([&](int x, int y) { return int(half[y * 640 + x] >> shift) & 0xFF; }, px, py);
        const double expected =
            average([&](int x, int y) { return int(reference.at(x, y)[channel]); }, rx, ry);
        const double flipped =
            average([&](int x, int y) { return int(reference.at(x, 575 - y)[channel]); }, rx, ry);
        totalDifference += std::fabs(drawn - expected);
        flippedDifference += std::fabs(drawn - flipped);
        // The texture factor's alpha byte is 127: 127/255 of the full picture, ±2 of rounding.
        EXPECT_NEAR(halfDrawn, drawn * 127.0 / 255.0, 2.0) << gx << "," << gy;
        ++samples;
      }
    }
  }
  EXPECT_LT(totalDifference / samples, 6.0);     // 2.6 seen on llvmpipe
  EXPECT_GT(flippedDifference / samples, 20.0);  // 33 seen
}

// The six vertices DrawPrimitiveUP received, read while the call is reported (the caller's
// array is alive until drawQuad returns).
class QuadCapture : public platform::ICallObserver {
 public:
  QuadCapture() { platform::setCallObserver(this); }
  ~QuadCapture() { platform::setCallObserver(nullptr); }
  void onCall(const platform::Call& call) override {
    if (std::strcmp(call.method, "DrawPrimitiveUP") != 0) return;
    unsigned type = 0, count = 0, stride = 0;
    void* data = nullptr;
    if (std::sscanf(call.arguments.c_str(), "%u, %u, %p, %u", &type, &count, &data, &stride) == 4 &&
        data && stride == 20) {
      std::memcpy(vertices, data, sizeof vertices);
    }
  }
  float vertices[6][5] = {};
};

TEST_F(Picture, MarginWidensTheQuadByItsAspectShareVertically) {
  vantor::DisplaySettings& settings = vantor::D3DWindow::current()->displaySettings();
  const vantor::DisplaySettings saved = settings;
  // An 800 x 600 picture: the float just below 4/3 keeps 800 / aspect at 600.
  settings.width = 800;
  settings.height = 600;
  settings.aspect = std::nextafter(4.0f / 3.0f, 0.0f);
  ASSERT_EQ(vantor::D3DWindow::current()->defaultViewport().Height, 600u);
  QuadCapture capture;
  vantor::drawQuad(nullptr, 1.0f, 0.1f, D3DBLENDOP_ADD, D3DBLEND_ONE, D3DBLEND_SRCALPHA, true);
  settings = saved;
  float minX = 9, maxX = -9, minY = 9, maxY = -9;
  for (const auto& v : capture.vertices) {
    minX = std::min(minX, v[0]), maxX = std::max(maxX, v[0]);
    minY = std::min(minY, v[1]), maxY = std::max(maxY, v[1]);
  }
  EXPECT_FLOAT_EQ(minX, -1.1f);
  EXPECT_FLOAT_EQ(maxX, 1.1f);
  EXPECT_FLOAT_EQ(minY, -1.075f);
  EXPECT_FLOAT_EQ(maxY, 1.075f);
}

// Every texture loaded from a data file is made anew from new bytes of the picture in place:
// same object, same file name, the new picture's size and pixels. Bytes that do not decode
// (a JPEG cut short, as an editor's half-written save) leave each texture as it was.
TEST_F(Picture, TexturesMadeAnewFromNewBytesKeepTheirNameAndShowTheNewPixels) {
  vantor::GraphicsContext* context = vantor::GraphicsContext::instance();
  const std::string name = vantor::dataFile(VANTOR_DATA_DIR "/kivei.jpg");
  vantor::Texture* first = context->loadTexture(name);
  vantor::Texture* second = context->loadTexture(name);
  ASSERT_EQ(first->getWidth(), 512);

  const std::vector<std::uint32_t> red(64 * 36, 0xFFFF0000u);
  const std::vector<unsigned char> redPng = testing_d3dx9::encodePng(64, 36, red, false);
  std::string error;
  ASSERT_TRUE(context->remakeTextures(name, redPng.data(), redPng.size(), error)) << error;
  // A one-colour picture draws as that colour everywhere; 2 levels allow for filtering.
  auto isRed = [&](vantor::Texture* texture) {
    const std::uint32_t centre = drawOverBlack(*texture, 1.0f)[240 * 640 + 320];
    return ((centre >> 16) & 0xFF) >= 253 && ((centre >> 8) & 0xFF) <= 2 && (centre & 0xFF) <= 2;
  };
  for (vantor::Texture* texture : {first, second}) {
    EXPECT_EQ(texture->fileName(), name);
    EXPECT_EQ(texture->getWidth(), 64);
    EXPECT_EQ(texture->getHeight(), 36);
    EXPECT_TRUE(isRed(texture));
  }

  IDirect3DTexture9* kept = first->getTexture();
  std::vector<unsigned char> cut =
      testing_d3dx9::encodeJpeg(64, 36, std::vector<std::uint32_t>(64 * 36, 0xFF00FF00u));
  cut.resize(cut.size() / 2);
  EXPECT_FALSE(context->remakeTextures(name, cut.data(), cut.size(), error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(first->getTexture(), kept);
  EXPECT_EQ(first->getWidth(), 64);
  EXPECT_TRUE(isRed(first));
  EXPECT_TRUE(isRed(second));

  error.clear();
  EXPECT_FALSE(context->remakeTextures("never-loaded.png", redPng.data(), redPng.size(), error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace vantor_test

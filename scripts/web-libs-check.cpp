// Links every library scripts/web-libs builds and calls each once, run under Node: a library
// that was built but cannot be linked with the others, or does not work, shows here rather
// than in the engine's first web build. Prints one line per library; "all libraries work" last.
#include <GL/glu.h>
#include <SDL2/SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <jpeglib.h>
#include <mpg123.h>
#include <png.h>
#include <zlib.h>

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <cstdio>
#include <cstring>

int main() {
  int failures = 0;
  const auto report = [&failures](const char* name, bool works) {
    std::printf("%s: %s\n", name, works ? "works" : "FAILS");
    failures += works ? 0 : 1;
  };

  const char text[] = "a line that zlib packs and unpacks";
  unsigned char packed[128], unpacked[128];
  uLongf packedSize = sizeof packed, unpackedSize = sizeof unpacked;
  report("zlib",
         compress(packed, &packedSize, reinterpret_cast<const Bytef*>(text), sizeof text) == Z_OK &&
             uncompress(unpacked, &unpackedSize, packed, packedSize) == Z_OK &&
             std::memcmp(unpacked, text, sizeof text) == 0);

  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  report("libpng", png != nullptr);
  png_destroy_read_struct(&png, nullptr, nullptr);

  jpeg_decompress_struct jpeg;
  jpeg_error_mgr jpegErrors;
  jpeg.err = jpeg_std_error(&jpegErrors);
  jpeg_create_decompress(&jpeg);
  report("libjpeg-turbo", jpeg.global_state != 0);
  jpeg_destroy_decompress(&jpeg);

  FT_Library freetype = nullptr;
  report("FreeType", FT_Init_FreeType(&freetype) == 0);
  if (freetype) FT_Done_FreeType(freetype);

  int mpgError = 0;
  mpg123_handle* mpg = mpg123_init() == MPG123_OK ? mpg123_new(nullptr, &mpgError) : nullptr;
  report("libmpg123", mpg != nullptr);
  if (mpg) mpg123_delete(mpg);

  // The demo's model format, one triangle.
  const char model[] =
      "xof 0303txt 0032\n"
      "Mesh triangle { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }\n";
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFileFromMemory(model, sizeof model - 1, 0, "x");
  report("Assimp (X)", scene && scene->mNumMeshes == 1 && scene->mMeshes[0]->mNumFaces == 1);

  GLUtesselator* tessellator = gluNewTess();
  report("GLU tessellator", tessellator != nullptr);
  if (tessellator) gluDeleteTess(tessellator);

  SDL_version version;
  SDL_GetVersion(&version);
  report("SDL2", version.major == 2 && SDL_Init(0) == 0);
  SDL_Quit();

  if (failures == 0) std::printf("all libraries work\n");
  return failures == 0 ? 0 : 1;
}

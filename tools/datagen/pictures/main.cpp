// make-pictures: paints the invitation's four JPEG pictures into a folder.
#include <cstdio>
#include <string>

#include "Pictures.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: make-pictures OUTPUT_DIR FONT_DIR\n"
                 "Writes loading.jpg, bg.jpg, moon_normal.jpg and kivei.jpg; FONT_DIR holds\n"
                 "DejaVuSans.ttf and DejaVuSans-Bold.ttf.\n");
    return 2;
  }
  std::string out = argv[1];
  datagen::Canvas loading = datagen::paintLoadingScreen(argv[2]);
  if (loading.width() == 0) {
    std::fprintf(stderr, "make-pictures: the DejaVu fonts are not in %s\n", argv[2]);
    return 1;
  }
  struct Picture {
    const char* name;
    datagen::RgbImage image;
    int quality;
    datagen::JpegChannels channels = datagen::JpegChannels::kYCbCr;
  } pictures[] = {
      {"loading.jpg", loading.toImage(true), 90},
      {"bg.jpg", datagen::paintNightSky().toImage(true), 92},
      // Normal maps carry vectors, not light: no gamma, the channels stored as they are and
      // the highest quality, so that the decoded texels stay within 2 % of unit length.
      {"moon_normal.jpg", datagen::paintMoonNormals().toImage(false), 100,
       datagen::JpegChannels::kRgb},
      {"kivei.jpg", datagen::paintStoneTexture().toImage(true), 90},
  };
  for (const Picture& p : pictures) {
    if (!datagen::writeJpeg(out + "/" + p.name, p.image, p.quality, p.channels)) {
      std::fprintf(stderr, "make-pictures: cannot write %s/%s\n", out.c_str(), p.name);
      return 1;
    }
  }
  return 0;
}

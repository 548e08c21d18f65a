// The pictures as the texture loader will decode them: libjpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/JpegFile.h"

namespace {

using datagen::RgbImage;

RgbImage load(const char* name) {
  return datagen::readJpeg(std::string(VANTOR_DATA_DIR "/") + name);
}

double luma(const RgbImage& image, int x, int y) {
  const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * 3];
  return (0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]) / 255;
}

// Mean absolute difference of neighbouring columns x and x + 1 (wrapping), all channels.
double columnStep(const RgbImage& image, int x) {
  int next = (x + 1) % image.width;
  double sum = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int c = 0; c < 3; ++c) {
      sum += std::abs(image.pixels[(size_t(y) * image.width + x) * 3 + c] -
                      image.pixels[(size_t(y) * image.width + next) * 3 + c]);
    }
  }
  return sum / (image.height * 3);
}

double rowStep(const RgbImage& image, int y) {
  int next = (y + 1) % image.height;
  double sum = 0;
  for (int x = 0; x < image.width * 3; ++x) {
    sum += std::abs(image.pixels[size_t(y) * image.width * 3 + x] -
                    image.pixels[size_t(next) * image.width * 3 + x]);
  }
  return sum / (image.width * 3);
}

// A tiling texture shows no seam: the step across its wrap-around edge is no larger than
// the typical step between neighbouring interior rows and columns (twice their mean leaves
// room for JPEG's block edges, which a seam in painted detail would exceed by far).
void expectTiles(const RgbImage& image) {
  double columns = 0, rows = 0;
  for (int x = 0; x + 1 < image.width; ++x) columns += columnStep(image, x);
  for (int y = 0; y + 1 < image.height; ++y) rows += rowStep(image, y);
  columns /= image.width - 1, rows /= image.height - 1;
  EXPECT_LE(columnStep(image, image.width - 1), 2 * columns);
  EXPECT_LE(rowStep(image, image.height - 1), 2 * rows);
}

TEST(PicturesTest, DecodeWithTheirIntendedSizes) {
  struct Expected {
    const char* name;
    int width, height;
  } expected[] = {{"loading.jpg", 1024, 576},
                  {"bg.jpg", 1024, 576},
                  {"moon_normal.jpg", 512, 512},
                  {"kivei.jpg", 512, 512}};
  for (const Expected& e : expected) {
    RgbImage image = load(e.name);
    EXPECT_EQ(image.width, e.width) << e.name;
    EXPECT_EQ(image.height, e.height) << e.name;
  }
}

// The backdrop lies under every frame and the scene is added on top, so it must stay dark:
// a few dim stars, nothing that would wash out the scene or feed the bloom.
TEST(PicturesTest, BackdropHasNoBrightAreas) {
  RgbImage bg = load("bg.jpg");
  ASSERT_GT(bg.width, 0);
  std::vector<double> blocks;  // mean luma of every 8 x 8 block
  for (int by = 0; by + 8 <= bg.height; by += 8) {
    for (int bx = 0; bx + 8 <= bg.width; bx += 8) {
      double sum = 0;
      for (int y = by; y < by + 8; ++y) {
        for (int x = bx; x < bx + 8; ++x) sum += luma(bg, x, y);
      }
      blocks.push_back(sum / 64);
    }
  }
  double mean = 0;
  for (double b : blocks) mean += b / blocks.size();
  EXPECT_LT(*std::max_element(blocks.begin(), blocks.end()), 0.4);
  EXPECT_LT(mean, 0.2);
  EXPECT_GT(mean, 0.03) << "a plain black backdrop shows no detail";
}

// The name must be readable: bright letters over a darker, smoother sky in the middle band.
TEST(PicturesTest, LoadingPictureCarriesTheTitleInBrightLetters) {
  RgbImage loading = load("loading.jpg");
  ASSERT_GT(loading.width, 0);
  int bright = 0, total = 0;
  for (int y = 170; y < 300; ++y) {
    for (int x = 100; x < 924; ++x, ++total) bright += luma(loading, x, y) > 0.9;
  }
  EXPECT_GT(double(bright) / total, 0.15);
  EXPECT_LT(double(bright) / total, 0.7);
}

TEST(PicturesTest, NormalMapHoldsUnitNormalsFacingOutOfTheSurface) {
  RgbImage map = load("moon_normal.jpg");
  ASSERT_GT(map.width, 0);
  double worst = 0, meanX = 0, meanY = 0, meanZ = 0;
  const size_t texels = size_t(map.width) * map.height;
  for (size_t i = 0; i < texels; ++i) {
    double n[3];
    for (int c = 0; c < 3; ++c) n[c] = map.pixels[i * 3 + c] / 255.0 * 2 - 1;
    worst = std::max(worst, std::fabs(std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) - 1));
    meanX += n[0] / texels, meanY += n[1] / texels, meanZ += n[2] / texels;
  }
  EXPECT_LE(worst, 0.02);
  EXPECT_GT(meanZ, 0.9);
  EXPECT_LT(std::fabs(meanX), 0.05);
  EXPECT_LT(std::fabs(meanY), 0.05);
  expectTiles(map);
}

TEST(PicturesTest, StoneTextureTiles) {
  RgbImage stone = load("kivei.jpg");
  ASSERT_GT(stone.width, 0);
  expectTiles(stone);
}

}  // namespace

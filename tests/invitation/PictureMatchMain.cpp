// picture-match A.png B.png: whether two pictures of the same moment, drawn by two builds or
// two installations of the render tool, are the same picture by the golden frames' rule.
// Prints the figures; exit code 0 when they match, 1 when they do not, 2 when a file is
// unreadable.
#include <cstdio>

#include "common/PictureMatch.h"
#include "common/PngPicture.h"

int main(int argc, char** argv) {
  using namespace vantor_test;
  if (argc != 3) {
    std::fprintf(stderr, "usage: picture-match A.png B.png\n");
    return 2;
  }
  const PngPicture a = readPng(argv[1]);
  const PngPicture b = readPng(argv[2]);
  for (const auto* picture : {&a, &b}) {
    if (picture->width == 0) {
      std::fprintf(stderr, "picture-match: %s is not a readable PNG\n",
                   argv[picture == &a ? 1 : 2]);
      return 2;
    }
  }
  const PictureDifference difference = comparePictures(a, b);
  if (!difference.sameSize) {
    std::printf("different sizes: %dx%d and %dx%d\n", a.width, a.height, b.width, b.height);
    return 1;
  }
  std::printf(
      "%dx%d: mean difference %.3f levels (at most 1), %zu of %zu channels off by more "
      "than %d levels (at most %zu): %s\n",
      a.width, a.height, difference.meanLevels, difference.farChannels, difference.channels,
      PictureDifference::kFarLevels, difference.channels / 200,
      difference.same() ? "the same picture" : "different pictures");
  return difference.same() ? 0 : 1;
}

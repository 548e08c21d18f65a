// make-model: writes the invitation's kettle grill as a DirectX .x text file.
#include <cstdio>
#include <cstring>

#include "GrillModel.h"
#include "XFileWriter.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: make-model OUTPUT.x\nWrites the kettle grill model.\n");
    return argc == 2 ? 0 : 2;
  }
  if (!datagen::writeXFile(argv[1], datagen::buildGrillModel())) {
    std::fprintf(stderr, "make-model: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

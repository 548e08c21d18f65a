// make-track: renders the invitation's music with the project's own synthesizer and writes
// it as MP3.
#include <cstdio>
#include <string>

#include "Mp3Encoder.h"
#include "Song.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-track OUTPUT.mp3\nRenders the track kestuinvi.\n");
    return 2;
  }
  datagen::StereoBuffer song = datagen::renderSong();
  if (!datagen::writeMp3(argv[1], song)) {
    std::fprintf(stderr, "make-track: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

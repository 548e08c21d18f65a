#include "Mp3Encoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <lame/lame.h>

namespace datagen {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
struct LameCloser {
  void operator()(lame_global_flags* l) const { lame_close(l); }
};

short toPcm(double v) { return short(std::lround(std::clamp(v, -1.0, 1.0) * 32767)); }

}  // namespace

bool writeMp3(const std::string& path, const StereoBuffer& audio) {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
  if (!file || !lame) return false;
  lame_set_in_samplerate(lame.get(), int(kSampleRate));
  lame_set_out_samplerate(lame.get(), int(kSampleRate));
  lame_set_num_channels(lame.get(), 2);
  lame_set_mode(lame.get(), JOINT_STEREO);
  lame_set_VBR(lame.get(), vbr_off);
  lame_set_brate(lame.get(), 192);
  lame_set_quality(lame.get(), 0);
  lame_set_bWriteVbrTag(lame.get(), 1);
  if (lame_init_params(lame.get()) < 0) return false;

  const size_t chunk = 4096;
  std::vector<short> left(chunk), right(chunk);
  std::vector<unsigned char> mp3(chunk * 5 / 4 + 7200);
  for (size_t start = 0; start < audio.frames(); start += chunk) {
    size_t n = std::min(chunk, audio.frames() - start);
    for (size_t i = 0; i < n; ++i) {
      left[i] = toPcm(audio.left[start + i]);
      right[i] = toPcm(audio.right[start + i]);
    }
    int bytes = lame_encode_buffer(lame.get(), left.data(), right.data(), int(n), mp3.data(),
                                   int(mp3.size()));
    if (bytes < 0 || std::fwrite(mp3.data(), 1, bytes, file.get()) != size_t(bytes)) return false;
  }
  int bytes = lame_encode_flush(lame.get(), mp3.data(), int(mp3.size()));
  if (bytes < 0 || std::fwrite(mp3.data(), 1, bytes, file.get()) != size_t(bytes)) return false;
  // The Info tag at the start of the file is only complete once all frames are written.
  std::vector<unsigned char> tag(2880);
  size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
  if (tagSize > 0) {
    if (std::fseek(file.get(), 0, SEEK_SET) != 0) return false;
    if (std::fwrite(tag.data(), 1, tagSize, file.get()) != tagSize) return false;
  }
  return std::fflush(file.get()) == 0;
}

}  // namespace datagen

#pragma once

#include <string>

#include "Dsp.h"

namespace datagen {

// Encodes the buffer as a 44.1 kHz stereo MP3 at a constant 192 kbit/s (LAME, highest
// quality setting, with the Info tag that lets decoders trim the encoder's delay and
// padding). Samples beyond +-1 are clipped. Returns false when the file cannot be written.
bool writeMp3(const std::string& path, const StereoBuffer& audio);

}  // namespace datagen

#pragma once

#include <string>

#include "common/JpegFile.h"

namespace datagen {

// A spectrogram of an MP3 (decoded with libmpg123, both channels summed): time to the right,
// one column per 0.1 s, frequency upwards on a logarithmic scale from 30 Hz to 16 kHz,
// level as colour over 72 dB. Returns an empty image when the file cannot be decoded.
RgbImage trackSpectrogram(const std::string& mp3Path);

}  // namespace datagen

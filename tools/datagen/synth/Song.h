#pragma once

#include "Dsp.h"

namespace datagen {

// Length of the finished track in seconds.
constexpr double kTrackSeconds = 98.0;

// Renders the whole track "kestuinvi": 126 beats per minute in A minor, Am-F-C-G, with an
// intro, a build-up, two main parts, a break, a last main part and an ending whose final
// chord rings out past the invitation's 91 seconds. Peaks are normalised to -3 dBFS, the
// first 0.3 s are silent and the last second fades out. Deterministic.
StereoBuffer renderSong();

}  // namespace datagen

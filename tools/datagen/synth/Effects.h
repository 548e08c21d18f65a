#pragma once

#include "Dsp.h"

namespace datagen {

// Ping-pong echo: the left input echoes on the right and back, each repeat `feedback`
// quieter and a little darker. Returns only the echoes (the caller keeps the dry signal).
StereoBuffer pingPongEcho(const StereoBuffer& input, double delaySeconds, double feedback);

// A stereo room reverb (parallel damped combs into series all-passes, with the right
// channel's delays spread from the left's). Returns only the reverberated signal.
StereoBuffer roomReverb(const StereoBuffer& input, double roomSize, double damping);

}  // namespace datagen

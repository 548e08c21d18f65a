// Private seam: tests and scripted runs play through the silent output even where an audio
// device exists, so positions follow the platform clock (timeGetTime's). Not part of FMOD.
#pragma once

#include <fmod.hpp>

#include <functional>

namespace platform::fmod {

// Applies to systems initialised afterwards.
void forceSilentOutput(bool silent);

// Called with every channel that System::playSound starts, so that a tool can steer the music
// a program plays (seek, pause) through the channel's own calls. Null: none.
void onChannelPlayed(std::function<void(FMOD::Channel*)> handler);

}  // namespace platform::fmod

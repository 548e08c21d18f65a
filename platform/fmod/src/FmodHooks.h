// Private seam: tests and scripted runs play through the silent output even where an audio
// device exists, so positions follow the platform clock (timeGetTime's). Not part of FMOD.
#pragma once

namespace platform::fmod {

// Applies to systems initialised afterwards.
void forceSilentOutput(bool silent);

}  // namespace platform::fmod

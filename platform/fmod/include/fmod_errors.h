// Text for FMOD result codes.
#pragma once

#include "fmod.h"

// A static string describing the code; never null.
const char* FMOD_ErrorString(FMOD_RESULT result);

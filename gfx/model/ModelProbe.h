// A trial read of a model file in a throw-away copy of the process (an isolated call, see
// <isolatedcall.h>). Assimp's readers trust the files they read; some malformed files make
// them crash (a wild face index, for example) rather than fail. The copy reads the file and
// ends; the demo then reads it for real only when the copy came back whole.
#pragma once

namespace vantor {

// True when Assimp reads the file to its end (with or without a scene) without crashing or
// hanging; false when the copy died or ran past its time. When no copy can be made, the
// answer is true: the file is then read without the trial, as it would have been anyway.
bool modelReadSurvives(const char* fileName);

}  // namespace vantor

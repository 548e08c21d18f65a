// A trial read of a model file in a forked child process. Assimp's readers trust the files
// they read; some malformed files make them crash (a wild face index, for example) rather
// than fail. The child reads the file and exits; the demo then reads it for real only when
// the child came back whole.
#pragma once

namespace vantor {

// True when Assimp reads the file to its end (with or without a scene) without crashing or
// hanging; false when the child died or ran past its time. When no child can be made, the
// answer is true: the file is then read without the trial, as it would have been anyway.
bool modelReadSurvives(const char* fileName);

}  // namespace vantor

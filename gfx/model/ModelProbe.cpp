#include "gfx/model/ModelProbe.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <isolatedcall.h>

namespace vantor {

namespace {

// A read of the demo's model takes a few tens of milliseconds; a reader that loops on a
// malformed file is stopped long before anyone would wait for it.
constexpr DWORD kTimeLimitMilliseconds = 20000;

void readModel(void* fileName) {
  try {
    Assimp::Importer importer;
    importer.ReadFile(static_cast<const char*>(fileName), 0);
  } catch (...) {
    // A thrown error is a refusal, which the real read reports as "no scene".
  }
}

}  // namespace

bool modelReadSurvives(const char* fileName) {
  switch (CallIsolated(readModel, const_cast<char*>(fileName), kTimeLimitMilliseconds)) {
    case IsolatedCallResult::Returned:
    case IsolatedCallResult::Unavailable: return true;
    case IsolatedCallResult::Failed:
    case IsolatedCallResult::TimedOut: return false;
  }
  return false;
}

}  // namespace vantor

#include "Core/Progress.h"

namespace vantor {

bool loadingActive = true;

void progressPoint() {
  if (loadingActive) tickLoadingProgress();
}

}  // namespace vantor

#include "CallObserver.h"

namespace platform {

namespace {
ICallObserver* observer = nullptr;
}

void setCallObserver(ICallObserver* newObserver) { observer = newObserver; }
ICallObserver* callObserver() { return observer; }

}  // namespace platform

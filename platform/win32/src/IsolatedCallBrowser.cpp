// A browser runs one process and makes no copies of it: no call can be isolated there.
#include <isolatedcall.h>

IsolatedCallResult CallIsolated(IsolatedCallRoutine, void*, DWORD) {
  return IsolatedCallResult::Unavailable;
}

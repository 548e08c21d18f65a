#include <fcntl.h>
#include <isolatedcall.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace {

[[noreturn]] void callInChild(IsolatedCallRoutine routine, void* context) {
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(signal, SIG_DFL);
  const int devNull = ::open("/dev/null", O_WRONLY);
  if (devNull >= 0) ::dup2(devNull, STDERR_FILENO);
  routine(context);
  ::_exit(0);  // no exit handlers: they belong to the parent (its device, its files)
}

}  // namespace

IsolatedCallResult CallIsolated(IsolatedCallRoutine routine, void* context,
                                DWORD timeoutMilliseconds) {
  if (!routine) return IsolatedCallResult::Unavailable;
  const pid_t child = ::fork();
  if (child < 0) return IsolatedCallResult::Unavailable;
  if (child == 0) callInChild(routine, context);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
  // Polled with a growing pause: a short call is answered within a fraction of a millisecond,
  // a long one costs little.
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) {
      return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? IsolatedCallResult::Returned
                                                           : IsolatedCallResult::Failed;
    }
    if (done < 0 && errno != EINTR) return IsolatedCallResult::Failed;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return IsolatedCallResult::TimedOut;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
}

#include "gfx/model/ModelProbe.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

namespace vantor {

namespace {

// A read of the demo's model takes a few tens of milliseconds; a reader that loops on a
// malformed file is stopped long before anyone would wait for it.
constexpr auto kTimeLimit = std::chrono::seconds(20);

[[noreturn]] void readInChild(const char* fileName) {
  // A crash must end the child quietly, not run the parent's crash reporting (or a
  // sanitizer's) in a copy of the parent: the signal itself is the answer.
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(signal, SIG_DFL);
  const int devNull = ::open("/dev/null", O_WRONLY);
  if (devNull >= 0) ::dup2(devNull, STDERR_FILENO);
  try {
    Assimp::Importer importer;
    importer.ReadFile(fileName, 0);
  } catch (...) {
    // A thrown error is a refusal, which the real read reports as "no scene".
  }
  ::_exit(0);  // no exit handlers: they belong to the parent (its device, its files)
}

}  // namespace

bool modelReadSurvives(const char* fileName) {
  const pid_t child = ::fork();
  if (child < 0) return true;
  if (child == 0) readInChild(fileName);
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (done < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
}

}  // namespace vantor

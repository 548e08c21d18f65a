#include "Process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "OutputFile.h"

namespace companion {

namespace {

volatile std::sig_atomic_t interruptSeen = 0;

void noteInterrupt(int) { interruptSeen = 1; }

}  // namespace

pid_t startChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child != 0) return child;
  // The child ends the ordinary way on an interrupt; only the parent cleans up.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  int code = 1;
  try {
    code = body();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
  }
  // A result line that never arrived makes the run a failed one.
  if (!standardOutputWritten(program_invocation_short_name) && code == 0) code = 1;
  std::fflush(nullptr);
  std::exit(code);
}

pid_t startProgram(const std::vector<std::string>& argv, int stdinFd, int stdoutFd,
                   bool endsWithParent) {
  if (argv.empty()) return -1;
  const std::string path = findProgram(argv[0]);
  if (path.empty()) return -1;
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child != 0) return child;
  // A parent gone before the request took effect is not waited for.
  if (endsWithParent && (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)) _exit(1);
  // A standard stream handed over (standard error as the child's output, say) stays open.
  if (stdinFd >= 0 && stdinFd != STDIN_FILENO) {
    dup2(stdinFd, STDIN_FILENO);
    if (stdinFd > STDERR_FILENO) close(stdinFd);
  }
  if (stdoutFd >= 0 && stdoutFd != STDOUT_FILENO) {
    dup2(stdoutFd, STDOUT_FILENO);
    if (stdoutFd > STDERR_FILENO) close(stdoutFd);
  }
  execv(path.c_str(), pointers.data());
  std::fprintf(stderr, "cannot start %s: %s\n", path.c_str(), std::strerror(errno));
  _exit(127);
}

ChildEnd waitChild(pid_t child, const std::function<void()>& onInterrupt) {
  bool handed = false;
  int status = 0;
  for (;;) {
    if (interruptSeen && !handed) {
      handed = true;
      if (onInterrupt) onInterrupt();
    }
    if (waitpid(child, &status, 0) == child) break;
    if (errno != EINTR) return {false, 0};
  }
  if (WIFEXITED(status)) return {true, WEXITSTATUS(status)};
  return {false, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

std::optional<ChildEnd> pollChild(pid_t child) {
  int status = 0;
  pid_t got;
  do {
    got = waitpid(child, &status, WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == 0) return std::nullopt;
  if (got != child) return ChildEnd{false, 0};
  if (WIFEXITED(status)) return ChildEnd{true, WEXITSTATUS(status)};
  return ChildEnd{false, WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

std::string describe(const ChildEnd& end) {
  if (end.exited) return "exit code " + std::to_string(end.code);
  if (end.code == 0) return "an end that could not be waited for";
  return "signal " + std::to_string(end.code) + " (" + strsignal(end.code) + ")";
}

ChildEnd runProgram(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  const int input = open("/dev/null", O_RDONLY | O_CLOEXEC);
  int pipeFds[2];
  if (input < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
    if (input >= 0) close(input);
    return {true, 127};
  }
  const pid_t child = startProgram(argv, input, pipeFds[1]);
  close(input);
  close(pipeFds[1]);
  if (child < 0) {
    close(pipeFds[0]);
    return {true, 127};
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  close(pipeFds[0]);
  return waitChild(child);
}

void watchInterrupts() {
  struct sigaction action {};
  action.sa_handler = noteInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: a wait returns so that the interrupt is seen
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool interrupted() { return interruptSeen != 0; }

int runIsolated(const char* tool, const std::function<int()>& body) {
  const pid_t child = startChild(body);
  if (child < 0) {
    std::fprintf(stderr, "%s: cannot start the run: %s\n", tool, std::strerror(errno));
    return 1;
  }
  const ChildEnd end = waitChild(child);
  if (end.exited) return end.code;
  std::fprintf(stderr, "%s: the run stopped on signal %d (%s); the engine's report is above\n",
               tool, end.code, strsignal(end.code));
  return 1;
}

std::string findProgram(const std::string& name) {
  const auto executable = [](const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           access(path.c_str(), X_OK) == 0;
  };
  if (name.find('/') != std::string::npos) return executable(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = end > start ? folders.substr(start, end - start) : ".";
    const std::string candidate = folder + "/" + name;
    if (executable(candidate)) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace companion

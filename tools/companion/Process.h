// Child processes of the companion programs. The engine keeps process-wide singletons and ends
// the process on a failed check, so every run of the entry happens in a child of its own: the
// parent stays in charge of exit codes, messages and files left behind.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace companion {

// Starts body in a forked child, which exits with what body answers; -1 when fork fails.
pid_t startChild(const std::function<int()>& body);
// Starts a program found on PATH with the given arguments (argv[0] included), its standard
// input read from stdinFd and its standard output written to stdoutFd (-1: inherited); -1
// when it cannot be started at all. A child that cannot run the program exits with 127.
// endsWithParent: the child is sent SIGTERM when the parent ends, however it ends.
pid_t startProgram(const std::vector<std::string>& argv, int stdinFd, int stdoutFd = -1,
                   bool endsWithParent = false);

struct ChildEnd {
  bool exited = false;  // false: ended by a signal (or its end could not be waited for)
  int code = 0;         // the exit code, or the signal (0: not waited for)
  bool succeeded() const { return exited && code == 0; }
};
// "exit code 3", "signal 9 (Killed)", or "an end that could not be waited for".
std::string describe(const ChildEnd& end);
// Waits for the child; an interrupt (see watchInterrupts) is handed to onInterrupt once,
// and the wait goes on.
ChildEnd waitChild(pid_t child, const std::function<void()>& onInterrupt = {});
// The child's end if it has ended, without waiting; nothing while it runs.
std::optional<ChildEnd> pollChild(pid_t child);

// Runs a program found on PATH to its end with standard input from /dev/null, collecting its
// standard output in output; standard error is passed through. A program that cannot be
// started ends as exit code 127.
ChildEnd runProgram(const std::vector<std::string>& argv, std::string& output);

// From now on SIGINT, SIGTERM and SIGHUP only set a flag that waitChild reports, so that the
// parent can clean up after its children before it exits.
void watchInterrupts();
bool interrupted();

// Runs body in a child and answers the exit code for the program: the child's own, or 1 with
// a message when it was ended by a signal (a failed check of the engine aborts).
int runIsolated(const char* tool, const std::function<int()>& body);

// The full path of an executable on PATH, or empty.
std::string findProgram(const std::string& name);

}  // namespace companion

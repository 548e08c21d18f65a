#include "ProgramRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace program_test {

std::string readAll(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

Ran runProgram(const std::vector<std::string>& argv, const fs::path& folder,
               const std::string& path) {
  const fs::path out = folder / ".stdout", err = folder / ".stderr";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (!path.empty()) setenv("PATH", path.c_str(), 1);
    if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> pointers;
    for (const std::string& a : argv) pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  Ran ran{WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), readAll(out),
          readAll(err)};
  fs::remove(out);
  fs::remove(err);
  return ran;
}

std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

bool onPath(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

void ScratchTest::SetUp() {
  char pattern[] = "/tmp/companion-test-XXXXXX";
  ASSERT_TRUE(mkdtemp(pattern));
  scratch_ = pattern;
}

void ScratchTest::TearDown() { fs::remove_all(scratch_); }

fs::path ScratchTest::folder(const char* name) {
  fs::create_directories(scratch_ / name);
  return scratch_ / name;
}

}  // namespace program_test

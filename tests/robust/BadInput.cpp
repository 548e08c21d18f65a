#include "BadInput.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

extern char** environ;

namespace robust {

namespace {

std::string extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

BadInputCase writing(const std::string& file, std::string kind, bool mustName,
                     std::function<std::vector<std::uint8_t>(std::vector<std::uint8_t>)> change) {
  BadInputCase c{file, std::move(kind), mustName, nullptr};
  c.make = [change](const std::string& path, const std::vector<std::uint8_t>& original,
                    const std::string&) { return writeBytes(path, change(original)); };
  return c;
}

BadInputCase truncated(const std::string& file, const char* label, double fraction,
                       std::size_t atLeast) {
  return writing(file, std::string("truncated ") + label, false, [=](auto bytes) {
    std::size_t keep = static_cast<std::size_t>(static_cast<double>(bytes.size()) * fraction);
    keep = std::min(std::max(keep, atLeast), bytes.size() ? bytes.size() - 1 : 0);
    bytes.resize(keep);
    return bytes;
  });
}

// One bit in every 4 KiB (at least 8), at places drawn from the seed; seed 0 flips 8 bits
// among the first 64 bytes, where the headers are.
BadInputCase flipped(const std::string& file, unsigned seed) {
  const std::string kind =
      seed == 0 ? "bit flips in the header" : "bit flips seed " + std::to_string(seed);
  return writing(file, kind, false, [seed](auto bytes) {
    if (bytes.empty()) return bytes;
    std::mt19937 random(seed + 1);
    const std::size_t span = seed == 0 ? std::min<std::size_t>(bytes.size(), 64) : bytes.size();
    const std::size_t flips = seed == 0 ? 8 : std::max<std::size_t>(8, bytes.size() / 4096);
    for (std::size_t i = 0; i < flips; ++i) {
      const std::size_t at = std::uniform_int_distribution<std::size_t>(0, span - 1)(random);
      bytes[at] ^=
          static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(random));
    }
    return bytes;
  });
}

BadInputCase another(const std::string& file, const std::string& other) {
  const bool sameKind = extension(file) == extension(other);
  BadInputCase c{file, "the bytes of " + other, !sameKind, nullptr};
  c.make = [other](const std::string& path, const std::vector<std::uint8_t>&,
                   const std::string& dataDir) {
    return writeBytes(path, readBytes(dataDir + "/" + other));
  };
  return c;
}

// A compiled effect whose first ES stage no longer opens with its version directive: the
// section the core dialect never compiles must still be refused when it is damaged.
BadInputCase esStageDamaged(const std::string& file) {
  return writing(file, "its ES stage damaged", true, [](auto bytes) {
    static const std::string directive = "#version 300 es";
    const auto at = std::search(bytes.begin(), bytes.end(), directive.begin(), directive.end());
    if (at != bytes.end()) at[1] = 'V';
    return bytes;
  });
}

}  // namespace

std::vector<BadInputCase> casesFor(const std::string& file,
                                   const std::vector<std::string>& otherFiles) {
  std::vector<BadInputCase> cases;
  cases.push_back({file, "missing", true, nullptr});
  cases.push_back(writing(file, "empty", true, [](auto) { return std::vector<std::uint8_t>(); }));
  cases.push_back(truncated(file, "to 1 byte", 0.0, 1));
  cases.push_back(truncated(file, "to 16 bytes", 0.0, 16));
  cases.push_back(truncated(file, "to 25%", 0.25, 0));
  cases.push_back(truncated(file, "to 50%", 0.5, 0));
  cases.push_back(truncated(file, "by its last byte", 1.0, 0));
  for (unsigned seed = 0; seed <= 4; ++seed) cases.push_back(flipped(file, seed));
  if (extension(file) == ".fxo") cases.push_back(esStageDamaged(file));
  // One other file of the same kind, where there is one, and one of another kind.
  std::string same, different;
  for (const std::string& other : otherFiles) {
    if (other == file) continue;
    std::string& slot = extension(other) == extension(file) ? same : different;
    if (slot.empty()) slot = other;
  }
  if (!same.empty()) cases.push_back(another(file, same));
  if (!different.empty()) cases.push_back(another(file, different));
  return cases;
}

std::vector<BadInputCase> sampleFor(const std::string& file,
                                    const std::vector<std::string>& otherFiles) {
  // Another kind of file in its place (first), one more damage, rotating with the file's
  // place in the list so that the nine files together meet every kind of case, and missing.
  const std::vector<BadInputCase> all = casesFor(file, otherFiles);
  const auto& names = dataFileNames();
  const std::size_t place =
      static_cast<std::size_t>(std::find(names.begin(), names.end(), file) - names.begin());
  const std::size_t damaged = 1 + place % (all.size() - 2);
  return {all.back(), all[damaged], all.front()};
}

std::vector<std::string> filesRead(const std::string& output) {
  std::vector<std::string> names;
  const std::size_t line = output.find("read:");
  if (line == std::string::npos) return names;
  const std::string rest = output.substr(line + 5, output.find('\n', line) - line - 5);
  for (const std::string& name : dataFileNames()) {
    if ((" " + rest + " ").find(" " + name + " ") != std::string::npos) names.push_back(name);
  }
  return names;
}

const char* endingName(Ending ending) {
  switch (ending) {
    case Ending::kPlayedOnNamed: return "played on, file named";
    case Ending::kPlayedOn: return "played on";
    case Ending::kAssertionNamed: return "assertion, file named";
    case Ending::kAssertionUnnamed: return "assertion WITHOUT the file named";
    case Ending::kSanitizer: return "SANITIZER REPORT";
    case Ending::kSignal: return "SIGNAL";
    case Ending::kHang: return "HANG";
    case Ending::kExitCode: return "EXIT CODE";
  }
  return "?";
}

Ending judge(const RunResult& run, const std::string& name) {
  const std::string& text = run.errors;
  if (run.timedOut) return Ending::kHang;
  for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                             "runtime error:", "WARNING: AddressSanitizer"}) {
    if (text.find(marker) != std::string::npos) return Ending::kSanitizer;
  }
  const std::size_t named = text.find(name);
  if (WIFEXITED(run.status)) {
    if (WEXITSTATUS(run.status) != 0) return Ending::kExitCode;
    return named != std::string::npos ? Ending::kPlayedOnNamed : Ending::kPlayedOn;
  }
  if (WIFSIGNALED(run.status) && WTERMSIG(run.status) == SIGABRT) {
    // glibc's report: "program: file:line: function: Assertion `0' failed."
    const std::size_t report = text.find("Assertion `");
    if (report != std::string::npos && text.find("' failed.", report) != std::string::npos) {
      return named < report ? Ending::kAssertionNamed : Ending::kAssertionUnnamed;
    }
  }
  return Ending::kSignal;
}

bool allowed(Ending ending, bool mustName) {
  return ending == Ending::kPlayedOnNamed || ending == Ending::kAssertionNamed ||
         (ending == Ending::kPlayedOn && !mustName);
}

RunResult runChild(const std::vector<std::string>& command, double timeoutSeconds,
                   const std::vector<std::string>& environment) {
  RunResult result;
  char outPath[] = "/tmp/robust-out-XXXXXX";
  char errPath[] = "/tmp/robust-err-XXXXXX";
  const int out = mkstemp(outPath), err = mkstemp(errPath);
  std::vector<std::string> envStrings;
  auto removed = [&](const std::string& entry) {
    return std::any_of(environment.begin(), environment.end(), [&](const std::string& change) {
      const std::string name =
          change[0] == '-' ? change.substr(1) : change.substr(0, change.find('='));
      return entry.compare(0, name.size() + 1, name + "=") == 0;
    });
  };
  for (char** e = environ; *e; ++e) {
    if (!removed(*e)) envStrings.emplace_back(*e);
  }
  for (const std::string& change : environment) {
    if (change[0] != '-') envStrings.push_back(change);
  }
  std::vector<char*> argv, envp;
  for (const std::string& a : command) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : envStrings) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, err, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);  // its own group, killed whole
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t child = -1;
  if (posix_spawn(&child, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0) {
    result.status = 127 << 8;
  } else {
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(static_cast<long>(timeoutSeconds * 1000));
    for (;;) {
      const pid_t done = waitpid(child, &result.status, WNOHANG);
      if (done == child) break;
      if (std::chrono::steady_clock::now() > deadline) {
        kill(-child, SIGKILL);
        waitpid(child, &result.status, 0);
        result.timedOut = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(out);
  close(err);
  auto slurp = [](const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  result.output = slurp(outPath);
  result.errors = slurp(errPath);
  unlink(outPath);
  unlink(errPath);
  return result;
}

std::string scratchCopy(const std::string& dataDir) {
  char folder[] = "/tmp/robust-case-XXXXXX";
  if (!mkdtemp(folder)) return {};
  const std::string data = std::string(folder) + "/data";
  mkdir(data.c_str(), 0755);
  if (DIR* dir = opendir(dataDir.c_str())) {
    while (dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      const std::string from = dataDir + "/" + entry->d_name;
      struct stat status;
      if (stat(from.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
      symlink(from.c_str(), (data + "/" + entry->d_name).c_str());
    }
    closedir(dir);
  }
  return folder;
}

void removeTree(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return;
  if (S_ISDIR(status.st_mode)) {
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        removeTree(path + "/" + entry->d_name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

bool prepare(const BadInputCase& c, const std::string& folder, const std::string& dataDir) {
  const std::string path = folder + "/data/" + c.file;
  unlink(path.c_str());  // never write through the link into the original
  if (!c.make) return true;
  return c.make(path, readBytes(dataDir + "/" + c.file), dataDir);
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace robust

// The bad-input cases for the demo's data files and the judge of how a run ended. A case
// breaks one file in a scratch copy of the data folder; the run is the real entry with the
// real invitation (invitation_run) in a child process with a time limit.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "DataFiles.h"

namespace robust {

// The names of the data files that a run of invitation_run read through the data file
// cache (its "read:" line), the music included where the shell opened it.
std::vector<std::string> filesRead(const std::string& output);

struct BadInputCase {
  std::string file;  // the file broken, e.g. "loading.jpg"
  std::string kind;  // "missing", "empty", "truncated 50%", "bit flips seed 3", ...
  // True where the broken file can no longer be what it was (missing, empty, not its kind):
  // then a run that plays on must say which file it did without.
  bool mustName = false;
  // Writes the broken file at `path` from the original bytes (another file's are read from
  // dataDir); the other files of the folder are there already. Not called for "missing".
  std::function<bool(const std::string& path, const std::vector<std::uint8_t>& original,
                     const std::string& dataDir)>
      make;
};

// The whole matrix for one file: missing, empty, truncated at several points, bit flips with
// several seeds, and the bytes of other files (one of its own kind where there is one, one of
// another kind) under its name.
std::vector<BadInputCase> casesFor(const std::string& file,
                                   const std::vector<std::string>& otherFiles);
// Three of them, the bytes of another kind of file first; across the nine files the middle
// ones go through every kind of damage.
std::vector<BadInputCase> sampleFor(const std::string& file,
                                    const std::vector<std::string>& otherFiles);

enum class Ending {
  kPlayedOnNamed,   // exit 0, and standard error names the file
  kPlayedOn,        // exit 0, nothing names the file
  kAssertionNamed,  // the failed-assertion report, preceded by a line naming the file
  kAssertionUnnamed,
  kSanitizer,  // an AddressSanitizer, LeakSanitizer or UBSan report
  kSignal,     // any other signal
  kHang,       // killed at the time limit
  kExitCode,   // an exit code other than 0
};
const char* endingName(Ending ending);

struct RunResult {
  int status = 0;  // as waitpid gives it
  bool timedOut = false;
  std::string errors;  // standard error
  std::string output;  // standard output
};

// How the run ended, judged from its status and standard error; `name` is the file's.
Ending judge(const RunResult& run, const std::string& name);
// Whether the demo may end that way for the case.
bool allowed(Ending ending, bool mustName);

// Runs `program args...` with standard output and error captured, killing it after
// timeoutSeconds. `environment` entries ("NAME=value") replace or add to the caller's;
// "-NAME" removes one.
RunResult runChild(const std::vector<std::string>& command, double timeoutSeconds,
                   const std::vector<std::string>& environment = {});

// A fresh scratch folder holding data/ with every file of `dataDir` linked in; answers its
// path. removeTree deletes such a folder.
std::string scratchCopy(const std::string& dataDir);
void removeTree(const std::string& path);

// Puts the case's broken file into folder/data (the link to the original goes first).
bool prepare(const BadInputCase& c, const std::string& folder, const std::string& dataDir);

std::vector<std::uint8_t> readBytes(const std::string& path);
bool writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace robust

// The whole bad-input matrix: every case of every data file the invitation reads, each run
// of the real entry judged, one line per case and the counts at the end. Exit code 1 when a
// case ended in a way the demo must never end.
//
//   bad_input_matrix [--timeout SECONDS] [--only FILE] [--times MS,MS,...]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sys/stat.h>

#include "BadInput.h"

int main(int argc, char** argv) {
  using namespace robust;
  double timeout = 240;
  std::string only, times = "40,2500,45000,90500";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--timeout") == 0) timeout = std::atof(argv[i + 1]);
    if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    if (std::strcmp(argv[i], "--times") == 0) times = argv[i + 1];
  }
  std::vector<std::string> files;
  for (const std::string& name : dataFileNames()) {
    struct stat status;
    if (stat((std::string(VANTOR_DATA_DIR) + "/" + name).c_str(), &status) == 0) {
      files.push_back(name);
    } else {
      std::printf("%-16s not in the data folder of this build: not tried\n", name.c_str());
    }
  }
  // A run over the intact folder says which files the invitation reads at all; the others
  // still lend their bytes to the cases.
  const std::vector<std::string> available = files;
  {
    const std::string folder = scratchCopy(VANTOR_DATA_DIR);
    const RunResult intact = runChild({INVITATION_RUN, folder, "--times", times}, timeout);
    removeTree(folder);
    const std::vector<std::string> read = filesRead(intact.output);
    std::erase_if(files, [&](const std::string& name) {
      if (std::find(read.begin(), read.end(), name) != read.end()) return false;
      std::printf("%-16s not read by the invitation: not tried\n", name.c_str());
      return true;
    });
  }
  int tried = 0, survived = 0;
  std::map<std::string, int> endings;
  for (const std::string& file : files) {
    if (!only.empty() && file != only) continue;
    for (const BadInputCase& c : casesFor(file, available)) {
      const std::string folder = scratchCopy(VANTOR_DATA_DIR);
      prepare(c, folder, VANTOR_DATA_DIR);
      const RunResult run = runChild({INVITATION_RUN, folder, "--times", times}, timeout);
      removeTree(folder);
      const Ending ending = judge(run, file);
      const bool ok = allowed(ending, c.mustName);
      ++tried;
      survived += ok;
      ++endings[endingName(ending)];
      std::printf("%-16s %-28s %-8s %s\n", file.c_str(), c.kind.c_str(), ok ? "ok" : "FAILED",
                  endingName(ending));
      if (!ok) {
        const std::string& e = run.errors;
        std::printf("  standard error (end):\n%s\n",
                    (e.size() > 2000 ? e.substr(e.size() - 2000) : e).c_str());
      }
      std::fflush(stdout);
    }
  }
  std::printf("\n%d cases tried, %d ended in an allowed way, %d did not\n", tried, survived,
              tried - survived);
  for (const auto& [name, count] : endings) std::printf("  %-36s %d\n", name.c_str(), count);
  return tried == survived ? 0 : 1;
}

// Whatever the data files hold and whatever the machine lacks, a run of the real entry with
// the real invitation ends in an allowed way: it plays on and standard error names the file
// it did without, or it ends through the failed-assertion report after a line naming the
// file; never another signal, a sanitizer report, a hang or silence. Each run is a child
// process (invitation_run) over a scratch copy of the data folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "BadInput.h"

namespace robust {
namespace {

// Sanitizer builds run several times slower; the limit only has to tell a hang from a run.
double caseTimeoutSeconds() {
  if (const char* text = std::getenv("VANTOR_CASE_TIMEOUT")) return std::atof(text);
  return 240.0;
}

std::vector<std::string> availableFiles() {
  std::vector<std::string> files;
  for (const std::string& name : dataFileNames()) {
    struct stat status;
    if (stat((std::string(VANTOR_DATA_DIR) + "/" + name).c_str(), &status) == 0) {
      files.push_back(name);
    }
  }
  return files;
}

// Runs the invitation from a scratch folder that `arrange` has set up; returns the run.
template <typename Arrange>
RunResult runFrom(Arrange arrange, const std::vector<std::string>& environment = {},
                  const std::vector<std::string>& extra = {}) {
  const std::string folder = scratchCopy(VANTOR_DATA_DIR);
  arrange(folder);
  std::vector<std::string> command = {INVITATION_RUN, folder};
  command.insert(command.end(), extra.begin(), extra.end());
  RunResult run = runChild(command, caseTimeoutSeconds(), environment);
  removeTree(folder);
  return run;
}

std::string describe(const RunResult& run) {
  std::string tail =
      run.errors.size() > 3000 ? run.errors.substr(run.errors.size() - 3000) : run.errors;
  return "status " + std::to_string(run.status) + (run.timedOut ? " (timed out)" : "") +
         ", standard error:\n" + tail;
}

// ---- The judge: a wrong verdict would let a crash or a silent failure through. ----

RunResult exited(int code, std::string errors) {
  RunResult run;
  run.status = code << 8;  // WIFEXITED form
  run.errors = std::move(errors);
  return run;
}

RunResult signalled(int signal, std::string errors) {
  RunResult run;
  run.status = signal;  // WIFSIGNALED form
  run.errors = std::move(errors);
  return run;
}

TEST(BadInputJudge, OrderlyEndsAreAllowedOnlyWithTheFileNamedWhereTheFileIsGone) {
  EXPECT_EQ(judge(exited(0, "vantor: the picture \"bg.jpg\" cannot be decoded\n"), "bg.jpg"),
            Ending::kPlayedOnNamed);
  EXPECT_EQ(judge(exited(0, "audio: silent output\n"), "bg.jpg"), Ending::kPlayedOn);
  EXPECT_TRUE(allowed(Ending::kPlayedOn, false));
  EXPECT_FALSE(allowed(Ending::kPlayedOn, true));
  EXPECT_EQ(judge(exited(1, "bg.jpg"), "bg.jpg"), Ending::kExitCode);
  EXPECT_FALSE(allowed(Ending::kExitCode, false));
}

TEST(BadInputJudge, TheAssertionReportCountsOnlyAfterALineNamingTheFile) {
  const std::string report =
      "invitation_run: gfx\\EffectHandler:51: void f(): Assertion `0' failed.\n";
  EXPECT_EQ(judge(signalled(SIGABRT,
                            "vantor: the effect \"MappedBlur.fxo\" cannot be created\n"
                            "D3DERR_INVALIDCALL\n" +
                                report),
                  "MappedBlur.fxo"),
            Ending::kAssertionNamed);
  EXPECT_EQ(judge(signalled(SIGABRT, report + "MappedBlur.fxo\n"), "MappedBlur.fxo"),
            Ending::kAssertionUnnamed);
  // An abort that is not the assertion report, and any other signal, are crashes.
  EXPECT_EQ(judge(signalled(SIGABRT, "MappedBlur.fxo\nterminate called\n"), "MappedBlur.fxo"),
            Ending::kSignal);
  EXPECT_EQ(judge(signalled(SIGSEGV, "grilli9.x\n"), "grilli9.x"), Ending::kSignal);
  EXPECT_FALSE(allowed(Ending::kAssertionUnnamed, false));
  EXPECT_FALSE(allowed(Ending::kSignal, false));
}

TEST(BadInputJudge, SanitizerReportsAndHangsFailWhateverTheExitCode) {
  EXPECT_EQ(judge(exited(0,
                         "kivei.jpg\nLeakSanitizer: ...\n==1==ERROR: LeakSanitizer: "
                         "detected memory leaks\n"),
                  "kivei.jpg"),
            Ending::kSanitizer);
  EXPECT_EQ(judge(exited(0, "x.cpp:3:5: runtime error: signed integer overflow\n"), "kivei.jpg"),
            Ending::kSanitizer);
  RunResult hung = exited(0, "kivei.jpg");
  hung.timedOut = true;
  EXPECT_EQ(judge(hung, "kivei.jpg"), Ending::kHang);
  EXPECT_FALSE(allowed(Ending::kSanitizer, false));
  EXPECT_FALSE(allowed(Ending::kHang, false));
}

// ---- The cases: each must really damage the file it names, the same way every time. ----

TEST(BadInputCases, EveryCaseChangesTheFileAndIsTheSameOnEveryRun) {
  const std::vector<std::uint8_t> original(10000, 0x5A);
  const std::string folder = scratchCopy("/nonexistent");
  for (const BadInputCase& c : casesFor("kivei.jpg", dataFileNames())) {
    if (!c.make) continue;
    BadInputCase named = c;
    named.make = [&](const std::string& path, const std::vector<std::uint8_t>&,
                     const std::string& dir) { return c.make(path, original, dir); };
    ASSERT_TRUE(prepare(named, folder, VANTOR_DATA_DIR)) << c.kind;
    const auto first = readBytes(folder + "/data/kivei.jpg");
    ASSERT_TRUE(prepare(named, folder, VANTOR_DATA_DIR)) << c.kind;
    EXPECT_EQ(readBytes(folder + "/data/kivei.jpg"), first) << c.kind;
    EXPECT_NE(first, original) << c.kind;
    if (c.kind.rfind("truncated", 0) == 0) {
      EXPECT_TRUE(!first.empty() && first.size() < original.size()) << c.kind;
    }
    if (c.kind.rfind("bit flips", 0) == 0) {
      EXPECT_EQ(first.size(), original.size()) << c.kind;
    }
  }
  removeTree(folder);
}

TEST(BadInputCases, AnotherFileOfTheSameKindNeedNotBeNamedOneOfAnotherKindMust) {
  const auto cases = casesFor("bg.jpg", dataFileNames());
  auto find = [&](const std::string& kind) {
    return std::find_if(cases.begin(), cases.end(), [&](const auto& c) { return c.kind == kind; });
  };
  ASSERT_NE(find("the bytes of loading.jpg"), cases.end());
  EXPECT_FALSE(find("the bytes of loading.jpg")->mustName);
  ASSERT_NE(find("the bytes of kestuinvi.mp3"), cases.end());
  EXPECT_TRUE(find("the bytes of kestuinvi.mp3")->mustName);
  EXPECT_TRUE(find("missing")->mustName);
  EXPECT_TRUE(find("empty")->mustName);
}

// ---- The matrix, sampled: a few cases per file on the real entry. ----

class BadInput : public testing::TestWithParam<std::string> {};

TEST_P(BadInput, EndsInAnAllowedWayAndNamesTheFile) {
  const std::vector<std::string> files = availableFiles();
  const std::string file = GetParam();
  if (std::find(files.begin(), files.end(), file) == files.end()) {
    GTEST_SKIP() << file << " is not in the data folder of this build";
  }
  // The case with another kind of file in its place comes first: a file that is there but
  // never read means the invitation does not ask for it (yet), and no case can fail it.
  const std::vector<BadInputCase> sample = sampleFor(file, files);
  for (const BadInputCase& c : sample) {
    const RunResult run = runFrom(
        [&](const std::string& folder) { ASSERT_TRUE(prepare(c, folder, VANTOR_DATA_DIR)); });
    const Ending ending = judge(run, file);
    if (&c == &sample.front() && ending == Ending::kPlayedOn) {
      const std::vector<std::string> read = filesRead(run.output);
      if (std::find(read.begin(), read.end(), file) == read.end()) {
        GTEST_SKIP() << "the invitation does not read " << file;
      }
    }
    EXPECT_TRUE(allowed(ending, c.mustName))
        << file << ", " << c.kind << ": " << endingName(ending) << "; " << describe(run);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDataFile, BadInput, testing::ValuesIn(dataFileNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param;
                           std::replace(name.begin(), name.end(), '.', '_');
                           return name;
                         });

// Found by the whole matrix: an effect file holding another effect's bytes is a valid effect,
// so it is created, and the first parameter it lacks ended the run without naming the file.
TEST(BadInputRegressions, AnEffectFileHoldingAnotherEffectIsNamedBeforeTheAssertion) {
  const std::vector<std::string> files = availableFiles();
  for (const char* name : {"SolidObject.fxo", "MappedBlur.fxo"}) {
    if (std::find(files.begin(), files.end(), name) == files.end()) GTEST_SKIP() << name;
  }
  const auto cases = casesFor("SolidObject.fxo", files);
  const auto other = std::find_if(cases.begin(), cases.end(), [](const BadInputCase& c) {
    return c.kind == "the bytes of MappedBlur.fxo";
  });
  ASSERT_NE(other, cases.end());
  const RunResult run = runFrom(
      [&](const std::string& folder) { ASSERT_TRUE(prepare(*other, folder, VANTOR_DATA_DIR)); });
  EXPECT_EQ(judge(run, "SolidObject.fxo"), Ending::kAssertionNamed) << describe(run);
}

// The ES text of a compiled effect is never compiled by the core dialect, so only the reader
// can notice its damage: the effect is refused and the file named as for any other damage.
TEST(BadInputCases, AnEffectWithADamagedEsStageIsRefusedAndNamed) {
  const std::vector<std::string> files = availableFiles();
  if (std::find(files.begin(), files.end(), "MappedBlur.fxo") == files.end()) GTEST_SKIP();
  const auto cases = casesFor("MappedBlur.fxo", files);
  const auto damaged = std::find_if(cases.begin(), cases.end(), [](const BadInputCase& c) {
    return c.kind == "its ES stage damaged";
  });
  ASSERT_NE(damaged, cases.end());
  const RunResult run = runFrom(
      [&](const std::string& folder) { ASSERT_TRUE(prepare(*damaged, folder, VANTOR_DATA_DIR)); });
  EXPECT_EQ(judge(run, "MappedBlur.fxo"), Ending::kAssertionNamed) << describe(run);
}

// ---- The machine and the folder around the files. ----

TEST(MachineFaults, WithoutTheDataFolderEveryFileIsNamedAndTheRunEndsInAnAllowedWay) {
  const RunResult run = runFrom([](const std::string& folder) { removeTree(folder + "/data"); });
  const Ending ending = judge(run, "kestuinvi.mp3");
  EXPECT_TRUE(allowed(ending, true)) << endingName(ending) << "; " << describe(run);
}

TEST(MachineFaults, ADataFolderThatIsAFileIsLikeNone) {
  const RunResult run = runFrom([](const std::string& folder) {
    removeTree(folder + "/data");
    writeBytes(folder + "/data", {'x'});
  });
  const Ending ending = judge(run, "kestuinvi.mp3");
  EXPECT_TRUE(allowed(ending, true)) << endingName(ending) << "; " << describe(run);
}

TEST(MachineFaults, FoldersAndNamedPipesUnderTheFilesNamesAreRefusedWithoutWaiting) {
  const RunResult intact = runFrom([](const std::string&) {});
  ASSERT_EQ(judge(intact, "(no file at fault)"), Ending::kPlayedOn) << describe(intact);
  for (const std::string& file : filesRead(intact.output)) {
    for (const bool pipe : {false, true}) {
      const RunResult run = runFrom([&](const std::string& folder) {
        const std::string path = folder + "/data/" + file;
        unlink(path.c_str());
        ASSERT_EQ(pipe ? mkfifo(path.c_str(), 0644) : mkdir(path.c_str(), 0755), 0);
      });
      const Ending ending = judge(run, file);
      EXPECT_TRUE(allowed(ending, true)) << file << (pipe ? " as a named pipe: " : " as a folder: ")
                                         << endingName(ending) << "; " << describe(run);
    }
  }
}

// Asked for the core dialect alone (without VANTOR_GL the device would go on in ES).
TEST(MachineFaults, WithoutOpenGl45TheDeviceFailureIsReportedAndNamed) {
  const RunResult run =
      runFrom([](const std::string&) {}, {"MESA_GL_VERSION_OVERRIDE=3.3", "VANTOR_GL=core"});
  const Ending ending = judge(run, "OpenGL 4.5");
  EXPECT_EQ(ending, Ending::kAssertionNamed) << describe(run);
  EXPECT_NE(run.errors.find("demo\\D3DWindow:213"), std::string::npos) << describe(run);
}

TEST(MachineFaults, WithoutADisplayTheDemoSaysSoInOneLineAndEndsWithExitCodeOne) {
  // The demo itself, not the scripted platform: nobody could see the launcher or stop a run,
  // and a script that started it must be able to tell.
  for (const std::vector<std::string>& environment :
       {std::vector<std::string>{"-DISPLAY", "-WAYLAND_DISPLAY"},
        std::vector<std::string>{"DISPLAY=:97", "-WAYLAND_DISPLAY"}}) {
    const RunResult run = runChild({KESTU09}, 60, environment);
    EXPECT_FALSE(run.timedOut) << environment[0];
    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == 1) << describe(run);
    EXPECT_EQ(run.errors.rfind("kestu09: nothing can be shown: no display (", 0), 0u)
        << describe(run);
    EXPECT_EQ(std::count(run.errors.begin(), run.errors.end(), '\n'), 1) << describe(run);
  }
}

}  // namespace
}  // namespace robust

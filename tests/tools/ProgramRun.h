// Running the built programs as a user runs them, for the tests of the programs: exit code and
// what they printed, in a scratch folder of their own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace program_test {

namespace fs = std::filesystem;

struct Ran {
  int code = -1;  // the exit code, or 128 + the signal
  std::string out, err;
};

std::string readAll(const fs::path& path);

// Runs the program (argv[0] a path) in folder with PATH replaced when path is given.
Ran runProgram(const std::vector<std::string>& argv, const fs::path& folder,
               const std::string& path = "");

// The names in a folder, sorted.
std::vector<std::string> filesIn(const fs::path& folder);

bool onPath(const char* program);

// A fresh folder under /tmp for each test, removed after it.
class ScratchTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  fs::path folder(const char* name);
  fs::path scratch_;
};

}  // namespace program_test

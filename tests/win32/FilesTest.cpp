#include <fileapi.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string scratchPath(const char* name) {
  return testing::TempDir() + "/win32_files_" + std::to_string(getpid()) + "_" + name;
}

std::string writeFile(const char* name, const std::string& content) {
  const std::string path = scratchPath(name);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  EXPECT_NE(file, nullptr);
  if (file) {
    EXPECT_EQ(std::fwrite(content.data(), 1, content.size(), file), content.size());
    EXPECT_EQ(std::fclose(file), 0);
  }
  return path;
}

HANDLE openForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

// NULL is the executable; the answer is the length without the null; a short buffer gets a
// cut, null-terminated path and the answer is its size.
TEST(ModuleFileName, NamesTheExecutableAndCutsAsWindowsDoes) {
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof path);
  EXPECT_EQ(std::string(path).size(), length);
  EXPECT_EQ(std::string(path).substr(std::string(path).rfind('/') + 1), "win32_tests");
  EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof path), length);

  char cut[8];
  std::memset(cut, 'x', sizeof cut);
  EXPECT_EQ(GetModuleFileNameA(nullptr, cut, 5), 5u);
  EXPECT_EQ(std::string(cut), std::string(path, 4));
  EXPECT_EQ(cut[5], 'x');  // nothing written past the size given

  // Exactly the path's length leaves no room for the null: that is a cut too.
  std::string exact(length, 'x');
  EXPECT_EQ(GetModuleFileNameA(nullptr, exact.data(), length), length);
  EXPECT_EQ(exact.c_str(), std::string(path, length - 1));

  EXPECT_EQ(GetModuleFileNameA(nullptr, cut, 0), 0u);
  static HINSTANCE__ otherModule;
  EXPECT_EQ(GetModuleFileNameA(&otherModule, path, sizeof path), 0u);
}

TEST(Files, ReadsARegularFileWhole) {
  const std::string content = "first line\nsecond\0line";
  const std::string path = writeFile("regular", content);
  EXPECT_EQ(GetFileAttributesA(path.c_str()), FILE_ATTRIBUTE_NORMAL);
  const HANDLE file = openForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetFileType(file), FILE_TYPE_DISK);
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, static_cast<LONGLONG>(content.size()));
  std::string read(content.size() + 10, '\0');
  DWORD bytesRead = 99;
  ASSERT_TRUE(ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &bytesRead, nullptr));
  EXPECT_EQ(bytesRead, content.size());  // asked for more: the end of the file stops the read
  EXPECT_EQ(read.substr(0, bytesRead), content);
  ASSERT_TRUE(ReadFile(file, read.data(), 4, &bytesRead, nullptr));
  EXPECT_EQ(bytesRead, 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  std::remove(path.c_str());
}

// A folder cannot be opened; a pipe opens at once (no writer is waited for) and says it is a
// pipe; a missing name has no attributes and no handle; what is not implemented is refused.
TEST(Files, TellsFoldersPipesAndMissingNamesApart) {
  const std::string folder = scratchPath("folder");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  EXPECT_EQ(GetFileAttributesA(folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(openForReading(folder), INVALID_HANDLE_VALUE);
  rmdir(folder.c_str());

  const std::string pipe = scratchPath("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(GetFileAttributesA(pipe.c_str()), FILE_ATTRIBUTE_DEVICE);
  const HANDLE file = openForReading(pipe);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileType(file), FILE_TYPE_PIPE);
  EXPECT_TRUE(CloseHandle(file));
  std::remove(pipe.c_str());

  EXPECT_EQ(GetFileAttributesA(pipe.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(openForReading(pipe), INVALID_HANDLE_VALUE);

  const std::string path = writeFile("refused", "x");
  EXPECT_EQ(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, 2 /* CREATE_ALWAYS */, 0, nullptr),
            INVALID_HANDLE_VALUE);
  std::remove(path.c_str());
}

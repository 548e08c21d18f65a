#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "TestHooks.h"
#include "Core/Progress.h"
#include "gfx/resources/DataFileCache.h"

namespace {

namespace fs = std::filesystem;
using vantor::DataFileCache;

void writeFile(const fs::path& path, const std::string& content) {
  fs::create_directories(path.parent_path().empty() ? fs::path(".") : path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

std::string cached(const std::string& name) {
  DataFileCache* cache = DataFileCache::instance();
  const unsigned char* data = cache->data(name);
  return data ? std::string(reinterpret_cast<const char*>(data), cache->size(name)) : "<none>";
}

// Each test runs in a fresh empty working folder. The cache lives for the whole process,
// so every test uses names of its own.
class DataFileCacheTest : public testing::Test {
 protected:
  void SetUp() override {
    previous = fs::current_path();
    char pattern[] = "/tmp/vantor-cache-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    fs::current_path(folder);
  }
  void TearDown() override {
    fs::current_path(previous);
    fs::remove_all(folder);
  }

  fs::path previous, folder;
};

TEST_F(DataFileCacheTest, DataFolderComesFirstThenTheBareName) {
  writeFile("data/first.bin", "inside");
  writeFile("first.bin", "outside");
  writeFile("second.bin", "only outside");
  vantor::dataFile("first.bin");
  EXPECT_EQ(vantor::dataFile(std::string("second.bin")), "second.bin");
  EXPECT_EQ(cached("first.bin"), "inside");
  EXPECT_EQ(cached("second.bin"), "only outside");
}

TEST_F(DataFileCacheTest, AChosenDataFolderComesBeforeEveryOtherPlace) {
  writeFile("chosen/picked.bin", "chosen");
  writeFile("chosen/model.bin", "chosen model");
  writeFile("data/picked.bin", "usual");
  writeFile("data/elsewhere.bin", "usual only");
  vantor::useDataFolder((folder / "chosen").string());
  vantor::dataFile("picked.bin");
  vantor::dataFile("data/model.bin");  // a name that says "data/" is found without it
  vantor::dataFile("elsewhere.bin");   // what the folder lacks comes from the usual places
  const std::string found = vantor::findDataFile("picked.bin");
  vantor::useDataFolder({});
  EXPECT_EQ(cached("picked.bin"), "chosen");
  EXPECT_EQ(cached("data/model.bin"), "chosen model");
  EXPECT_EQ(cached("elsewhere.bin"), "usual only");
  EXPECT_EQ(found, (folder / "chosen" / "picked.bin").string());
  EXPECT_EQ(vantor::findDataFile("picked.bin"), "data/picked.bin");
}

TEST_F(DataFileCacheTest, LoadedNameIsNeverReadAgain) {
  writeFile("data/once.bin", "first");
  DataFileCache* cache = DataFileCache::instance();
  cache->load("once.bin");
  const unsigned char* data = cache->data("once.bin");
  writeFile("data/once.bin", "changed");
  cache->load("once.bin");
  fs::remove("data/once.bin");
  testing::internal::CaptureStderr();
  cache->load("once.bin");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // no box: the disk was not asked
  EXPECT_EQ(cache->data("once.bin"), data);
  EXPECT_EQ(cached("once.bin"), "first");
}

TEST_F(DataFileCacheTest, NameWithAndWithoutDataPrefixAreTwoEntries) {
  writeFile("data/twice.bin", "same file");
  DataFileCache* cache = DataFileCache::instance();
  cache->load("twice.bin");
  cache->load("data/twice.bin");
  ASSERT_NE(cache->find("twice.bin"), nullptr);
  ASSERT_NE(cache->find("data/twice.bin"), nullptr);
  EXPECT_NE(cache->find("twice.bin"), cache->find("data/twice.bin"));
  EXPECT_EQ(cached("data/twice.bin"), "same file");
  EXPECT_EQ(cache->find("TWICE.bin"), nullptr);  // names are case-sensitive
}

TEST_F(DataFileCacheTest, LookupsNeverLoad) {
  writeFile("data/unasked.bin", "bytes");
  DataFileCache* cache = DataFileCache::instance();
  EXPECT_EQ(cache->data("unasked.bin"), nullptr);
  EXPECT_EQ(cache->size("unasked.bin"), 0u);
  EXPECT_EQ(cache->find("unasked.bin"), nullptr);
}

TEST_F(DataFileCacheTest, EmptyFileIsCachedWithSizeZero) {
  writeFile("data/empty.bin", "");
  DataFileCache* cache = DataFileCache::instance();
  cache->load("empty.bin");
  ASSERT_NE(cache->find("empty.bin"), nullptr);
  EXPECT_EQ(cache->size("empty.bin"), 0u);
  EXPECT_NE(cache->data("empty.bin"), nullptr);  // present, unlike a name never loaded
}

TEST_F(DataFileCacheTest, FolderInTheWayCountsAsMissing) {
  fs::create_directories("data/shadowed.bin");
  writeFile("shadowed.bin", "the real one");
  DataFileCache::instance()->load("shadowed.bin");
  EXPECT_EQ(cached("shadowed.bin"), "the real one");
}

TEST_F(DataFileCacheTest, MissingEverywhereShowsTheBoxAndAddsNothing) {
  vantor::loadingActive = true;
  const int ticks = vantor::progressTicks;
  testing::internal::CaptureStderr();
  DataFileCache::instance()->load("nowhere.bin");
  // The box's text (written to standard error without a display) does not say which file;
  // the line before it does.
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "vantor: the data file \"nowhere.bin\" cannot be opened\n"
            "error: Couldn't open file!\n");
  EXPECT_EQ(vantor::progressTicks, ticks + 1);
  EXPECT_EQ(DataFileCache::instance()->find("nowhere.bin"), nullptr);
  EXPECT_EQ(cached("nowhere.bin"), "<none>");
  MSG message;
  ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 0u);  // exit code 0
}

TEST_F(DataFileCacheTest, DataFolderBesideTheExecutableIsTheFallback) {
  const fs::path beside = fs::read_symlink("/proc/self/exe").parent_path() / "data";
  const std::string name = "beside-" + std::to_string(getpid()) + ".bin";
  writeFile(beside / name, "next to the program");
  DataFileCache::instance()->load(name.c_str());
  fs::remove(beside / name);
  if (fs::is_empty(beside)) fs::remove(beside);
  EXPECT_EQ(cached(name), "next to the program");
}

}  // namespace

// The loaders below the invitation, each given what a replaced data file can be: a named
// pipe (which would block a plain open for ever), a folder, damaged bytes that once took the
// picture decoder seconds. Each refuses promptly and says which file on standard error.
#include <fmod.hpp>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FmodHooks.h"
#include "Hooks.h"
#include "ImageDecoder.h"
#include "gfx/resources/DataFileCache.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A scratch folder with data/ in it, made the working folder for the test's length.
class InScratchFolder : public testing::Test {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/hostile-file-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    root = folder;
    ASSERT_EQ(mkdir((root + "/data").c_str(), 0755), 0);
    ASSERT_TRUE(getcwd(previous, sizeof previous));
    ASSERT_EQ(chdir(root.c_str()), 0);
    platform::win32::setMessageBoxHandler([this](LPCSTR text, LPCSTR, UINT) {
      boxes.push_back(text);
      return IDOK;
    });
  }
  void TearDown() override {
    platform::win32::setMessageBoxHandler(nullptr);
    EXPECT_EQ(chdir(previous), 0);
    for (const char* name :
         {"data/pipe.jpg", "data/folder.jpg", "data/pipe.mp3", "data/folder.mp3"}) {
      const std::string path = root + "/" + name;
      unlink(path.c_str());
      rmdir(path.c_str());
    }
    rmdir((root + "/data").c_str());
    rmdir(root.c_str());
  }
  std::string root;
  char previous[4096] = {};
  std::vector<std::string> boxes;
};

using DataFiles = InScratchFolder;

TEST_F(DataFiles, APipeOrAFolderUnderADataFilesNameIsRefusedAndNamed) {
  ASSERT_EQ(mkfifo("data/pipe.jpg", 0644), 0);  // nobody ever writes to it
  ASSERT_EQ(mkdir("data/folder.jpg", 0755), 0);
  vantor::DataFileCache* cache = vantor::DataFileCache::instance();
  for (const char* name : {"pipe.jpg", "folder.jpg"}) {
    CaptureStderr();
    vantor::dataFile(name);
    const std::string errors = GetCapturedStderr();
    EXPECT_NE(errors.find(std::string("\"") + name + "\""), std::string::npos) << errors;
    EXPECT_EQ(cache->data(name), nullptr);
    EXPECT_EQ(cache->size(name), 0u);
  }
  // The box the demo shows stays as it is; standard error is where the name goes.
  EXPECT_EQ(boxes, (std::vector<std::string>{"Couldn't open file!", "Couldn't open file!"}));
}

using Music = InScratchFolder;

TEST_F(Music, APipeOrAFolderAsTheTrackIsRefusedWithoutWaitingAndNamed) {
  ASSERT_EQ(mkfifo("data/pipe.mp3", 0644), 0);
  ASSERT_EQ(mkdir("data/folder.mp3", 0755), 0);
  platform::fmod::forceSilentOutput(true);
  FMOD::System* system = nullptr;
  ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
  ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
  for (const char* path : {"data/pipe.mp3", "data/folder.mp3", "data/absent.mp3"}) {
    FMOD::Sound* sound = nullptr;
    CaptureStderr();
    const FMOD_RESULT result = system->createStream(path, FMOD_2D | FMOD_SOFTWARE, nullptr, &sound);
    const std::string errors = GetCapturedStderr();
    EXPECT_EQ(result,
              std::string(path) == "data/absent.mp3" ? FMOD_ERR_FILE_NOTFOUND : FMOD_ERR_FILE_BAD);
    EXPECT_EQ(sound, nullptr);
    EXPECT_NE(errors.find(path), std::string::npos) << errors;
  }
  system->release();
}

TEST(MusicWithoutADevice, TheTrackPlaysSilentlyOnThePlatformClockAndSaysWhy) {
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  platform::fmod::forceSilentOutput(false);
  std::uint64_t clockMs = 5000;
  platform::win32::setTimeSource([&] { return clockMs; });
  FMOD::System* system = nullptr;
  ASSERT_EQ(FMOD_System_Create(&system), FMOD_OK);
  CaptureStderr();
  ASSERT_EQ(system->init(1, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
  const std::string errors = GetCapturedStderr();
  EXPECT_NE(errors.find("no audio driver"), std::string::npos) << errors;
  FMOD::Sound* sound = nullptr;
  ASSERT_EQ(system->createStream(VANTOR_SOURCE_DIR "/tests/fmod/fixtures/tone.mp3",
                                 FMOD_2D | FMOD_SOFTWARE, nullptr, &sound),
            FMOD_OK);
  FMOD::Channel* channel = nullptr;
  ASSERT_EQ(system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
  clockMs += 1234;
  unsigned position = 0;
  ASSERT_EQ(channel->getPosition(&position, FMOD_TIMEUNIT_MS), FMOD_OK);
  EXPECT_NEAR(position, 1234.0, 1.0);  // the 2-second tone has not ended yet
  system->release();
  platform::win32::setTimeSource(nullptr);
  unsetenv("SDL_AUDIODRIVER");
}

TEST(Pictures, EveryInputThatOnceFailedTheFuzzerIsRefused) {
  const std::string folder = VANTOR_SOURCE_DIR "/tests/fuzz/regressions/image";
  DIR* dir = opendir(folder.c_str());
  ASSERT_TRUE(dir);
  int tried = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(folder + "/" + entry->d_name, std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    platform::d3dx9::DecodedImage image;
    EXPECT_FALSE(platform::d3dx9::decodeImage(bytes.data(), bytes.size(), image)) << entry->d_name;
    ++tried;
  }
  closedir(dir);
  EXPECT_GT(tried, 0);
}

}  // namespace

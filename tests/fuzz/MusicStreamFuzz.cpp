// libFuzzer target for the music stand-in: any bytes as the track, opened with createStream,
// decoded on the stream's thread, played through the silent output on a virtual clock and
// asked for its position until the channel ends. Nothing may crash, hang or over-read, and
// the position may only move forwards, never ahead of the clock.
#include <fmod.hpp>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FmodHooks.h"

namespace {
std::uint64_t clockMs = 0;
}  // namespace

// The platform clock that the silent output follows; the fuzzer links no window layer.
namespace platform::win32 {
std::uint64_t nowMs() { return clockMs; }
}  // namespace platform::win32

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The stream reads a file by name: the input goes into one memory file, read back through
  // its /proc path.
  static const int file = memfd_create("track.mp3", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(file);
  if (file < 0 || ftruncate(file, 0) != 0) std::abort();
  for (std::size_t done = 0; done < size;) {
    const ssize_t wrote = pwrite(file, data + done, size - done, static_cast<off_t>(done));
    if (wrote <= 0) std::abort();
    done += static_cast<std::size_t>(wrote);
  }

  platform::fmod::forceSilentOutput(true);
  FMOD::System* system = nullptr;
  if (FMOD_System_Create(&system) != FMOD_OK) std::abort();
  if (system->init(1, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) std::abort();
  FMOD::Sound* sound = nullptr;
  const FMOD_RESULT opened =
      system->createStream(path.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound);
  if (opened == FMOD_OK) {
    FMOD::Channel* channel = nullptr;
    if (system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK) std::abort();
    const std::uint64_t startMs = clockMs;
    unsigned last = 0;
    // A quarter of a second per step, for at most two minutes of music.
    for (int step = 0; step < 480; ++step) {
      unsigned position = 0;
      if (channel->getPosition(&position, FMOD_TIMEUNIT_MS) != FMOD_OK) break;
      if (position < last || position > clockMs - startMs) std::abort();
      last = position;
      clockMs += 250;
    }
  } else if (sound != nullptr) {
    std::abort();  // a failure hands out no sound
  }
  system->release();
  return 0;
}

// Runs the real entry with the real invitation on the scripted platform, from a folder that
// holds a data/ folder: the robustness matrix runs it once per broken file, the soak runs the
// whole 91 seconds. Usage:
//
//   invitation_run FOLDER [--times MS,MS,...]   frames at 0 and these music positions, then
//                                              Escape
//   invitation_run FOLDER --whole even          the whole run at 60 frames a second
//   invitation_run FOLDER --whole uneven SEED   the whole run, frames of 1 to 250 ms
//   ... --trace                                 the heap in use every 5 s of music
//
// The exit code is the entry's (0 on every orderly path). With --whole it is 3 when a render
// target was created after the first second or the heap in use still climbs in the last
// quarter of the run; standard output gives the figures either way.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Core/Progress.h"
#include "DataFiles.h"
#include "gfx/resources/DataFileCache.h"
#include "ScriptedRun.h"

#if defined(__SANITIZE_ADDRESS__)
#define VANTOR_HEAP_FROM_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTOR_HEAP_FROM_ASAN 1
#endif
#endif
#ifdef VANTOR_HEAP_FROM_ASAN
// The sanitizer runtime's own count (gcc ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace {

using platform::scripted::Input;
using platform::scripted::ScriptedRun;

constexpr int kStart = 1001, kFullScreen = 1004;  // the launcher's controls
constexpr std::uint64_t kWarmUpMs = 1000;         // figures are compared from here on

std::uint64_t heapInUse() {
#ifdef VANTOR_HEAP_FROM_ASAN
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// Counts the render targets and depth surfaces the device creates.
class TargetCounter : public platform::ICallObserver {
 public:
  void onCall(const platform::Call& call) override {
    if (std::strcmp(call.object, "device") != 0 || FAILED(call.result)) return;
    if (std::strcmp(call.method, "CreateDepthStencilSurface") == 0) ++created;
    if (std::strcmp(call.method, "CreateTexture") == 0) {
      // "width, height, levels, usage, format, pool"
      unsigned width, height, levels, usage;
      if (std::sscanf(call.arguments.c_str(), "%u, %u, %u, 0x%X", &width, &height, &levels,
                      &usage) == 4 &&
          (usage & D3DUSAGE_RENDERTARGET) != 0) {
        ++created;
      }
    }
  }
  int created = 0;
};

std::vector<std::uint64_t> parseTimes(const char* text) {
  std::vector<std::uint64_t> times;
  for (const char* p = text; *p;) {
    char* end = nullptr;
    times.push_back(std::strtoull(p, &end, 10));
    if (end == p) break;
    p = *end == ',' ? end + 1 : end;
  }
  std::sort(times.begin(), times.end());
  // The first frame comes as the music starts.
  if (times.empty() || times.front() != 0) times.insert(times.begin(), 0);
  return times;
}

int usage() {
  std::fprintf(stderr,
               "usage: invitation_run FOLDER [--times MS,MS,...] | [--whole even|uneven SEED]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  std::vector<std::uint64_t> times = {0, 40, 2500, 45000, 90500};
  bool whole = false, uneven = false, trace = false;
  unsigned seed = 1;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--times") == 0 && i + 1 < argc) {
      times = parseTimes(argv[++i]);
    } else if (std::strcmp(argv[i], "--whole") == 0 && i + 1 < argc) {
      whole = true;
      uneven = std::strcmp(argv[++i], "uneven") == 0;
      if (uneven && i + 1 < argc)
        seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else if (std::strcmp(argv[i], "--trace") == 0) {
      trace = true;
    } else {
      return usage();
    }
  }
  if (times.empty()) return usage();
  if (chdir(argv[1]) != 0) {
    std::perror(argv[1]);
    return 2;
  }

  ScriptedRun run(0);  // only this driver moves the clock
  TargetCounter targets;
  run.forwardCallsTo(&targets);
  std::mt19937 random(seed);
  int frames = 0;
  std::uint64_t musicMs = 0;  // what the next frame will see
  int targetsAfterWarmUp = -1;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> heap;  // (music ms, bytes) per frame
  heap.reserve(100000);  // room for 91 s of 1 ms frames: the record itself must not grow
  std::uint64_t nextTraceMs = 0;
  run.onFrame([&](int presents) {
    if (vantor::loadingActive) return;  // the loading screen's Present
    ++frames;
    if (musicMs >= kWarmUpMs && targetsAfterWarmUp < 0) targetsAfterWarmUp = targets.created;
    heap.emplace_back(musicMs, heapInUse());
    if (trace && musicMs >= nextTraceMs) {
      std::fprintf(stderr, "at %6.1f s: heap in use %llu bytes\n", musicMs / 1000.0,
                   static_cast<unsigned long long>(heap.back().second));
      nextTraceMs += 5000;
    }
    std::uint64_t stepMs;
    if (!whole) {
      if (frames >= static_cast<int>(times.size())) {
        run.atFrame(presents, Input::key(VK_ESCAPE));
        return;
      }
      stepMs = times[frames] - times[frames - 1];
    } else if (uneven) {
      stepMs = std::uniform_int_distribution<std::uint64_t>(1, 250)(random);
    } else {
      stepMs = frames % 3 == 0 ? 16 : 17;  // 50 ms every three frames
    }
    musicMs += stepMs;
    run.advance(stepMs);
  });
  // Windowed, so that no display-mode switch is asked for.
  run.atFrame(0, Input::click(kFullScreen));
  run.atFrame(0, Input::click(kStart));

  const int result =
      WinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_SHOWDEFAULT);
  const int grownTargets = targetsAfterWarmUp < 0 ? 0 : targets.created - targetsAfterWarmUp;
  // The heap's median over a stretch of music; single frames may hold temporaries.
  auto median = [&](std::uint64_t fromMs, std::uint64_t toMs) -> long long {
    std::vector<std::uint64_t> bytes;
    for (const auto& [ms, used] : heap) {
      if (ms >= fromMs && ms < toMs) bytes.push_back(used);
    }
    if (bytes.empty()) return -1;
    std::nth_element(bytes.begin(), bytes.begin() + bytes.size() / 2, bytes.end());
    return static_cast<long long>(bytes[bytes.size() / 2]);
  };
  const long long early = median(kWarmUpMs, 2 * kWarmUpMs), middle = median(30000, 45000),
                  late = median(75000, 90000);
  std::printf(
      "frames %d, render targets and depth surfaces created %d (%d after the first "
      "second); heap in use, median: %lld bytes at 1-2 s, %lld at 30-45 s, %lld at "
      "75-90 s\n",
      frames, targets.created, grownTargets, early, middle, late);
  // The data files this run read, so that a matrix can tell a file the invitation never
  // asks for from one it read and then did without.
  std::printf("read:");
  for (const std::string& name : robust::dataFileNames()) {
    if (robust::readByTheShell(name) || vantor::DataFileCache::instance()->find(name)) {
      std::printf(" %s", name.c_str());
    }
  }
  std::printf("\n");
  std::fflush(stdout);
  if (result != 0 || !whole) return result;
  // Render targets come from the pool after the first frames. The heap settles once the
  // music's decoder and the renderer have their working sets (within the first 30 s even
  // at 250 ms a frame); from then on it must not climb with the number of frames.
  constexpr long long kHeapSlackBytes = 1 << 20;
  if (grownTargets != 0 || middle < 0 || late < 0 || late > middle + kHeapSlackBytes) return 3;
  return 0;
}

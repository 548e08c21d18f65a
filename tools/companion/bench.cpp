// kestu09-bench: how long setup and frames take on this machine, what a frame allocates and
// creates, and how much memory the run needs.
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sstream>

#include "Arguments.h"
#include "InvitationRun.h"
#include "OutputFile.h"
#include "PassTimer.h"
#include "Process.h"
#include "Statistics.h"

// Every C++ heap allocation of the process is counted (the engine's, the stand-ins' and the
// libraries'). All forms of new and delete are replaced together, over malloc and free, so
// that no allocation is made by one allocator and freed by another.
namespace {
std::atomic<std::uint64_t> allocations{0};

void* allocate(std::size_t size, std::size_t alignment) noexcept {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  // aligned_alloc wants a multiple of the alignment.
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
  if (void* memory = allocate(size, alignment)) return memory;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return allocateOrThrow(n, 0); }
void* operator new[](std::size_t n) { return allocateOrThrow(n, 0); }
void* operator new(std::size_t n, std::align_val_t a) {
  return allocateOrThrow(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a) {
  return allocateOrThrow(n, static_cast<std::size_t>(a));
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, 0); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocate(n, 0); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return allocate(n, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return allocate(n, static_cast<std::size_t>(a));
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

constexpr const char* kTool = "kestu09-bench";
constexpr const char* kUsage =
    "usage: kestu09-bench [--size WxH] [--seconds S] [--json FILE]\n"
    "Times setup and S seconds of frames (default 91) on a 60 Hz music clock, each frame drawn\n"
    "as fast as the machine can and finished on the GPU before it is timed, and prints a\n"
    "table: setup time, frame-time median, 90th and 99th percentile and maximum, frames per\n"
    "second, the GPU time of each pass (median and 99th percentile: scene, motion blur,\n"
    "bloom, composition), render targets created after the first frame, heap allocations per\n"
    "frame, peak resident memory and the GL renderer.\n"
    "  --size WxH     picture size in pixels (default 1280x720)\n"
    "  --seconds S    music seconds of frames, above 0 and at most 91 (default 91)\n"
    "  --json FILE    also write the figures as JSON to FILE\n"
    "  --help         this text\n"
    "  --version      the version\n";

// Counts the render targets and depth surfaces the device creates.
class TargetCounter : public platform::ICallObserver {
 public:
  void onCall(const platform::Call& call) override {
    if (std::strcmp(call.object, "device") != 0 || call.result < 0) return;
    if (std::strcmp(call.method, "CreateDepthStencilSurface") == 0 ||
        std::strcmp(call.method, "CreateRenderTarget") == 0) {
      ++created;
    } else if (std::strcmp(call.method, "CreateTexture") == 0) {
      // width, height, levels, usage, format, pool
      unsigned width, height, levels, usage;
      if (std::sscanf(call.arguments.c_str(), "%u, %u, %u, 0x%X", &width, &height, &levels,
                      &usage) == 4 &&
          (usage & D3DUSAGE_RENDERTARGET)) {
        ++created;
      }
    }
  }
  bool wantsArguments(const char* object, const char* method) override {
    return std::strcmp(object, "device") == 0 && std::strcmp(method, "CreateTexture") == 0;
  }
  int created = 0;
};

// The invitation's frame: three offscreen passes, then the composition on the back buffer.
const std::vector<std::string> kPassNames = {"scene", "motion blur", "bloom", "composition"};

struct PassFigures {
  std::string name;
  companion::FrameStatistics ms;
};

struct Figures {
  companion::Size size;
  double seconds = 0;
  int frames = 0;
  double setupSeconds = 0;
  double firstFrameMs = 0;
  companion::FrameStatistics frameMs;
  std::vector<PassFigures> passes;  // empty without timestamp queries
  int unattributedFrames = 0;
  int targetsAfterFirstFrame = 0;
  double allocationsPerFrame = 0;
  double peakResidentMiB = 0;
  std::string renderer;
  std::string dialect;  // "core" or "es3"
};

std::string json(const Figures& f) {
  std::ostringstream out;
  out.precision(6);
  out << "{\n"
      << "  \"width\": " << f.size.width << ",\n"
      << "  \"height\": " << f.size.height << ",\n"
      << "  \"music_seconds\": " << f.seconds << ",\n"
      << "  \"frames\": " << f.frames << ",\n"
      << "  \"setup_seconds\": " << f.setupSeconds << ",\n"
      << "  \"first_frame_ms\": " << f.firstFrameMs << ",\n"
      << "  \"frame_ms\": {\"median\": " << f.frameMs.median << ", \"p90\": " << f.frameMs.p90
      << ", \"p99\": " << f.frameMs.p99 << ", \"max\": " << f.frameMs.max << "},\n"
      << "  \"frames_per_second\": " << f.frameMs.framesPerSecond << ",\n"
      << "  \"passes\": [";
  for (std::size_t i = 0; i < f.passes.size(); ++i) {
    out << (i ? ",\n" : "\n") << "    {\"name\": " << companion::jsonString(f.passes[i].name)
        << ", \"gpu_ms\": {\"median\": " << f.passes[i].ms.median
        << ", \"p99\": " << f.passes[i].ms.p99 << "}}";
  }
  out << (f.passes.empty() ? "],\n" : "\n  ],\n")
      << "  \"unattributed_frames\": " << f.unattributedFrames << ",\n"
      << "  \"render_targets_after_first_frame\": " << f.targetsAfterFirstFrame << ",\n"
      << "  \"allocations_per_frame\": " << f.allocationsPerFrame << ",\n"
      << "  \"peak_resident_mib\": " << f.peakResidentMiB << ",\n"
      << "  \"gl_renderer\": " << companion::jsonString(f.renderer) << ",\n"
      << "  \"gl_dialect\": " << companion::jsonString(f.dialect) << "\n"
      << "}\n";
  return out.str();
}

void printTable(const Figures& f) {
  std::printf("kestu09-bench  %dx%d, %.3f s of music at 60 Hz, %d frames\n", f.size.width,
              f.size.height, f.seconds, f.frames);
  std::printf("  setup                          %10.3f s\n", f.setupSeconds);
  std::printf("  first frame                    %10.2f ms\n", f.firstFrameMs);
  std::printf("  frame time median              %10.2f ms\n", f.frameMs.median);
  std::printf("  frame time 90th percentile     %10.2f ms\n", f.frameMs.p90);
  std::printf("  frame time 99th percentile     %10.2f ms\n", f.frameMs.p99);
  std::printf("  frame time maximum             %10.2f ms\n", f.frameMs.max);
  std::printf("  frames per second              %10.1f\n", f.frameMs.framesPerSecond);
  for (const PassFigures& pass : f.passes) {
    std::printf("  GPU %-13s median, 99th %10.2f %8.2f ms\n", pass.name.c_str(), pass.ms.median,
                pass.ms.p99);
  }
  if (f.unattributedFrames > 0) {
    std::printf("  frames not split into passes   %10d\n", f.unattributedFrames);
  }
  std::printf("  render targets after frame 1   %10d\n", f.targetsAfterFirstFrame);
  std::printf("  heap allocations per frame     %10.1f\n", f.allocationsPerFrame);
  std::printf("  peak resident memory           %10.1f MiB\n", f.peakResidentMiB);
  std::printf("  GL renderer                    %s\n", f.renderer.c_str());
  std::printf("  GL dialect                     %s\n", f.dialect.c_str());
}

bool writeJson(const std::string& path, const std::string& text, std::string& error) {
  companion::OutputFile file(path);
  return file.open(error) && file.write(text.data(), text.size(), error) && file.commit(error);
}

int bench(companion::Size size, std::uint32_t lengthMs, const std::string& jsonPath) {
  using Clock = std::chrono::steady_clock;
  Figures figures;
  figures.size = size;
  figures.seconds = lengthMs / 1000.0;
  figures.frames = static_cast<int>((static_cast<std::uint64_t>(lengthMs) * 60 + 500) / 1000);
  if (figures.frames < 1) figures.frames = 1;

  TargetCounter targets;
  companion::PassTimer passTimer(kPassNames);
  companion::InvitationRun run(size, kTool);
  run.watchCalls(&targets);
  run.watchCalls(&passTimer);
  std::vector<double> frameMs;
  frameMs.reserve(static_cast<std::size_t>(figures.frames));
  Clock::time_point previous;
  int targetsAtFirstFrame = 0;
  std::uint64_t allocationsAtFirstFrame = 0;
  bool finished = true;
  const bool ended = run.run([&](int frame, IDirect3DDevice9* device) {
    std::optional<std::uint32_t> next;
    finished = finished && SUCCEEDED(platform::scripted::finishWork(device));
    const Clock::time_point now = Clock::now();
    frameMs.push_back(
        std::chrono::duration<double, std::milli>(now - (frame == 0 ? run.loopStart() : previous))
            .count());
    previous = now;
    if (frame == 0) {
      figures.renderer = platform::scripted::rendererName(device);
      figures.dialect = platform::scripted::dialectName(device);
      targetsAtFirstFrame = targets.created;
      // The first frame builds what later frames reuse; the passes are timed after it.
      passTimer.attach(device);
      allocationsAtFirstFrame = allocations.load();
    }
    if (frame + 1 < figures.frames)
      next = static_cast<std::uint32_t>(((frame + 1) * 1000 + 30) / 60);
    if (!next) passTimer.detach();  // before the device goes with the run
    return next;
  });
  const std::uint64_t allocationsAfter = allocations.load();
  if (!ended) return 1;
  if (!finished) {
    // Without the wait a frame time is only how long the frame took to hand over.
    std::fprintf(stderr,
                 "%s: the GPU work could not be waited for, so no frame time is "
                 "known; no figures\n",
                 kTool);
    return 1;
  }

  figures.setupSeconds = std::chrono::duration<double>(run.setupTime()).count();
  figures.firstFrameMs = frameMs.front();
  figures.frameMs = companion::frameStatistics(frameMs);
  figures.targetsAfterFirstFrame = targets.created - targetsAtFirstFrame;
  if (passTimer.attributedFrames() > 0) {
    for (std::size_t i = 0; i < kPassNames.size(); ++i) {
      figures.passes.push_back({kPassNames[i], companion::frameStatistics(passTimer.passMs(i))});
    }
  }
  figures.unattributedFrames = passTimer.unattributedFrames();
  if (figures.frames > 1) {
    figures.allocationsPerFrame =
        static_cast<double>(allocationsAfter - allocationsAtFirstFrame) / (figures.frames - 1);
  }
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  figures.peakResidentMiB = usage.ru_maxrss / 1024.0;

  // The table is the run's result: it is printed once everything asked for is written.
  std::string error;
  if (!jsonPath.empty() && !writeJson(jsonPath, json(figures), error)) {
    std::fprintf(stderr, "%s: %s\n", kTool, error.c_str());
    return 1;
  }
  printTable(figures);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  companion::Size size{1280, 720};
  std::uint32_t lengthMs = companion::kRunMs;
  std::string jsonPath;
  try {
    const companion::Arguments arguments =
        companion::parseArguments(argc - 1, argv + 1, {"--size", "--seconds", "--json"}, false);
    if (arguments.help) return companion::printHelp(kTool, kUsage);
    if (arguments.version) return companion::printVersion(kTool);
    const auto& options = arguments.options;
    if (options.count("--size")) size = companion::parseSize(options.at("--size"));
    if (options.count("--seconds")) {
      lengthMs = companion::parseRunLengthMs(options.at("--seconds"));
    }
    if (options.count("--json")) jsonPath = options.at("--json");
    if (options.count("--json") && jsonPath.empty()) {
      throw companion::UsageError("--json needs a file");
    }
  } catch (const companion::UsageError& error) {
    std::fprintf(stderr, "%s: %s\n%s", kTool, error.what(), kUsage);
    return 2;
  }
  if (!companion::InvitationRun::musicFound()) {
    std::fprintf(stderr, "%s: the music track is not found: every frame shows music time 0\n",
                 kTool);
  }
  const int code = companion::runIsolated(kTool, [&] { return bench(size, lengthMs, jsonPath); });
  return code == 2 ? 1 : code;
}

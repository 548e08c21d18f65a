// How closely the viewer's picture time follows the music on the real audio path (SDL's
// output; run with SDL_AUDIODRIVER=dummy where there is no sound card): the track plays for a
// minute at x1 through the viewer's transport, with a seek every STRETCH seconds (10), and the
// frame times (60 Hz) are compared with the wall clock since each seek.
//
//   music_clock_bench [SECONDS [STRETCH]]
//
// Reports where each seek lands (the frame after it against the asked time), the offset of
// the picture's time from the wall clock after each seek (the output's latency: the new place
// is heard after the buffers queued before it) and the drift: how that offset moves over the
// rest of each stretch.
#include <fmod.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Transport.h"

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  const int stretchSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
  if (seconds < 1 || stretchSeconds < 2 || stretchSeconds > 80) {
    std::fprintf(stderr, "usage: music_clock_bench [SECONDS [STRETCH]] (STRETCH 2..80)\n");
    return 2;
  }
  const std::string track = VANTOR_DATA_DIR "/kestuinvi.mp3";
  FMOD::System* system = nullptr;
  FMOD::Sound* sound = nullptr;
  FMOD::Channel* channel = nullptr;
  if (FMOD_System_Create(&system) != FMOD_OK ||
      system->init(1, FMOD_INIT_NORMAL, nullptr) != FMOD_OK ||
      system->createStream(track.c_str(), FMOD_2D | FMOD_SOFTWARE, nullptr, &sound) != FMOD_OK ||
      system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel) != FMOD_OK) {
    std::fprintf(stderr, "music_clock_bench: the track %s does not play\n", track.c_str());
    return 1;
  }
  live::Transport transport(91000, [](const std::string&) {});
  transport.attach(channel);

  using Clock = std::chrono::steady_clock;
  const std::uint32_t targets[] = {10000, 55000, 3000, 70000, 31000, 80500, 12345, 44000};
  const auto frame = std::chrono::microseconds(16667);
  std::vector<double> landing, offsets, drifts;
  auto last = Clock::now();
  for (int stretch = 0; stretch * stretchSeconds < seconds; ++stretch) {
    const std::uint32_t target = targets[stretch % 8];
    transport.seek(target);
    const auto seekAt = Clock::now();
    std::vector<double> error;  // picture time - target - wall since the seek, per frame
    bool first = true;
    while (Clock::now() - seekAt < std::chrono::seconds(stretchSeconds)) {
      const auto now = Clock::now();
      const double wallMs = std::chrono::duration<double, std::milli>(now - last).count();
      last = now;
      const std::uint32_t ms = transport.beforeFrame(wallMs).ms;
      const double since = std::chrono::duration<double, std::milli>(now - seekAt).count();
      if (first) landing.push_back(static_cast<double>(ms) - target);
      first = false;
      error.push_back(static_cast<double>(ms) - target - since);
      std::this_thread::sleep_until(now + frame);
    }
    // The offset once the new place is heard (after half a second), and how it moves from
    // there to the end of the stretch.
    const std::size_t settled = error.size() / 20;
    std::vector<double> head(error.begin() + static_cast<long>(settled),
                             error.begin() + static_cast<long>(settled + 30));
    std::vector<double> tail(error.end() - 30, error.end());
    std::sort(head.begin(), head.end());
    std::sort(tail.begin(), tail.end());
    offsets.push_back(head[15]);
    drifts.push_back(tail[15] - head[15]);
    std::printf("seek to %6.3f s: lands at %+.0f ms, offset %+.1f ms, drift over %.1f s %+.1f ms\n",
                target / 1000.0, landing.back(), offsets.back(), stretchSeconds * 0.95,
                drifts.back());
  }
  std::sort(drifts.begin(), drifts.end());
  std::printf("median drift per stretch: %+.1f ms; worst landing %+.0f ms\n",
              drifts[drifts.size() / 2],
              *std::max_element(landing.begin(), landing.end(),
                                [](double a, double b) { return std::abs(a) < std::abs(b); }));
  system->release();
  return 0;
}

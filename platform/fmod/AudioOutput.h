// Where the channels play: SDL's audio device, whose callback mixes them, or a silent output
// that consumes them at the real rate of the platform clock when there is no device.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Mp3Stream.h"

namespace platform::fmod {

// One stream being played. Its counters are the output's, under the output's lock.
struct Voice {
  Mp3Stream* stream = nullptr;
  bool paused = false;
  bool streamEnded = false;          // the stream has nothing more to give
  std::uint64_t framesMixed = 0;     // frames taken from the stream
  std::uint64_t mixedBeforeChunk = 0;  // device: framesMixed before the latest callback
};

class AudioOutput {
 public:
  static std::unique_ptr<AudioOutput> open(bool allowDevice);
  ~AudioOutput();

  int rate() const { return rate_; }
  void add(const std::shared_ptr<Voice>& voice);
  void remove(const Voice* voice);
  void setPaused(Voice& voice, bool paused);
  // Frames of the voice that the listener has heard so far.
  std::uint64_t playedFrames(Voice& voice);
  // True once the stream has ended and all of it has been heard.
  bool hasEnded(Voice& voice);

 private:
  AudioOutput() = default;
  static void deviceCallback(void* self, std::uint8_t* bytes, int length);
  void mix(float* out, std::size_t frames, bool wait);
  void catchUp();  // silent output: consume what the clock says has been played
  std::uint64_t playedLocked(const Voice& voice);

  int rate_ = 44100;
  std::uint32_t device_ = 0;  // SDL audio device id, 0 for the silent output
  std::uint64_t bufferFrames_ = 0;
  std::uint64_t lastCallbackMs_ = 0;
  std::uint64_t startMs_ = 0;       // silent output: clock at open
  std::uint64_t framesConsumed_ = 0;  // silent output: device frames consumed so far
  std::mutex mutex_;
  std::vector<std::shared_ptr<Voice>> voices_;
  std::vector<float> scratch_;
};

}  // namespace platform::fmod

// Where the channels play: SDL's audio device, whose callback mixes them, or a silent output
// that consumes them at the real rate of a clock when there is no device: the platform clock
// (a scripted run's virtual clock, say), or the steady clock in place of SDL's dummy driver.
#pragma once

#include <array>
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
  bool streamEnded = false;       // the stream has nothing more to give
  std::uint64_t framesMixed = 0;  // frames taken from the stream

  // Device output: which of the voice's frames went into the latest device buffers, so that
  // the device's play position can be turned into the voice's (pauses and underruns
  // leave gaps between them).
  struct Chunk {
    std::uint64_t deviceStart;  // device frame where the buffer starts
    std::uint64_t voiceBefore;  // framesMixed before the buffer
    std::uint64_t voiceFrames;  // frames of the voice in the buffer
  };
  static constexpr std::size_t kHistory = 8;
  std::array<Chunk, kHistory> chunks{};
  std::size_t chunkCount = 0;  // chunks written so far; the newest is (chunkCount - 1) % kHistory
};

class AudioOutput {
 public:
  static std::unique_ptr<AudioOutput> open(bool allowDevice);
  ~AudioOutput();

  int rate() const { return rate_; }
  void add(const std::shared_ptr<Voice>& voice);
  void remove(const Voice* voice);
  void setPaused(Voice& voice, bool paused);
  // Moves the voice to that frame of its stream: what is mixed next starts there, and the
  // position reads that frame until the listener hears what follows it.
  void seek(Voice& voice, std::uint64_t frame);
  // Frames of the voice that the listener has heard so far.
  std::uint64_t playedFrames(Voice& voice);
  // True once the stream has ended and all of it has been heard.
  bool hasEnded(Voice& voice);

 private:
  AudioOutput() = default;
  static void deviceCallback(void* self, std::uint8_t* bytes, int length);
  void mix(float* out, std::size_t frames, bool wait);
  void catchUp();                 // silent output: consume what the clock says has been played
  std::uint64_t clockMs() const;  // silent output: its clock
  std::uint64_t playedLocked(const Voice& voice);
  std::uint64_t deviceFramesHeard();

  int rate_ = 44100;
  std::uint32_t device_ = 0;              // SDL audio device id, 0 for the silent output
  std::uint64_t bufferFrames_ = 0;        // device: frames queued ahead of the one playing
  std::uint64_t lastCallbackMs_ = 0;      // device: steady clock at the latest callback
  std::uint64_t deviceFramesBefore_ = 0;  // device: frames delivered before the latest buffer
  std::uint64_t lastBufferFrames_ = 0;    // device: frames in the latest buffer
  bool steadyClock_ = false;              // silent output: the steady clock, not the platform's
  std::uint64_t startMs_ = 0;             // silent output: clock at open
  std::uint64_t framesConsumed_ = 0;      // silent output: device frames consumed so far
  std::mutex mutex_;
  std::vector<std::shared_ptr<Voice>> voices_;
  std::vector<float> scratch_;
};

}  // namespace platform::fmod

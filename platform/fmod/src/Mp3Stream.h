// An MP3 file decoded by libmpg123 on a thread of its own into a ring buffer of stereo float
// frames at the output's rate: the file is never decoded whole up front. Where there are no
// threads (a browser without shared memory) each read decodes what it needs first.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"

struct mpg123_handle_struct;
struct _SDL_AudioStream;

namespace platform::fmod {

class Mp3Stream {
 public:
  // Null with error set when the file is missing (FMOD_ERR_FILE_NOTFOUND), cannot be read
  // (FMOD_ERR_FILE_BAD) or holds no MPEG audio (FMOD_ERR_FORMAT).
  static std::unique_ptr<Mp3Stream> open(const std::string& path, int outputRate,
                                         FMOD_RESULT& error);
  ~Mp3Stream();
  Mp3Stream(const Mp3Stream&) = delete;
  Mp3Stream& operator=(const Mp3Stream&) = delete;

  // Takes up to frames frames (2 floats each) into out; answers how many it took. With wait
  // it blocks until that many are decoded or the track has ended, otherwise it takes what
  // is there.
  std::size_t read(float* out, std::size_t frames, bool wait);
  // True once the decoder has reached the end and every decoded frame has been read.
  bool finished();
  // Drops what is decoded ahead and goes on decoding from that frame (at the output's rate);
  // the next read starts exactly there. A frame past the end leaves the stream finished.
  void seek(std::uint64_t outputFrame);

 private:
  Mp3Stream() = default;
  // The decoder thread's loop; without threads, decodeAhead does its work from read.
  void decode();
  void decodeAhead(std::size_t frames);
  // Takes a pending seek for the decoder; under the lock.
  bool takeSeek(std::uint64_t& frame);
  // Decodes one chunk into the ring (after the seek to `seekTo` when seeking).
  void decodeChunk(bool seeking, std::uint64_t seekTo);
  // Blocks while the ring is full; drops the frames when a seek came after generation.
  void push(const float* frames, std::size_t count, std::uint64_t generation);
  // Decoder thread: moves the decoder to just before the asked frame, leadIn (at the file's
  // rate) ahead of it; false when that is past the end.
  bool applySeek(std::uint64_t outputFrame, std::uint64_t& leadIn);

  std::string path_;
  mpg123_handle_struct* decoder_ = nullptr;
  _SDL_AudioStream* converter_ = nullptr;  // null when the file has the output's rate
  int outputRate_ = 0;
  std::vector<float> ring_;  // capacity frames × 2
  std::size_t capacity_ = 0;
  std::size_t readAt_ = 0;  // in frames
  std::size_t filled_ = 0;
  bool decoderDone_ = false;
  bool stopping_ = false;
  // A seek asked for and not yet done by the decoder thread; the generation counts seeks,
  // so that a chunk decoded before one is never pushed after it.
  bool seekPending_ = false;
  std::uint64_t seekFrame_ = 0;
  std::uint64_t generation_ = 0;
  long fileRate_ = 0;
  // The decoder's own state, touched only where it decodes.
  std::vector<float> decoded_, converted_;
  std::uint64_t decodedFrames_ = 0;  // at the file's own rate, since the start or the last seek
  std::uint64_t decoderGeneration_ = 0;
  std::uint64_t leadIn_ = 0;   // decoded frames still to drop after a seek
  std::size_t chunkRoom_ = 0;  // ring frames a chunk may need, resampled
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
};

}  // namespace platform::fmod

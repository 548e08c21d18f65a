#include "Mp3Stream.h"

#include <SDL.h>
#include <mpg123.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

namespace platform::fmod {

namespace {
constexpr std::size_t kRingSeconds = 1;
constexpr std::size_t kChunkFrames = 4096;
// A decoder started cold at a frame gets its first few hundred samples wrong (the overlap
// with the frames before is missing), so a seek starts decoding this far ahead of the place
// asked for and drops the lead-in: two MPEG frames.
constexpr std::uint64_t kSeekLeadIn = 2 * 1152;
// A browser page without special headers has no shared memory, so no threads.
#ifdef __EMSCRIPTEN__
constexpr bool kDecoderThread = false;
#else
constexpr bool kDecoderThread = true;
#endif
}  // namespace

std::unique_ptr<Mp3Stream> Mp3Stream::open(const std::string& path, int outputRate,
                                           FMOD_RESULT& error) {
  // Only a regular file is opened: a named pipe would block the caller until a writer came,
  // and a device could stream for ever.
  struct stat file;
  if (stat(path.c_str(), &file) != 0) {
    error = FMOD_ERR_FILE_NOTFOUND;
    return nullptr;
  }
  if (!S_ISREG(file.st_mode)) {
    error = FMOD_ERR_FILE_BAD;
    return nullptr;
  }
  if (FILE* probe = std::fopen(path.c_str(), "rb")) {
    std::fclose(probe);
  } else {
    error = FMOD_ERR_FILE_BAD;
    return nullptr;
  }
  std::unique_ptr<Mp3Stream> stream(new Mp3Stream);
  int status = MPG123_OK;
  stream->decoder_ = mpg123_new(nullptr, &status);
  if (!stream->decoder_) {
    error = FMOD_ERR_MEMORY;
    return nullptr;
  }
  mpg123_handle* decoder = stream->decoder_;
  mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0);
  mpg123_format_none(decoder);
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i) {
    mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
  }
  if (mpg123_open(decoder, path.c_str()) != MPG123_OK) {
    error = FMOD_ERR_FILE_BAD;
    return nullptr;
  }
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
    error = FMOD_ERR_FORMAT;
    return nullptr;
  }
  if (rate != outputRate) {
    stream->converter_ =
        SDL_NewAudioStream(AUDIO_F32SYS, 2, static_cast<int>(rate), AUDIO_F32SYS, 2, outputRate);
    if (!stream->converter_) {
      error = FMOD_ERR_FORMAT;
      return nullptr;
    }
  }
  stream->path_ = path;
  stream->outputRate_ = outputRate;
  stream->fileRate_ = rate;
  stream->capacity_ = kRingSeconds * static_cast<std::size_t>(outputRate);
  stream->ring_.assign(stream->capacity_ * 2, 0.0f);
  stream->decoded_.resize(kChunkFrames * 2);
  stream->converted_.resize(kChunkFrames * 2);
  // A chunk resampled, with room for what the converter held back.
  stream->chunkRoom_ =
      kChunkFrames * static_cast<std::size_t>(outputRate) / static_cast<std::size_t>(rate) +
      kChunkFrames;
  if (kDecoderThread) stream->thread_ = std::thread([s = stream.get()] { s->decode(); });
  error = FMOD_OK;
  return stream;
}

Mp3Stream::~Mp3Stream() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  if (converter_) SDL_FreeAudioStream(converter_);
  if (decoder_) mpg123_delete(decoder_);
}

void Mp3Stream::decode() {
  for (;;) {
    std::uint64_t seekTo = 0;
    bool seeking = false;
    {
      // At the end the thread waits: a seek may still ask for more.
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || seekPending_ || !decoderDone_; });
      if (stopping_) return;
      seeking = takeSeek(seekTo);
    }
    decodeChunk(seeking, seekTo);
  }
}

void Mp3Stream::decodeAhead(std::size_t frames) {
  for (;;) {
    std::uint64_t seekTo = 0;
    bool seeking = false;
    {
      // Never more than the ring holds: push must not wait, nobody else would empty it.
      std::lock_guard lock(mutex_);
      if (!seekPending_ &&
          (decoderDone_ || filled_ >= frames || capacity_ - filled_ < chunkRoom_)) {
        return;
      }
      seeking = takeSeek(seekTo);
    }
    decodeChunk(seeking, seekTo);
  }
}

bool Mp3Stream::takeSeek(std::uint64_t& frame) {
  if (!seekPending_) return false;
  seekPending_ = false;
  frame = seekFrame_;
  decoderGeneration_ = generation_;
  return true;
}

void Mp3Stream::decodeChunk(bool seeking, std::uint64_t seekTo) {
  const std::uint64_t generation = decoderGeneration_;
  if (seeking) {
    decodedFrames_ = 0;
    if (!applySeek(seekTo, leadIn_)) {
      std::lock_guard lock(mutex_);
      if (generation == generation_) decoderDone_ = true;
      changed_.notify_all();
      return;
    }
  }
  std::size_t bytes = 0;
  int status = mpg123_read(decoder_, decoded_.data(), decoded_.size() * sizeof(float), &bytes);
  std::size_t frames = bytes / (2 * sizeof(float));
  decodedFrames_ += frames;
  bool ended = status != MPG123_OK && status != MPG123_NEW_FORMAT;
  const auto dropped = static_cast<std::size_t>(std::min<std::uint64_t>(leadIn_, frames));
  leadIn_ -= dropped;
  const float* kept = decoded_.data() + dropped * 2;
  frames -= dropped;
  if (!converter_) {
    push(kept, frames, generation);
  } else {
    if (frames) SDL_AudioStreamPut(converter_, kept, static_cast<int>(frames * 2 * sizeof(float)));
    if (ended) SDL_AudioStreamFlush(converter_);
    for (;;) {
      int got = SDL_AudioStreamGet(converter_, converted_.data(),
                                   static_cast<int>(converted_.size() * sizeof(float)));
      if (got <= 0) break;
      push(converted_.data(), static_cast<std::size_t>(got) / (2 * sizeof(float)), generation);
    }
  }
  // A truncated or damaged file ends where its decodable audio ends; a decoder error (not
  // the plain end of the file) is said, since the caller hears only that the music stops.
  if (ended && status != MPG123_DONE) {
    std::fprintf(stderr, "FMOD: \"%s\": decoding stopped after %llu frames: %s\n", path_.c_str(),
                 static_cast<unsigned long long>(decodedFrames_), mpg123_strerror(decoder_));
  }
  if (ended) {
    std::lock_guard lock(mutex_);
    if (generation == generation_) decoderDone_ = true;
    changed_.notify_all();
  }
}

bool Mp3Stream::applySeek(std::uint64_t outputFrame, std::uint64_t& leadIn) {
  if (converter_) SDL_AudioStreamClear(converter_);
  const std::uint64_t fileFrame =
      outputFrame * static_cast<std::uint64_t>(fileRate_) / static_cast<std::uint64_t>(outputRate_);
  leadIn = std::min(fileFrame, kSeekLeadIn);
  const auto start = static_cast<off_t>(fileFrame - leadIn);
  return mpg123_seek(decoder_, start, SEEK_SET) == start;
}

void Mp3Stream::seek(std::uint64_t outputFrame) {
  std::lock_guard lock(mutex_);
  seekPending_ = true;
  seekFrame_ = outputFrame;
  ++generation_;
  filled_ = 0;
  readAt_ = 0;
  decoderDone_ = false;
  changed_.notify_all();
}

void Mp3Stream::push(const float* frames, std::size_t count, std::uint64_t generation) {
  while (count > 0) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock,
                  [&] { return stopping_ || generation != generation_ || filled_ < capacity_; });
    if (stopping_ || generation != generation_) return;
    std::size_t writeAt = (readAt_ + filled_) % capacity_;
    std::size_t n = std::min({count, capacity_ - filled_, capacity_ - writeAt});
    std::copy(frames, frames + n * 2, ring_.begin() + static_cast<long>(writeAt * 2));
    filled_ += n;
    frames += n * 2;
    count -= n;
    changed_.notify_all();
  }
}

std::size_t Mp3Stream::read(float* out, std::size_t frames, bool wait) {
  std::size_t taken = 0;
  while (taken < frames) {
    // Without a thread the decoding is done here, so there is never anything to wait for.
    if (!kDecoderThread) decodeAhead(frames - taken);
    std::unique_lock lock(mutex_);
    if (wait && kDecoderThread) changed_.wait(lock, [&] { return filled_ > 0 || decoderDone_; });
    if (filled_ == 0) break;
    std::size_t n = std::min({frames - taken, filled_, capacity_ - readAt_});
    std::copy(ring_.begin() + static_cast<long>(readAt_ * 2),
              ring_.begin() + static_cast<long>((readAt_ + n) * 2), out + taken * 2);
    readAt_ = (readAt_ + n) % capacity_;
    filled_ -= n;
    taken += n;
    changed_.notify_all();
  }
  return taken;
}

bool Mp3Stream::finished() {
  std::lock_guard lock(mutex_);
  return decoderDone_ && filled_ == 0;
}

}  // namespace platform::fmod

#include "AudioOutput.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "Hooks.h"

namespace platform::fmod {

namespace {

constexpr int kOutputRate = 44100;

std::uint64_t steadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void logOnce(const char* text, const char* detail) {
  static bool logged = false;
  if (logged) return;
  logged = true;
  std::fprintf(stderr, "audio: %s%s\n", text, detail);
}

bool silentForced = false;

}  // namespace

void forceSilentOutput(bool silent) { silentForced = silent; }

std::unique_ptr<AudioOutput> AudioOutput::open(bool allowDevice) {
  std::unique_ptr<AudioOutput> output(new AudioOutput);
  output->rate_ = kOutputRate;
  if (allowDevice && !silentForced) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      logOnce("no audio driver, silent output: ", SDL_GetError());
    } else if (std::strcmp(SDL_GetCurrentAudioDriver(), "dummy") == 0) {
      // The dummy driver plays nothing, and the pace of its callbacks is no clock: it sleeps
      // whole milliseconds per buffer (23 for 23.2 ms of sound) and then runs the callback, so
      // the buffers it takes run a few percent slow or fast, more on a loaded machine. The
      // silent output on the steady clock is what it stands for.
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      output->steadyClock_ = true;
      logOnce("SDL driver dummy plays nothing, silent output on the steady clock", "");
    } else {
      SDL_AudioSpec wanted{};
      wanted.freq = kOutputRate;
      wanted.format = AUDIO_F32SYS;
      wanted.channels = 2;
      wanted.samples = 1024;
      wanted.callback = &AudioOutput::deviceCallback;
      wanted.userdata = output.get();
      SDL_AudioSpec obtained{};
      output->device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
      if (output->device_ == 0) {
        logOnce("no audio device, silent output: ", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
      } else {
        logOnce("SDL driver ", SDL_GetCurrentAudioDriver());
        output->bufferFrames_ = obtained.samples;
        output->lastCallbackMs_ = steadyMs();
        SDL_PauseAudioDevice(output->device_, 0);
      }
    }
  } else {
    logOnce("silent output", "");
  }
  output->startMs_ = output->clockMs();
  return output;
}

AudioOutput::~AudioOutput() {
  if (device_) {
    SDL_CloseAudioDevice(device_);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

void AudioOutput::add(const std::shared_ptr<Voice>& voice) {
  std::lock_guard lock(mutex_);
  if (!device_) catchUp();  // the voice starts at the current clock
  voices_.push_back(voice);
}

void AudioOutput::remove(const Voice* voice) {
  std::lock_guard lock(mutex_);
  std::erase_if(voices_, [&](const auto& v) { return v.get() == voice; });
}

void AudioOutput::setPaused(Voice& voice, bool paused) {
  std::lock_guard lock(mutex_);
  if (!device_) catchUp();
  voice.paused = paused;
}

void AudioOutput::seek(Voice& voice, std::uint64_t frame) {
  std::lock_guard lock(mutex_);
  if (!device_) catchUp();  // what the clock played before the seek is played from the old place
  voice.stream->seek(frame);
  voice.framesMixed = frame;
  voice.streamEnded = false;
  voice.chunkCount = 0;  // the device buffers before the seek say nothing about the new place
}

void AudioOutput::deviceCallback(void* self, std::uint8_t* bytes, int length) {
  auto* output = static_cast<AudioOutput*>(self);
  std::lock_guard lock(output->mutex_);
  auto* out = reinterpret_cast<float*>(bytes);
  std::size_t frames = static_cast<std::size_t>(length) / (2 * sizeof(float));
  std::vector<std::uint64_t> before;
  for (auto& voice : output->voices_) before.push_back(voice->framesMixed);
  std::fill(out, out + frames * 2, 0.0f);
  output->mix(out, frames, false);
  output->deviceFramesBefore_ += output->lastBufferFrames_;
  output->lastBufferFrames_ = frames;
  output->lastCallbackMs_ = steadyMs();
  for (std::size_t i = 0; i < output->voices_.size(); ++i) {
    Voice& voice = *output->voices_[i];
    voice.chunks[voice.chunkCount % Voice::kHistory] = {output->deviceFramesBefore_, before[i],
                                                        voice.framesMixed - before[i]};
    ++voice.chunkCount;
  }
}

void AudioOutput::mix(float* out, std::size_t frames, bool wait) {
  scratch_.resize(frames * 2);
  for (auto& voice : voices_) {
    if (voice->paused || voice->streamEnded) continue;
    std::size_t got = voice->stream->read(scratch_.data(), frames, wait);
    if (out) {
      for (std::size_t i = 0; i < got * 2; ++i) out[i] += scratch_[i];
    }
    voice->framesMixed += got;
    if (got < frames && voice->stream->finished()) voice->streamEnded = true;
  }
}

std::uint64_t AudioOutput::clockMs() const {
  return steadyClock_ ? steadyMs() : platform::win32::nowMs();
}

void AudioOutput::catchUp() {
  std::uint64_t elapsedMs = clockMs() - startMs_;
  // Rounded up, so that a whole millisecond of the clock reads back as that millisecond:
  // getPosition's frames-to-milliseconds conversion rounds down.
  std::uint64_t due = (elapsedMs * static_cast<std::uint64_t>(rate_) + 999) / 1000;
  while (framesConsumed_ < due) {
    std::size_t frames =
        static_cast<std::size_t>(std::min<std::uint64_t>(due - framesConsumed_, 4096));
    mix(nullptr, frames, true);
    framesConsumed_ += frames;
  }
}

// The device frame being heard now: the latest buffer plays after the ones queued before
// it, and time since its callback moves through one buffer at most.
std::uint64_t AudioOutput::deviceFramesHeard() {
  std::uint64_t since = (steadyMs() - lastCallbackMs_) * rate_ / 1000;
  std::uint64_t delivered = deviceFramesBefore_ + std::min(since, lastBufferFrames_);
  return delivered > bufferFrames_ ? delivered - bufferFrames_ : 0;
}

std::uint64_t AudioOutput::playedLocked(const Voice& voice) {
  if (!device_) return voice.framesMixed;
  std::uint64_t heard = deviceFramesHeard();
  std::size_t kept = std::min(voice.chunkCount, Voice::kHistory);
  for (std::size_t age = 0; age < kept; ++age) {
    const Voice::Chunk& chunk = voice.chunks[(voice.chunkCount - 1 - age) % Voice::kHistory];
    if (chunk.deviceStart <= heard) {
      return chunk.voiceBefore + std::min(heard - chunk.deviceStart, chunk.voiceFrames);
    }
  }
  // Nothing heard yet since the start or the latest seek: the position is where it begins.
  return kept ? voice.chunks[(voice.chunkCount - kept) % Voice::kHistory].voiceBefore
              : voice.framesMixed;
}

std::uint64_t AudioOutput::playedFrames(Voice& voice) {
  std::lock_guard lock(mutex_);
  if (!device_) catchUp();
  return playedLocked(voice);
}

bool AudioOutput::hasEnded(Voice& voice) {
  std::lock_guard lock(mutex_);
  if (!device_) catchUp();
  return voice.streamEnded && playedLocked(voice) >= voice.framesMixed;
}

}  // namespace platform::fmod

// FMOD::System, Sound and Channel over the MP3 stream and the audio output. Handles are
// checked against the live objects, so a call on a released or stolen one answers
// FMOD_ERR_INVALID_HANDLE instead of touching freed memory.
#include <fmod.hpp>
#include <fmod_errors.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "AudioOutput.h"
#include "FmodHooks.h"
#include "Mp3Stream.h"
#include "PageBridge.h"

namespace platform::fmod {

namespace {

struct SystemState;

struct SoundState : FMOD::Sound {
  SystemState* system = nullptr;
  std::unique_ptr<Mp3Stream> stream;
  bool played = false;
};

struct ChannelState : FMOD::Channel {
  SystemState* system = nullptr;
  SoundState* sound = nullptr;
  std::shared_ptr<Voice> voice;
  bool stopped = false;  // stolen, or its sound released
};

struct SystemState : FMOD::System {
  std::unique_ptr<AudioOutput> output;
  int maxChannels = 0;
  std::vector<std::unique_ptr<SoundState>> sounds;
  std::vector<std::unique_ptr<ChannelState>> channels;
};

// Every live object of every system; main thread only.
std::set<const void*>& liveObjects() {
  static std::set<const void*> objects;
  return objects;
}

template <typename State, typename Public>
State* live(Public* object) {
  return object && liveObjects().count(object) ? static_cast<State*>(object) : nullptr;
}

void stop(ChannelState& channel) {
  if (channel.stopped) return;
  channel.stopped = true;
  channel.system->output->remove(channel.voice.get());
}

std::function<void(FMOD::Channel*)>& channelPlayed() {
  static std::function<void(FMOD::Channel*)> handler;
  return handler;
}

bool stillPlaying(ChannelState& channel) {
  if (channel.stopped) return false;
  if (channel.system->output->hasEnded(*channel.voice)) stop(channel);
  return !channel.stopped;
}

}  // namespace

void onChannelPlayed(std::function<void(FMOD::Channel*)> handler) {
  channelPlayed() = std::move(handler);
}

}  // namespace platform::fmod

using namespace platform::fmod;

FMOD_RESULT FMOD_System_Create(FMOD_SYSTEM** system) {
  if (!system) return FMOD_ERR_INVALID_PARAM;
  auto* state = new SystemState;
  liveObjects().insert(static_cast<FMOD::System*>(state));
  *system = state;
  return FMOD_OK;
}

namespace FMOD {

FMOD_RESULT System::init(int maxChannels, FMOD_INITFLAGS flags, void* extraDriverData) {
  auto* system = live<SystemState>(this);
  if (!system) return FMOD_ERR_INVALID_HANDLE;
  if (system->output) return FMOD_ERR_INITIALIZED;
  if (maxChannels < 1 || extraDriverData) return FMOD_ERR_INVALID_PARAM;
  if (flags != FMOD_INIT_NORMAL) return FMOD_ERR_UNSUPPORTED;
  system->maxChannels = maxChannels;
  system->output = AudioOutput::open(true);
  return FMOD_OK;
}

FMOD_RESULT System::createStream(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exInfo,
                                 Sound** sound) {
  auto* system = live<SystemState>(this);
  if (!system) return FMOD_ERR_INVALID_HANDLE;
  if (!system->output) return FMOD_ERR_UNINITIALIZED;
  if (!name || !sound) return FMOD_ERR_INVALID_PARAM;
  *sound = nullptr;
  constexpr FMOD_MODE kSupported =
      FMOD_LOOP_OFF | FMOD_2D | FMOD_HARDWARE | FMOD_SOFTWARE | FMOD_CREATESTREAM;
  if (mode & ~kSupported) return FMOD_ERR_UNSUPPORTED;
  if (exInfo) {
    if (exInfo->cbsize < static_cast<int>(sizeof(int))) return FMOD_ERR_INVALID_PARAM;
    if (exInfo->cbsize >= static_cast<int>(sizeof *exInfo) &&
        (exInfo->length || exInfo->fileoffset || exInfo->numchannels || exInfo->defaultfrequency ||
         exInfo->format || exInfo->decodebuffersize)) {
      return FMOD_ERR_UNSUPPORTED;
    }
  }
  FMOD_RESULT error = FMOD_OK;
  auto stream = Mp3Stream::open(name, system->output->rate(), error);
  if (!stream) {
    // What a debug runtime would say: the caller may check nothing (the demo does not).
    std::fprintf(stderr, "FMOD: createStream \"%s\": %s\n", name, FMOD_ErrorString(error));
    return error;
  }
  auto state = std::make_unique<SoundState>();
  state->system = system;
  state->stream = std::move(stream);
  *sound = state.get();
  liveObjects().insert(static_cast<Sound*>(state.get()));
  system->sounds.push_back(std::move(state));
  return FMOD_OK;
}

FMOD_RESULT System::playSound(FMOD_CHANNELINDEX channelId, Sound* sound, bool paused,
                              Channel** channel) {
  auto* system = live<SystemState>(this);
  if (!system) return FMOD_ERR_INVALID_HANDLE;
  if (channel) *channel = nullptr;
  auto* soundState = live<SoundState>(sound);
  if (!soundState || soundState->system != system) return FMOD_ERR_INVALID_HANDLE;
  if (channelId != FMOD_CHANNEL_FREE) return FMOD_ERR_UNSUPPORTED;
  if (soundState->played) return FMOD_ERR_UNSUPPORTED;
  // Every channel busy: the oldest one is stolen.
  int playing = 0;
  for (auto& existing : system->channels) playing += stillPlaying(*existing);
  for (auto& existing : system->channels) {
    if (playing < system->maxChannels) break;
    if (!existing->stopped) {
      stop(*existing);
      --playing;
    }
  }
  auto state = std::make_unique<ChannelState>();
  state->system = system;
  state->sound = soundState;
  state->voice = std::make_shared<Voice>();
  state->voice->stream = soundState->stream.get();
  state->voice->paused = paused;
  soundState->played = true;
  system->output->add(state->voice);
  if (!paused) platform::web::reportState("playing");
  if (channel) *channel = state.get();
  liveObjects().insert(static_cast<Channel*>(state.get()));
  Channel* played = state.get();
  system->channels.push_back(std::move(state));
  if (channelPlayed()) channelPlayed()(played);
  return FMOD_OK;
}

FMOD_RESULT System::release() {
  auto* system = live<SystemState>(this);
  if (!system) return FMOD_ERR_INVALID_HANDLE;
  for (auto& channel : system->channels) liveObjects().erase(static_cast<Channel*>(channel.get()));
  for (auto& sound : system->sounds) liveObjects().erase(static_cast<Sound*>(sound.get()));
  liveObjects().erase(static_cast<System*>(system));
  system->output.reset();  // stops the device before the streams go
  delete system;
  return FMOD_OK;
}

FMOD_RESULT Sound::release() {
  auto* sound = live<SoundState>(this);
  if (!sound) return FMOD_ERR_INVALID_HANDLE;
  SystemState* system = sound->system;
  for (auto& channel : system->channels) {
    if (channel->sound == sound) {
      stop(*channel);
      channel->sound = nullptr;
    }
  }
  liveObjects().erase(static_cast<Sound*>(sound));
  std::erase_if(system->sounds, [&](const auto& s) { return s.get() == sound; });
  return FMOD_OK;
}

FMOD_RESULT Channel::getPosition(unsigned int* position, FMOD_TIMEUNIT unit) {
  auto* channel = live<ChannelState>(this);
  if (!channel || !stillPlaying(*channel)) return FMOD_ERR_INVALID_HANDLE;
  if (!position) return FMOD_ERR_INVALID_PARAM;
  std::uint64_t frames = channel->system->output->playedFrames(*channel->voice);
  switch (unit) {
    case FMOD_TIMEUNIT_MS:
      *position = static_cast<unsigned int>(frames * 1000 / channel->system->output->rate());
      platform::web::reportMusic(*position / 1000.0);
      return FMOD_OK;
    case FMOD_TIMEUNIT_PCM: *position = static_cast<unsigned int>(frames); return FMOD_OK;
    case FMOD_TIMEUNIT_PCMBYTES:
      *position = static_cast<unsigned int>(frames * 2 * sizeof(float));
      return FMOD_OK;
    default: return FMOD_ERR_FORMAT;
  }
}

FMOD_RESULT Channel::isPlaying(bool* playing) {
  auto* channel = live<ChannelState>(this);
  if (!channel || !stillPlaying(*channel)) return FMOD_ERR_INVALID_HANDLE;
  if (playing) *playing = true;
  return FMOD_OK;
}

FMOD_RESULT Channel::setPaused(bool paused) {
  auto* channel = live<ChannelState>(this);
  if (!channel || !stillPlaying(*channel)) return FMOD_ERR_INVALID_HANDLE;
  channel->system->output->setPaused(*channel->voice, paused);
  return FMOD_OK;
}

FMOD_RESULT Channel::getPaused(bool* paused) {
  auto* channel = live<ChannelState>(this);
  if (!channel || !stillPlaying(*channel)) return FMOD_ERR_INVALID_HANDLE;
  if (!paused) return FMOD_ERR_INVALID_PARAM;
  *paused = channel->voice->paused;
  return FMOD_OK;
}

FMOD_RESULT Channel::setPosition(unsigned int position, FMOD_TIMEUNIT unit) {
  auto* channel = live<ChannelState>(this);
  if (!channel || !stillPlaying(*channel)) return FMOD_ERR_INVALID_HANDLE;
  AudioOutput& output = *channel->system->output;
  std::uint64_t frame = 0;
  switch (unit) {
    case FMOD_TIMEUNIT_MS:
      // Rounded up, so that the position read back in milliseconds is the one asked for.
      frame = (std::uint64_t{position} * static_cast<std::uint64_t>(output.rate()) + 999) / 1000;
      break;
    case FMOD_TIMEUNIT_PCM: frame = position; break;
    case FMOD_TIMEUNIT_PCMBYTES: frame = position / (2 * sizeof(float)); break;
    default: return FMOD_ERR_FORMAT;
  }
  output.seek(*channel->voice, frame);
  return FMOD_OK;
}

}  // namespace FMOD

const char* FMOD_ErrorString(FMOD_RESULT result) {
  switch (result) {
    case FMOD_OK: return "No errors.";
    case FMOD_ERR_FILE_BAD: return "Error loading file.";
    case FMOD_ERR_FILE_NOTFOUND: return "File not found.";
    case FMOD_ERR_FORMAT: return "Unsupported file or audio format.";
    case FMOD_ERR_INITIALIZED: return "Cannot call this command after System::init.";
    case FMOD_ERR_INVALID_HANDLE: return "An invalid object handle was used.";
    case FMOD_ERR_INVALID_PARAM: return "An invalid parameter was passed to this function.";
    case FMOD_ERR_MEMORY: return "Not enough memory or resources.";
    case FMOD_ERR_UNINITIALIZED: return "This command failed because System::init was not called.";
    case FMOD_ERR_UNSUPPORTED: return "A command issued was not supported by this object.";
    default: return "Unknown error.";
  }
}

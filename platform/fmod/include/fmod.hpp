// The subset of FMOD Ex's C++ interface that the engine uses: a system playing streamed MP3
// tracks on channels whose position follows what the output has played. Objects are owned
// by the system; calls come from one thread (the mixing runs on threads of its own).
#pragma once

#include "fmod.h"

namespace FMOD {

class System {
 public:
  // Opens the output: SDL's audio device, or a silent output that consumes at the real rate
  // when there is none. maxChannels >= 1; extraDriverData must be null.
  FMOD_RESULT init(int maxChannels, FMOD_INITFLAGS flags, void* extraDriverData);
  // Opens an MP3 file for streaming: it is decoded while it plays, never whole. A missing
  // file answers FMOD_ERR_FILE_NOTFOUND, one that holds no MPEG audio FMOD_ERR_FORMAT.
  FMOD_RESULT createStream(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exInfo,
                           Sound** sound);
  // channelId FMOD_CHANNEL_FREE; when every channel plays, the oldest is stolen. A stream
  // plays once: playing it a second time answers FMOD_ERR_UNSUPPORTED.
  FMOD_RESULT playSound(FMOD_CHANNELINDEX channelId, Sound* sound, bool paused,
                        Channel** channel);
  // Stops the output and frees every sound and channel of the system, and the system.
  FMOD_RESULT release();

 protected:
  System() = default;
  ~System() = default;
};

class Sound {
 public:
  FMOD_RESULT release();

 protected:
  Sound() = default;
  ~Sound() = default;
};

class Channel {
 public:
  // The position of what the output has played of this channel, the output latency
  // subtracted. Once the track has been played to its end the channel is gone:
  // FMOD_ERR_INVALID_HANDLE, and position is left as it was.
  FMOD_RESULT getPosition(unsigned int* position, FMOD_TIMEUNIT unit);
  FMOD_RESULT isPlaying(bool* playing);
  // A paused channel keeps its place and plays nothing; its position stands still.
  FMOD_RESULT setPaused(bool paused);
  FMOD_RESULT getPaused(bool* paused);
  // Moves playback to that place of the track (FMOD_TIMEUNIT_MS, _PCM or _PCMBYTES): the next
  // sample heard is that one, and getPosition reports it from now on. Playing or paused, the
  // channel stays as it was. A place past the end of the track ends the channel, as playing
  // to the end would.
  FMOD_RESULT setPosition(unsigned int position, FMOD_TIMEUNIT unit);

 protected:
  Channel() = default;
  ~Channel() = default;
};

inline FMOD_RESULT System_Create(System** system) { return FMOD_System_Create(system); }

}  // namespace FMOD

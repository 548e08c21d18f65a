// The viewer's clock over the music channel: play and pause, seeks, single frames, the loop
// range and the speed. At x1 the music is the clock: the picture's time is the channel's
// position, and a seek moves the channel to that sample. At other speeds the music is silent
// (the channel paused) and the picture follows the wall clock times the speed, the channel
// kept at the picture's time so that x1 resumes there. Times are music milliseconds.
#pragma once

#include <fmod.hpp>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace live {

class Transport {
 public:
  // One frame of a 60 Hz run; a still picture is drawn with the frame this long before it
  // first, so that its motion is a 60 Hz run's.
  static constexpr double kFrameMs = 1000.0 / 60.0;
  static constexpr std::uint32_t kFrameBeforeMs = 17;

  // endMs: where the picture stops (it never passes it). say receives every line that a
  // change of the transport reports ("paused at 12.500 s").
  Transport(std::uint32_t endMs, std::function<void(const std::string&)> say);

  // The channel the program plays; until it is known the transport only keeps its state.
  void attach(FMOD::Channel* channel);

  // What a frame shows: its music time, and whether it is the frame asked for (false for the
  // frame drawn before a still picture).
  struct Frame {
    std::uint32_t ms = 0;
    bool settled = true;
  };
  // Before each frame reads the clock: applies what was asked since the last frame to the
  // channel and answers the frame's time. wallMs: wall time since the previous frame.
  Frame beforeFrame(double wallMs);

  // The state the viewer starts in, reported in one line.
  void startAt(double ms, bool paused);
  void togglePause();
  void setPaused(bool paused);
  // To that time (clamped to 0..end); a still picture is redrawn as a 60 Hz run shows it.
  void seek(double ms);
  void stepBy(double ms) { seek(timeMs_ + ms); }
  // The current picture drawn again after its frame before (for a picture of it); playing
  // goes on afterwards.
  void redraw();
  void markLoopStart();
  void markLoopEnd();
  void setLoop(std::uint32_t startMs, std::uint32_t endMs, bool on);
  void toggleLoop();
  // Up or down one step between x1/4 and x4.
  void faster();
  void slower();

  double timeMs() const { return timeMs_; }
  bool paused() const { return paused_; }
  double speed() const;
  const char* speedName() const;
  bool loopOn() const { return loopOn_; }
  std::uint32_t loopStartMs() const { return loopStart_; }
  std::uint32_t loopEndMs() const { return loopEnd_; }
  // Whether a loop range was asked for (its start or end set, or the loop turned on); until
  // then the range is the whole run.
  bool loopRangeChosen() const { return loopChosen_ || loopOn_; }
  std::uint32_t endMs() const { return endMs_; }

 private:
  void reportState();
  void reportLoop();
  void queueStill(std::uint32_t ms);
  std::uint32_t channelMs();
  void place(std::uint32_t ms);  // the channel to that time

  std::uint32_t endMs_;
  std::function<void(const std::string&)> say_;
  FMOD::Channel* channel_ = nullptr;
  double timeMs_ = 0.0;
  bool paused_ = false;
  int speedStep_ = 0;  // speed 2^step, -2..2
  bool loopOn_ = false;
  std::uint32_t loopStart_ = 0;
  std::uint32_t loopEnd_ = 0;
  bool loopChosen_ = false;
  bool channelPlaying_ = false;       // the channel as last set: playing (true) or paused
  bool placeChannel_ = true;          // the channel must be moved to timeMs_ before the next frame
  std::deque<std::uint32_t> stills_;  // times of the next frames, drawn with the music paused
};

// "12.500"
std::string seconds(double ms);

}  // namespace live

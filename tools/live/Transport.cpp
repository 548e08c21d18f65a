#include "Transport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace live {

std::string seconds(double ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", std::max(ms, 0.0) / 1000.0);
  return text;
}

Transport::Transport(std::uint32_t endMs, std::function<void(const std::string&)> say)
    : endMs_(endMs), say_(std::move(say)), loopEnd_(endMs) {}

void Transport::attach(FMOD::Channel* channel) {
  if (channel == channel_) return;
  channel_ = channel;
  channelPlaying_ = true;  // playSound started it playing
  placeChannel_ = true;
}

double Transport::speed() const { return std::ldexp(1.0, speedStep_); }

const char* Transport::speedName() const {
  static const char* const kNames[] = {"x1/4", "x1/2", "x1", "x2", "x4"};
  return kNames[speedStep_ + 2];
}

void Transport::reportState() {
  if (paused_) {
    say_("paused at " + seconds(timeMs_) + " s");
  } else {
    say_("playing at " + seconds(timeMs_) + " s (" + speedName() + ")");
  }
}

void Transport::reportLoop() {
  say_("loop " + seconds(loopStart_) + " - " + seconds(loopEnd_) + " s " +
       (loopOn_ ? "on" : "off"));
}

std::uint32_t Transport::channelMs() {
  unsigned position = 0;
  if (channel_ && channel_->getPosition(&position, FMOD_TIMEUNIT_MS) != FMOD_OK) return 0;
  return position;
}

void Transport::place(std::uint32_t ms) {
  if (!channel_) return;
  if (channel_->setPosition(ms, FMOD_TIMEUNIT_MS) != FMOD_OK) {
    say_("the music cannot be moved to " + seconds(ms) + " s");
  }
}

void Transport::queueStill(std::uint32_t ms) {
  stills_.clear();
  if (ms >= kFrameBeforeMs) stills_.push_back(ms - kFrameBeforeMs);
  stills_.push_back(ms);
}

Transport::Frame Transport::beforeFrame(double wallMs) {
  if (!channel_) return {static_cast<std::uint32_t>(std::lround(timeMs_)), true};
  const bool x1 = speedStep_ == 0;
  Frame frame;
  if (!stills_.empty()) {
    // A still picture and the frame before it: the music holds while they are drawn.
    if (channelPlaying_) channel_->setPaused(true);
    channelPlaying_ = false;
    frame.ms = stills_.front();
    stills_.pop_front();
    frame.settled = stills_.empty();
    place(frame.ms);
    placeChannel_ = !frame.settled;
    return frame;
  }
  if (paused_ || !x1) {
    if (channelPlaying_) channel_->setPaused(true);
    channelPlaying_ = false;
    if (!paused_) {
      double next = timeMs_ + wallMs * speed();
      if (loopOn_ && next >= loopEnd_) next = loopStart_;
      timeMs_ = next;
      placeChannel_ = true;
    }
  } else {
    if (!channelPlaying_) {
      placeChannel_ = true;
      channelPlaying_ = true;
      place(static_cast<std::uint32_t>(std::lround(timeMs_)));
      placeChannel_ = false;
      channel_->setPaused(false);
    } else if (placeChannel_) {
      place(static_cast<std::uint32_t>(std::lround(timeMs_)));
      placeChannel_ = false;
    } else {
      timeMs_ = channelMs();
      if (loopOn_ && timeMs_ >= loopEnd_) {
        timeMs_ = loopStart_;
        place(loopStart_);
      }
    }
  }
  if (timeMs_ >= endMs_) {
    // The end of the run: the picture stops there, and so does the music, said once (a
    // still picture at the end stays there without a line per frame).
    timeMs_ = endMs_;
    if (!paused_) {
      paused_ = true;
      if (channelPlaying_) channel_->setPaused(true);
      channelPlaying_ = false;
      placeChannel_ = true;
      reportState();
    }
  }
  if (placeChannel_) {
    place(static_cast<std::uint32_t>(std::lround(timeMs_)));
    placeChannel_ = false;
  }
  frame.ms = static_cast<std::uint32_t>(std::lround(timeMs_));
  return frame;
}

void Transport::setPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (paused_) {
    timeMs_ = std::round(timeMs_);
    queueStill(static_cast<std::uint32_t>(timeMs_));
  } else if (timeMs_ >= endMs_) {
    timeMs_ = 0;  // playing from the end starts again
    placeChannel_ = true;
  }
  reportState();
}

void Transport::startAt(double ms, bool paused) {
  paused_ = paused;
  seek(ms);
}

void Transport::togglePause() { setPaused(!paused_); }

void Transport::seek(double ms) {
  timeMs_ = std::round(std::clamp(ms, 0.0, static_cast<double>(endMs_)));
  placeChannel_ = true;
  stills_.clear();
  if (paused_) queueStill(static_cast<std::uint32_t>(timeMs_));
  reportState();
}

void Transport::redraw() { queueStill(static_cast<std::uint32_t>(std::lround(timeMs_))); }

void Transport::markLoopStart() {
  loopStart_ = static_cast<std::uint32_t>(std::lround(timeMs_));
  if (loopEnd_ <= loopStart_) loopEnd_ = endMs_;
  loopChosen_ = true;
  reportLoop();
}

void Transport::markLoopEnd() {
  loopEnd_ = static_cast<std::uint32_t>(std::lround(timeMs_));
  if (loopStart_ >= loopEnd_) loopStart_ = 0;
  loopChosen_ = true;
  reportLoop();
}

void Transport::setLoop(std::uint32_t startMs, std::uint32_t endMs, bool on) {
  loopStart_ = std::min(startMs, endMs_);
  loopEnd_ = std::min(endMs, endMs_);
  loopOn_ = on && loopStart_ < loopEnd_;
  loopChosen_ = true;
  reportLoop();
}

void Transport::toggleLoop() {
  loopOn_ = !loopOn_ && loopStart_ < loopEnd_;
  reportLoop();
}

void Transport::faster() {
  if (speedStep_ == 2) return;
  ++speedStep_;
  reportState();
}

void Transport::slower() {
  if (speedStep_ == -2) return;
  --speedStep_;
  reportState();
}

}  // namespace live

// The viewer's interface over the picture, drawn with Dear ImGui in the window after the
// picture and before the swap (never into the back buffer, so a picture of the frame never
// holds it): a strip along the bottom with the track's loudness, the play head and the loop
// range, where a click or a drag seeks; the figures of the moment beside it; the effect
// errors over the picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

union SDL_Event;
struct SDL_Window;

namespace live {

// What the interface shows; times in music milliseconds.
struct TimelineState {
  double timeMs = 0.0;
  std::uint32_t endMs = 0;
  bool paused = false;
  const char* speed = "x1";
  bool loopOn = false;
  std::uint32_t loopStartMs = 0, loopEndMs = 0;
  double fps = 0.0;
  double cpuMs = 0.0;  // the frame's time on the CPU, the interface excluded
  // The GPU time of each pass of the latest timed frame (ms), by name; empty when untimed.
  std::vector<std::pair<std::string, double>> passes;
  const std::vector<float>* loudness = nullptr;  // levels over 0..endMs; may be null or empty
  std::vector<std::string> errors;               // drawn over the picture while there are any
};

class Timeline {
 public:
  ~Timeline();

  void toggle() { shown_ = !shown_; }
  // Display events for the interface's mouse; true when the interface takes the event.
  bool handleEvent(const SDL_Event& event);
  // Draws into the current drawable of the window; answers the time to seek to while the
  // strip is clicked or dragged.
  std::optional<double> draw(SDL_Window* window, int width, int height, const TimelineState& state);

 private:
  bool started_ = false;
  bool failed_ = false;
  bool shown_ = true;
};

}  // namespace live

// The viewer's interface over the picture, drawn with Dear ImGui in the window after the
// picture and before the swap (never into the back buffer, so a picture of the frame never
// holds it): a strip along the bottom with the track's loudness, the play head and the loop
// range, the beat grid and the selected track's keys, where a click or a drag seeks; the
// figures of the moment beside it; the errors of effects, pictures and tracks over the
// picture; and the panels the viewer adds (the tracks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
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
  double beatsPerMinute = 126.0;                 // the grid of bars and beats
  // The selected track's keys (music seconds), the one at the picture's time marked.
  std::vector<double> keySeconds;
  std::optional<std::size_t> currentKey;
  // Further windows drawn in the same frame of the interface, between the top of the picture
  // and the strip's top (y in pixels).
  std::function<void(float stripTop)> panels;
};

class Timeline {
 public:
  ~Timeline();

  void toggle() { shown_ = !shown_; }
  // Display events for the interface's mouse and keyboard; true when the interface takes the
  // event (a click on it, keys typed into one of its fields).
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

// The tracks panel of the viewer's interface: every track with its value at the picture's
// time (a click selects one), and for the selected track the key at that time, its value
// (dragged, or typed after a Ctrl+click) and its interpolation, with buttons for what the
// keys also do. Drawn inside the interface's frame (Timeline's panels).
#pragma once

#include <optional>

#include "TrackEditor.h"

namespace live {

struct TrackPanelResult {
  bool edited = false;                // the tracks changed: the picture is drawn again
  bool saveAsked = false;             // the save button
  std::optional<double> seekSeconds;  // a key's time to go to
};

// Between top and bottom (pixels); a panel taller than that scrolls.
TrackPanelResult drawTrackPanel(TrackEditor& editor, double seconds, float top, float bottom);

}  // namespace live

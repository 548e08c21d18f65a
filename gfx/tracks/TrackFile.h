// The choreography's text file: the tempo, then one block per track, its name and its keys one
// a line, so that a change reads well in a diff:
//
//     # comments run from '#' to the end of the line
//     tempo 126
//
//     track scroll.x
//       0 0 linear
//       91 -2548 linear
//
//     end
//
// A key is TIME VALUE INTERPOLATION: the music time in seconds, the value and how the value
// goes on to the next key (step, linear, smooth, ramp). The last line says "end", so a file
// cut short at a line's end is told from a whole one. Times and values are written so that
// they read back as the same doubles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "gfx/tracks/Track.h"

namespace vantor {

struct TrackSet {
  double beatsPerMinute = 126.0;
  std::vector<Track> tracks;

  // The track of that name, or null.
  Track* find(std::string_view name);
  const Track* find(std::string_view name) const;
  std::size_t keyCount() const;
  bool operator==(const TrackSet&) const = default;
};

struct TrackFileError {
  int line = 0;  // 1-based; one past the last line for a file cut short
  std::string message;
};

// Reads a track file over `known`, the tracks a program has with their built-in keys: each
// track of the file replaces the known one of its name (the order stays the known one's), a
// track the file leaves out keeps its built-in keys. False, with the first fault and its line,
// for a file that is not whole and well formed: a syntax error, a number that is not finite
// or lies out of range (times 0 to 1e6 s, values within +-1e9), a key at or before the
// previous key's time, an unknown or repeated track, a track without keys, no "end" line;
// `result` is then left as it was.
bool readTrackFile(std::string_view text, const TrackSet& known, TrackSet& result,
                   TrackFileError& error);

// The whole file for a set: a header comment, the tempo, every track in order, "end".
std::string writeTrackFile(const TrackSet& tracks);

}  // namespace vantor

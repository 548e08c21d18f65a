// The choreography's tracks under the viewer's hands: keys inserted on the music's beat grid,
// their values and interpolations changed, deleted, undone and redone, in the very set the
// invitation's frames read; saved whole or not at all, and reloaded when the file is changed
// outside the viewer. Times are music seconds.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gfx/tracks/TrackFile.h"

namespace live {

// The time a key goes to: the nearest sixteenth or beat of the tempo, or the time itself, to
// the millisecond.
enum class Snap { kSixteenth, kBeat, kNone };
double snapped(double seconds, double beatsPerMinute, Snap snap);

class TrackEditor {
 public:
  // live: the set the frames read, edited in place; known: the program's tracks with their
  // built-in keys (what a file is read over); folder/invitation.tracks is the file saved and
  // watched. say receives the line of each save, reload and error.
  TrackEditor(vantor::TrackSet& live, const vantor::TrackSet& known, std::string folder,
              std::function<void(const std::string&)> say);

  // Takes the live set as the saved one: call once the program has read its file.
  void start();

  const vantor::TrackSet& tracks() const { return live_; }
  std::size_t selected() const { return selected_; }
  const vantor::Track& selectedTrack() const { return live_.tracks[selected_]; }
  void select(std::size_t track);
  void selectBy(int step);  // the next (1) or previous (-1) track, wrapping

  // The key of the selected track within half a millisecond of the time (the play head's
  // time is whole milliseconds; a key on the grid lies between them).
  std::optional<std::size_t> keyNear(double seconds) const;
  // A key at the snapped time with the track's value there and the interpolation of the key
  // before it (linear for a first key); answers its time. A key already there stays.
  double insertKey(double seconds, Snap snap);
  // The key near the time: its value (continuing: the same drag as the last change, one undo
  // step for all of it), its value by steps of valueStep(), its interpolation (the next of
  // step, linear, smooth, ramp), or the key removed (a track keeps its last key). False when
  // there is no key near the time.
  bool setValue(double seconds, double value, bool continuing = false);
  bool nudgeValue(double seconds, int steps);
  bool setInterpolation(double seconds, vantor::Interpolation interpolation);
  bool cycleInterpolation(double seconds);
  bool deleteKey(double seconds);
  // The time of the selected track's next key after (direction 1) or before (-1) the time.
  std::optional<double> neighbourKey(double seconds, int direction) const;
  // A step of the selected track's values: a tenth of the power of ten of its largest saved
  // value.
  double valueStep() const;

  bool undo();
  bool redo();

  // Whether the tracks differ from the saved file, and the tracks that do.
  bool unsaved() const { return !(live_ == saved_); }
  std::vector<std::string> unsavedTracks() const;

  const std::string& path() const { return path_; }
  // Writes the file whole (a temporary file renamed over it; the file before kept as
  // invitation.tracks.backup) and says "saved invitation.tracks (N keys)"; false, with the
  // cause said and the file as it was, when it cannot be written.
  bool save();
  // The watched folder's saved names: a change of the track file made outside the viewer is
  // read (it replaces unsaved changes, and says so); a file that does not read keeps the
  // tracks, and its error stays on record until the next good file. True when the tracks
  // changed.
  bool apply(const std::vector<std::string>& saved);
  const std::vector<std::string>& errors() const { return errors_; }

 private:
  // The power of ten of valueStep().
  int stepExponent() const;
  // Keeps the set as it was before an edit for undo.
  void edited(vantor::TrackSet before);
  bool reload();

  vantor::TrackSet& live_;
  const vantor::TrackSet& known_;
  vantor::TrackSet saved_;
  std::string savedText_;  // what the viewer wrote last; seen again, it is no outside change
  std::string path_;
  std::function<void(const std::string&)> say_;
  std::size_t selected_ = 0;
  std::vector<vantor::TrackSet> undo_, redo_;
  bool dragging_ = false;  // the last edit was a value change that may continue
  std::vector<std::string> errors_;
};

}  // namespace live

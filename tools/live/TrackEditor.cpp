#include "TrackEditor.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>

#include "OutputFile.h"
#include "SavedFile.h"

namespace live {

namespace {

constexpr const char* kFileName = "invitation.tracks";
// Half a millisecond: the play head's whole milliseconds reach every key.
constexpr double kNearSeconds = 0.0005;
// Enough of them for an afternoon's work, few enough to cost nothing (a set is a few KiB).
constexpr std::size_t kUndoSteps = 1000;

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream content;
  content << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return content.str();
}

bool writeWhole(const std::string& path, const std::string& text, std::string& error) {
  companion::OutputFile file(path);
  return file.open(error) && file.write(text.data(), text.size(), error) && file.commit(error);
}

}  // namespace

double snapped(double seconds, double beatsPerMinute, Snap snap) {
  double at = seconds;
  if (snap != Snap::kNone && beatsPerMinute > 0.0) {
    const double step = 60.0 / beatsPerMinute / (snap == Snap::kSixteenth ? 4.0 : 1.0);
    at = std::round(seconds / step) * step;
  }
  // To the millisecond, the unit of the music's clock and of every picture's time: a key then
  // lies where a frame can stand (at most half a millisecond off the beat, far below a frame)
  // and reads as that time in the file.
  return std::max(0.0, std::round(at * 1000.0) / 1000.0);
}

TrackEditor::TrackEditor(vantor::TrackSet& live, const vantor::TrackSet& known, std::string folder,
                         std::function<void(const std::string&)> say)
    : live_(live),
      known_(known),
      saved_(live),
      path_(std::move(folder) + "/" + kFileName),
      say_(std::move(say)) {}

void TrackEditor::start() {
  saved_ = live_;
  undo_.clear();
  redo_.clear();
}

void TrackEditor::select(std::size_t track) {
  if (track < live_.tracks.size()) selected_ = track;
  dragging_ = false;
}

void TrackEditor::selectBy(int step) {
  const auto count = static_cast<long>(live_.tracks.size());
  if (count == 0) return;
  select(static_cast<std::size_t>(((static_cast<long>(selected_) + step) % count + count) % count));
}

std::optional<std::size_t> TrackEditor::keyNear(double seconds) const {
  const auto& keys = selectedTrack().keys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (std::fabs(keys[i].seconds - seconds) <= kNearSeconds) return i;
  }
  return std::nullopt;
}

void TrackEditor::edited(vantor::TrackSet before) {
  undo_.push_back(std::move(before));
  if (undo_.size() > kUndoSteps) undo_.erase(undo_.begin());
  redo_.clear();
}

double TrackEditor::insertKey(double seconds, Snap snap) {
  const double at = snapped(seconds, live_.beatsPerMinute, snap);
  dragging_ = false;
  if (keyNear(at)) return at;
  vantor::Track& track = live_.tracks[selected_];
  vantor::TrackKey key{at, track.valueAt(at), vantor::Interpolation::kLinear};
  for (const vantor::TrackKey& earlier : track.keys()) {
    if (earlier.seconds < at) key.interpolation = earlier.interpolation;
  }
  vantor::TrackSet before = live_;
  track.setKey(key);
  edited(std::move(before));
  return at;
}

bool TrackEditor::setValue(double seconds, double value, bool continuing) {
  const std::optional<std::size_t> index = keyNear(seconds);
  if (!index || !std::isfinite(value)) return false;
  vantor::Track& track = live_.tracks[selected_];
  vantor::TrackKey key = track.keys()[*index];
  if (key.value == value) return true;
  vantor::TrackSet before = live_;
  key.value = value;
  track.setKey(key);
  if (!(continuing && dragging_)) edited(std::move(before));
  dragging_ = true;
  return true;
}

bool TrackEditor::nudgeValue(double seconds, int steps) {
  const std::optional<std::size_t> index = keyNear(seconds);
  if (!index) return false;
  // Kept to two decimals below the step, so that nudges add up to the number they read as
  // (8 and four tenths is 8.4 in the file, not 8.4000000000000004).
  const int exponent = stepExponent();
  double value = selectedTrack().keys()[*index].value + steps * std::pow(10.0, exponent);
  const double unit = std::pow(10.0, std::abs(exponent - 2));
  value = exponent - 2 < 0 ? std::round(value * unit) / unit : std::round(value / unit) * unit;
  dragging_ = false;
  return setValue(seconds, value);
}

bool TrackEditor::setInterpolation(double seconds, vantor::Interpolation interpolation) {
  const std::optional<std::size_t> index = keyNear(seconds);
  if (!index) return false;
  dragging_ = false;
  vantor::Track& track = live_.tracks[selected_];
  vantor::TrackKey key = track.keys()[*index];
  if (key.interpolation == interpolation) return true;
  vantor::TrackSet before = live_;
  key.interpolation = interpolation;
  track.setKey(key);
  edited(std::move(before));
  return true;
}

bool TrackEditor::cycleInterpolation(double seconds) {
  const std::optional<std::size_t> index = keyNear(seconds);
  if (!index) return false;
  const int next = (static_cast<int>(selectedTrack().keys()[*index].interpolation) + 1) % 4;
  return setInterpolation(seconds, static_cast<vantor::Interpolation>(next));
}

bool TrackEditor::deleteKey(double seconds) {
  const std::optional<std::size_t> index = keyNear(seconds);
  if (!index) return false;
  dragging_ = false;
  vantor::TrackSet before = live_;
  if (!live_.tracks[selected_].removeKeyAt(selectedTrack().keys()[*index].seconds)) return false;
  edited(std::move(before));
  return true;
}

std::optional<double> TrackEditor::neighbourKey(double seconds, int direction) const {
  const auto& keys = selectedTrack().keys();
  std::optional<double> found;
  for (const vantor::TrackKey& key : keys) {
    if (direction > 0 && key.seconds > seconds + kNearSeconds) return key.seconds;
    if (direction < 0 && key.seconds < seconds - kNearSeconds) found = key.seconds;
  }
  return found;
}

int TrackEditor::stepExponent() const {
  // From the saved keys, so that the step stays as it is while a value is changed.
  const vantor::Track* saved = saved_.find(selectedTrack().name());
  double largest = 0.0;
  for (const vantor::TrackKey& key : (saved ? *saved : selectedTrack()).keys()) {
    largest = std::max(largest, std::fabs(key.value));
  }
  if (largest == 0.0) return -1;
  return static_cast<int>(std::floor(std::log10(largest))) - 1;
}

double TrackEditor::valueStep() const { return std::pow(10.0, stepExponent()); }

bool TrackEditor::undo() {
  if (undo_.empty()) return false;
  redo_.push_back(live_);
  live_ = std::move(undo_.back());
  undo_.pop_back();
  dragging_ = false;
  return true;
}

bool TrackEditor::redo() {
  if (redo_.empty()) return false;
  undo_.push_back(live_);
  live_ = std::move(redo_.back());
  redo_.pop_back();
  dragging_ = false;
  return true;
}

std::vector<std::string> TrackEditor::unsavedTracks() const {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < live_.tracks.size(); ++i) {
    if (i >= saved_.tracks.size() || !(live_.tracks[i] == saved_.tracks[i])) {
      names.push_back(live_.tracks[i].name());
    }
  }
  if (names.empty() && live_.beatsPerMinute != saved_.beatsPerMinute) names.push_back("tempo");
  return names;
}

bool TrackEditor::save() {
  const std::string text = vantor::writeTrackFile(live_);
  std::string error;
  // The file as it was is kept first: the save then replaces a file that has its copy.
  if (const std::optional<std::string> before = readWhole(path_)) {
    if (!writeWhole(path_ + ".backup", *before, error)) {
      say_("invitation.tracks is not saved: " + error);
      return false;
    }
  }
  if (!writeWhole(path_, text, error)) {
    say_("invitation.tracks is not saved: " + error);
    return false;
  }
  savedText_ = text;
  saved_ = live_;
  dragging_ = false;
  say_("saved invitation.tracks (" + std::to_string(live_.keyCount()) + " keys)");
  return true;
}

bool TrackEditor::apply(const std::vector<std::string>& saved) {
  return std::find(saved.begin(), saved.end(), kFileName) != saved.end() && reload();
}

bool TrackEditor::reload() {
  const auto start = std::chrono::steady_clock::now();
  SavedFile file;
  if (!readSavedFile(path_, file)) return false;  // removed or moved away: the tracks stay
  if (file.bytes == savedText_) return false;     // the viewer's own save
  vantor::TrackSet read;
  vantor::TrackFileError error;
  if (!vantor::readTrackFile(file.bytes, known_, read, error)) {
    const std::string line = std::string(kFileName) + ":" + std::to_string(error.line) + ": " +
                             error.message + "; the last good tracks stay";
    say_(line);
    errors_ = {line};
    return false;
  }
  errors_.clear();
  const bool editsLost = unsaved();
  live_ = read;
  saved_ = std::move(read);
  savedText_ = file.bytes;
  undo_.clear();
  redo_.clear();
  dragging_ = false;
  const double tookMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  say_("reloaded invitation.tracks in " + std::to_string(std::lround(file.savedAgoMs + tookMs)) +
       " ms" + (editsLost ? " (the unsaved changes are replaced by it)" : ""));
  return true;
}

}  // namespace live

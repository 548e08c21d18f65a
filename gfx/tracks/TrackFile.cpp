#include "gfx/tracks/TrackFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

namespace vantor {

namespace {

constexpr double kMaxBeatsPerMinute = 1000.0;
// Far beyond any position, angle or weight of a scene, and far inside a float's range: values
// between two keys, and their float for the scene, stay finite.
constexpr double kMaxMagnitude = 1e9;
constexpr double kMaxSeconds = 1e6;

// The words of one line, comments and surrounding blanks taken off.
std::vector<std::string_view> wordsOf(std::string_view line) {
  const std::size_t comment = line.find('#');
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  std::vector<std::string_view> words;
  std::size_t at = 0;
  for (;;) {
    at = line.find_first_not_of(" \t\r", at);
    if (at == std::string_view::npos) return words;
    const std::size_t end = line.find_first_of(" \t\r", at);
    words.push_back(line.substr(at, end == std::string_view::npos ? end : end - at));
    if (end == std::string_view::npos) return words;
    at = end;
  }
}

// A decimal number as C writes it: an optional minus, digits with an optional point and an
// optional exponent; no plus, blanks, hexadecimal, infinity or NaN. Read in the C locale the
// program never leaves (the browser's C++ library has no floating-point from_chars).
std::optional<double> numberOf(std::string_view word) {
  const std::string text(word);
  const std::size_t digits = text.find_first_not_of('-') == 1 ? 1 : 0;
  if (text.size() <= digits || text.find_first_not_of("0123456789.eE-+") != std::string::npos ||
      text[digits] == '+' || text[digits] == '-') {
    return std::nullopt;
  }
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// The shortest text that reads back as the same value; whole numbers without an exponent.
std::string number(double value) {
  char text[40];
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
  }
  for (int precision = 1;; ++precision) {
    std::snprintf(text, sizeof text, "%.*g", precision, value);
    if (precision >= 17 || std::strtod(text, nullptr) == value) return text;
  }
}

// The reading of one file, line by line.
class Reader {
 public:
  Reader(const TrackSet& known, TrackFileError& error) : known_(known), error_(error) {}

  bool read(std::string_view text, TrackSet& result) {
    TrackSet set = known_;
    int line = 0;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      ++line;
      if (!readLine(wordsOf(text.substr(at, end - at)), line, set)) return false;
      at = end + 1;
    }
    if (!ended_) {
      const std::string what = tempoSeen_ ? "the file ends before its \"end\" line (cut short?)"
                                          : "the file has no \"tempo\" line";
      return fail(line + 1, what);
    }
    result = std::move(set);
    return true;
  }

 private:
  bool readLine(const std::vector<std::string_view>& words, int line, TrackSet& set) {
    if (words.empty()) return true;
    if (ended_) return fail(line, "text after the \"end\" line");
    if (!tempoSeen_) {
      if (words[0] != "tempo" || words.size() != 2) {
        return fail(line, "the first line must be \"tempo BEATS_PER_MINUTE\"");
      }
      const std::optional<double> tempo = numberOf(words[1]);
      if (!tempo) return fail(line, quoted(words[1]) + " is not a number");
      if (*tempo <= 0.0 || *tempo > kMaxBeatsPerMinute) {
        return fail(line, "the tempo must lie above 0 and at most 1000 beats a minute");
      }
      set.beatsPerMinute = *tempo;
      tempoSeen_ = true;
      return true;
    }
    if (words[0] == "track") return startTrack(words, line, set);
    if (words[0] == "end") {
      if (words.size() != 1) return fail(line, "\"end\" stands alone on its line");
      if (!finishTrack(set)) return false;
      ended_ = true;
      return true;
    }
    return readKey(words, line);
  }

  bool startTrack(const std::vector<std::string_view>& words, int line, TrackSet& set) {
    if (words.size() != 2) return fail(line, "a track's line is \"track NAME\"");
    if (!finishTrack(set)) return false;
    if (!known_.find(words[1])) return fail(line, "unknown track " + quoted(words[1]));
    const auto [first, fresh] = trackLines_.emplace(std::string(words[1]), line);
    if (!fresh) {
      return fail(line, "the track " + quoted(words[1]) + " comes twice (first on line " +
                            std::to_string(first->second) + ")");
    }
    trackName_ = std::string(words[1]);
    trackLine_ = line;
    keys_.clear();
    return true;
  }

  bool readKey(const std::vector<std::string_view>& words, int line) {
    if (trackName_.empty()) {
      return fail(line, "expected \"track NAME\" or \"end\", not " + quoted(words[0]));
    }
    if (words.size() != 3) return fail(line, "a key is \"TIME VALUE INTERPOLATION\"");
    const std::optional<double> seconds = numberOf(words[0]);
    if (!seconds) return fail(line, "the time " + quoted(words[0]) + " is not a number");
    const std::optional<double> value = numberOf(words[1]);
    if (!value) return fail(line, "the value " + quoted(words[1]) + " is not a number");
    const std::optional<Interpolation> interpolation = interpolationNamed(words[2]);
    if (!interpolation) {
      return fail(line,
                  "unknown interpolation " + quoted(words[2]) + " (step, linear, smooth or ramp)");
    }
    if (*seconds < 0.0 || *seconds > kMaxSeconds) {
      return fail(line, "a key's time lies between 0 and 1e6 s");
    }
    if (std::fabs(*value) > kMaxMagnitude) return fail(line, "a value lies within -1e9 and 1e9");
    if (!keys_.empty() && *seconds <= keys_.back().seconds) {
      return fail(line, "the key at " + number(*seconds) + " s does not come after the one at " +
                            number(keys_.back().seconds) + " s");
    }
    keys_.push_back({*seconds, *value, *interpolation});
    return true;
  }

  // The track being read, if any, into the set.
  bool finishTrack(TrackSet& set) {
    if (trackName_.empty()) return true;
    if (keys_.empty()) return fail(trackLine_, "the track " + quoted(trackName_) + " has no keys");
    *set.find(trackName_) = Track(trackName_, std::move(keys_));
    keys_.clear();
    trackName_.clear();
    return true;
  }

  bool fail(int line, std::string message) {
    error_ = {line, std::move(message)};
    return false;
  }

  const TrackSet& known_;
  TrackFileError& error_;
  bool tempoSeen_ = false;
  bool ended_ = false;
  std::map<std::string, int, std::less<>> trackLines_;
  std::string trackName_;  // empty outside a track's block
  int trackLine_ = 0;
  std::vector<TrackKey> keys_;
};

}  // namespace

Track* TrackSet::find(std::string_view name) {
  for (Track& track : tracks) {
    if (track.name() == name) return &track;
  }
  return nullptr;
}

const Track* TrackSet::find(std::string_view name) const {
  return const_cast<TrackSet*>(this)->find(name);
}

std::size_t TrackSet::keyCount() const {
  std::size_t count = 0;
  for (const Track& track : tracks) count += track.keys().size();
  return count;
}

bool readTrackFile(std::string_view text, const TrackSet& known, TrackSet& result,
                   TrackFileError& error) {
  return Reader(known, error).read(text, result);
}

std::string writeTrackFile(const TrackSet& set) {
  std::string text =
      "# KESTU09's choreography. Each track is a value over the music's time; a key is\n"
      "# TIME (seconds) VALUE INTERPOLATION, where the interpolation leads to the next key:\n"
      "# step, linear, smooth (ease in and out) or ramp (ease in).\n"
      "tempo " +
      number(set.beatsPerMinute) + "\n";
  for (const Track& track : set.tracks) {
    text += "\ntrack " + track.name() + "\n";
    for (const TrackKey& key : track.keys()) {
      text += "  " + number(key.seconds) + " " + number(key.value) + " " +
              interpolationName(key.interpolation) + "\n";
    }
  }
  text += "\nend\n";
  return text;
}

}  // namespace vantor

// One named value of the choreography over music time: keys (time, value, interpolation) in
// strictly increasing time. A key's interpolation says how the value goes from that key to the
// next one; before the first key the value is the first key's, from the last key on the last
// key's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

enum class Interpolation {
  kStep,    // holds the key's value until the next key
  kLinear,  // straight to the next key's value
  kSmooth,  // eases in and out: 3u^2 - 2u^3 of the way at the fraction u of the interval
  kRamp,    // eases in: u^2 of the way
};

// "step", "linear", "smooth", "ramp": the names the track file uses.
const char* interpolationName(Interpolation interpolation);
std::optional<Interpolation> interpolationNamed(std::string_view name);

struct TrackKey {
  double seconds = 0.0;  // music time
  double value = 0.0;
  Interpolation interpolation = Interpolation::kLinear;
  bool operator==(const TrackKey&) const = default;
};

class Track {
 public:
  // keys: at least one, in strictly increasing time (the reader checks files for it).
  Track(std::string name, std::vector<TrackKey> keys);

  const std::string& name() const { return name_; }
  const std::vector<TrackKey>& keys() const { return keys_; }

  double valueAt(double seconds) const;

  // The index of the key at exactly that time, if there is one.
  std::optional<std::size_t> keyAt(double seconds) const;
  // Puts the key in its place by time, replacing a key at the same time.
  void setKey(const TrackKey& key);
  // Removes the key at exactly that time; a track keeps its last key (false then, and when
  // there is no key at that time).
  bool removeKeyAt(double seconds);

  bool operator==(const Track&) const = default;

 private:
  std::string name_;
  std::vector<TrackKey> keys_;
};

}  // namespace vantor

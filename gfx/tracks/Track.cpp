#include "gfx/tracks/Track.h"

#include <algorithm>

namespace vantor {

const char* interpolationName(Interpolation interpolation) {
  switch (interpolation) {
    case Interpolation::kStep: return "step";
    case Interpolation::kLinear: return "linear";
    case Interpolation::kSmooth: return "smooth";
    case Interpolation::kRamp: return "ramp";
  }
  return "linear";
}

std::optional<Interpolation> interpolationNamed(std::string_view name) {
  for (Interpolation interpolation : {Interpolation::kStep, Interpolation::kLinear,
                                      Interpolation::kSmooth, Interpolation::kRamp}) {
    if (name == interpolationName(interpolation)) return interpolation;
  }
  return std::nullopt;
}

Track::Track(std::string name, std::vector<TrackKey> keys)
    : name_(std::move(name)), keys_(std::move(keys)) {}

double Track::valueAt(double seconds) const {
  if (keys_.empty()) return 0.0;
  const auto next =
      std::upper_bound(keys_.begin(), keys_.end(), seconds,
                       [](double time, const TrackKey& key) { return time < key.seconds; });
  if (next == keys_.begin()) return keys_.front().value;
  if (next == keys_.end()) return keys_.back().value;
  const TrackKey& from = *(next - 1);
  const double span = next->seconds - from.seconds;
  const double rise = next->value - from.value;
  const double u = (seconds - from.seconds) / span;
  switch (from.interpolation) {
    case Interpolation::kStep: return from.value;
    // Multiplied before it is divided: a motion keyed from 0 (0 + 28 * 91 * t / 91, say) is
    // then exactly the product a formula of t gives, as a float of it.
    case Interpolation::kLinear: return from.value + rise * (seconds - from.seconds) / span;
    case Interpolation::kSmooth: return from.value + rise * u * u * (3.0 - 2.0 * u);
    case Interpolation::kRamp: return from.value + rise * u * u;
  }
  return from.value;
}

std::optional<std::size_t> Track::keyAt(double seconds) const {
  for (std::size_t i = 0; i < keys_.size(); ++i) {
    if (keys_[i].seconds == seconds) return i;
  }
  return std::nullopt;
}

void Track::setKey(const TrackKey& key) {
  const auto place = std::lower_bound(
      keys_.begin(), keys_.end(), key.seconds,
      [](const TrackKey& existing, double time) { return existing.seconds < time; });
  if (place != keys_.end() && place->seconds == key.seconds) {
    *place = key;
  } else {
    keys_.insert(place, key);
  }
}

bool Track::removeKeyAt(double seconds) {
  const std::optional<std::size_t> index = keyAt(seconds);
  if (!index || keys_.size() == 1) return false;
  keys_.erase(keys_.begin() + static_cast<std::ptrdiff_t>(*index));
  return true;
}

}  // namespace vantor

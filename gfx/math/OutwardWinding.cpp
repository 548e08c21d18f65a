#include "gfx/math/OutwardWinding.h"

#include <cmath>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace vantor {

namespace {

struct PositionKey {
  std::uint32_t x, y, z;
  bool operator==(const PositionKey&) const = default;
};

struct PositionKeyHash {
  std::size_t operator()(const PositionKey& k) const {
    std::uint64_t h = k.x * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + k.y * 0xBF58476D1CE4E5B9ull;
    h ^= (h >> 31) + k.z * 0x94D049BB133111EBull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

std::uint32_t bitsOf(float f) {
  // -0 and +0 are one place.
  const float folded = f + 0.0f;
  std::uint32_t bits;
  static_assert(sizeof bits == sizeof folded);
  std::memcpy(&bits, &folded, sizeof bits);
  return bits;
}

std::uint64_t directedEdge(std::uint32_t from, std::uint32_t to) {
  return (static_cast<std::uint64_t>(from) << 32) | to;
}

}  // namespace

OutwardWinding outwardWinding(std::span<const Vector3> positions,
                              std::span<const std::uint32_t> indices) {
  if (indices.empty() || indices.size() % 3 != 0) return OutwardWinding::Open;

  // One id per distinct place.
  std::unordered_map<PositionKey, std::uint32_t, PositionKeyHash> placeIds;
  placeIds.reserve(positions.size());
  std::vector<std::uint32_t> placeOf(positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Vector3& p = positions[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      return OutwardWinding::Open;
    }
    const PositionKey key{bitsOf(p.x), bitsOf(p.y), bitsOf(p.z)};
    placeOf[i] =
        placeIds.try_emplace(key, static_cast<std::uint32_t>(placeIds.size())).first->second;
  }

  // How often each directed edge is run; twice the same way is already not a solid.
  std::unordered_map<std::uint64_t, int> runs;
  runs.reserve(indices.size());
  double sixTimesVolume = 0.0;
  for (std::size_t t = 0; t < indices.size(); t += 3) {
    std::uint32_t corner[3];
    for (int k = 0; k < 3; ++k) {
      if (indices[t + k] >= positions.size()) return OutwardWinding::Open;
      corner[k] = placeOf[indices[t + k]];
    }
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t from = corner[k];
      const std::uint32_t to = corner[(k + 1) % 3];
      if (from == to) return OutwardWinding::Open;
      if (++runs[directedEdge(from, to)] > 1) return OutwardWinding::Open;
    }
    const Vector3& a = positions[indices[t]];
    const Vector3& b = positions[indices[t + 1]];
    const Vector3& c = positions[indices[t + 2]];
    // a · (b × c) in double, so that large flat-ish letters still give a clear sign.
    const double bcx = double(b.y) * c.z - double(b.z) * c.y;
    const double bcy = double(b.z) * c.x - double(b.x) * c.z;
    const double bcz = double(b.x) * c.y - double(b.y) * c.x;
    sixTimesVolume += a.x * bcx + a.y * bcy + a.z * bcz;
  }
  for (const auto& [edge, count] : runs) {
    const auto from = static_cast<std::uint32_t>(edge >> 32);
    const auto to = static_cast<std::uint32_t>(edge);
    if (!runs.contains(directedEdge(to, from))) return OutwardWinding::Open;
  }
  // With Direct3D's left-handed axes, a triangle whose corners run clockwise seen from
  // outside has (b - a) × (c - a) pointing outwards, so such a surface encloses a positive
  // volume.
  if (sixTimesVolume > 0.0) return OutwardWinding::Clockwise;
  if (sixTimesVolume < 0.0) return OutwardWinding::CounterClockwise;
  return OutwardWinding::Open;
}

}  // namespace vantor

#include "gfx/math/OutwardWinding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

namespace vantor {

namespace {

std::uint32_t bitsOf(float f) {
  // -0 and +0 are one place.
  const float folded = f + 0.0f;
  std::uint32_t bits;
  static_assert(sizeof bits == sizeof folded);
  std::memcpy(&bits, &folded, sizeof bits);
  return bits;
}

struct Place {
  std::uint32_t x, y, z;
  std::uint32_t vertex;
  auto key() const { return std::tie(x, y, z); }
};

std::uint64_t directedEdge(std::uint32_t from, std::uint32_t to) {
  return (static_cast<std::uint64_t>(from) << 32) | to;
}

// One id per distinct place, for every vertex; empty when a position is not finite. Sorting
// keeps this to a few allocations, where a hash map would make one per place: the check runs
// whenever a mesh's buffers are filled, and a refined letter has thousands of places.
std::vector<std::uint32_t> placeIds(std::span<const Vector3> positions) {
  std::vector<Place> places(positions.size());
  for (std::size_t i = 0; i < positions.size(); ++i) {
    const Vector3& p = positions[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return {};
    places[i] = {bitsOf(p.x), bitsOf(p.y), bitsOf(p.z), static_cast<std::uint32_t>(i)};
  }
  std::sort(places.begin(), places.end(),
            [](const Place& a, const Place& b) { return a.key() < b.key(); });
  std::vector<std::uint32_t> ids(positions.size());
  std::uint32_t id = 0;
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (i > 0 && places[i].key() != places[i - 1].key()) ++id;
    ids[places[i].vertex] = id;
  }
  return ids;
}

}  // namespace

OutwardWinding outwardWinding(std::span<const Vector3> positions,
                              std::span<const std::uint32_t> indices) {
  if (indices.empty() || indices.size() % 3 != 0) return OutwardWinding::Open;
  const std::vector<std::uint32_t> placeOf = placeIds(positions);
  if (placeOf.size() != positions.size()) return OutwardWinding::Open;

  std::vector<std::uint64_t> edges;
  edges.reserve(indices.size());
  double sixTimesVolume = 0.0;
  for (std::size_t t = 0; t < indices.size(); t += 3) {
    std::uint32_t corner[3];
    for (int k = 0; k < 3; ++k) {
      if (indices[t + k] >= positions.size()) return OutwardWinding::Open;
      corner[k] = placeOf[indices[t + k]];
    }
    for (int k = 0; k < 3; ++k) {
      if (corner[k] == corner[(k + 1) % 3]) return OutwardWinding::Open;
      edges.push_back(directedEdge(corner[k], corner[(k + 1) % 3]));
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
  // Every directed edge once (twice the same way is already not a solid), and its reverse
  // there too.
  std::sort(edges.begin(), edges.end());
  if (std::adjacent_find(edges.begin(), edges.end()) != edges.end()) return OutwardWinding::Open;
  for (const std::uint64_t edge : edges) {
    const std::uint64_t reverse = (edge << 32) | (edge >> 32);
    if (!std::binary_search(edges.begin(), edges.end(), reverse)) return OutwardWinding::Open;
  }
  // With Direct3D's left-handed axes, a triangle whose corners run clockwise seen from
  // outside has (b - a) × (c - a) pointing outwards, so such a surface encloses a positive
  // volume.
  if (sixTimesVolume > 0.0) return OutwardWinding::Clockwise;
  if (sixTimesVolume < 0.0) return OutwardWinding::CounterClockwise;
  return OutwardWinding::Open;
}

}  // namespace vantor

// Which triangle lists count as closed solids, and which way round: the decision that lets a
// drawing skip the faces turned away from the eye.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "gfx/math/OutwardWinding.h"
#include "gfx/math/Vector3.h"

namespace {

using vantor::OutwardWinding;
using vantor::Vector3;

struct TriangleList {
  std::vector<Vector3> positions;
  std::vector<std::uint32_t> indices;

  OutwardWinding winding() const { return vantor::outwardWinding(positions, indices); }
};

// The cube from -1 to 1 with four vertices of its own per face (as split normals give), each
// face two triangles whose corners run clockwise seen from outside.
TriangleList cube() {
  struct Face {
    Vector3 n, u, v;  // outward normal and two axes with u × v = n
  };
  const Face faces[] = {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
                        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}};
  TriangleList list;
  for (const Face& f : faces) {
    const auto base = static_cast<std::uint32_t>(list.positions.size());
    list.positions.push_back(f.n - f.u - f.v);
    list.positions.push_back(f.n - f.u + f.v);
    list.positions.push_back(f.n + f.u + f.v);
    list.positions.push_back(f.n + f.u - f.v);
    for (std::uint32_t corner : {0u, 2u, 1u, 0u, 3u, 2u}) list.indices.push_back(base + corner);
  }
  return list;
}

TEST(OutwardWinding, ACubeWithSplitVerticesIsClosedAndTurnsWithItsWinding) {
  TriangleList list = cube();
  EXPECT_EQ(list.winding(), OutwardWinding::Clockwise);
  for (std::size_t t = 0; t < list.indices.size(); t += 3) {
    std::swap(list.indices[t + 1], list.indices[t + 2]);
  }
  EXPECT_EQ(list.winding(), OutwardWinding::CounterClockwise);
}

// Each of these would show a hole or the inside if its back faces were skipped.
TEST(OutwardWinding, AnythingButAConsistentlyWoundClosedSurfaceIsOpen) {
  {
    TriangleList lidless = cube();
    lidless.indices.resize(lidless.indices.size() - 6);
    EXPECT_EQ(lidless.winding(), OutwardWinding::Open) << "a face missing";
  }
  {
    TriangleList flipped = cube();
    std::swap(flipped.indices[1], flipped.indices[2]);
    EXPECT_EQ(flipped.winding(), OutwardWinding::Open) << "one triangle wound the other way";
  }
  {
    TriangleList doubled = cube();
    doubled.indices.insert(doubled.indices.end(), doubled.indices.begin(),
                           doubled.indices.begin() + 3);
    EXPECT_EQ(doubled.winding(), OutwardWinding::Open) << "a triangle drawn twice";
  }
  {
    // A card seen from both sides: closed and consistent, but it encloses nothing.
    TriangleList card{{{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, {0, 1, 2, 0, 2, 1}};
    EXPECT_EQ(card.winding(), OutwardWinding::Open) << "a two-sided card";
  }
}

TEST(OutwardWinding, BrokenListsAreOpenRatherThanRead) {
  {
    TriangleList pastTheEnd = cube();
    pastTheEnd.indices[4] = static_cast<std::uint32_t>(pastTheEnd.positions.size());
    EXPECT_EQ(pastTheEnd.winding(), OutwardWinding::Open);
  }
  {
    TriangleList notANumber = cube();
    notANumber.positions[5].y = std::nanf("");
    EXPECT_EQ(notANumber.winding(), OutwardWinding::Open);
  }
  {
    TriangleList collapsed = cube();
    collapsed.indices[1] = collapsed.indices[0];
    EXPECT_EQ(collapsed.winding(), OutwardWinding::Open);
  }
  EXPECT_EQ(TriangleList{}.winding(), OutwardWinding::Open);
  TriangleList ragged = cube();
  ragged.indices.pop_back();
  EXPECT_EQ(ragged.winding(), OutwardWinding::Open);
}

}  // namespace

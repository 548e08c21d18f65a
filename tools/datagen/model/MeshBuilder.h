#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/Vec3.h"

namespace datagen {

// One mesh of the generated model: an indexed triangle list with one normal and one texture
// coordinate pair per vertex. Positions are in model units (the finished model is about 100
// tall) in the engine's frame: left-handed, y up. Triangles are ordered so that
// cross(b - a, c - a) points the same way as their vertex normals, out of the solid.
struct MeshPart {
  std::string name;
  int material = 0;
  std::vector<Vec3> positions;
  std::vector<Vec3> normals;
  std::vector<std::array<double, 2>> texcoords;
  std::vector<std::array<int, 3>> triangles;
};

// A point of a lathe profile: r is the distance from the axis, h the height along it.
struct ProfilePoint {
  double r = 0, h = 0;
};

// A smooth run of profile points. The solid lies to the left of the direction of travel in
// the (r, h) plane, so the outward normal of a step (dr, dh) is (dh, -dr). Hard edges are made
// by starting a new strip at the same point.
using ProfileStrip = std::vector<ProfilePoint>;

// Points of an elliptical arc around (r0, h0) with radii (radiusR, radiusH), from angle a0 to
// a1 (radians, 0 = +r, pi/2 = +h), steps + 1 points.
ProfileStrip ellipseArc(double r0, double h0, double radiusR, double radiusH, double a0, double a1,
                        int steps);

// Revolves every strip of the profile about the axis through base with direction axis, in
// `segments` steps around. Texture coordinates: u goes once around, v follows the profile.
void addLathe(MeshPart& mesh, Vec3 base, Vec3 axis, const std::vector<ProfileStrip>& profile,
              int segments);

// A capped cylinder of the given radius from a to b.
void addCylinder(MeshPart& mesh, Vec3 a, Vec3 b, double radius, int segments);

}  // namespace datagen

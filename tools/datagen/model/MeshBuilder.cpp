#include "MeshBuilder.h"

#include <cmath>
#include <numbers>

namespace datagen {
namespace {

// Two unit vectors that complete axis to an orthonormal frame.
void perpendiculars(Vec3 axis, Vec3& u, Vec3& v) {
  Vec3 helper = std::fabs(axis.y) < 0.9 ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
  u = normalize(cross(axis, helper));
  v = normalize(cross(axis, u));
}

// Smooth normals of a strip in the (r, h) plane from the neighbouring points.
std::vector<ProfilePoint> stripNormals(const ProfileStrip& strip) {
  std::vector<ProfilePoint> normals(strip.size());
  for (size_t i = 0; i < strip.size(); ++i) {
    const ProfilePoint& prev = strip[i == 0 ? 0 : i - 1];
    const ProfilePoint& next = strip[i + 1 == strip.size() ? i : i + 1];
    double dr = next.r - prev.r, dh = next.h - prev.h;
    double len = std::hypot(dr, dh);
    normals[i] = {dh / len, -dr / len};
  }
  return normals;
}

void addTriangle(MeshPart& mesh, int a, int b, int c) {
  const auto& p = mesh.positions;
  Vec3 face = cross(p[b] - p[a], p[c] - p[a]);
  if (length(face) < 1e-9) return;  // collapsed at a pole of the lathe
  Vec3 normal = mesh.normals[a] + mesh.normals[b] + mesh.normals[c];
  if (dot(face, normal) < 0) std::swap(b, c);
  mesh.triangles.push_back({a, b, c});
}

}  // namespace

ProfileStrip ellipseArc(double r0, double h0, double radiusR, double radiusH, double a0, double a1,
                        int steps) {
  ProfileStrip strip;
  for (int i = 0; i <= steps; ++i) {
    double a = a0 + (a1 - a0) * i / steps;
    strip.push_back({r0 + radiusR * std::cos(a), h0 + radiusH * std::sin(a)});
  }
  return strip;
}

void addLathe(MeshPart& mesh, Vec3 base, Vec3 axis, const std::vector<ProfileStrip>& profile,
              int segments) {
  axis = normalize(axis);
  Vec3 u, v;
  perpendiculars(axis, u, v);
  for (const ProfileStrip& strip : profile) {
    std::vector<ProfilePoint> normals = stripNormals(strip);
    int first = int(mesh.positions.size());
    double along = 0;
    for (size_t i = 0; i < strip.size(); ++i) {
      if (i > 0) along += std::hypot(strip[i].r - strip[i - 1].r, strip[i].h - strip[i - 1].h);
      for (int s = 0; s <= segments; ++s) {
        double angle = 2 * std::numbers::pi * s / segments;
        Vec3 radial = u * std::cos(angle) + v * std::sin(angle);
        mesh.positions.push_back(base + axis * strip[i].h + radial * strip[i].r);
        mesh.normals.push_back(normalize(radial * normals[i].r + axis * normals[i].h));
        mesh.texcoords.push_back({double(s) / segments, along / 50.0});
      }
    }
    int row = segments + 1;
    for (size_t i = 0; i + 1 < strip.size(); ++i) {
      for (int s = 0; s < segments; ++s) {
        int a = first + int(i) * row + s, b = a + 1, c = b + row, d = a + row;
        addTriangle(mesh, a, b, c);
        addTriangle(mesh, a, c, d);
      }
    }
  }
}

void addCylinder(MeshPart& mesh, Vec3 a, Vec3 b, double radius, int segments) {
  double h = length(b - a);
  addLathe(mesh, a, b - a,
           {{{0, 0}, {radius, 0}}, {{radius, 0}, {radius, h}}, {{radius, h}, {0, h}}}, segments);
}

}  // namespace datagen

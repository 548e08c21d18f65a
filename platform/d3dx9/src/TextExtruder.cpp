#include "TextExtruder.h"

#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>
#include <unordered_map>

namespace platform::d3dx9 {
namespace {

// Normals of neighbouring wall edges closer than this are averaged (cos 30°).
constexpr double kSmoothCosine = 0.8660254;

struct Vec3 {
  double x, y, z;
};

Vec3 sub(const float* a, const float* b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

std::uint32_t addVertex(Solid& solid, double x, double y, float z, Vec3 normal) {
  solid.vertices.push_back(
      {{static_cast<float>(x), static_cast<float>(y), z},
       {static_cast<float>(normal.x), static_cast<float>(normal.y), static_cast<float>(normal.z)}});
  return static_cast<std::uint32_t>(solid.vertices.size() - 1);
}

// Appends the triangle, turned so that it faces along `outward`.
void addTriangle(Solid& solid, std::uint32_t a, std::uint32_t b, std::uint32_t c, Vec3 outward) {
  const float* pa = solid.vertices[a].position;
  const Vec3 n = cross(sub(solid.vertices[b].position, pa), sub(solid.vertices[c].position, pa));
  if (n.x * outward.x + n.y * outward.y + n.z * outward.z < 0) std::swap(b, c);
  solid.indices.insert(solid.indices.end(), {a, b, c});
}

// GLU tessellation of the contours (non-zero winding, as fonts fill) into triangles over
// indices of `points`; points created at contour crossings are appended to it.
class CapTessellator {
 public:
  bool run(const std::vector<std::vector<Point2>>& contours, double penX) {
    GLUtesselator* tess = gluNewTess();
    if (!tess) return false;
    using Callback = void (*)();
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(&begin));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&vertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&combine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(&error));
    // An edge-flag callback makes GLU emit plain triangles (no fans or strips).
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&edgeFlag));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess, 0, 0, 1);
    gluTessBeginPolygon(tess, this);
    for (const auto& contour : contours) {
      gluTessBeginContour(tess);
      for (const Point2& p : contour) {
        points.push_back({p.x + penX, p.y, 0});
        gluTessVertex(tess, points.back().data(), points.back().data());
      }
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    gluDeleteTess(tess);
    return !failed_ && triangles.size() % 3 == 0;
  }

  // GLU may join three points of one straight line into a triangle of no area, whose long
  // edge runs over the middle point. Refining such a cap puts a new point on the middle one.
  // Each such triangle is dropped and its neighbour across the long edge split at the middle
  // point instead, which keeps the cap closed and its winding.
  void splitFlatTriangles() {
    const std::size_t limit = 4 * triangles.size();
    for (std::size_t step = 0; step < limit; ++step) {
      std::size_t flat = 0, corner = 0;
      if (!findFlat(flat, corner)) return;
      // The flat triangle runs p → q → m, m between p and q.
      const GLdouble* p = triangles[flat + (corner + 1) % 3];
      const GLdouble* q = triangles[flat + (corner + 2) % 3];
      const GLdouble* m = triangles[flat + corner];
      bool split = false;
      for (std::size_t t = 0; t < triangles.size() && !split; t += 3) {
        for (std::size_t k = 0; k < 3 && !split; ++k) {
          // The neighbour runs q → p → x.
          if (triangles[t + k] != q || triangles[t + (k + 1) % 3] != p) continue;
          const GLdouble* x = triangles[t + (k + 2) % 3];
          triangles[t] = q;
          triangles[t + 1] = m;
          triangles[t + 2] = x;
          // The flat triangle's slot takes the other half.
          triangles[flat] = m;
          triangles[flat + 1] = p;
          triangles[flat + 2] = x;
          split = true;
        }
      }
      if (!split) return;  // the long edge is an outline edge: nothing to split
    }
  }

  std::deque<std::array<GLdouble, 3>> points;  // stable addresses for GLU
  std::vector<const GLdouble*> triangles;      // three corners per triangle

 private:
  static void begin(GLenum type, void* self) {
    if (type != GL_TRIANGLES) static_cast<CapTessellator*>(self)->failed_ = true;
  }
  static void vertex(void* data, void* self) {
    static_cast<CapTessellator*>(self)->triangles.push_back(static_cast<const GLdouble*>(data));
  }
  static void combine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* self) {
    auto* tessellator = static_cast<CapTessellator*>(self);
    tessellator->points.push_back({coords[0], coords[1], 0});
    *out = tessellator->points.back().data();
  }
  static void error(GLenum, void* self) { static_cast<CapTessellator*>(self)->failed_ = true; }
  static void edgeFlag(GLboolean, void*) {}

  // The first triangle of three distinct points on one line, and its middle corner.
  bool findFlat(std::size_t& flat, std::size_t& corner) const {
    for (std::size_t t = 0; t + 2 < triangles.size(); t += 3) {
      const GLdouble* c[3] = {triangles[t], triangles[t + 1], triangles[t + 2]};
      if (c[0] == c[1] || c[1] == c[2] || c[2] == c[0]) continue;
      const double area =
          (c[1][0] - c[0][0]) * (c[2][1] - c[0][1]) - (c[1][1] - c[0][1]) * (c[2][0] - c[0][0]);
      if (area != 0) continue;
      for (std::size_t k = 0; k < 3; ++k) {
        const GLdouble* m = c[k];
        const GLdouble* a = c[(k + 1) % 3];
        const GLdouble* b = c[(k + 2) % 3];
        if ((a[0] - m[0]) * (b[0] - m[0]) + (a[1] - m[1]) * (b[1] - m[1]) < 0) {
          flat = t;
          corner = k;
          return true;
        }
      }
    }
    return false;
  }

  bool failed_ = false;
};

// GLU winds all triangles of one tessellation alike, and collinear contour points can give
// zero-area triangles whose own winding says nothing: so the cap's winding is decided once,
// from the total signed area, and applied to every triangle.
void addCap(Solid& solid, const CapTessellator& cap, float z, double normalZ) {
  const Vec3 normal{0, 0, normalZ};
  // Points are numbered by their place in the tessellator's list.
  std::unordered_map<const GLdouble*, std::uint32_t> index;
  for (const auto& p : cap.points) index[p.data()] = addVertex(solid, p[0], p[1], z, normal);
  double area = 0;
  for (std::size_t t = 0; t + 2 < cap.triangles.size(); t += 3) {
    const GLdouble *a = cap.triangles[t], *b = cap.triangles[t + 1], *c = cap.triangles[t + 2];
    area += (b[0] - a[0]) * (c[1] - a[1]) - (b[1] - a[1]) * (c[0] - a[0]);
  }
  const bool reverse = area * normalZ < 0;
  for (std::size_t t = 0; t + 2 < cap.triangles.size(); t += 3) {
    const std::uint32_t a = index.at(cap.triangles[t]);
    const std::uint32_t b = index.at(cap.triangles[t + 1]);
    const std::uint32_t c = index.at(cap.triangles[t + 2]);
    solid.indices.insert(solid.indices.end(), {a, reverse ? c : b, reverse ? b : c});
  }
}

void addWalls(Solid& solid, const std::vector<Point2>& contour, double penX, bool fillOnLeft,
              float extrusion) {
  const std::size_t n = contour.size();
  // Outward normal of edge i (from point i to point i + 1): away from the filled side.
  std::vector<Vec3> edgeNormal(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Point2& a = contour[i];
    const Point2& b = contour[(i + 1) % n];
    const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
    edgeNormal[i] =
        fillOnLeft ? Vec3{dy / length, -dx / length, 0} : Vec3{-dy / length, dx / length, 0};
  }
  // Per point, the vertex pair (front, back) that starts edge i and the one that ends edge i−1.
  std::vector<std::array<std::uint32_t, 2>> starts(n), ends(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 before = edgeNormal[(i + n - 1) % n], after = edgeNormal[i];
    const double x = contour[i].x + penX, y = contour[i].y;
    if (before.x * after.x + before.y * after.y > kSmoothCosine) {
      const double length = std::hypot(before.x + after.x, before.y + after.y);
      const Vec3 normal{(before.x + after.x) / length, (before.y + after.y) / length, 0};
      starts[i] =
          ends[i] = {addVertex(solid, x, y, 0, normal), addVertex(solid, x, y, -extrusion, normal)};
    } else {
      ends[i] = {addVertex(solid, x, y, 0, before), addVertex(solid, x, y, -extrusion, before)};
      starts[i] = {addVertex(solid, x, y, 0, after), addVertex(solid, x, y, -extrusion, after)};
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const auto a = starts[i], b = ends[(i + 1) % n];
    addTriangle(solid, a[0], a[1], b[0], edgeNormal[i]);
    addTriangle(solid, b[0], a[1], b[1], edgeNormal[i]);
  }
}

}  // namespace

bool extrudeOutline(const GlyphOutline& outline, double penX, float extrusion, Solid& solid) {
  if (outline.contours.empty()) return true;
  CapTessellator cap;
  if (!cap.run(outline.contours, penX)) return false;
  cap.splitFlatTriangles();
  addCap(solid, cap, 0.0f, 1.0);
  addCap(solid, cap, -extrusion, -1.0);
  for (const auto& contour : outline.contours) {
    addWalls(solid, contour, penX, outline.fillOnLeft, extrusion);
  }
  return true;
}

}  // namespace platform::d3dx9

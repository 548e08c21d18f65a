// The mesh modifiers: subdivision (counts, positions in both modes, the order of the result,
// open surfaces, the work mesh, the reports of broken input) and texture-coordinate
// generation (both projections, fixed and missing normals, unknown sets).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

#include "Hooks.h"
#include "MeshFixture.h"
#include "gfx/mesh/MeshModifierSubdivide.h"
#include "gfx/mesh/MeshModifierTexgen.h"

namespace mesh_test {
namespace {

using meshmodify::Subdivide;
using meshmodify::Texgen;
using ModifierTest = MeshTest;

constexpr int smooth = 0;
constexpr int linear = 1;

bool near(const Vector3& a, const Vector3& b, float tolerance = 1e-5f) {
  return (a - b).lengthSq() < tolerance * tolerance;
}

std::string text(const Vector3& v) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "(%g, %g, %g)", v.x, v.y, v.z);
  return buffer;
}

// A cube with corners at (±1, ±1, ±1), faces wound outward as in a D3D mesh, edges shared.
std::unique_ptr<Mesh> cube() {
  Parts parts;
  Vertex* v[8];
  for (int i = 0; i < 8; ++i) {
    v[i] = parts.vertex(i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f);
  }
  std::map<std::pair<int, int>, Edge*> shared;
  const auto edge = [&](int a, int b) {
    Edge*& e = shared[{std::min(a, b), std::max(a, b)}];
    if (!e) e = parts.edge(v[a], v[b]);
    return e;
  };
  const int quads[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                           {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& q : quads) {
    // Edges (q0,q1) (q1,q2) (q2,q3) (q3,q0) give the corners q1 q2 q3 q0.
    parts.faces.push_back(
        new QuadFace(edge(q[0], q[1]), edge(q[1], q[2]), edge(q[2], q[3]), edge(q[3], q[0])));
  }
  auto mesh = std::make_unique<Mesh>(0, 0);
  mesh->setTopology(&parts.vertices, &parts.edges, &parts.faces);
  return mesh;
}

// A grid of size × size quads over [0, size]², with height(x, y) as z.
template <class Height>
std::unique_ptr<Mesh> grid(int size, Height height) {
  Parts parts;
  std::vector<Vertex*> points;
  for (int y = 0; y <= size; ++y) {
    for (int x = 0; x <= size; ++x) {
      points.push_back(parts.vertex(static_cast<float>(x), static_cast<float>(y), height(x, y)));
    }
  }
  const auto at = [&](int x, int y) {
    return points[static_cast<std::size_t>(y * (size + 1) + x)];
  };
  std::map<std::pair<VertexBase*, VertexBase*>, Edge*> shared;
  const auto edge = [&](VertexBase* a, VertexBase* b) {
    Edge*& e = shared[{std::min(a, b), std::max(a, b)}];
    if (!e) e = parts.edge(a, b);
    return e;
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      VertexBase* c[4] = {at(x, y), at(x + 1, y), at(x + 1, y + 1), at(x, y + 1)};
      parts.faces.push_back(
          new QuadFace(edge(c[0], c[1]), edge(c[1], c[2]), edge(c[2], c[3]), edge(c[3], c[0])));
    }
  }
  auto mesh = std::make_unique<Mesh>(0, 0);
  mesh->setTopology(&parts.vertices, &parts.edges, &parts.faces);
  return mesh;
}

std::vector<Vector3> positions(Mesh& mesh) {
  std::vector<Vector3> out;
  for (VertexBase* v : mesh.getVertices()) out.push_back(*v->getPosition());
  return out;
}

TEST_F(ModifierTest, EachLevelSplitsEveryFaceIntoQuadsInBothModes) {
  for (int mode : {smooth, linear}) {
    for (int levels : {1, 2}) {
      std::unique_ptr<Mesh> mesh = cube();
      Subdivide(levels, mode).apply(mesh.get());
      const std::size_t faces = levels == 1 ? 24 : 96;
      EXPECT_EQ(mesh->getVertices().size(), levels == 1 ? 26u : 98u) << mode << levels;
      EXPECT_EQ(mesh->getEdges().size(), levels == 1 ? 48u : 192u) << mode << levels;
      ASSERT_EQ(mesh->getFaces().size(), faces) << mode << levels;
      for (FaceBase* face : mesh->getFaces()) EXPECT_EQ(face->getEdgeCount(), 4);
      EXPECT_EQ(mesh->data->syncState, MeshSync::TopologyNewer);
    }
  }
  EXPECT_TRUE(errorBoxes().empty());
}

TEST_F(ModifierTest, SmoothCubeMovesEdgePointsAndCornersTowardTheFaces) {
  std::unique_ptr<Mesh> mesh = cube();
  Subdivide(1, smooth).apply(mesh.get());
  // Every point of the result is one of: 8 corners at ±5/9, 12 edge points with two
  // coordinates ±0.75 and one 0, 6 face points at the face centres.
  int corners = 0, edgePoints = 0, facePoints = 0;
  for (const Vector3& p : positions(*mesh)) {
    const float c[3] = {std::fabs(p.x), std::fabs(p.y), std::fabs(p.z)};
    int fifthNinths = 0, threeQuarters = 0, zeros = 0, ones = 0;
    for (float value : c) {
      fifthNinths += std::fabs(value - 5.0f / 9.0f) < 1e-6f;
      threeQuarters += std::fabs(value - 0.75f) < 1e-6f;
      zeros += value < 1e-6f;
      ones += std::fabs(value - 1.0f) < 1e-6f;
    }
    corners += fifthNinths == 3;
    edgePoints += threeQuarters == 2 && zeros == 1;
    facePoints += ones == 1 && zeros == 2;
  }
  EXPECT_EQ(corners, 8);
  EXPECT_EQ(edgePoints, 12);
  EXPECT_EQ(facePoints, 6);
}

// The order of the result, checked against the source it was made from: per source edge
// [copy of a if new, copy of b if new, edge point], then the face points; per source edge its
// two halves, then per face its inner edges; per face one quad per corner.
TEST_F(ModifierTest, LinearResultFollowsTheSourceOrderAndKeepsTheWinding) {
  std::unique_ptr<Mesh> mesh = cube();
  const std::vector<Vector3> source = positions(*mesh);
  std::vector<std::pair<int, int>> sourceEdges;
  for (Edge* e : mesh->getEdges()) {
    const auto index = [&](VertexBase* v) {
      return static_cast<int>(std::find(mesh->getVertices().begin(), mesh->getVertices().end(), v) -
                              mesh->getVertices().begin());
    };
    sourceEdges.push_back({index(e->a), index(e->b)});
  }
  std::vector<std::vector<Vector3>> sourceCorners;
  std::vector<Vector3> sourceNormals;
  for (FaceBase* f : mesh->getFaces()) {
    VertexList corners;
    f->getVertices(corners);
    sourceCorners.push_back({});
    for (VertexBase* c : corners) sourceCorners.back().push_back(*c->getPosition());
    f->computeNormal();
    sourceNormals.push_back(f->normal);
  }

  Subdivide(1, linear).apply(mesh.get());
  const std::vector<Vector3> result = positions(*mesh);
  std::vector<Vector3> expected;
  std::vector<bool> seen(source.size());
  for (const auto& [a, b] : sourceEdges) {
    for (int end : {a, b}) {
      if (!seen[static_cast<std::size_t>(end)])
        expected.push_back(source[static_cast<std::size_t>(end)]);
      seen[static_cast<std::size_t>(end)] = true;
    }
    expected.push_back((source[static_cast<std::size_t>(a)] + source[static_cast<std::size_t>(b)]) *
                       0.5f);
  }
  for (const auto& corners : sourceCorners) {
    Vector3 sum;
    for (const Vector3& c : corners) sum += c;
    expected.push_back(sum / static_cast<float>(corners.size()));
  }
  ASSERT_EQ(result.size(), expected.size());
  for (std::size_t i = 0; i < result.size(); ++i) {
    EXPECT_TRUE(near(result[i], expected[i])) << i << " " << text(result[i]);
  }

  const EdgeList& edges = mesh->getEdges();
  for (std::size_t e = 0; e < sourceEdges.size(); ++e) {
    EXPECT_EQ(*edges[2 * e]->a->getPosition(),
              source[static_cast<std::size_t>(sourceEdges[e].first)]);
    EXPECT_EQ(edges[2 * e]->b, edges[2 * e + 1]->a);  // both halves meet at the edge point
    EXPECT_EQ(*edges[2 * e + 1]->b->getPosition(),
              source[static_cast<std::size_t>(sourceEdges[e].second)]);
  }
  const FaceList& faces = mesh->getFaces();
  for (std::size_t f = 0; f < sourceCorners.size(); ++f) {
    for (std::size_t k = 0; k < 4; ++k) {
      FaceBase* quad = faces[4 * f + k];
      VertexList corners;
      quad->getVertices(corners);
      // The corner of the source face first, then the edge point toward the next corner,
      // the face point, the edge point toward the previous corner.
      const Vector3 corner = sourceCorners[f][k];
      const Vector3 nextCorner = sourceCorners[f][(k + 1) % 4];
      const Vector3 previous = sourceCorners[f][(k + 3) % 4];
      EXPECT_EQ(*corners[0]->getPosition(), corner) << f << " " << k;
      EXPECT_TRUE(near(*corners[1]->getPosition(), (corner + nextCorner) * 0.5f)) << f << " " << k;
      EXPECT_TRUE(near(*corners[2]->getPosition(), expected[20 + f])) << f << " " << k;
      EXPECT_TRUE(near(*corners[3]->getPosition(), (corner + previous) * 0.5f)) << f << " " << k;
      quad->computeNormal();
      EXPECT_GT(quad->normal.dot(sourceNormals[f]), 0.0f) << "winding of " << f << " " << k;
    }
  }
}

TEST_F(ModifierTest, LinearModeKeepsAFlatSurfaceFlatAndATriangleBecomesThreeQuads) {
  std::unique_ptr<Mesh> flat = grid(2, [](int, int) { return 0.0f; });
  Subdivide(3, linear).apply(flat.get());
  EXPECT_EQ(flat->getFaces().size(), 4u * 64u);
  for (const Vector3& p : positions(*flat)) {
    EXPECT_EQ(p.z, 0.0f);
    EXPECT_TRUE(p.x >= 0 && p.x <= 2 && p.y >= 0 && p.y <= 2) << text(p);
  }

  Parts parts;
  Vertex* a = parts.vertex(0, 0, 0);
  Vertex* b = parts.vertex(3, 0, 0);
  Vertex* c = parts.vertex(0, 3, 0);
  parts.triangle(a, b, c);
  Mesh triangle(0, 0);
  triangle.setTopology(&parts.vertices, &parts.edges, &parts.faces);
  Subdivide(1, linear).apply(&triangle);
  ASSERT_EQ(triangle.getFaces().size(), 3u);
  EXPECT_EQ(triangle.getVertices().size(), 7u);
  EXPECT_EQ(triangle.getEdges().size(), 9u);
  VertexBase* facePoint = triangle.getVertices().back();
  EXPECT_TRUE(near(*facePoint->getPosition(), {1, 1, 0}));
  for (FaceBase* quad : triangle.getFaces()) {
    VertexList corners;
    quad->getVertices(corners);
    EXPECT_EQ(corners[2], facePoint);
  }
}

TEST_F(ModifierTest, TheWorkMeshIsMadeOnceAndTheResultAlwaysEndsInTheGivenMesh) {
  std::unique_ptr<Mesh> mesh = cube();
  Subdivide none(0, linear);
  const VertexBase* first = mesh->getVertices()[0];
  none.apply(mesh.get());
  EXPECT_EQ(none.scratchMesh(), nullptr);
  EXPECT_EQ(mesh->getVertices()[0], first);
  EXPECT_EQ(mesh->getVertices().size(), 8u);

  for (int levels : {1, 2, 3}) {
    std::unique_ptr<Mesh> target = cube();
    Subdivide subdivide(levels, linear);
    subdivide.apply(target.get());
    Mesh* work = subdivide.scratchMesh();
    ASSERT_NE(work, nullptr);
    EXPECT_NE(work, target.get());
    std::size_t faces = 6;
    for (int i = 0; i < levels; ++i) faces *= 4;
    EXPECT_EQ(target->getFaces().size(), faces) << levels;
    // A second apply reuses the work mesh and refines further.
    subdivide.apply(target.get());
    EXPECT_EQ(subdivide.scratchMesh(), work);
    for (int i = 0; i < levels; ++i) faces *= 4;
    EXPECT_EQ(target->getFaces().size(), faces) << levels;
  }
}

TEST_F(ModifierTest, TextureCoordinatesAreInterpolatedInBothModes) {
  for (int mode : {smooth, linear}) {
    Parts parts;
    Vertex* a = parts.vertex(0, 0, 0);
    Vertex* b = parts.vertex(1, 0, 0);
    Vertex* c = parts.vertex(0, 1, 0);
    a->setTexcoord0({0, 0});
    b->setTexcoord0({1, 0});
    c->setTexcoord0({0, 1});
    c->setTexcoord1({3, 3});
    parts.triangle(a, b, c);
    Mesh mesh(0, 0);
    mesh.setTopology(&parts.vertices, &parts.edges, &parts.faces);
    Subdivide(1, mode).apply(&mesh);
    const VertexList& v = mesh.getVertices();
    // Edge (a, b): copies of a and b, then the edge point.
    EXPECT_EQ(*v[2]->getTexcoord0(), Vector2(0.5f, 0.0f));
    EXPECT_EQ(*v[2]->getTexcoord1(), Vector2(0.0f, 0.0f));
    EXPECT_EQ(*v[4]->getTexcoord1(), Vector2(1.5f, 1.5f));  // edge (b, c)
    const Vector2 face = *v.back()->getTexcoord0();
    EXPECT_NEAR(face.x, 1.0f / 3.0f, 1e-6f);
    EXPECT_NEAR(face.y, 1.0f / 3.0f, 1e-6f);
    // The copies keep theirs.
    EXPECT_EQ(*v[3]->getTexcoord0(), Vector2(0.0f, 1.0f));
  }
}

TEST_F(ModifierTest, OpenSurfacesKeepTheirBorderAndSmoothTheirInside) {
  const auto height = [](int x, int y) {
    return x == 0 || y == 0 || x == 4 || y == 4 ? 0.0f : static_cast<float>((x * 3 + y) % 4);
  };
  std::unique_ptr<Mesh> mesh = grid(4, height);
  const std::vector<Vector3> before = positions(*mesh);
  const auto source = [&](int x, int y) { return before[static_cast<std::size_t>(y * 5 + x)]; };
  // What an inner point becomes on any closed surface: (F + 2R + (n − 3)P) / n.
  const auto closedRule = [&](int x, int y) {
    const Vector3 p = source(x, y);
    Vector3 f, r;
    for (int dx : {-1, 0}) {
      for (int dy : {-1, 0}) {
        f += (source(x + dx, y + dy) + source(x + dx + 1, y + dy) + source(x + dx, y + dy + 1) +
              source(x + dx + 1, y + dy + 1)) *
             0.25f;
      }
    }
    for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
      r += (p + source(x + dx, y + dy)) * 0.5f;
    }
    return (f * 0.25f + r * 0.25f * 2.0f + p * 1.0f) * 0.25f;
  };

  Subdivide(1, smooth).apply(mesh.get());
  EXPECT_TRUE(errorBoxes().empty());
  const std::vector<Vector3> after = positions(*mesh);
  // Points are found again by where they started (inner ones move by less than half a cell).
  const auto moved = [&](Vector3 from) {
    for (VertexBase* v : mesh->getVertices()) {
      const Vector3 p = *v->getPosition();
      if (std::fabs(p.x - from.x) < 0.3f && std::fabs(p.y - from.y) < 0.3f &&
          std::fabs(p.x - std::round(p.x)) < 0.3f && std::fabs(p.y - std::round(p.y)) < 0.3f) {
        return p;
      }
    }
    return Vector3(-100, -100, -100);
  };
  for (int y = 1; y < 4; ++y) {
    for (int x = 1; x < 4; ++x) {
      EXPECT_TRUE(near(moved(source(x, y)), closedRule(x, y), 1e-4f))
          << x << "," << y << " " << text(moved(source(x, y))) << " vs " << text(closedRule(x, y));
    }
  }
  int onBorder = 0;
  for (const Vector3& p : after) {
    const bool border = p.x <= 0 || p.y <= 0 || p.x >= 4 || p.y >= 4;
    if (!border) continue;
    ++onBorder;
    EXPECT_EQ(p.z, 0.0f) << text(p);
    EXPECT_TRUE(p.x >= 0 && p.y >= 0 && p.x <= 4 && p.y <= 4) << text(p);
  }
  // The 16 border edges keep their midpoints; 12 of the 16 border vertices lie between two
  // neighbours on a straight side and stay; the four corners are cut toward the inside.
  EXPECT_EQ(onBorder, 16 + 12);
  EXPECT_TRUE(near(moved({0, 0, 0}), {0.125f, 0.125f, 0.0f}));
}

TEST_F(ModifierTest, AnEdgeOfThreeFacesIsReportedAndItsThirdFaceIgnored) {
  Parts parts;
  Vertex* a = parts.vertex(0, 0, 0);
  Vertex* b = parts.vertex(0, 0, 1);
  Edge* spine = parts.edge(a, b);
  for (Vector3 tip : {Vector3(1, 0, 0), Vector3(0, 1, 0), Vector3(-1, 0, 0)}) {
    Vertex* t = parts.vertex(tip.x, tip.y, tip.z);
    Edge* bt = parts.edge(b, t);
    parts.faces.push_back(new TriFace(spine, bt, parts.edge(t, a)));
  }
  Mesh mesh(0, 0);
  mesh.setTopology(&parts.vertices, &parts.edges, &parts.faces);
  Subdivide(1, smooth).apply(&mesh);
  EXPECT_EQ(errorBoxes(), std::vector<int>({188}));
  EXPECT_EQ(mesh.getFaces().size(), 9u);
}

// Death tests run in a fresh process whose boxes are not recorded here, so the statement
// writes them to standard error for the pattern to find.
void boxesToStandardError() {
  platform::win32::setMessageBoxHandler([](LPCSTR message, LPCSTR, UINT) {
    std::fprintf(stderr, "box: %s\n", message);
    return IDOK;
  });
}

TEST_F(ModifierTest, BrokenSourcesEndWithTheirReports) {
  EXPECT_DEATH(
      {
        boxesToStandardError();
        Mesh empty(0, 0);
        Subdivide(1, linear).apply(&empty);
      },
      "(error\\(#166\\).*){3}MeshModifierSubdivide:[0-9]+: .*srcEdge->size\\(\\)");
  EXPECT_DEATH(
      {
        boxesToStandardError();
        // Three edges that never meet: the face has no corners to split at.
        Parts parts;
        Edge* e[3];
        for (int i = 0; i < 3; ++i) {
          const float x = static_cast<float>(3 * i);
          e[i] = parts.edge(parts.vertex(x, 0, 0), parts.vertex(x + 1, 0, 0));
        }
        parts.faces.push_back(new TriFace(e[0], e[1], e[2]));
        Mesh mesh(0, 0);
        mesh.setTopology(&parts.vertices, &parts.edges, &parts.faces);
        Subdivide(1, linear).apply(&mesh);
      },
      "error\\(#230\\).*MeshModifierSubdivide:[0-9]+: .*nE1");
}

// One vertex at (1, 2, 3) in a triangle of the plane x = 1, normals as given (fixed) or
// computed.
std::unique_ptr<Mesh> probe(const Vector3* fixedNormal) {
  Parts parts;
  Vertex* probed = parts.vertex(1, 2, 3);
  Vertex* up = parts.vertex(1, 3, 3);
  Vertex* deep = parts.vertex(1, 2, 4);
  parts.triangle(probed, up, deep);
  auto mesh = std::make_unique<Mesh>(0, 0);
  mesh->setTopology(&parts.vertices, &parts.edges, &parts.faces);
  if (fixedNormal) {
    mesh->setAutoNormals(false);
    for (VertexBase* v : mesh->editVertices()) v->setNormal(*fixedNormal);
  }
  return mesh;
}

Vector2 texcoordOf(Mesh& mesh, int set) { return *mesh.getVertices()[0]->getTexcoord(set); }

TEST_F(ModifierTest, TexgenProjectsDiagonallyOrBlendsByTheNormal) {
  std::unique_ptr<Mesh> diagonal = probe(nullptr);
  Texgen(0.2f, 0, 1).apply(diagonal.get());
  EXPECT_NEAR(texcoordOf(*diagonal, 1).x, 0.8f, 1e-6f);
  EXPECT_NEAR(texcoordOf(*diagonal, 1).y, 1.0f, 1e-6f);
  EXPECT_EQ(texcoordOf(*diagonal, 0), Vector2(0, 0));

  struct Case {
    Vector3 normal;
    Vector2 expected;
  };
  const Case cases[] = {
      {{0, 0, 1}, {1, 5}},
      {{1, 0, 0}, {3, 3}},
      {{0, -1, 0}, {1, 3}},
      {{0.6f, 0, 0.8f}, {(0.8f * 1 + 0.6f * 3) / 1.4f, (0.8f * 5 + 0.6f * 3) / 1.4f}},
      // No direction: the Z projection.
      {{0, 0, 0}, {1, 5}}};
  for (const Case& c : cases) {
    std::unique_ptr<Mesh> mesh = probe(&c.normal);
    Texgen(1.0f, 1, 0).apply(mesh.get());
    const Vector2 t = texcoordOf(*mesh, 0);
    EXPECT_NEAR(t.x, c.expected.x, 1e-5f) << text(c.normal);
    EXPECT_NEAR(t.y, c.expected.y, 1e-5f) << text(c.normal);
    EXPECT_TRUE(std::isfinite(t.x) && std::isfinite(t.y));
    // Fixed normals are used as stored, not recomputed.
    EXPECT_EQ(*mesh->getVertices()[0]->getNormal(), c.normal);
  }

  // Computed normals of the plane x = 1 give the X projection and stay valid afterwards.
  std::unique_ptr<Mesh> computed = probe(nullptr);
  Texgen(1.0f, 1, 1).apply(computed.get());
  EXPECT_NEAR(texcoordOf(*computed, 1).x, 3.0f, 1e-5f);
  EXPECT_NEAR(texcoordOf(*computed, 1).y, 3.0f, 1e-5f);
  EXPECT_NEAR(std::fabs(computed->getVertices()[0]->getNormal()->x), 1.0f, 1e-6f);
  EXPECT_TRUE(computed->data->topology->vertexNormalsValid);
}

TEST_F(ModifierTest, TexgenOfAnUnknownSetOnlyTakesTheMeshForEditing) {
  std::unique_ptr<Mesh> mesh = probe(nullptr);
  mesh->upload();
  ASSERT_EQ(mesh->data->syncState, MeshSync::Synced);
  Texgen(1.0f, 1, 2).apply(mesh.get());
  EXPECT_EQ(mesh->data->syncState, MeshSync::TopologyNewer);
  EXPECT_EQ(texcoordOf(*mesh, 0), Vector2(0, 0));
  EXPECT_EQ(texcoordOf(*mesh, 1), Vector2(0, 0));
  EXPECT_FALSE(mesh->data->topology->vertexNormalsValid);

  Mesh empty(0, 0);
  Texgen(1.0f, 1, 0).apply(&empty);  // nothing to write
  EXPECT_TRUE(errorBoxes().empty());
}

}  // namespace
}  // namespace mesh_test

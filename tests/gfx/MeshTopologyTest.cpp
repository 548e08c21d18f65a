#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gfx/mesh/VantorMesh.h"

namespace {

using namespace vantor;

// Caller-owned objects for assign, freed at the end of the test.
struct Parts {
  VertexList vertices;
  EdgeList edges;
  FaceList faces;

  ~Parts() {
    for (VertexBase* v : vertices) delete v;
    for (Edge* e : edges) delete e;
    for (FaceBase* f : faces) delete f;
  }
  Vertex* vertex(float x, float y, float z) {
    Vertex* v = new Vertex(x, y, z);
    vertices.push_back(v);
    return v;
  }
  Edge* edge(VertexBase* a, VertexBase* b) {
    edges.push_back(new Edge{a, b, nullptr, nullptr});
    return edges.back();
  }
  // A triangle over the corners i1, i2, i3, built from (i1,i2), (i2,i3), (i3,i1).
  void triangle(VertexBase* a, VertexBase* b, VertexBase* c) {
    Edge* ab = edge(a, b);
    Edge* bc = edge(b, c);
    faces.push_back(new TriFace(ab, bc, edge(c, a)));
  }
  void quad(VertexBase* a, VertexBase* b, VertexBase* c, VertexBase* d) {
    Edge* ab = edge(a, b);
    Edge* bc = edge(b, c);
    Edge* cd = edge(c, d);
    faces.push_back(new QuadFace(ab, bc, cd, edge(d, a)));
  }
};

VertexList cornersOf(const FaceBase& face) {
  VertexList corners;
  face.getVertices(corners);
  return corners;
}

VertexList listOf(MeshTopology& topology) {
  VertexList* vertices = nullptr;
  topology.getLists(&vertices, nullptr, nullptr, true);
  return *vertices;
}

TEST(MeshFace, CornersFollowTheEdgeOrder) {
  Parts parts;
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(0, 1, 0);
  Edge *ab = parts.edge(a, b), *bc = parts.edge(b, c), *ca = parts.edge(c, a);

  EXPECT_EQ(cornersOf(TriFace(ab, bc, ca)), (VertexList{b, c, a}));
  // The same edges in reverse order: the winding A, C, B.
  EXPECT_EQ(cornersOf(TriFace(ca, bc, ab)), (VertexList{c, b, a}));
  // Edges are undirected: swapping their ends changes nothing.
  Edge ba{b, a}, cb{c, b}, ac{a, c};
  EXPECT_EQ(cornersOf(TriFace(&ba, &cb, &ac)), (VertexList{b, c, a}));
}

TEST(MeshFace, QuadSplitsIntoTwoTrianglesAndFacesFindTheirSharedEdge) {
  Parts parts;
  Vertex *w0 = parts.vertex(0, 0, 0), *w1 = parts.vertex(1, 0, 0), *w2 = parts.vertex(1, 1, 0),
         *w3 = parts.vertex(0, 1, 0);
  // Edges (w3,w0), (w0,w1), (w1,w2), (w2,w3) give the corners w0 … w3.
  Edge *e30 = parts.edge(w3, w0), *e01 = parts.edge(w0, w1), *e12 = parts.edge(w1, w2),
       *e23 = parts.edge(w2, w3);
  QuadFace quad(e30, e01, e12, e23);
  VertexList triangles;
  quad.getTriangleVertices(triangles);
  EXPECT_EQ(triangles, (VertexList{w0, w1, w2, w2, w3, w0}));

  Vertex* apex = parts.vertex(2, 0, 0);
  TriFace beside(e12, parts.edge(w2, apex), parts.edge(apex, w1));
  EXPECT_EQ(quad.findSharedEdge(beside), e12);
  TriFace apart(parts.edge(apex, w0), parts.edge(w0, w3), parts.edge(w3, apex));
  EXPECT_EQ(beside.findSharedEdge(apart), nullptr);
}

TEST(MeshFaceDeathTest, EdgeSlotsOutsideTheFaceFailTheirAssertion) {
  TriFace face(nullptr, nullptr, nullptr);
  EXPECT_DEATH(face.setEdge(3, nullptr), "gfx\\\\VantorMesh:[0-9]+: Assertion");
  QuadFace quad(nullptr, nullptr, nullptr, nullptr);
  EXPECT_DEATH(quad.getEdge(-1), "gfx\\\\VantorMesh:[0-9]+: Assertion");
}

TEST(Vertex, AttributeBlockIsTheGpuRecordInOrder) {
  Vertex v(1, 2, 3);
  v.setNormal({4, 5, 6});
  v.setTexcoord0({7, 8});
  v.setTexcoord(1, {9, 10});
  *v.getTangent() = {11, 12, 13};
  *v.getBinormal() = {14, 15, 16};
  v.setTexcoord(2, {-1, -1});  // no such set: ignored
  EXPECT_EQ(v.getTexcoord(2), nullptr);
  EXPECT_EQ(v.getTexcoord(1), v.getTexcoord1());
  EXPECT_EQ(v.getExtra(), nullptr);

  EXPECT_EQ(v.getDataSize(), 64);
  float record[16];
  v.copyData(record);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(record[i], static_cast<float>(i + 1)) << i;

  std::unique_ptr<VertexBase> copy(v.clone());
  EXPECT_EQ(*copy->getBinormal(), Vector3(14, 15, 16));
  EXPECT_EQ(copy->getSize(), v.getSize());
  EXPECT_EQ(*Vertex().getPosition(), Vector3());
}

// The unit right triangle at (0,0,0), (1,0,0), (0,1,0) in corner order.
void assignRightTriangle(MeshTopology& topology, Parts& parts) {
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(0, 1, 0);
  parts.triangle(c, a, b);  // corners a, b, c
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);
}

TEST(MeshTopology, NormalsOfTheUnitRightTriangleAndTheirCache) {
  Parts parts;
  MeshTopology topology;
  assignRightTriangle(topology, parts);
  EXPECT_TRUE(topology.computeVertexNormals());
  FaceList* faces = nullptr;
  topology.getLists(nullptr, nullptr, &faces, true);
  EXPECT_EQ((*faces)[0]->normal, Vector3(0, 0, 1));  // twice the area 0.5
  for (VertexBase* v : listOf(topology)) EXPECT_EQ(*v->getNormal(), Vector3(0, 0, 1));

  // Valid normals are not recomputed; reading the lists keeps them valid.
  EXPECT_FALSE(topology.computeVertexNormals());
  VertexList* vertices = nullptr;
  topology.getLists(&vertices, nullptr, nullptr, true);
  EXPECT_FALSE(topology.computeVertexNormals());
  // Taking the vertices for editing invalidates vertex and face normals, not tangents.
  topology.computeTangents();
  topology.getLists(&vertices, nullptr, nullptr, false);
  EXPECT_FALSE(topology.vertexNormalsValid || topology.faceNormalsValid);
  EXPECT_TRUE(topology.tangentsValid);
  (*vertices)[2]->setPosition({0, 0, 1});  // fold the triangle into the xz plane
  EXPECT_TRUE(topology.computeVertexNormals());
  EXPECT_EQ(*(*vertices)[0]->getNormal(), Vector3(0, -1, 0));
}

TEST(MeshTopology, VertexNormalsWeighFacesByAreaAndQuadsReachFourCorners) {
  Parts parts;
  // A 2 × 2 quad in z = 0 facing +z and a smaller triangle facing +x share the corner at
  // the origin.
  Vertex *o = parts.vertex(0, 0, 0), *x = parts.vertex(2, 0, 0), *xy = parts.vertex(2, 2, 0),
         *y = parts.vertex(0, 2, 0), *z = parts.vertex(0, 0, 1);
  parts.quad(y, o, x, xy);  // corners o, x, xy, y: normal (0,0,4)
  parts.triangle(z, o, y);  // corners o, y, z: normal (2,0,0)
  MeshTopology topology;
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);
  ASSERT_TRUE(topology.computeVertexNormals());
  const VertexList v = listOf(topology);
  const Vector3 atOrigin = *v[0]->getNormal();
  EXPECT_NEAR(atOrigin.x, 2 / std::sqrt(20.0f), 1e-6f);
  EXPECT_NEAR(atOrigin.z, 4 / std::sqrt(20.0f), 1e-6f);
  EXPECT_EQ(*v[2]->getNormal(), Vector3(0, 0, 1));  // only the quad reaches (2,2,0)
  EXPECT_EQ(*v[4]->getNormal(), Vector3(1, 0, 0));  // only the triangle reaches z
}

TEST(MeshTopology, TangentsComeFromTextureSetOne) {
  Parts parts;
  MeshTopology topology;
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(2, 0, 0), *c = parts.vertex(0, 3, 0);
  a->setTexcoord1({0, 0});
  b->setTexcoord1({1, 0});
  c->setTexcoord1({0, 1});
  b->setTexcoord0({0, 5});  // set 0 must not matter
  parts.triangle(c, a, b);
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);
  topology.computeTangents();
  FaceList* faces = nullptr;
  topology.getLists(nullptr, nullptr, &faces, true);
  EXPECT_EQ((*faces)[0]->getTangent(), Vector3(2, 0, 0));  // not normalised
  EXPECT_EQ((*faces)[0]->getBinormal(), Vector3(0, 3, 0));
  for (VertexBase* v : listOf(topology)) {
    EXPECT_EQ(*v->getTangent(), Vector3(1, 0, 0));
    EXPECT_EQ(*v->getBinormal(), Vector3(0, 1, 0));
  }

  // Equal coordinates give no frame: zero, and still zero after normalising.
  Parts flat;
  MeshTopology flatTopology;
  assignRightTriangle(flatTopology, flat);
  flatTopology.computeTangents();
  for (VertexBase* v : listOf(flatTopology)) EXPECT_EQ(*v->getTangent(), Vector3());
}

TEST(MeshTopology, EmptyTopologyComputesNothingHarmfully) {
  MeshTopology topology;
  EXPECT_TRUE(topology.computeVertexNormals());
  topology.computeTangents();
  EXPECT_FALSE(topology.tangentsValid);
}

TEST(MeshTopology, AssignMakesDeepCopiesWiredToEachOther) {
  Parts parts;
  MeshTopology topology;
  topology.computeFaceNormals();
  topology.computeTangents();
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(0, 1, 0),
         *d = parts.vertex(1, 1, 0);
  parts.triangle(a, b, c);
  parts.triangle(b, d, c);
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);
  EXPECT_FALSE(topology.faceNormalsValid);

  VertexList* vertices;
  EdgeList* edges;
  FaceList* faces;
  topology.getLists(&vertices, &edges, &faces, true);
  ASSERT_EQ(vertices->size(), 4u);
  ASSERT_EQ(edges->size(), 6u);
  ASSERT_EQ(faces->size(), 2u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_NE((*vertices)[i], parts.vertices[i]);
    EXPECT_EQ(*(*vertices)[i]->getPosition(), *parts.vertices[i]->getPosition());
  }
  // Edge 3 is (b, d): its copy ends at the copies of b and d.
  EXPECT_EQ((*edges)[3]->a, (*vertices)[1]);
  EXPECT_EQ((*edges)[3]->b, (*vertices)[3]);
  EXPECT_EQ((*faces)[1]->getEdge(0), (*edges)[3]);
  EXPECT_EQ(cornersOf(*(*faces)[1]), (VertexList{(*vertices)[3], (*vertices)[2], (*vertices)[1]}));
}

TEST(MeshTopologyDeathTest, AssignRefusesInconsistentLists) {
  Parts parts;
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(0, 1, 0);
  parts.triangle(a, b, c);
  MeshTopology topology;
  EXPECT_DEATH(topology.assign(nullptr, &parts.edges, nullptr),
               "gfx\\\\VantorMesh:[0-9]+: Assertion `!\\(edges && !vertices\\)' failed");
  EXPECT_DEATH(topology.assign(&parts.vertices, nullptr, &parts.faces),
               "Assertion `!\\(faces && !edges \\)' failed");

  VertexList twoVertices{a, b};  // c is missing: edge (b, c) has a stray end
  EXPECT_DEATH(topology.assign(&twoVertices, &parts.edges, nullptr),
               "Assertion `\\(currEdge->a && currEdge->b\\) \\|\\| "
               "!\"Invalid vertex pointer\\(s\\) in edge struct!\"' failed");

  EdgeList twoEdges{parts.edges[0], parts.edges[1]};  // the face's third edge is missing
  EXPECT_DEATH(topology.assign(&parts.vertices, &twoEdges, &parts.faces),
               "Assertion `\\(currEdge != NULL && newEdge != NULL\\) \\|\\| "
               "!\"Invalid edge pointer\\(s\\) in face struct!\"' failed");
}

TEST(MeshTopology, CopyFromDuplicatesStructureAndKeepsFlags) {
  Parts parts;
  MeshTopology source;
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(1, 1, 0),
         *d = parts.vertex(0, 1, 0);
  parts.quad(a, b, c, d);
  parts.triangle(a, c, d);
  source.assign(&parts.vertices, &parts.edges, &parts.faces);

  MeshTopology copy;
  copy.vertexNormalsValid = true;
  copy.copyFrom(source);
  EXPECT_TRUE(copy.vertexNormalsValid);

  VertexList gpuSource, gpuCopy;
  IndexList indicesSource, indicesCopy;
  source.flattenForGpu(gpuSource, indicesSource);
  copy.flattenForGpu(gpuCopy, indicesCopy);
  EXPECT_EQ(indicesCopy, indicesSource);
  ASSERT_EQ(gpuCopy.size(), gpuSource.size());
  for (std::size_t i = 0; i < gpuCopy.size(); ++i) {
    EXPECT_NE(gpuCopy[i], gpuSource[i]);
    EXPECT_EQ(*gpuCopy[i]->getPosition(), *gpuSource[i]->getPosition());
  }

  copy.copyFrom(copy);  // onto itself: nothing is lost
  IndexList indicesAgain;
  copy.flattenForGpu(gpuCopy, indicesAgain);
  EXPECT_EQ(indicesAgain, indicesSource);
}

TEST(MeshTopology, GpuFormSharesVerticesAndNumbersCorners) {
  Parts parts;
  Vertex *w0 = parts.vertex(0, 0, 0), *w1 = parts.vertex(1, 0, 0), *w2 = parts.vertex(1, 1, 0),
         *w3 = parts.vertex(0, 1, 0), *apex = parts.vertex(2, 0, 0);
  parts.quad(w3, w0, w1, w2);    // corners w0 w1 w2 w3
  parts.triangle(w2, w1, apex);  // corners w1 apex w2
  MeshTopology topology;
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);

  struct Owner {
    VertexList vertices;
    IndexList indices;
    void setGpuData(const VertexList& v, const IndexList& i) {
      vertices = v;
      indices = i;
    }
  } owner;
  topology.buildBuffers(owner);
  EXPECT_EQ(owner.vertices, listOf(topology));
  EXPECT_EQ(owner.indices, (IndexList{0, 1, 2, 2, 3, 0, 1, 4, 2}));
}

TEST(MeshTopology, CornerOutsideTheVertexListShowsBox320AndUsesIndexZero) {
  Parts parts;
  Vertex *a = parts.vertex(0, 0, 0), *b = parts.vertex(1, 0, 0), *c = parts.vertex(0, 1, 0);
  parts.triangle(a, b, c);
  MeshTopology topology;
  topology.assign(&parts.vertices, &parts.edges, &parts.faces);
  // Break the invariant from outside: one corner now lies outside the topology.
  Vertex stray(5, 5, 5);
  EdgeList* edges;
  topology.getLists(nullptr, &edges, nullptr, false);
  (*edges)[1]->b = &stray;  // edge (b, c) → (b, stray); corner 1 becomes stray
  testing::internal::CaptureStderr();
  VertexList gpuVertices;
  IndexList indices;
  topology.flattenForGpu(gpuVertices, indices);
  const std::string shown = testing::internal::GetCapturedStderr();
  EXPECT_NE(shown.find("Unexpected fatal error(#320)."), std::string::npos);
  EXPECT_EQ(indices, (IndexList{1, 0, 0}));  // b, stray, a
}

}  // namespace

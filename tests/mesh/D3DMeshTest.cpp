// D3DMesh: buffer sizes, fills, the draw call, and the read-back with welding and quads.
#include <cmath>

#include "MeshFixture.h"
#include "gfx/mesh/D3DMesh.h"

namespace mesh_test {
namespace {

using D3DMeshTest = MeshTest;

// Reads the GPU form of `source` back into a fresh mesh.
struct ReadBack {
  ReadBack(Mesh& source, bool weld, bool makeQuads) : target(0, 0) {
    source.data->d3dMesh->rebuildTopology(target, weld, makeQuads);
  }
  Mesh target;
  const VertexList& vertices() { return target.getVertices(); }
  const EdgeList& edges() { return target.getEdges(); }
  const FaceList& faces() { return target.getFaces(); }
};

std::vector<Vector3> positionsOf(const VertexList& corners) {
  std::vector<Vector3> positions;
  for (VertexBase* v : corners) positions.push_back(*v->getPosition());
  return positions;
}

// Whether b is a, read from some other starting corner (same cyclic order).
bool sameCycle(const std::vector<Vector3>& a, const std::vector<Vector3>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t shift = 0; shift < a.size(); ++shift) {
    bool same = true;
    for (std::size_t i = 0; i < a.size() && same; ++i) same = a[i] == b[(i + shift) % b.size()];
    if (same) return true;
  }
  return false;
}

TEST_F(D3DMeshTest, BuffersStartAtTheMinimumsGrowToTheRequestAndNeverShrink) {
  D3DMesh bare(0, 0);
  bare.reserve(0, 3, 3, 64);
  EXPECT_EQ(bare.getVertexCapacity(), 3);
  EXPECT_EQ(bare.getIndexCapacity(), 3);
  D3DMesh presized(100, 50);
  presized.reserve(0, 3, 3, 64);
  EXPECT_EQ(presized.getVertexCapacity(), 100);
  EXPECT_EQ(presized.getIndexCapacity(), 150);

  Mesh mesh(0, 0);
  const std::vector<Vector3> many(100, Vector3(1, 2, 3));
  const IndexList manyIndices(99, 0);
  CallRecorder calls("device");
  const int ticksBefore = progressTicks;
  fillGpu(mesh, many, manyIndices);
  EXPECT_EQ(progressTicks - ticksBefore, 2);  // one before each creation
  fillGpu(mesh, std::vector<Vector3>(10), IndexList(9, 0));
  EXPECT_EQ(calls.count("CreateVertexBuffer"), 1);
  EXPECT_EQ(calls.count("CreateIndexBuffer"), 1);
  D3DMesh& gpu = *mesh.data->d3dMesh;
  EXPECT_EQ(gpu.getVertexCapacity(), 100);
  EXPECT_EQ(gpu.getVertexAmount(), 10);
  EXPECT_EQ(gpu.getIndexAmount(), 9);
  fillGpu(mesh, std::vector<Vector3>(101), IndexList(3, 0));
  EXPECT_EQ(progressTicks - ticksBefore, 4);  // and before the release of the old one
  EXPECT_EQ(calls.count("CreateVertexBuffer"), 2);
  EXPECT_EQ(gpu.getVertexCapacity(), 101);
  EXPECT_EQ(gpu.getIndexCapacity(), 99);
}

TEST_F(D3DMeshTest, DrawIsOneIndexedTriangleListInTheEngineFormat) {
  Mesh mesh(0, 0);
  fillGpu(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3});
  ASSERT_EQ(device()->BeginScene(), D3D_OK);
  CallRecorder calls("device");
  mesh.data->d3dMesh->draw();
  ASSERT_EQ(calls.calls.size(), 4u);
  EXPECT_EQ(calls.calls[0].rfind("SetStreamSource(0, ", 0), 0u) << calls.calls[0];
  EXPECT_NE(calls.calls[0].find(", 0, 64)"), std::string::npos) << calls.calls[0];
  EXPECT_EQ(calls.calls[1], "SetFVF(0x500412)");
  EXPECT_EQ(calls.calls[2].rfind("SetIndices(", 0), 0u);
  EXPECT_EQ(calls.calls[3], "DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2)");
  ASSERT_EQ(device()->EndScene(), D3D_OK);
}

TEST_F(D3DMeshTest, EmptyFillsDrawNothingAndReadBackAsAnEmptyTopology) {
  Mesh never(0, 0);
  ReadBack empty(never, true, true);
  EXPECT_TRUE(empty.vertices().empty());
  EXPECT_TRUE(empty.faces().empty());

  // Vertices with an empty index list: no index buffer is needed, none is locked.
  Mesh mesh(0, 0);
  CallRecorder calls("device");
  fillGpu(mesh, {{0, 0, 0}}, {});
  mesh.data->d3dMesh->draw();
  EXPECT_EQ(calls.count("CreateIndexBuffer"), 0);
  EXPECT_EQ(calls.count("DrawIndexedPrimitive"), 0);
}

TEST_F(D3DMeshTest, SetRawScalesPositionsOnly) {
  VertexAttributes records[3];
  for (int i = 0; i < 3; ++i) {
    const float f = static_cast<float>(i + 1);
    records[i] = {{f, -f, 0.5f}, {0, 0, 1}, {f, 0.25f}, {0.75f, f}, {1, 0, 0}, {0, 1, 0}};
  }
  const std::uint32_t indices[3] = {0, 1, 2};
  Mesh mesh(0, 0);
  mesh.data->d3dMesh->setRaw(records, indices, 3, 3, 2.0f);
  ReadBack back(mesh, false, false);
  ASSERT_EQ(back.vertices().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    VertexBase* v = back.vertices()[i];
    EXPECT_EQ(*v->getPosition(), records[i].position * 2.0f);
    EXPECT_EQ(*v->getNormal(), records[i].normal);
    EXPECT_EQ(*v->getTexcoord0(), records[i].texcoord0);
  }
}

TEST_F(D3DMeshTest, TrianglesOnOneGpuEdgeShareOneEdge) {
  Mesh mesh(0, 0);
  fillGpu(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3});
  ReadBack back(mesh, false, false);
  ASSERT_EQ(back.faces().size(), 2u);
  EXPECT_EQ(back.edges().size(), 5u);
  EXPECT_NE(back.faces()[0]->findSharedEdge(*back.faces()[1]), nullptr);
}

// Two triangles over the square (0,0)-(1,1) sharing the diagonal 1-2, the second one's far
// corner raised to (1, 1, farZ): the fold's normals have the dot 1 / sqrt(1 + 2 farZ²).
int facesAfterMerging(float farZ) {
  Mesh mesh(0, 0);
  fillGpu(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, farZ}}, {0, 1, 2, 2, 1, 3});
  return static_cast<int>(ReadBack(mesh, false, true).faces().size());
}

TEST_F(D3DMeshTest, OnlyTrianglesWhoseNormalsDotAbove09MergeIntoAQuad) {
  EXPECT_EQ(facesAfterMerging(0), 1);
  EXPECT_EQ(facesAfterMerging(1e6f), 2);  // folded by nearly 90°
  // The height at which the dot, computed as the merge computes it, is exactly 0.9f.
  const auto dotAt = [](float farZ) {
    Vertex v0(0, 0, 0), v1(1, 0, 0), v2(0, 1, 0), v3(1, 1, farZ);
    Edge e01{&v0, &v1}, e12{&v1, &v2}, e20{&v2, &v0}, e13{&v1, &v3}, e32{&v3, &v2};
    TriFace first(&e01, &e12, &e20), second(&e12, &e13, &e32);
    first.computeNormal();
    second.computeNormal();
    return first.normal.normalized().dot(second.normal.normalized());
  };
  float farZ = std::sqrt((1.0f / 0.81f - 1.0f) / 2.0f);
  for (int step = 0; step < 1000 && dotAt(farZ) != 0.9f; ++step) {
    farZ = std::nextafter(farZ, dotAt(farZ) > 0.9f ? 1.0f : 0.0f);
  }
  ASSERT_EQ(dotAt(farZ), 0.9f);
  EXPECT_EQ(facesAfterMerging(farZ), 2);
  EXPECT_EQ(facesAfterMerging(farZ * 0.99f), 1);
}

TEST_F(D3DMeshTest, AMergedQuadKeepsTheWindingWhicheverEdgeIsShared) {
  // The second triangle (same surface, same winding) names the shared edge 1-2 as its
  // first, second or third edge.
  const std::vector<Vector3> square = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};
  const std::vector<Vector3> expected = {square[0], square[1], square[3], square[2]};
  for (const IndexList& indices :
       {IndexList{0, 1, 2, 2, 1, 3}, IndexList{3, 2, 1, 0, 1, 2}, IndexList{0, 1, 2, 1, 3, 2}}) {
    std::unique_ptr<Mesh> mesh(new Mesh(0, 0));
    fillGpu(*mesh, square, indices);
    ReadBack back(*mesh, false, true);
    ASSERT_EQ(back.faces().size(), 1u);
    EXPECT_EQ(back.edges().size(), 4u);
    VertexList corners;
    back.faces()[0]->getVertices(corners);
    EXPECT_TRUE(sameCycle(positionsOf(corners), expected)) << indices[3] << indices[4];
  }
}

TEST_F(D3DMeshTest, WeldingJoinsVerticesCloserThanAThousandth) {
  // Two triangles on the square whose shared corners are duplicated at a small offset.
  const auto pairWithSeam = [](float offset) {
    Mesh* mesh = new Mesh(0, 0);
    fillGpu(*mesh,
            {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 1 + offset, 0}, {1 + offset, 0, 0}, {1, 1, 0}},
            {0, 1, 2, 3, 4, 5});
    return mesh;
  };
  std::unique_ptr<Mesh> close(pairWithSeam(0.0009f));
  ReadBack welded(*close, true, false);
  EXPECT_EQ(welded.vertices().size(), 4u);
  EXPECT_EQ(welded.edges().size(), 5u);
  // The first vertex at a position keeps its attributes.
  EXPECT_EQ(*welded.vertices()[2]->getPosition(), Vector3(0, 1, 0));

  std::unique_ptr<Mesh> apart(pairWithSeam(0.0011f));
  EXPECT_EQ(ReadBack(*apart, true, false).vertices().size(), 6u);
  std::unique_ptr<Mesh> seam(pairWithSeam(0));
  ReadBack unwelded(*seam, false, false);
  EXPECT_EQ(unwelded.vertices().size(), 6u);
  EXPECT_EQ(unwelded.faces()[0]->findSharedEdge(*unwelded.faces()[1]), nullptr);
}

TEST_F(D3DMeshTest, ACubeOf24VerticesReadsBackAs8VerticesAnd6Quads) {
  std::vector<Vector3> positions;
  IndexList indices;
  // Each side: four corners of its own, two triangles.
  for (int axis = 0; axis < 3; ++axis) {
    for (float side : {-1.0f, 1.0f}) {
      const std::uint32_t base = static_cast<std::uint32_t>(positions.size());
      for (int corner = 0; corner < 4; ++corner) {
        float p[3];
        p[axis] = side;
        p[(axis + 1) % 3] = (corner == 1 || corner == 2) ? 1.0f : -1.0f;
        p[(axis + 2) % 3] = (corner >= 2) ? 1.0f : -1.0f;
        positions.push_back({p[0], p[1], p[2]});
      }
      for (std::uint32_t i : {0u, 1u, 2u, 2u, 3u, 0u}) indices.push_back(base + i);
    }
  }
  Mesh mesh(0, 0);
  fillGpu(mesh, positions, indices);
  ReadBack back(mesh, true, true);
  EXPECT_EQ(back.vertices().size(), 8u);
  ASSERT_EQ(back.faces().size(), 6u);
  for (FaceBase* face : back.faces()) EXPECT_EQ(face->getEdgeCount(), 4);
  EXPECT_EQ(back.edges().size(), 12u);
}

TEST_F(D3DMeshTest, IndicesPastTheVerticesInUseFailAnAssertion) {
  // A fill without indices keeps the previous ones, which here name vertex 3 of 3.
  Mesh mesh(0, 0);
  fillGpu(mesh, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 2, 1, 3});
  VertexList three = gpuVertices({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  mesh.data->d3dMesh->setData(three, nullptr);
  deleteAll(three);
  EXPECT_DEATH(ReadBack(mesh, false, false), "gfx\\\\D3DMesh:[0-9]+: .*gpuIndex");
}

}  // namespace
}  // namespace mesh_test

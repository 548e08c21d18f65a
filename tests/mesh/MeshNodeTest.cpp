// The mesh node: its sync state for every operation from every state, the error boxes of
// misuse, normals, copies, transforms, the bounding box and loading from D3DX.
#include <d3dx9.h>

#include <functional>

#include "MeshFixture.h"
#include "gfx/mesh/D3DMesh.h"

namespace mesh_test {
namespace {

using MeshNodeTest = MeshTest;
using Sync = MeshSync;

const std::vector<Vector3> triangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

// A mesh in the given state, holding one triangle unless it is Empty.
std::unique_ptr<Mesh> meshIn(Sync state) {
  auto mesh = std::make_unique<Mesh>(0, 0);
  if (state == Sync::Empty) return mesh;
  if (state == Sync::TopologyNewer) {
    Parts parts;
    parts.triangle(parts.vertex(0, 0, 0), parts.vertex(1, 0, 0), parts.vertex(0, 1, 0));
    mesh->setTopology(&parts.vertices, &parts.edges, &parts.faces);
    return mesh;
  }
  fillGpu(*mesh, triangle, {0, 1, 2});
  if (state == Sync::Synced) mesh->getVertices();
  return mesh;
}

struct Row {
  const char* operation;
  std::function<void(Mesh&)> apply;
  Sync after[4];          // from Empty, TopologyNewer, GpuNewer, Synced
  int errorBoxFromEmpty;  // 0: none
};

TEST_F(MeshNodeTest, EveryOperationMovesTheSyncStateAsTabled) {
  const Matrix m = Matrix::translation(1, 2, 3);
  const std::vector<Row> rows = {
      {"getVertices",
       [](Mesh& x) { x.getVertices(); },
       {Sync::Empty, Sync::TopologyNewer, Sync::Synced, Sync::Synced},
       166},
      {"getEdges",
       [](Mesh& x) { x.getEdges(); },
       {Sync::Empty, Sync::TopologyNewer, Sync::Synced, Sync::Synced},
       166},
      {"getFaces",
       [](Mesh& x) { x.getFaces(); },
       {Sync::Empty, Sync::TopologyNewer, Sync::Synced, Sync::Synced},
       166},
      {"editVertices",
       [](Mesh& x) { x.editVertices(); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"edit",
       [](Mesh& x) { x.edit(nullptr, nullptr, nullptr); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"setTopology",
       [](Mesh& x) { x.setTopology(nullptr, nullptr, nullptr); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"setGpuData",
       [](Mesh& x) {
         fillGpu(x, triangle, {0, 1, 2});
       },
       {Sync::GpuNewer, Sync::GpuNewer, Sync::GpuNewer, Sync::GpuNewer},
       0},
      {"clear",
       [](Mesh& x) { x.clear(); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"upload",
       [](Mesh& x) { x.upload(); },
       {Sync::Empty, Sync::Synced, Sync::GpuNewer, Sync::Synced},
       0},
      {"draw",
       [&](Mesh& x) { x.draw(m); },
       {Sync::Empty, Sync::Synced, Sync::GpuNewer, Sync::Synced},
       141},
      // Normals always succeed on this fresh triangle, so each ends TopologyNewer.
      {"computeNormals",
       [](Mesh& x) { x.computeNormals(); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"computeTangents",
       [](Mesh& x) { x.computeTangents(); },
       {Sync::Empty, Sync::TopologyNewer, Sync::GpuNewer, Sync::Synced},
       202},
      {"transform",
       [&](Mesh& x) { x.transform(m); },
       {Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer, Sync::TopologyNewer},
       0},
      {"getBoundingBox",
       [](Mesh& x) { x.getBoundingBox(); },
       {Sync::Empty, Sync::TopologyNewer, Sync::Synced, Sync::Synced},
       0},
  };
  ASSERT_EQ(device()->BeginScene(), D3D_OK);  // draw needs a scene
  for (const Row& row : rows) {
    for (int from = 0; from < 4; ++from) {
      std::unique_ptr<Mesh> mesh = meshIn(static_cast<Sync>(from));
      SetUp();  // forget the boxes of the preparation
      row.apply(*mesh);
      EXPECT_EQ(mesh->data->syncState, row.after[from]) << row.operation << " from " << from;
      const std::vector<int> expected = from == 0 && row.errorBoxFromEmpty
                                            ? std::vector<int>{row.errorBoxFromEmpty}
                                            : std::vector<int>{};
      EXPECT_EQ(errorBoxes(), expected) << row.operation << " from " << from;
    }
  }
  ASSERT_EQ(device()->EndScene(), D3D_OK);
}

TEST_F(MeshNodeTest, MisusedEmptyMeshesShowTheirBoxesAndChangeNothing) {
  Mesh empty(0, 0);
  EXPECT_TRUE(empty.getVertices().empty());
  CallRecorder calls("device");
  empty.draw(Matrix());
  EXPECT_EQ(calls.count("DrawIndexedPrimitive"), 0);
  std::unique_ptr<Mesh> target = meshIn(Sync::TopologyNewer);
  target->copyFrom(empty);
  EXPECT_EQ(errorBoxes(), std::vector<int>({166, 141, 117}));
  EXPECT_EQ(target->getVertices().size(), 3u);
}

TEST_F(MeshNodeTest, NormalsAreRecomputedOnceSoEveryFrameUploadsOnlyOnce) {
  std::unique_ptr<Mesh> mesh = meshIn(Sync::Synced);
  mesh->computeNormals();
  EXPECT_EQ(mesh->data->syncState, Sync::TopologyNewer);
  EXPECT_EQ(*mesh->getVertices()[0]->getNormal(), Vector3(0, 0, 1));
  ASSERT_EQ(device()->BeginScene(), D3D_OK);
  CallRecorder calls("device");
  // The first frame uploads; later frames find the normals valid and the state Synced.
  for (int frame = 0; frame < 3; ++frame) {
    mesh->computeNormals();
    EXPECT_EQ(mesh->data->syncState, frame == 0 ? Sync::TopologyNewer : Sync::Synced);
    mesh->computeTangents();
    mesh->draw(Matrix());
  }
  ASSERT_EQ(device()->EndScene(), D3D_OK);
  EXPECT_EQ(calls.count("DrawIndexedPrimitive"), 3);

  mesh->setAutoNormals(false);
  mesh->editVertices()[0]->setNormal({1, 0, 0});
  mesh->computeNormals();
  EXPECT_EQ(*mesh->getVertices()[0]->getNormal(), Vector3(1, 0, 0));
}

TEST_F(MeshNodeTest, CopyingFromNewerBuffersRebuildsIntoTheCopyOnly) {
  std::unique_ptr<Mesh> source = meshIn(Sync::GpuNewer);
  Mesh copy(0, 0);
  copy.copyFrom(*source);
  EXPECT_EQ(source->data->syncState, Sync::GpuNewer);
  EXPECT_EQ(copy.data->syncState, Sync::TopologyNewer);
  ASSERT_EQ(copy.getFaces().size(), 1u);

  std::unique_ptr<Mesh> topologySource = meshIn(Sync::TopologyNewer);
  copy.copyFrom(*topologySource);
  EXPECT_NE(copy.getVertices()[0], topologySource->getVertices()[0]);  // a deep copy
}

TEST_F(MeshNodeTest, TransformMovesPositionsAndNormalsButKeepsTheCachedBox) {
  Mesh mesh(0, 0);
  VertexList vertices = gpuVertices({{1, 0, 0}});
  vertices[0]->setNormal({0, 1, 0});
  mesh.setGpuData(vertices, {});
  deleteAll(vertices);
  const BoundingBox before = *mesh.getBoundingBox();
  mesh.transform(Matrix::rotationZ(1.5707963f) * Matrix::translation(0, 0, 5));
  const Vector3 p = *mesh.getVertices()[0]->getPosition();
  const Vector3 n = *mesh.getVertices()[0]->getNormal();
  EXPECT_LT((p - Vector3(0, 1, 5)).lengthSq(), 1e-12f);
  EXPECT_LT((n - Vector3(-1, 0, 0)).lengthSq(), 1e-12f);  // turned, not moved
  EXPECT_EQ(mesh.getBoundingBox()->maxX, before.maxX);
}

TEST_F(MeshNodeTest, TheBoxStartsAtPlusMinus10000) {
  Mesh far(0, 0);
  fillGpu(far, {{20000, 0, 0}}, {});
  const BoundingBox box = *far.getBoundingBox();
  EXPECT_EQ(box.minX, 10000);
  EXPECT_EQ(box.maxX, 20000);
  EXPECT_EQ(box.minY, 0);
  EXPECT_EQ(box.maxY, 0);
  fillGpu(far, {{-2, 0, 0}}, {});  // new buffers invalidate the box
  EXPECT_EQ(far.getBoundingBox()->minX, -2);
}

TEST_F(MeshNodeTest, LoadingFromD3DXTakesEveryVertexAndFace) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontA(1, 0, 0, 0, 600, FALSE, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  SelectObject(dc, font);
  ID3DXMesh* text = nullptr;
  ASSERT_EQ(D3DXCreateTextA(device(), dc, "I", 0.01f, 0.2f, &text, nullptr, nullptr), D3D_OK);
  Mesh mesh(0, 0);
  mesh.loadFromD3DXMesh(text);
  EXPECT_EQ(mesh.data->syncState, Sync::GpuNewer);
  EXPECT_EQ(mesh.data->d3dMesh->getVertexAmount(), static_cast<int>(text->GetNumVertices()));
  EXPECT_EQ(mesh.data->d3dMesh->getIndexAmount(), static_cast<int>(text->GetNumFaces() * 3));
  // The extruded letter lies between z = 0 and the extrusion depth.
  const BoundingBox box = *mesh.getBoundingBox();
  EXPECT_NEAR(box.maxZ - box.minZ, 0.2f, 1e-5f);
  EXPECT_GT(box.maxY - box.minY, 0.5f);
  text->Release();
  DeleteDC(dc);
  DeleteObject(font);
}

}  // namespace
}  // namespace mesh_test

// A headless device in the graphics context (made once per process, as the engine keeps
// it), the numbered error boxes recorded instead of shown, the device calls recorded on
// request, and helpers that fill meshes.
#pragma once

#include <d3d9.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/CallRecorder.h"
#include "gfx/mesh/Mesh.h"

namespace mesh_test {

using namespace vantor;

// Progress points passed since the start of the process (loading is active all along).
extern int progressTicks;

using vantor_test::CallRecorder;

class MeshTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  IDirect3DDevice9* device();
  // The error boxes shown since SetUp, as their site numbers.
  std::vector<int> errorBoxes();
};

// Caller-owned topology objects, freed with the record.
struct Parts {
  VertexList vertices;
  EdgeList edges;
  FaceList faces;
  ~Parts();
  Vertex* vertex(float x, float y, float z);
  Edge* edge(VertexBase* a, VertexBase* b);
  void triangle(VertexBase* a, VertexBase* b, VertexBase* c);
  void quad(VertexBase* a, VertexBase* b, VertexBase* c, VertexBase* d);
};

// A GPU-form vertex list: one Vertex per position (caller deletes them).
VertexList gpuVertices(const std::vector<Vector3>& positions);
void deleteAll(VertexList& vertices);
// Fills the mesh's buffers with the positions and indices (state GpuNewer).
void fillGpu(Mesh& mesh, const std::vector<Vector3>& positions, const IndexList& indices);

}  // namespace mesh_test

#include "MeshFixture.h"

#include <cstdio>
#include <cstdlib>

#include "Hooks.h"
#include "demo/DemoHooks.h"
#include "gfx/resources/GraphicsContext.h"
#include <DeviceGl.h>

namespace mesh_test {
int progressTicks = 0;
}  // namespace mesh_test

namespace vantor {
void tickLoadingProgress() { ++mesh_test::progressTicks; }
}  // namespace vantor

namespace mesh_test {

namespace {
std::vector<std::string> boxTexts;
}  // namespace

void MeshTest::SetUpTestSuite() {
  // A forked child cannot use the parent's GL context: death tests start the program afresh.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  platform::win32::setMessageBoxHandler([](LPCSTR text, LPCSTR caption, UINT) {
    boxTexts.push_back(std::string(caption) + ": " + text);
    return IDOK;
  });
  GraphicsContext* context = GraphicsContext::instance();
  if (context->device()) return;
  static IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(direct3d, nullptr);
  D3DPRESENT_PARAMETERS parameters = platform::d3d9::windowedParameters(64, 48);
  ASSERT_EQ(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                   D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                   context->deviceSlot()),
            D3D_OK);
}

void MeshTest::SetUp() { boxTexts.clear(); }

IDirect3DDevice9* MeshTest::device() { return GraphicsContext::instance()->device(); }

std::vector<int> MeshTest::errorBoxes() {
  std::vector<int> sites;
  for (const std::string& text : boxTexts) {
    int site = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "Vantor error: Unexpected fatal error(#%d).", &site), 1)
        << text;
    sites.push_back(site);
  }
  return sites;
}

Parts::~Parts() {
  for (VertexBase* v : vertices) delete v;
  for (Edge* e : edges) delete e;
  for (FaceBase* f : faces) delete f;
}

Vertex* Parts::vertex(float x, float y, float z) {
  Vertex* v = new Vertex(x, y, z);
  vertices.push_back(v);
  return v;
}

Edge* Parts::edge(VertexBase* a, VertexBase* b) {
  edges.push_back(new Edge{a, b, nullptr, nullptr});
  return edges.back();
}

void Parts::triangle(VertexBase* a, VertexBase* b, VertexBase* c) {
  Edge* ab = edge(a, b);
  Edge* bc = edge(b, c);
  faces.push_back(new TriFace(ab, bc, edge(c, a)));
}

void Parts::quad(VertexBase* a, VertexBase* b, VertexBase* c, VertexBase* d) {
  Edge* ab = edge(a, b);
  Edge* bc = edge(b, c);
  Edge* cd = edge(c, d);
  faces.push_back(new QuadFace(ab, bc, cd, edge(d, a)));
}

VertexList gpuVertices(const std::vector<Vector3>& positions) {
  VertexList vertices;
  for (const Vector3& p : positions) vertices.push_back(new Vertex(p.x, p.y, p.z));
  return vertices;
}

void deleteAll(VertexList& vertices) {
  for (VertexBase* v : vertices) delete v;
  vertices.clear();
}

void fillGpu(Mesh& mesh, const std::vector<Vector3>& positions, const IndexList& indices) {
  VertexList vertices = gpuVertices(positions);
  mesh.setGpuData(vertices, indices);
  deleteAll(vertices);
}

}  // namespace mesh_test

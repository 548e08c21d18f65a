// GDI fonts and D3DXCreateTextA: glyphs from a heavy sans are closed, outward-facing solids
// with their holes, one em tall, extruded exactly; the mesh clones to the engine's format.
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <map>

#include "DeviceFixture.h"

namespace {

using testing_d3d9::DeviceTest;

constexpr float kExtrusion = 0.2f;
constexpr DWORD kEngineFvf =
    D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX4 | D3DFVF_TEXCOORDSIZE3(2) | D3DFVF_TEXCOORDSIZE3(3);

struct Vertex {
  float p[3];
  float n[3];
};

struct Triangle {
  Vertex a, b, c;
};

class TextMeshTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    // The invitation's font; where it is not installed the heavy free sans stands in.
    font = CreateFontA(1, 0, 0, 0, 600, FALSE, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial Black");
    ASSERT_NE(font, nullptr);
    ASSERT_NE(SelectObject(dc, font), nullptr);
  }
  void TearDown() override {
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(font));
    DeviceTest::TearDown();
  }

  // The glyph's triangles, read through the mesh's buffers.
  std::vector<Triangle> triangles(const char* text) {
    ID3DXMesh* mesh = nullptr;
    EXPECT_EQ(D3DXCreateTextA(device, dc, text, 0.001f, kExtrusion, &mesh, nullptr, nullptr),
              D3D_OK);
    std::vector<Triangle> result;
    if (!mesh) return result;
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL);
    void* vertices = nullptr;
    void* indices = nullptr;
    EXPECT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
    EXPECT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices), D3D_OK);
    const auto* v = static_cast<const Vertex*>(vertices);
    const auto* i = static_cast<const std::uint16_t*>(indices);
    for (DWORD f = 0; f < mesh->GetNumFaces(); ++f) {
      for (int k = 0; k < 3; ++k) EXPECT_LT(i[3 * f + k], mesh->GetNumVertices());
      result.push_back({v[i[3 * f]], v[i[3 * f + 1]], v[i[3 * f + 2]]});
    }
    mesh->UnlockVertexBuffer();
    mesh->UnlockIndexBuffer();
    EXPECT_EQ(mesh->Release(), 0u);
    return result;
  }

  HDC dc = nullptr;
  HFONT font = nullptr;
};

using Position = std::array<float, 3>;
Position at(const Vertex& v) { return {v.p[0], v.p[1], v.p[2]}; }

std::array<double, 3> faceNormal(const Triangle& t) {
  const double u[3] = {t.b.p[0] - t.a.p[0], t.b.p[1] - t.a.p[1], t.b.p[2] - t.a.p[2]};
  const double w[3] = {t.c.p[0] - t.a.p[0], t.c.p[1] - t.a.p[1], t.c.p[2] - t.a.p[2]};
  return {u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2], u[0] * w[1] - u[1] * w[0]};
}

bool isFrontCap(const Triangle& t) {
  return t.a.p[2] == 0 && t.b.p[2] == 0 && t.c.p[2] == 0 && t.a.n[2] == 1;
}

bool covers(const Triangle& t, double x, double y) {
  auto side = [&](const Vertex& p, const Vertex& q) {
    return (q.p[0] - p.p[0]) * (y - p.p[1]) - (q.p[1] - p.p[1]) * (x - p.p[0]);
  };
  const double d1 = side(t.a, t.b), d2 = side(t.b, t.c), d3 = side(t.c, t.a);
  return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

// Inside the glyph's filled area in the x-y plane: covered by a front-cap triangle.
bool insideGlyph(const std::vector<Triangle>& mesh, double x, double y) {
  for (const Triangle& t : mesh) {
    if (isFrontCap(t) && covers(t, x, y)) return true;
  }
  return false;
}

// With equal positions welded, every directed edge occurs once and its reverse once: the
// surface is closed and consistently wound.
void expectClosedSolid(const std::vector<Triangle>& mesh) {
  std::map<std::pair<Position, Position>, int> edges;
  for (const Triangle& t : mesh) {
    ++edges[{at(t.a), at(t.b)}];
    ++edges[{at(t.b), at(t.c)}];
    ++edges[{at(t.c), at(t.a)}];
  }
  int open = 0;
  for (const auto& [edge, count] : edges) {
    const auto reverse = edges.find({edge.second, edge.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1) ++open;
  }
  EXPECT_EQ(open, 0) << "of " << edges.size() << " directed edges";
}

// Front-cap triangles against cap vertices: a triangulated polygon with h holes over v
// boundary points has v + 2h − 2 triangles.
int holesOf(const std::vector<Triangle>& mesh) {
  std::map<Position, int> vertices;
  int triangles = 0;
  for (const Triangle& t : mesh) {
    if (!isFrontCap(t)) continue;
    ++triangles;
    vertices[at(t.a)], vertices[at(t.b)], vertices[at(t.c)];
  }
  return (triangles - static_cast<int>(vertices.size()) + 2) / 2;
}

TEST_F(TextMeshTest, HeavySansOIsAClosedOutwardFacingSolidWithAHole) {
  const std::vector<Triangle> mesh = triangles("O");
  ASSERT_FALSE(mesh.empty());
  expectClosedSolid(mesh);
  EXPECT_EQ(holesOf(mesh), 1);

  float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
  for (const Triangle& t : mesh) {
    for (const Vertex* v : {&t.a, &t.b, &t.c}) {
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], v->p[k]);
        hi[k] = std::max(hi[k], v->p[k]);
      }
    }
  }
  EXPECT_GE(hi[0] - lo[0], 0.5f);
  EXPECT_LE(hi[0] - lo[0], 0.95f);
  EXPECT_GE(hi[1] - lo[1], 0.5f);
  EXPECT_LE(hi[1] - lo[1], 0.95f);
  EXPECT_EQ(lo[2], -kExtrusion);
  EXPECT_EQ(hi[2], 0.0f);

  const double cx = (lo[0] + hi[0]) / 2, cy = (lo[1] + hi[1]) / 2;
  EXPECT_FALSE(insideGlyph(mesh, cx, cy)) << "no cap triangle covers the centre of the hole";

  // Every vertex normal points out of the solid: a small step along it leaves the glyph, a
  // step against it enters (0.01 em is far below the stroke width of a heavy face), and every
  // triangle's winding agrees with its vertices' normals.
  int inward = 0;
  for (const Triangle& t : mesh) {
    const auto n = faceNormal(t);
    for (const Vertex* v : {&t.a, &t.b, &t.c}) {
      const double area = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (area > 1e-9 && n[0] * v->n[0] + n[1] * v->n[1] + n[2] * v->n[2] <= 0) ++inward;
      if (v->n[2] != 0) {
        if ((v->n[2] > 0) != (v->p[2] == 0)) ++inward;
        continue;
      }
      const double step = 0.01;
      if (insideGlyph(mesh, v->p[0] + step * v->n[0], v->p[1] + step * v->n[1]) ||
          !insideGlyph(mesh, v->p[0] - step * v->n[0], v->p[1] - step * v->n[1])) {
        ++inward;
      }
    }
  }
  EXPECT_EQ(inward, 0);
}

TEST_F(TextMeshTest, GlyphsKeepTheirHoles) {
  const std::pair<const char*, int> expected[] = {{"A", 1}, {"B", 2}, {"8", 2}, {"T", 0}};
  for (const auto& [text, holes] : expected) {
    SCOPED_TRACE(text);
    const std::vector<Triangle> mesh = triangles(text);
    expectClosedSolid(mesh);
    EXPECT_EQ(holesOf(mesh), holes);
  }
}

TEST_F(TextMeshTest, EveryGlyphOfTheInvitationIsAClosedSolid) {
  const std::string glyphs = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.1234567890,&!";
  for (char c : glyphs) {
    SCOPED_TRACE(std::string(1, c));
    expectClosedSolid(triangles(std::string(1, c).c_str()));
  }
}

TEST_F(TextMeshTest, ABlankHasNoOutlineAndGivesNoMesh) {
  ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
  GLYPHMETRICSFLOAT metrics{};
  EXPECT_EQ(D3DXCreateTextA(device, dc, " ", 0.001f, kExtrusion, &mesh, nullptr, &metrics),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(mesh, nullptr);
  EXPECT_EQ(D3DXCreateTextA(device, nullptr, "O", 0.001f, kExtrusion, &mesh, nullptr, nullptr),
            D3DERR_INVALIDCALL);
}

TEST_F(TextMeshTest, ClonesToTheEngineVertexFormatWith32BitIndices) {
  ID3DXMesh* text = nullptr;
  GLYPHMETRICSFLOAT metrics[2]{};
  ID3DXBuffer* adjacency = nullptr;
  ASSERT_EQ(D3DXCreateTextA(device, dc, "Hi", 0, kExtrusion, &text, &adjacency, metrics), D3D_OK);
  ASSERT_NE(adjacency, nullptr);
  EXPECT_EQ(adjacency->GetBufferSize(), text->GetNumFaces() * 3 * sizeof(DWORD));
  adjacency->Release();
  EXPECT_GT(metrics[0].gmfCellIncX, 0.5f);
  EXPECT_GT(metrics[1].gmfptGlyphOrigin.x, 0.0f);

  ID3DXMesh* clone = nullptr;
  ASSERT_EQ(text->CloneMeshFVF(D3DXMESH_32BIT, kEngineFvf, device, &clone), D3D_OK);
  ASSERT_EQ(kEngineFvf, 5243922u);
  EXPECT_EQ(clone->GetNumVertices(), text->GetNumVertices());
  EXPECT_EQ(clone->GetNumFaces(), text->GetNumFaces());
  IDirect3DVertexBuffer9* vertices = nullptr;
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(clone->GetVertexBuffer(&vertices), D3D_OK);
  ASSERT_EQ(clone->GetIndexBuffer(&indices), D3D_OK);
  D3DVERTEXBUFFER_DESC vertexDesc{};
  D3DINDEXBUFFER_DESC indexDesc{};
  vertices->GetDesc(&vertexDesc);
  indices->GetDesc(&indexDesc);
  EXPECT_EQ(vertexDesc.Size, clone->GetNumVertices() * 64);
  EXPECT_EQ(indexDesc.Format, D3DFMT_INDEX32);
  EXPECT_EQ(indexDesc.Size, clone->GetNumFaces() * 12);

  void* from = nullptr;
  void* to = nullptr;
  void* fromIndices = nullptr;
  void* toIndices = nullptr;
  ASSERT_EQ(text->LockVertexBuffer(D3DLOCK_READONLY, &from), D3D_OK);
  ASSERT_EQ(vertices->Lock(0, 0, &to, D3DLOCK_READONLY), D3D_OK);
  ASSERT_EQ(text->LockIndexBuffer(D3DLOCK_READONLY, &fromIndices), D3D_OK);
  ASSERT_EQ(indices->Lock(0, 0, &toIndices, D3DLOCK_READONLY), D3D_OK);
  int mismatches = 0;
  for (DWORD v = 0; v < clone->GetNumVertices(); ++v) {
    const float* a = static_cast<const float*>(from) + 6 * v;
    const float* b = static_cast<const float*>(to) + 16 * v;
    for (int k = 0; k < 6; ++k) mismatches += a[k] != b[k];
    for (int k = 6; k < 16; ++k) mismatches += b[k] != 0;  // texture sets, tangent, binormal
  }
  for (DWORD i = 0; i < clone->GetNumFaces() * 3; ++i) {
    mismatches += static_cast<const std::uint16_t*>(fromIndices)[i] !=
                  static_cast<const std::uint32_t*>(toIndices)[i];
  }
  EXPECT_EQ(mismatches, 0);
  indices->Unlock();
  vertices->Unlock();
  text->UnlockIndexBuffer();
  text->UnlockVertexBuffer();
  indices->Release();
  vertices->Release();
  EXPECT_EQ(clone->Release(), 0u);
  EXPECT_EQ(text->Release(), 0u);
}

// The black box of "l" tells faces apart: a bolder stem is wider, a slanted one wider still,
// and serifs widen it more than either.
TEST_F(DeviceTest, FontFaceWeightAndSlantAreHonoured) {
  auto width = [&](const char* face, int weight, bool italic) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontA(1, 0, 0, 0, weight, italic, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
    SelectObject(dc, font);
    ID3DXMesh* mesh = nullptr;
    GLYPHMETRICSFLOAT metrics{};
    EXPECT_EQ(D3DXCreateTextA(device, dc, "l", 0.001f, 0.1f, &mesh, nullptr, &metrics), D3D_OK);
    if (mesh) mesh->Release();
    DeleteDC(dc);
    DeleteObject(font);
    return metrics.gmfBlackBoxX;
  };
  const float regular = width("DejaVu Sans", FW_NORMAL, false);
  EXPECT_GT(regular, 0.05f);
  EXPECT_GT(width("DejaVu Sans", FW_BOLD, false), regular * 1.2f);
  EXPECT_GT(width("DejaVu Sans", FW_NORMAL, true), regular * 1.5f);
  EXPECT_GT(width("DejaVu Serif", FW_NORMAL, false), regular * 1.5f);
}

TEST(Gdi, HandlesAreCheckedAndSelectedFontsStay) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font =
      CreateFontA(-12, 0, 0, 0, FW_BOLD, TRUE, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
  HGDIOBJ stock = SelectObject(dc, font);
  EXPECT_NE(stock, nullptr);
  EXPECT_FALSE(DeleteObject(font)) << "still selected";
  EXPECT_EQ(SelectObject(dc, stock), font);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(&stock), font), nullptr);
  EXPECT_EQ(SelectObject(dc, &stock), nullptr);
  EXPECT_FALSE(DeleteObject(stock)) << "stock objects are not deleted";
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_FALSE(DeleteObject(font));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

}  // namespace

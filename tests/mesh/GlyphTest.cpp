// Glyph meshes from the system font: building once, looking glyphs up, and the invitation's
// chain (enlarge, texture twice, refine twice linearly, upload) leaving every glyph a closed,
// outward-facing solid of the same shape, seven times as large.
#include <d3dx9.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <tuple>

#include "DeviceGl.h"
#include "MeshFixture.h"
#include "gfx/mesh/MeshModifierSubdivide.h"
#include "gfx/mesh/MeshModifierTexgen.h"
#include "gfx/text/FontImporter.h"

namespace mesh_test {
namespace {

constexpr const char* invitationSet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz.1234567890,&!";

BoundingBox boxOf(Mesh& mesh) {
  BoundingBox box{1e9f, 1e9f, 1e9f, -1e9f, -1e9f, -1e9f};
  for (VertexBase* v : mesh.getVertices()) {
    const Vector3 p = *v->getPosition();
    box.minX = std::min(box.minX, p.x);
    box.minY = std::min(box.minY, p.y);
    box.minZ = std::min(box.minZ, p.z);
    box.maxX = std::max(box.maxX, p.x);
    box.maxY = std::max(box.maxY, p.y);
    box.maxZ = std::max(box.maxZ, p.z);
  }
  return box;
}

// The invitation's treatment of a glyph.
void refine(Mesh& glyph) {
  Matrix scale;
  scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 7.0f;
  glyph.transform(scale);
  meshmodify::Texgen(0.2f, 1, 0).apply(&glyph);
  meshmodify::Texgen(0.2f, 1, 1).apply(&glyph);
  meshmodify::Subdivide(2, 1).apply(&glyph);
  glyph.upload();
}

// What makes a mesh a closed solid once coincident vertices are joined: every edge between
// two faces, used once in each direction (consistent winding), and the faces' normals
// enclosing a positive volume (facing out, as Direct3D's clockwise front faces do).
struct SolidCheck {
  int openOrTornEdges = 0;
  int badlyWoundEdges = 0;
  int degenerateEdges = 0;
  double volume = 0;
  int inwardVertexNormals = 0;
};

SolidCheck checkSolid(Mesh& mesh) {
  std::map<std::tuple<float, float, float>, int> weld;
  std::map<const VertexBase*, int> id;
  for (VertexBase* v : mesh.getVertices()) {
    const Vector3 p = *v->getPosition();
    id[v] =
        weld.emplace(std::make_tuple(p.x, p.y, p.z), static_cast<int>(weld.size())).first->second;
  }
  std::map<std::pair<int, int>, int> directed;
  SolidCheck check;
  mesh.computeNormals();
  for (FaceBase* face : mesh.getFaces()) {
    VertexList corners;
    face->getVertices(corners);
    const std::size_t n = corners.size();
    for (std::size_t k = 0; k < n; ++k) {
      const int from = id[corners[k]];
      const int to = id[corners[(k + 1) % n]];
      if (from == to) {
        ++check.degenerateEdges;
        continue;
      }
      ++directed[{from, to}];
    }
    // Volume by the divergence theorem over the face's triangles (fan from corner 0).
    const Vector3 p0 = *corners[0]->getPosition();
    Vector3 faceNormal;
    for (std::size_t k = 1; k + 1 < n; ++k) {
      const Vector3 p1 = *corners[k]->getPosition();
      const Vector3 p2 = *corners[k + 1]->getPosition();
      const Vector3 e1 = p1 - p0, e2 = p2 - p0;
      const Vector3 c{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                      e1.x * e2.y - e1.y * e2.x};
      faceNormal += c;
      check.volume += static_cast<double>(p0.dot(c)) / 6.0;
    }
    // Smooth vertex normals agree with the faces they were made from.
    if (faceNormal.lengthSq() > 1e-10f) {
      for (VertexBase* corner : corners) {
        check.inwardVertexNormals += corner->getNormal()->dot(faceNormal) < 0;
      }
    }
  }
  for (const auto& [edge, count] : directed) {
    const auto reverse = directed.find({edge.second, edge.first});
    if (reverse == directed.end()) {
      ++check.openOrTornEdges;
    } else if (count != 1 || reverse->second != 1) {
      ++check.badlyWoundEdges;
    }
  }
  return check;
}

// One importer for the suite, as the invitation holds one for its whole run.
class GlyphTest : public MeshTest {
 protected:
  static void SetUpTestSuite() {
    MeshTest::SetUpTestSuite();
    shared = new FontImporter(1, 600, 0.2f, false, "Arial Black");
    shared->importGlyphs(invitationSet);
  }
  static void TearDownTestSuite() {
    delete shared;
    shared = nullptr;
  }
  static FontImporter& invitationFont() { return *shared; }
  static FontImporter* shared;
};

FontImporter* GlyphTest::shared = nullptr;

TEST_F(GlyphTest, TheInvitationSetGivesOneMeshPerCharacterInItsOrder) {
  FontImporter& font = invitationFont();
  EXPECT_EQ(font.glyphCount(), 66);
  EXPECT_EQ(font.glyph(0), font.findGlyph('A'));
  EXPECT_EQ(font.glyph(65), font.findGlyph('!'));
  EXPECT_NE(font.glyph(0), font.glyph(1));
  EXPECT_THROW(font.glyph(66), std::out_of_range);
  EXPECT_EQ(font.findGlyph(' '), nullptr);
  EXPECT_EQ(font.findGlyph('#'), nullptr);
  EXPECT_EQ(font.findGlyph('\0'), nullptr);

  // A second import changes nothing, whatever set it names.
  Mesh* a = font.glyph(0);
  font.importGlyphs("XYZ#");
  EXPECT_EQ(font.glyphCount(), 66);
  EXPECT_EQ(font.glyph(0), a);
  EXPECT_EQ(font.findGlyph('#'), nullptr);

  // An "A" of a black face is a solid about one em high (0.2 deep) and wider than its stem.
  const BoundingBox box = boxOf(*a);
  EXPECT_NEAR(box.maxZ - box.minZ, 0.2f, 1e-5f);
  EXPECT_GT(box.maxY - box.minY, 0.6f);
  EXPECT_LT(box.maxY - box.minY, 1.0f);
}

TEST_F(GlyphTest, ASetThatRepeatsACharacterStillFindsEveryCharacter) {
  FontImporter font(1, 600, 0.2f, false, "Arial Black");
  font.importGlyphs("AAB.");
  EXPECT_EQ(font.glyphCount(), 3);
  EXPECT_EQ(font.glyph(0), font.glyph(1));  // the later mesh of "A" is kept
  ASSERT_NE(font.findGlyph('B'), nullptr);
  ASSERT_NE(font.findGlyph('.'), nullptr);
  EXPECT_EQ(font.findGlyph('.'), font.glyph(3));
  EXPECT_THROW(font.glyph(4), std::out_of_range);
}

TEST_F(GlyphTest, ACharacterNoFaceCanOutlineEndsWithItsName) {
  EXPECT_DEATH(
      {
        FontImporter font(1, 600, 0.2f, false, "Arial Black");
        font.importGlyphs("A\x01");
      },
      "character .*0x01.*FontImporter:[0-9]+: .*Assertion");
}

TEST_F(GlyphTest, AnImporterHeldUntilExitReleasesItsFontCleanly) {
  EXPECT_EXIT(
      {
        static FontImporter font(1, 600, 0.2f, false, "Arial Black");
        font.importGlyphs("A");
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(GlyphTest, TheRefinedGlyphsAreClosedOutwardSolidsSevenTimesAsLarge) {
  FontImporter& font = invitationFont();
  for (int i = 0; i < font.glyphCount(); ++i) {
    const char name = invitationSet[i];
    Mesh glyph(0, 0);
    glyph.copyFrom(*font.glyph(static_cast<unsigned>(i)));
    const BoundingBox before = boxOf(glyph);
    // The extruder's own solid first: a fault there is not the refinement's.
    const SolidCheck plain = checkSolid(glyph);
    EXPECT_EQ(plain.openOrTornEdges + plain.badlyWoundEdges + plain.degenerateEdges, 0) << name;
    refine(glyph);
    const BoundingBox after = boxOf(glyph);
    const float tolerance = 1e-4f;
    EXPECT_NEAR(after.minX, 7 * before.minX, tolerance) << name;
    EXPECT_NEAR(after.minY, 7 * before.minY, tolerance) << name;
    EXPECT_NEAR(after.minZ, 7 * before.minZ, tolerance) << name;
    EXPECT_NEAR(after.maxX, 7 * before.maxX, tolerance) << name;
    EXPECT_NEAR(after.maxY, 7 * before.maxY, tolerance) << name;
    EXPECT_NEAR(after.maxZ, 7 * before.maxZ, tolerance) << name;
    EXPECT_EQ(glyph.data->syncState, MeshSync::Synced) << name;

    const SolidCheck solid = checkSolid(glyph);
    EXPECT_EQ(solid.openOrTornEdges, 0) << name;
    EXPECT_EQ(solid.badlyWoundEdges, 0) << name;
    EXPECT_EQ(solid.degenerateEdges, 0) << name;
    EXPECT_GT(solid.volume, 0.0) << name;
    EXPECT_EQ(solid.inwardVertexNormals, 0) << name;
    // The drawing's own check, made on the buffers, agrees: its back faces may be skipped.
    EXPECT_EQ(glyph.outwardWinding(), vantor::OutwardWinding::Clockwise) << name;
  }
}

// The covered pixels of the mesh drawn in one flat colour from straight in front.
std::vector<bool> silhouette(IDirect3DDevice9* device, Mesh& mesh, const BoundingBox& box,
                             int size) {
  std::ifstream file(TEST_EFFECT_DIR "/Flat.fxo", std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                std::istreambuf_iterator<char>());
  ID3DXEffect* effect = nullptr;
  EXPECT_EQ(D3DXCreateEffect(device, bytes.data(), static_cast<UINT>(bytes.size()), nullptr,
                             nullptr, 0, nullptr, &effect, nullptr),
            D3D_OK);
  IDirect3DTexture9* texture = nullptr;
  IDirect3DSurface9* target = nullptr;
  IDirect3DSurface9* depth = nullptr;
  IDirect3DSurface9* oldTarget = nullptr;
  IDirect3DSurface9* oldDepth = nullptr;
  EXPECT_EQ(device->CreateTexture(size, size, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                  D3DPOOL_DEFAULT, &texture, nullptr),
            D3D_OK);
  texture->GetSurfaceLevel(0, &target);
  EXPECT_EQ(device->CreateDepthStencilSurface(size, size, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0,
                                              TRUE, &depth, nullptr),
            D3D_OK);
  device->GetRenderTarget(0, &oldTarget);
  device->GetDepthStencilSurface(&oldDepth);
  device->SetRenderTarget(0, target);
  device->SetDepthStencilSurface(depth);

  const Vector3 centre{(box.minX + box.maxX) / 2, (box.minY + box.maxY) / 2, 0};
  const Matrix viewProjection = Matrix::lookAtLH({centre.x, centre.y, -30}, centre, {0, 1, 0}) *
                                Matrix::perspectiveFovLH(0.25f, 1.0f, 1.0f, 100.0f);
  D3DXMATRIX matrix;
  static_cast<D3DMATRIX&>(matrix) = viewProjection.toD3D();
  const D3DXVECTOR4 white = {1, 1, 1, 1};
  effect->SetTechnique("Flat");
  effect->SetMatrix("worldViewProjection", &matrix);
  effect->SetVector("color", &white);
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1, 0);
  device->BeginScene();
  UINT passes = 0;
  effect->Begin(&passes, 0);
  effect->BeginPass(0);
  mesh.draw(Matrix());
  effect->EndPass();
  effect->End();
  device->EndScene();
  effect->Release();

  std::vector<std::uint32_t> argb;
  UINT width = 0, height = 0;
  EXPECT_EQ(platform::d3d9::readSurface(target, argb, width, height), D3D_OK);
  device->SetRenderTarget(0, oldTarget);
  device->SetDepthStencilSurface(oldDepth);
  oldTarget->Release();
  oldDepth->Release();
  depth->Release();
  target->Release();
  texture->Release();
  std::vector<bool> covered;
  for (std::uint32_t pixel : argb) covered.push_back(pixel == 0xFFFFFFFFu);
  return covered;
}

// Pixels of a that have no pixel of b within one pixel (the 3 × 3 neighbourhood).
int strays(const std::vector<bool>& a, const std::vector<bool>& b, int size) {
  int count = 0;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (!a[static_cast<std::size_t>(y * size + x)]) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int nx = x + dx, ny = y + dy;
          near = nx >= 0 && ny >= 0 && nx < size && ny < size &&
                 b[static_cast<std::size_t>(ny * size + nx)];
        }
      }
      count += !near;
    }
  }
  return count;
}

TEST_F(GlyphTest, LinearRefinementKeepsTheOutlineOfAGlyph) {
  FontImporter& font = invitationFont();
  Mesh plain(0, 0);
  Mesh refined(0, 0);
  plain.copyFrom(*font.findGlyph('B'));
  refined.copyFrom(*font.findGlyph('B'));
  Matrix scale;
  scale.m[0][0] = scale.m[1][1] = scale.m[2][2] = 7.0f;
  plain.transform(scale);
  refine(refined);
  const BoundingBox box = boxOf(plain);
  constexpr int size = 160;
  const std::vector<bool> before = silhouette(device(), plain, box, size);
  const std::vector<bool> after = silhouette(device(), refined, box, size);
  int covered = 0;
  for (bool pixel : before) covered += pixel;
  // The "B" fills a good part of the picture (its bowls leave holes).
  EXPECT_GT(covered, size * size / 8);
  // The refined surface lies on the plain one, so the two may differ only where the
  // rasteriser decides pixels on the outline differently for the split triangles: never by
  // more than one pixel.
  EXPECT_EQ(strays(before, after, size), 0);
  EXPECT_EQ(strays(after, before, size), 0);
}

}  // namespace
}  // namespace mesh_test

// D3DXCreateTextA: outlines of the DC's font, extruded into one mesh.
#include <d3dx9shape.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "ByteBuffer.h"
#include "CallReport.h"
#include "GdiObjects.h"
#include "TextExtruder.h"
#include "TriangleMesh.h"

namespace {

using platform::d3dx9::GlyphOutline;
using platform::d3dx9::Solid;

GLYPHMETRICSFLOAT metricsOf(const GlyphOutline& outline) {
  GLYPHMETRICSFLOAT metrics{};
  metrics.gmfCellIncX = static_cast<float>(outline.advance);
  if (outline.contours.empty()) return metrics;
  double minX = std::numeric_limits<double>::max(), maxX = -minX, minY = minX, maxY = -minX;
  for (const auto& contour : outline.contours) {
    for (const auto& p : contour) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
  }
  metrics.gmfBlackBoxX = static_cast<float>(maxX - minX);
  metrics.gmfBlackBoxY = static_cast<float>(maxY - minY);
  metrics.gmfptGlyphOrigin = {static_cast<float>(minX), static_cast<float>(maxY)};
  return metrics;
}

// Three neighbouring faces per face (0xFFFFFFFF where none), across edges of equal positions.
ID3DXBuffer* adjacencyOf(const Solid& solid) {
  const auto faces = solid.indices.size() / 3;
  std::map<std::array<float, 3>, std::uint32_t> weld;
  std::vector<std::uint32_t> corner(solid.indices.size());
  for (std::size_t i = 0; i < solid.indices.size(); ++i) {
    const float* p = solid.vertices[solid.indices[i]].position;
    corner[i] = weld.emplace(std::array<float, 3>{p[0], p[1], p[2]},
                             static_cast<std::uint32_t>(weld.size()))
                    .first->second;
  }
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> edgeFace;
  for (std::size_t f = 0; f < faces; ++f) {
    for (int e = 0; e < 3; ++e) {
      edgeFace[{corner[3 * f + e], corner[3 * f + (e + 1) % 3]}] = static_cast<std::uint32_t>(f);
    }
  }
  std::vector<unsigned char> bytes(solid.indices.size() * sizeof(DWORD));
  for (std::size_t f = 0; f < faces; ++f) {
    for (int e = 0; e < 3; ++e) {
      const auto found = edgeFace.find({corner[3 * f + (e + 1) % 3], corner[3 * f + e]});
      const DWORD neighbour = found == edgeFace.end() ? 0xFFFFFFFFu : found->second;
      std::memcpy(bytes.data() + (3 * f + e) * sizeof(DWORD), &neighbour, sizeof neighbour);
    }
  }
  return new platform::d3dx9::ByteBuffer(std::move(bytes));
}

}  // namespace

HRESULT WINAPI D3DXCreateTextA(LPDIRECT3DDEVICE9 device, HDC dc, LPCSTR text, FLOAT deviation,
                               FLOAT extrusion, LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency,
                               LPGLYPHMETRICSFLOAT glyphMetrics) {
  if (mesh) *mesh = nullptr;
  if (adjacency) *adjacency = nullptr;
  const platform::d3dx9::FontRequest* font = platform::d3dx9::selectedFont(dc);
  using platform::refuse;
  constexpr const char* kCall = "D3DXCreateTextA";
  if (!device || !mesh || !text) {
    return refuse(D3DERR_INVALIDCALL, kCall,
                  "the device, the text and the mesh out-pointer "
                  "must not be null");
  }
  if (!font) return refuse(D3DERR_INVALIDCALL, kCall, "the DC has no font selected");
  if (!(deviation >= 0) || !(extrusion >= 0) || !std::isfinite(deviation) ||
      !std::isfinite(extrusion)) {
    return refuse(D3DERR_INVALIDCALL, kCall,
                  "deviation %g and extrusion %g must be finite and "
                  "not negative",
                  static_cast<double>(deviation), static_cast<double>(extrusion));
  }
  const platform::d3dx9::FontFace* face = platform::d3dx9::findFontFace(*font);
  if (!face) return refuse(D3DERR_NOTAVAILABLE, kCall, "no system font matches the selected one");

  Solid solid;
  double pen = 0;
  for (std::size_t i = 0; text[i] != '\0'; ++i) {
    GlyphOutline outline;
    // Bytes are Latin-1 characters (the ANSI code page's letters).
    const auto character = static_cast<unsigned char>(text[i]);
    if (!platform::d3dx9::glyphOutline(*face, character, deviation, outline)) {
      // As GDI links fonts: the character comes from another face that has it.
      const platform::d3dx9::FontFace* other = platform::d3dx9::findFontFaceFor(*font, character);
      if (!other || !platform::d3dx9::glyphOutline(*other, character, deviation, outline)) {
        return refuse(D3DERR_INVALIDCALL, kCall, "character %zu (0x%02X) is in no installed face",
                      i, static_cast<unsigned>(character));
      }
    }
    if (!platform::d3dx9::extrudeOutline(outline, pen, extrusion, solid)) {
      return refuse(D3DERR_INVALIDCALL, kCall, "character %zu (0x%02X) has no usable outline", i,
                    static_cast<unsigned>(character));
    }
    if (glyphMetrics) glyphMetrics[i] = metricsOf(outline);
    pen += outline.advance;
  }
  if (solid.indices.empty())
    return refuse(D3DERR_INVALIDCALL, kCall, "the text has no glyph to extrude");

  const auto vertices = static_cast<DWORD>(solid.vertices.size());
  const auto faces = static_cast<DWORD>(solid.indices.size() / 3);
  const DWORD options = D3DXMESH_SYSTEMMEM | (vertices > 65536 ? D3DXMESH_32BIT : 0);
  platform::d3dx9::TriangleMesh* created = nullptr;
  if (HRESULT hr = platform::d3dx9::TriangleMesh::create(
          device, options, D3DFVF_XYZ | D3DFVF_NORMAL, faces, vertices, &created);
      FAILED(hr)) {
    return refuse(hr, kCall, "the mesh of %u faces could not be made",
                  static_cast<unsigned>(faces));
  }
  void* vertexData = nullptr;
  void* indexData = nullptr;
  if (FAILED(created->LockVertexBuffer(0, &vertexData))) {
    created->Release();
    return refuse(D3DERR_INVALIDCALL, kCall, "the mesh's vertices could not be locked");
  }
  std::memcpy(vertexData, solid.vertices.data(), solid.vertices.size() * sizeof solid.vertices[0]);
  created->UnlockVertexBuffer();
  if (FAILED(created->LockIndexBuffer(0, &indexData))) {
    created->Release();
    return refuse(D3DERR_INVALIDCALL, kCall, "the mesh's indices could not be locked");
  }
  for (std::size_t i = 0; i < solid.indices.size(); ++i) {
    if (options & D3DXMESH_32BIT) {
      static_cast<std::uint32_t*>(indexData)[i] = solid.indices[i];
    } else {
      static_cast<std::uint16_t*>(indexData)[i] = static_cast<std::uint16_t>(solid.indices[i]);
    }
  }
  created->UnlockIndexBuffer();
  if (adjacency) *adjacency = adjacencyOf(solid);
  *mesh = created;
  return D3D_OK;
}

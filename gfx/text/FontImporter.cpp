#include "gfx/text/FontImporter.h"

#include <d3dx9.h>

#include <cstdio>
#include <stdexcept>

#include "Core/Fatal.h"
#include "Core/Progress.h"
#include "gfx/mesh/Mesh.h"
#include "gfx/resources/GraphicsContext.h"

namespace vantor {

namespace {

constexpr const char* kReportSource = "gfx\\FontImporter";
constexpr float deviation = 0.001f;
constexpr DWORD defaultCharset = 1;  // DEFAULT_CHARSET: any character set the face has

}  // namespace

FontImporter::FontImporter(int height, int weight, float extrusion, bool italic,
                           const char* faceName)
    : height(height), weight(weight), extrusion(extrusion), italic(italic), faceName(faceName) {}

FontImporter::~FontImporter() {
  // A font cannot be deleted while a context holds it: the context goes first.
  if (deviceContext) DeleteDC(deviceContext);
  if (font) DeleteObject(font);
}

void FontImporter::importGlyphs(const char* set) {
  if (built) return;
  built = true;
  progressPoint();
  glyphSet = set;
  deviceContext = CreateCompatibleDC(nullptr);
  font = CreateFontA(height, 0, 0, 0, weight, italic, 0, 0, defaultCharset, 0, 0, 0, 0, faceName);
  SelectObject(deviceContext, font);
  GraphicsContext* context = GraphicsContext::instance();
  for (const char c : glyphSet) {
    const char text[2] = {c, '\0'};
    ID3DXMesh* outline = nullptr;
    const HRESULT result = D3DXCreateTextA(context->device(), deviceContext, text, deviation,
                                           extrusion, &outline, nullptr, nullptr);
    if (!outline) {
      const auto code = static_cast<unsigned char>(c);
      std::fprintf(stderr, "%s: no installed face can outline the character '%c' (0x%02X)\n",
                   kReportSource, code >= 0x20 && code < 0x7F ? c : '?', code);
      VANTOR_CHECK(FAILED(result) ? result : E_FAIL);
    }
    Mesh* dm = context->createMesh();
    if (dm) dm->loadFromD3DXMesh(outline);
    outline->Release();
    VANTOR_ASSERT_LINE(dm, 48);
    glyphs[static_cast<unsigned char>(c)] = dm;
  }
}

int FontImporter::glyphCount() const { return static_cast<int>(glyphs.size()); }

Mesh* FontImporter::glyph(unsigned index) const {
  if (index >= glyphSet.size()) {
    throw std::out_of_range("FontImporter::glyph: index past the glyph set");
  }
  return glyphs.at(static_cast<unsigned char>(glyphSet[index]));
}

Mesh* FontImporter::findGlyph(char character) const {
  // Looked up by character, so a set that lists a character twice still finds every one.
  const auto found = glyphs.find(static_cast<unsigned char>(character));
  return found == glyphs.end() ? nullptr : found->second;
}

}  // namespace vantor

// Solid 3D meshes of the characters of a glyph set, one per character, made from a system
// font by D3DX's text extruder: each outline lies in the x-y plane (height 1 is one em),
// extruded along -z, curves flattened to within 0.001.
//
// The meshes are ordinary meshes owned by the graphics context, so callers may transform,
// refine and texture them; laying text out of glyphs is the caller's. A character no
// installed face can outline ends the program with a report naming it, since callers walk
// the glyphs by index and a missing one would shift every later glyph.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace vantor {

class Mesh;

class FontImporter {
 public:
  // height and weight are CreateFontA's (logical units, FW_* weight); extrusion is the depth
  // of the solids; faceName is kept by pointer, so the caller keeps it alive.
  FontImporter(int height, int weight, float extrusion, bool italic, const char* faceName);
  FontImporter(const FontImporter&) = delete;
  FontImporter& operator=(const FontImporter&) = delete;
  // Releases the device context and the font; the meshes stay the graphics context's.
  ~FontImporter();

  // Makes one mesh per character of glyphSet; only the first call does anything.
  void importGlyphs(const char* glyphSet);
  // The number of distinct characters that have a mesh.
  int glyphCount() const;
  // The mesh of the character at that position of the glyph set; std::out_of_range at or
  // past its end.
  Mesh* glyph(unsigned index) const;
  // The mesh of that character, or null when it is not in the glyph set.
  Mesh* findGlyph(char character) const;

 private:
  int height;
  int weight;
  float extrusion;
  bool italic;
  const char* faceName;
  std::string glyphSet;
  bool built = false;
  HDC deviceContext = nullptr;
  HFONT font = nullptr;
  // A character listed twice keeps the mesh made last.
  std::map<unsigned char, Mesh*> glyphs;
};

}  // namespace vantor

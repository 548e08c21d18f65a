#include "FontFace.h"

#include "FontLookup.h"

#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

namespace platform::d3dx9 {
namespace {

// Free sans families with heavy weights, best first; fontconfig's own sans-serif last.
constexpr const char* kFallbackFamilies[] = {"DejaVu Sans", "Liberation Sans", "FreeSans",
                                             "Noto Sans", "sans-serif"};

// Display faces that are not free, and free families that have a face of the same build:
// black-weight grotesques for the black grotesques. Used only when the family has a face at
// least this heavy (OpenType weight); otherwise the general fallback applies.
struct DisplayStandIn {
  const char* faceName;
  std::vector<const char*> families;
  int weight;
};

const std::vector<DisplayStandIn>& displayStandIns() {
  static const std::vector<DisplayStandIn> standIns = {
      {"Arial Black", {"Lato", "Inter"}, 900},
  };
  return standIns;
}

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

Pattern match(const std::vector<const char*>& families, int weight, bool italic) {
  Pattern pattern(FcPatternCreate());
  for (const char* family : families) {
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  }
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  return Pattern(FcFontMatch(nullptr, pattern.get(), &result));
}

int weightOf(FcPattern* font) {
  int weight = FC_WEIGHT_REGULAR;
  FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
  return static_cast<int>(FcWeightToOpenType(weight));
}

bool hasFamily(FcPattern* font, const std::string& family) {
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
    if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) return true;
  }
  return false;
}

std::string describe(FcPattern* font) {
  FcChar8* family = nullptr;
  FcChar8* style = nullptr;
  FcChar8* file = nullptr;
  FcPatternGetString(font, FC_FAMILY, 0, &family);
  FcPatternGetString(font, FC_STYLE, 0, &style);
  FcPatternGetString(font, FC_FILE, 0, &file);
  auto text = [](FcChar8* s) { return s ? reinterpret_cast<const char*>(s) : "?"; };
  return std::string(text(family)) + " " + text(style) + " (" + text(file) + ")";
}

// A face of one of the stand-in families for a display face, black enough to stand for it.
Pattern displayStandIn(const FontRequest& request) {
  for (const DisplayStandIn& standIn : displayStandIns()) {
    if (strcasecmp(standIn.faceName, request.faceName.c_str()) != 0) continue;
    for (const char* family : standIn.families) {
      Pattern font = match({family}, standIn.weight, request.italic);
      if (font && hasFamily(font.get(), family) && weightOf(font.get()) >= standIn.weight - 100) {
        return font;
      }
    }
  }
  return nullptr;
}

FT_Library freetype() {
  static FT_Library library = [] {
    FT_Library created = nullptr;
    return FT_Init_FreeType(&created) == 0 ? created : nullptr;
  }();
  return library;
}

// Opens the matched face; true when it is a scalable face.
bool open(FcPattern* font, const FontRequest& request, FontFace& face) {
  FcChar8* file = nullptr;
  int index = 0;
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return false;
  FcPatternGetInteger(font, FC_INDEX, 0, &index);
  FcPatternGetInteger(font, FC_SLANT, 0, &slant);
  if (FT_New_Face(freetype(), reinterpret_cast<const char*>(file), index, &face.face) != 0 ||
      !FT_IS_SCALABLE(face.face)) {
    if (face.face) FT_Done_Face(face.face);
    face.face = nullptr;
    return false;
  }
  face.syntheticItalic = request.italic && slant == FC_SLANT_ROMAN;
  return true;
}

}  // namespace

const FontFace* findFontFace(const FontRequest& request) {
  static std::map<std::tuple<std::string, int, bool>, FontFace> faces;
  static std::set<std::string> loggedFallbacks;
  const auto key = std::make_tuple(request.faceName, request.weight, request.italic);
  if (const auto found = faces.find(key); found != faces.end()) return &found->second;
  if (!platform::win32::prepareFontLookup() || !freetype()) return nullptr;

  const int weight = request.weight > 0 ? request.weight : 400;
  Pattern font = match({request.faceName.c_str()}, weight, request.italic);
  if (!font || !hasFamily(font.get(), request.faceName)) {
    font = displayStandIn(request);
    // A heavy stand-in: the designs this replaces (display faces) are bold.
    if (!font) {
      font = match(
          std::vector<const char*>(std::begin(kFallbackFamilies), std::end(kFallbackFamilies)),
          std::max(weight, 900), request.italic);
    }
    if (font && loggedFallbacks.insert(request.faceName).second) {
      std::fprintf(stderr, "d3dx9: font \"%s\" is not installed; using %s\n",
                   request.faceName.c_str(), describe(font.get()).c_str());
    }
  }
  if (!font) return nullptr;
  FontFace face;
  if (!open(font.get(), request, face)) return nullptr;
  return &faces.emplace(key, face).first->second;
}

const FontFace* findFontFaceFor(const FontRequest& request, unsigned long character) {
  static std::map<std::tuple<std::string, int, bool, unsigned long>, FontFace> faces;
  const auto key = std::make_tuple(request.faceName, request.weight, request.italic, character);
  if (const auto found = faces.find(key); found != faces.end()) {
    return found->second.face ? &found->second : nullptr;
  }
  FontFace& face = faces[key];
  if (!platform::win32::prepareFontLookup() || !freetype()) return nullptr;
  // Every installed face in fontconfig's order of preference for the request, the nearest in
  // family, weight and slant first.
  Pattern pattern(FcPatternCreate());
  FcPatternAddString(pattern.get(), FC_FAMILY,
                     reinterpret_cast<const FcChar8*>(request.faceName.c_str()));
  for (const char* family : kFallbackFamilies) {
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  }
  const int weight = request.weight > 0 ? request.weight : 400;
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FcWeightFromOpenType(std::max(weight, 900)));
  FcPatternAddInteger(pattern.get(), FC_SLANT, request.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_OUTLINE, FcTrue);
  FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, pattern.get(), FcFalse, nullptr, &result);
  if (!sorted) return nullptr;
  for (int i = 0; i < sorted->nfont && !face.face; ++i) {
    FcCharSet* characters = nullptr;
    if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &characters) != FcResultMatch ||
        !FcCharSetHasChar(characters, static_cast<FcChar32>(character))) {
      continue;
    }
    Pattern font(FcFontRenderPrepare(nullptr, pattern.get(), sorted->fonts[i]));
    FontFace candidate;
    if (!font || !open(font.get(), request, candidate)) continue;
    if (FT_Get_Char_Index(candidate.face, character) == 0) {
      FT_Done_Face(candidate.face);
      continue;
    }
    face = candidate;
    std::fprintf(stderr, "d3dx9: \"%s\" has no character 0x%lX; taking it from %s\n",
                 request.faceName.c_str(), character, describe(font.get()).c_str());
  }
  FcFontSetDestroy(sorted);
  return face.face ? &face : nullptr;
}

}  // namespace platform::d3dx9

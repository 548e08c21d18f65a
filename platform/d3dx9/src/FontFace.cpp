#include "FontFace.h"

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

FT_Library freetype() {
  static FT_Library library = [] {
    FT_Library created = nullptr;
    return FT_Init_FreeType(&created) == 0 ? created : nullptr;
  }();
  return library;
}

}  // namespace

const FontFace* findFontFace(const FontRequest& request) {
  static std::map<std::tuple<std::string, int, bool>, FontFace> faces;
  static std::set<std::string> loggedFallbacks;
  const auto key = std::make_tuple(request.faceName, request.weight, request.italic);
  if (const auto found = faces.find(key); found != faces.end()) return &found->second;
  if (!FcInit() || !freetype()) return nullptr;

  const int weight = request.weight > 0 ? request.weight : 400;
  Pattern font = match({request.faceName.c_str()}, weight, request.italic);
  if (!font || !hasFamily(font.get(), request.faceName)) {
    // A heavy stand-in: the designs this replaces (display faces) are bold.
    font =
        match(std::vector<const char*>(std::begin(kFallbackFamilies), std::end(kFallbackFamilies)),
              std::max(weight, 900), request.italic);
    if (font && loggedFallbacks.insert(request.faceName).second) {
      std::fprintf(stderr, "d3dx9: font \"%s\" is not installed; using %s\n",
                   request.faceName.c_str(), describe(font.get()).c_str());
    }
  }
  if (!font) return nullptr;
  FcChar8* file = nullptr;
  int index = 0;
  int slant = FC_SLANT_ROMAN;
  if (FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch) return nullptr;
  FcPatternGetInteger(font.get(), FC_INDEX, 0, &index);
  FcPatternGetInteger(font.get(), FC_SLANT, 0, &slant);
  FontFace face;
  if (FT_New_Face(freetype(), reinterpret_cast<const char*>(file), index, &face.face) != 0 ||
      !FT_IS_SCALABLE(face.face)) {
    if (face.face) FT_Done_Face(face.face);
    return nullptr;
  }
  face.syntheticItalic = request.italic && slant == FC_SLANT_ROMAN;
  return &faces.emplace(key, face).first->second;
}

}  // namespace platform::d3dx9

// Font faces in a browser: the few the site carries in /fonts (Lato, which the desktop also
// takes for the black display face), chosen by weight. Any other name falls back to the
// nearest weight of those, logged once per name, as the desktop falls back to a free face.
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <tuple>

#include "FontFace.h"

namespace platform::d3dx9 {
namespace {

struct SiteFace {
  const char* family;
  int weight;  // OpenType weight
  const char* file;
};
constexpr SiteFace kSiteFaces[] = {
    {"Lato", 900, "/fonts/Lato-Black.ttf"},
    {"Lato", 400, "/fonts/Lato-Regular.ttf"},
};
// Display faces the site's faces stand for without a word: the same build, as on the desktop.
constexpr const char* kStoodFor[] = {"Arial Black"};

FT_Library freetype() {
  static FT_Library library = [] {
    FT_Library created = nullptr;
    return FT_Init_FreeType(&created) == 0 ? created : nullptr;
  }();
  return library;
}

// The site's faces, nearest in weight to the request first.
std::multimap<int, const SiteFace*> byNearness(int weight) {
  std::multimap<int, const SiteFace*> order;
  for (const SiteFace& face : kSiteFaces) order.emplace(std::abs(face.weight - weight), &face);
  return order;
}

bool open(const SiteFace& site, const FontRequest& request, FontFace& face) {
  if (!freetype() || FT_New_Face(freetype(), site.file, 0, &face.face) != 0 ||
      !FT_IS_SCALABLE(face.face)) {
    if (face.face) FT_Done_Face(face.face);
    face.face = nullptr;
    return false;
  }
  face.syntheticItalic = request.italic;  // the site carries upright faces only
  return true;
}

bool standsFor(const std::string& name) {
  for (const char* stoodFor : kStoodFor) {
    if (strcasecmp(stoodFor, name.c_str()) == 0) return true;
  }
  return false;
}

bool known(const std::string& name) {
  return strcasecmp(name.c_str(), "Lato") == 0 || standsFor(name);
}

}  // namespace

const FontFace* findFontFace(const FontRequest& request) {
  static std::map<std::tuple<std::string, int, bool>, FontFace> faces;
  static std::set<std::string> loggedFallbacks;
  const auto key = std::make_tuple(request.faceName, request.weight, request.italic);
  if (const auto found = faces.find(key); found != faces.end()) return &found->second;
  // Display faces are black, whatever weight is asked of them; a name the site lacks gets the
  // heaviest face too.
  const bool lato = strcasecmp(request.faceName.c_str(), "Lato") == 0;
  const int weight = lato ? (request.weight > 0 ? request.weight : 400) : 900;
  for (const auto& [distance, site] : byNearness(weight)) {
    FontFace face;
    if (!open(*site, request, face)) continue;
    if (!known(request.faceName) && loggedFallbacks.insert(request.faceName).second) {
      std::fprintf(stderr, "d3dx9: font \"%s\" is not on this site; using %s\n",
                   request.faceName.c_str(), site->file);
    }
    return &faces.emplace(key, face).first->second;
  }
  std::fprintf(stderr, "d3dx9: none of the site's fonts could be opened (%s)\n",
               kSiteFaces[0].file);
  return nullptr;
}

const FontFace* findFontFaceFor(const FontRequest& request, unsigned long character) {
  static std::map<std::tuple<std::string, int, bool, unsigned long>, FontFace> faces;
  const auto key = std::make_tuple(request.faceName, request.weight, request.italic, character);
  if (const auto found = faces.find(key); found != faces.end()) {
    return found->second.face ? &found->second : nullptr;
  }
  FontFace& face = faces[key];
  for (const auto& [distance, site] : byNearness(std::max(request.weight, 900))) {
    FontFace candidate;
    if (!open(*site, request, candidate)) continue;
    if (FT_Get_Char_Index(candidate.face, character) == 0) {
      FT_Done_Face(candidate.face);
      continue;
    }
    face = candidate;
    std::fprintf(stderr, "d3dx9: \"%s\" has no character 0x%lX; taking it from %s\n",
                 request.faceName.c_str(), character, site->file);
    break;
  }
  return face.face ? &face : nullptr;
}

}  // namespace platform::d3dx9

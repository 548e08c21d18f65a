// CreateCompatibleDC, CreateFontA, SelectObject, DeleteObject, DeleteDC.
#include "GdiObjects.h"

#include <memory>
#include <set>

namespace platform::d3dx9 {
namespace {

struct Font {
  FontRequest request;
};

struct DeviceContext {
  Font* font;
};

// The font a fresh context holds, as GDI's SYSTEM_FONT; never deleted.
Font& stockFont() {
  static Font font{{"System", 700, false}};
  return font;
}

// The registries are never destroyed: a program may release its contexts and fonts from the
// destructor of a static object, after function-local statics made later are gone.
std::set<DeviceContext*>& contexts() {
  static auto* live = new std::set<DeviceContext*>;
  return *live;
}

std::set<Font*>& fonts() {
  static auto* live = new std::set<Font*>;
  return *live;
}

DeviceContext* liveContext(HDC dc) {
  auto* context = reinterpret_cast<DeviceContext*>(dc);
  return contexts().count(context) ? context : nullptr;
}

Font* liveFont(HGDIOBJ object) {
  auto* font = static_cast<Font*>(object);
  return font == &stockFont() || fonts().count(font) ? font : nullptr;
}

}  // namespace

const FontRequest* selectedFont(HDC dc) {
  DeviceContext* context = liveContext(dc);
  return context ? &context->font->request : nullptr;
}

}  // namespace platform::d3dx9

using platform::d3dx9::DeviceContext;
using platform::d3dx9::Font;

HDC CreateCompatibleDC(HDC /*reference*/) {
  auto* context = new DeviceContext{&platform::d3dx9::stockFont()};
  platform::d3dx9::contexts().insert(context);
  return reinterpret_cast<HDC>(context);
}

BOOL DeleteDC(HDC dc) {
  DeviceContext* context = platform::d3dx9::liveContext(dc);
  if (!context) return FALSE;
  platform::d3dx9::contexts().erase(context);
  delete context;
  return TRUE;
}

HFONT CreateFontA(int /*height*/, int /*width*/, int /*escapement*/, int /*orientation*/,
                  int weight, DWORD italic, DWORD /*underline*/, DWORD /*strikeOut*/,
                  DWORD /*charSet*/, DWORD /*outPrecision*/, DWORD /*clipPrecision*/,
                  DWORD /*quality*/, DWORD /*pitchAndFamily*/, LPCSTR faceName) {
  if (weight < 0 || weight > 1000) return nullptr;
  auto* font = new Font{{faceName && *faceName ? faceName : "Arial", weight, italic != 0}};
  platform::d3dx9::fonts().insert(font);
  return reinterpret_cast<HFONT>(font);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = platform::d3dx9::liveContext(dc);
  Font* font = platform::d3dx9::liveFont(object);
  if (!context || !font) return nullptr;
  Font* previous = context->font;
  context->font = font;
  return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
  auto* font = static_cast<Font*>(object);
  if (!platform::d3dx9::fonts().count(font)) return FALSE;
  for (DeviceContext* context : platform::d3dx9::contexts()) {
    if (context->font == font) return FALSE;
  }
  platform::d3dx9::fonts().erase(font);
  delete font;
  return TRUE;
}

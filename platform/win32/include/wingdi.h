// The subset of GDI32 that the engine calls: a memory device context and a font selected into
// it, which D3DXCreateTextA outlines. Fonts are found through fontconfig.
#pragma once

#include "minwindef.h"

constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_EXTRALIGHT = 200;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_EXTRABOLD = 800;
constexpr int FW_HEAVY = 900;

constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;
constexpr DWORD OUT_DEFAULT_PRECIS = 0;
constexpr DWORD CLIP_DEFAULT_PRECIS = 0;
constexpr DWORD DEFAULT_QUALITY = 0;
constexpr DWORD DEFAULT_PITCH = 0;
constexpr DWORD FF_DONTCARE = 0;

#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

struct POINTFLOAT {
  FLOAT x;
  FLOAT y;
};

// Per-character metrics of outlined text, in ems.
struct GLYPHMETRICSFLOAT {
  FLOAT gmfBlackBoxX;
  FLOAT gmfBlackBoxY;
  POINTFLOAT gmfptGlyphOrigin;  // upper left corner of the black box, from the pen position
  FLOAT gmfCellIncX;
  FLOAT gmfCellIncY;
};
using LPGLYPHMETRICSFLOAT = GLYPHMETRICSFLOAT*;

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};

// A memory device context; reference may be null (compatible with the screen). Null on failure.
HDC CreateCompatibleDC(HDC reference);
BOOL DeleteDC(HDC dc);

// A logical font. height and width are in logical units (only their sign and the face matter
// for outlines); weight 0..1000 (FW_*), italic non-zero for a slanted face. The face is looked
// up by name; a face that is not installed is replaced by a free face of the same build where
// one is known (a black grotesque for "Arial Black"), else by the closest heavy free sans
// (logged once per name). Escapement, orientation, underline, strike-out, precision, quality and
// pitch are accepted and not applied.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);

// Selects a font into a device context and answers the font it replaces (a fresh context
// holds the stock system font); null for a handle that is not a live context or font.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Deletes a font; false for anything else or a font still selected into a context.
BOOL DeleteObject(HGDIOBJ object);

// D3DX 9 shapes of the subset the engine uses: extruded text.
#pragma once

#include "d3dx9mesh.h"

// Builds a solid mesh of text in the font selected into dc: the glyph outlines lie in the x-y
// plane with one em = 1 unit, the pen starting at the origin and advancing along +x; curves
// are flattened to within deviation (0: one design unit of the font); the solid spans z from
// -extrusion to 0, as D3DX extrudes towards -z (caps facing +z at 0 and -z at -extrusion). The
// mesh has D3DFVF_XYZ | D3DFVF_NORMAL vertices, triangles clockwise seen from outside and
// outward normals, with vertices duplicated where normals are hard. adjacency and glyphMetrics
// (one record per character) may be null. A character the font's face lacks is taken from the
// nearest installed face that has it, as GDI links fonts. A text without any outline (blanks
// only), or with a character no installed face has, answers D3DERR_INVALIDCALL and no mesh.
HRESULT WINAPI D3DXCreateTextA(LPDIRECT3DDEVICE9 device, HDC dc, LPCSTR text, FLOAT deviation,
                               FLOAT extrusion, LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency,
                               LPGLYPHMETRICSFLOAT glyphMetrics);

// D3DX 9 maths of the subset the engine uses. Matrices are row-major and transform row
// vectors on the left (p·M); translation lives in row 3.
#pragma once

#include "d3dx9core.h"

struct D3DXVECTOR4 {
  FLOAT x, y, z, w;
};

struct D3DXMATRIX : D3DMATRIX {};

// Writes the inverse of m into out and answers out; the determinant goes to determinant
// when that is not null. A singular matrix answers null and leaves out as it was. out may be m.
D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m);

// Left-handed orthographic projection of a width × height view volume centred on the z axis,
// mapping z from zn..zf to depth 0..1. Answers out.
D3DXMATRIX* WINAPI D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT width, FLOAT height, FLOAT zn,
                                     FLOAT zf);

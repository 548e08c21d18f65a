// 4×4 float matrix in the Direct3D 9 conventions: row-major storage, row vectors multiplied
// on the left (a point p becomes p·M, so p·(A·B) applies A first), translation in row 3,
// left-handed coordinates, clip-space depth 0..1.
//
// The memory layout is that of D3DMATRIX, so a Matrix converts to and from the platform
// type by a plain copy (effect parameters, D3DX calls, device transforms).
#pragma once

#include <d3d9.h>

#include "gfx/math/Vector3.h"

namespace vantor {

struct Matrix {
  float m[4][4];  // m[row][column]

  // The identity.
  Matrix();

  Matrix operator*(const Matrix& b) const;
  // Element by element.
  Matrix operator-(const Matrix& b) const;
  bool operator==(const Matrix& b) const;

  // Written by D3DXMatrixInverse into an identity; a singular matrix yields whatever
  // D3DX leaves there (the identity with this platform).
  Matrix inverse() const;

  // Angles in radians. The sign patterns are the engine's own: rotationZ matches D3DX,
  // rotationX and rotationY are the transposes of D3DX's (they turn the other way).
  static Matrix rotationX(float angle);
  static Matrix rotationY(float angle);
  static Matrix rotationZ(float angle);
  // Identity with row 3 = (x, y, z, 1).
  static Matrix translation(float x, float y, float z);
  // Left-handed view matrix looking from eye towards at.
  static Matrix lookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up);
  // The engine's perspective projection: like D3DX's left-handed one except m33 = 1, so a
  // view-space point gets w = z + 1. Every perspective picture of the demo is made with it.
  static Matrix perspectiveFovLH(float fovY, float aspect, float zNear, float zFar);
  // The projection for screen-space geometry given in −1..1 (x, y) and 0..1 (z): an
  // orthographic 2 × 2 × 1 box, which is the identity.
  static Matrix screenProjection();

  D3DMATRIX toD3D() const;
  static Matrix fromD3D(const D3DMATRIX& d3d);
};

static_assert(sizeof(Matrix) == sizeof(D3DMATRIX), "Matrix must keep the D3DMATRIX layout");

inline Vector3 Vector3::transformCoord(const Matrix& t) const {
  return {x * t.m[0][0] + y * t.m[1][0] + z * t.m[2][0] + t.m[3][0],
          x * t.m[0][1] + y * t.m[1][1] + z * t.m[2][1] + t.m[3][1],
          x * t.m[0][2] + y * t.m[1][2] + z * t.m[2][2] + t.m[3][2]};
}

inline Vector3 Vector3::transformNormal(const Matrix& t) const {
  return {x * t.m[0][0] + y * t.m[1][0] + z * t.m[2][0],
          x * t.m[0][1] + y * t.m[1][1] + z * t.m[2][1],
          x * t.m[0][2] + y * t.m[1][2] + z * t.m[2][2]};
}

}  // namespace vantor

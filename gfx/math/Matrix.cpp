#include "gfx/math/Matrix.h"

#include <d3dx9.h>

#include <cmath>
#include <cstring>

namespace vantor {

namespace {

// Scalar functions run in double and are rounded to float before further use.
float sinf32(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }
float cosf32(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }
float tanf32(float a) { return static_cast<float>(std::tan(static_cast<double>(a))); }

Matrix zero() {
  Matrix r;
  std::memset(r.m, 0, sizeof r.m);
  return r;
}

}  // namespace

Matrix::Matrix() : m{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}} {}

Matrix Matrix::operator*(const Matrix& b) const {
  Matrix c = zero();
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += m[i][k] * b.m[k][j];
      c.m[i][j] = sum;
    }
  }
  return c;
}

Matrix Matrix::operator-(const Matrix& b) const {
  Matrix c;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) c.m[i][j] = m[i][j] - b.m[i][j];
  }
  return c;
}

bool Matrix::operator==(const Matrix& b) const {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      if (m[i][j] != b.m[i][j]) return false;
    }
  }
  return true;
}

Matrix Matrix::rotationX(float angle) {
  const float c = cosf32(angle), s = sinf32(angle);
  Matrix r;
  r.m[1][1] = c;
  r.m[1][2] = -s;
  r.m[2][1] = s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::rotationY(float angle) {
  const float c = cosf32(angle), s = sinf32(angle);
  Matrix r;
  r.m[0][0] = c;
  r.m[0][2] = s;
  r.m[2][0] = -s;
  r.m[2][2] = c;
  return r;
}

Matrix Matrix::rotationZ(float angle) {
  const float c = cosf32(angle), s = sinf32(angle);
  Matrix r;
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

Matrix Matrix::translation(float x, float y, float z) {
  Matrix r;
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix Matrix::lookAtLH(const Vector3& eye, const Vector3& at, const Vector3& up) {
  const Vector3 zAxis = (at - eye).normalized();
  const Vector3 xAxis = up.cross(zAxis).normalized();
  const Vector3 yAxis = zAxis.cross(xAxis);
  Matrix r;
  r.m[0][0] = xAxis.x;
  r.m[0][1] = yAxis.x;
  r.m[0][2] = zAxis.x;
  r.m[1][0] = xAxis.y;
  r.m[1][1] = yAxis.y;
  r.m[1][2] = zAxis.y;
  r.m[2][0] = xAxis.z;
  r.m[2][1] = yAxis.z;
  r.m[2][2] = zAxis.z;
  r.m[3][0] = -xAxis.dot(eye);
  r.m[3][1] = -yAxis.dot(eye);
  r.m[3][2] = -zAxis.dot(eye);
  return r;
}

Matrix Matrix::perspectiveFovLH(float fovY, float aspect, float zNear, float zFar) {
  const float half = fovY * 0.5f;
  const float yScale = 1.0f / tanf32(half);
  Matrix r = zero();
  r.m[0][0] = yScale / aspect;
  r.m[1][1] = yScale;
  r.m[2][2] = zFar / (zFar - zNear);
  r.m[2][3] = 1.0f;
  r.m[3][2] = -zNear * zFar / (zFar - zNear);
  r.m[3][3] = 1.0f;
  return r;
}

namespace {

D3DXMATRIX toD3DX(const Matrix& m) {
  D3DXMATRIX d3dx;
  std::memcpy(d3dx.m, m.m, sizeof m.m);
  return d3dx;
}

Matrix fromD3DX(const D3DXMATRIX& d3dx) { return Matrix::fromD3D(d3dx); }

}  // namespace

Matrix Matrix::inverse() const {
  D3DXMATRIX result = toD3DX(Matrix());
  const D3DXMATRIX source = toD3DX(*this);
  D3DXMatrixInverse(&result, nullptr, &source);
  return fromD3DX(result);
}

Matrix Matrix::screenProjection() {
  D3DXMATRIX result = toD3DX(Matrix());
  D3DXMatrixOrthoLH(&result, 2.0f, 2.0f, 0.0f, 1.0f);
  return fromD3DX(result);
}

D3DMATRIX Matrix::toD3D() const {
  D3DMATRIX d3d;
  std::memcpy(d3d.m, m, sizeof m);
  return d3d;
}

Matrix Matrix::fromD3D(const D3DMATRIX& d3d) {
  Matrix r;
  std::memcpy(r.m, d3d.m, sizeof r.m);
  return r;
}

}  // namespace vantor

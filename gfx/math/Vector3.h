// Three-component float vector: positions, directions, normals.
//
// Exactly three floats and nothing else: arrays of Vector3 are tightly packed, and vertex
// data is copied to the GPU as such.
#pragma once

#include <cmath>

namespace vantor {

struct Matrix;

struct Vector3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  constexpr Vector3() = default;
  constexpr Vector3(float x, float y, float z) : x(x), y(y), z(z) {}

  constexpr Vector3 operator+(const Vector3& v) const { return {x + v.x, y + v.y, z + v.z}; }
  constexpr Vector3 operator-(const Vector3& v) const { return {x - v.x, y - v.y, z - v.z}; }
  constexpr Vector3 operator-() const { return {-x, -y, -z}; }
  constexpr Vector3 operator*(float s) const { return {x * s, y * s, z * s}; }
  constexpr Vector3 operator/(float s) const { return {x / s, y / s, z / s}; }
  constexpr Vector3& operator+=(const Vector3& v) {
    x += v.x;
    y += v.y;
    z += v.z;
    return *this;
  }
  constexpr bool operator==(const Vector3&) const = default;

  constexpr float dot(const Vector3& v) const { return x * v.x + y * v.y + z * v.z; }
  // this × v (left-handed coordinates: x right, y up, z into the screen).
  constexpr Vector3 cross(const Vector3& v) const {
    return {y * v.z - z * v.y, z * v.x - x * v.z, x * v.y - y * v.x};
  }
  constexpr float lengthSq() const { return x * x + y * y + z * z; }

  // Scales to unit length in place; a vector of length exactly 0 is left as it is.
  void normalize() {
    const float length = std::sqrt(lengthSq());
    if (length == 0.0f) return;
    x /= length;
    y /= length;
    z /= length;
  }
  Vector3 normalized() const {
    Vector3 copy = *this;
    copy.normalize();
    return copy;
  }

  // The point (x, y, z, 1) times m, without dividing by the resulting w.
  Vector3 transformCoord(const Matrix& m) const;
  // The direction (x, y, z, 0) times m: rotation and scale, no translation.
  Vector3 transformNormal(const Matrix& m) const;
};

static_assert(sizeof(Vector3) == 3 * sizeof(float), "vertex data relies on packed Vector3");

}  // namespace vantor

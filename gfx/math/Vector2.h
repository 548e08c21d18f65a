// Two-component float vector: texture coordinates.
#pragma once

namespace vantor {

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;

  constexpr Vector2() = default;
  constexpr Vector2(float x, float y) : x(x), y(y) {}

  constexpr Vector2 operator+(const Vector2& v) const { return {x + v.x, y + v.y}; }
  constexpr Vector2 operator-(const Vector2& v) const { return {x - v.x, y - v.y}; }
  constexpr Vector2 operator*(float s) const { return {x * s, y * s}; }
  constexpr bool operator==(const Vector2&) const = default;
};

static_assert(sizeof(Vector2) == 2 * sizeof(float), "texture coordinates are two packed floats");

}  // namespace vantor

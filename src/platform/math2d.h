// The 2D vector the game uses: two single-precision floats, so results match the
// original float arithmetic.
#pragma once

namespace platform {

struct Vector2 {
  float x = 0.0f;
  float y = 0.0f;

  constexpr Vector2() = default;
  constexpr Vector2(float x_, float y_) : x(x_), y(y_) {}

  constexpr Vector2 operator+(const Vector2& o) const { return {x + o.x, y + o.y}; }
  constexpr Vector2 operator-(const Vector2& o) const { return {x - o.x, y - o.y}; }
  constexpr Vector2 operator*(float s) const { return {x * s, y * s}; }
  constexpr Vector2 operator/(float s) const { return {x / s, y / s}; }
  constexpr Vector2 operator-() const { return {-x, -y}; }
  Vector2& operator+=(const Vector2& o) {
    x += o.x;
    y += o.y;
    return *this;
  }
  Vector2& operator-=(const Vector2& o) {
    x -= o.x;
    y -= o.y;
    return *this;
  }
  Vector2& operator*=(float s) {
    x *= s;
    y *= s;
    return *this;
  }
  constexpr bool operator==(const Vector2& o) const { return x == o.x && y == o.y; }
  constexpr bool operator!=(const Vector2& o) const { return !(*this == o); }
};

inline constexpr Vector2 operator*(float s, const Vector2& v) { return v * s; }

}  // namespace platform

// The 2D vector, matrix and colour maths the game uses: two-float vectors, row-vector 4x4
// matrices as the drawing transforms expect them, and colours as four floats. Single
// precision throughout, so results match the original float arithmetic.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

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

  float Length() const { return std::sqrt(x * x + y * y); }
  constexpr float LengthSq() const { return x * x + y * y; }
};

inline constexpr Vector2 operator*(float s, const Vector2& v) { return v * s; }

// A 4x4 matrix applied to row vectors: p' = p * M, translation in the last row.
struct Matrix {
  float m[4][4] = {};

  static Matrix Identity();
  static Matrix Translation(float x, float y, float z = 0.0f);
  static Matrix Scaling(float x, float y, float z = 1.0f);
  static Matrix RotationZ(float angle);
  bool operator==(const Matrix& o) const;
};

Matrix Multiply(const Matrix& a, const Matrix& b);
inline Matrix operator*(const Matrix& a, const Matrix& b) { return Multiply(a, b); }

// The 2D transformation: scaling about scalingCentre along axes turned by scalingRotation,
// then rotation by `rotation` about rotationCentre, then translation. Null arguments mean
// no centre, no scaling or no translation. Rotation angles are in radians.
Matrix Transformation2D(const Vector2* scalingCentre, float scalingRotation, const Vector2* scaling,
                        const Vector2* rotationCentre, float rotation, const Vector2* translation);

// The inverse of m in single precision (a 2D affine matrix directly, any other by
// cofactors); false (out untouched) when m is singular.
bool Inverse(const Matrix& m, Matrix* out);

// (x, y, 0, 1) * M, divided by the resulting w.
Vector2 TransformCoord(const Vector2& v, const Matrix& m);
void TransformCoordArray(Vector2* out, const Vector2* in, size_t count, const Matrix& m);

// Unit vector in the direction of v; the zero vector stays zero.
inline Vector2 Normalize(const Vector2& v) {
  const float len = v.Length();
  if (len == 0.0f) return {0.0f, 0.0f};
  return {v.x / len, v.y / len};
}

// Catmull-Rom interpolation between p1 (s = 0) and p2 (s = 1).
Vector2 CatmullRom(const Vector2& p0, const Vector2& p1, const Vector2& p2, const Vector2& p3, float s);

// A colour as four floats 0..1.
struct ColorF {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
  float a = 0.0f;

  constexpr ColorF() = default;
  constexpr ColorF(float r_, float g_, float b_, float a_) : r(r_), g(g_), b(b_), a(a_) {}
  // Each byte of the packed 0xAARRGGBB value times 1/255 as the float 0.003921569.
  static ColorF FromArgb(uint32_t argb);
  // Each channel clamped to 0..1, times 255, truncated, packed as 0xAARRGGBB.
  uint32_t ToArgb() const;
  constexpr bool operator==(const ColorF& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

ColorF Lerp(const ColorF& a, const ColorF& b, float t);

}  // namespace platform

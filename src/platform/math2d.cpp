// 2D maths in single precision.
#include "platform/math2d.h"

#include <cmath>

namespace platform {

Matrix Matrix::Identity() {
  Matrix r;
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

Matrix Matrix::Translation(float x, float y, float z) {
  Matrix r = Identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

Matrix Matrix::Scaling(float x, float y, float z) {
  Matrix r = Identity();
  r.m[0][0] = x;
  r.m[1][1] = y;
  r.m[2][2] = z;
  return r;
}

Matrix Matrix::RotationZ(float angle) {
  Matrix r = Identity();
  float c = std::cos(angle);
  float s = std::sin(angle);
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

bool Matrix::operator==(const Matrix& o) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != o.m[i][j]) return false;
  return true;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
  Matrix r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      r.m[i][j] =
          a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
  return r;
}

Matrix Transformation2D(const Vector2* scalingCentre, float scalingRotation, const Vector2* scaling,
                        const Vector2* rotationCentre, float rotation, const Vector2* translation) {
  Matrix result = Matrix::Identity();
  if (scaling) {
    Vector2 sc = scalingCentre ? *scalingCentre : Vector2();
    Matrix toCentre = Matrix::Translation(-sc.x, -sc.y);
    Matrix axes = Matrix::RotationZ(-scalingRotation);
    Matrix scale = Matrix::Scaling(scaling->x, scaling->y);
    Matrix axesBack = Matrix::RotationZ(scalingRotation);
    Matrix fromCentre = Matrix::Translation(sc.x, sc.y);
    result = toCentre * axes * scale * axesBack * fromCentre;
  }
  Vector2 rc = rotationCentre ? *rotationCentre : Vector2();
  result = result * Matrix::Translation(-rc.x, -rc.y) * Matrix::RotationZ(rotation) *
           Matrix::Translation(rc.x, rc.y);
  if (translation) result = result * Matrix::Translation(translation->x, translation->y);
  return result;
}

bool Inverse(const Matrix& m, Matrix* out) {
  const float(&a)[4][4] = m.m;
  // A 2D affine matrix (the drawing and stamping transforms) inverts as one: its inverse
  // keeps w at exactly 1, so transformed points need no division.
  if (a[0][2] == 0.0f && a[0][3] == 0.0f && a[1][2] == 0.0f && a[1][3] == 0.0f && a[2][0] == 0.0f &&
      a[2][1] == 0.0f && a[2][2] == 1.0f && a[2][3] == 0.0f && a[3][2] == 0.0f && a[3][3] == 1.0f) {
    float det = a[0][0] * a[1][1] - a[0][1] * a[1][0];
    if (det == 0.0f || !std::isfinite(det)) return false;
    float inv = 1.0f / det;
    Matrix r = Matrix::Identity();
    r.m[0][0] = a[1][1] * inv;
    r.m[0][1] = -a[0][1] * inv;
    r.m[1][0] = -a[1][0] * inv;
    r.m[1][1] = a[0][0] * inv;
    r.m[3][0] = -(a[3][0] * r.m[0][0] + a[3][1] * r.m[1][0]);
    r.m[3][1] = -(a[3][0] * r.m[0][1] + a[3][1] * r.m[1][1]);
    *out = r;
    return true;
  }
  // 2x2 minors of the upper and lower row pairs, then the adjugate from them.
  float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0.0f || !std::isfinite(det)) return false;
  float inv = 1.0f / det;
  Matrix r;
  r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * inv;
  r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * inv;
  r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * inv;
  r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * inv;
  r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * inv;
  r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * inv;
  r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * inv;
  r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * inv;
  r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * inv;
  r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * inv;
  r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * inv;
  r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * inv;
  r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * inv;
  r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * inv;
  r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * inv;
  r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * inv;
  *out = r;
  return true;
}

Vector2 TransformCoord(const Vector2& v, const Matrix& m) {
  float x = v.x * m.m[0][0] + v.y * m.m[1][0] + m.m[3][0];
  float y = v.x * m.m[0][1] + v.y * m.m[1][1] + m.m[3][1];
  float w = v.x * m.m[0][3] + v.y * m.m[1][3] + m.m[3][3];
  if (w != 1.0f && w != 0.0f) return {x / w, y / w};
  return {x, y};
}

void TransformCoordArray(Vector2* out, const Vector2* in, size_t count, const Matrix& m) {
  for (size_t i = 0; i < count; ++i) out[i] = TransformCoord(in[i], m);
}

Vector2 CatmullRom(const Vector2& p0, const Vector2& p1, const Vector2& p2, const Vector2& p3, float s) {
  float s2 = s * s;
  float s3 = s2 * s;
  auto axis = [&](float a0, float a1, float a2, float a3) {
    return 0.5f * (2.0f * a1 + (-a0 + a2) * s + (2.0f * a0 - 5.0f * a1 + 4.0f * a2 - a3) * s2 +
                   (-a0 + 3.0f * a1 - 3.0f * a2 + a3) * s3);
  };
  return {axis(p0.x, p1.x, p2.x, p3.x), axis(p0.y, p1.y, p2.y, p3.y)};
}

ColorF ColorF::FromArgb(uint32_t argb) {
  constexpr float kScale = 0.003921569f;
  return {float((argb >> 16) & 0xFF) * kScale, float((argb >> 8) & 0xFF) * kScale,
          float(argb & 0xFF) * kScale, float((argb >> 24) & 0xFF) * kScale};
}

uint32_t ColorF::ToArgb() const {
  auto byte = [](float v) -> uint32_t {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return uint32_t(v * 255.0f);
  };
  return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

ColorF Lerp(const ColorF& a, const ColorF& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

}  // namespace platform

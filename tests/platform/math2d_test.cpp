#include "platform/math2d.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rect.h"

using platform::ColorF;
using platform::Letterbox;
using platform::Matrix;
using platform::Vector2;

TEST(Math2D, Transformation2DScalesThenRotatesAboutScaledCentreThenTranslates) {
  struct Case {
    Vector2 scale;
    Vector2 centre;
    float rotation;
    Vector2 translation;
    Vector2 in;
    Vector2 expected;
  };
  const float kHalfPi = 1.5707964f;
  const Case cases[] = {
      // The centre is taken in scaled units: (0, 0) turns about (10, 10) to (20, 0).
      {{2, 2}, {10, 10}, kHalfPi, {0, 0}, {0, 0}, {20, 0}}, {{1, 1}, {0, 0}, 0, {5, -3}, {1, 2}, {6, -1}},
      {{3, 0.5f}, {0, 0}, 0, {1, 1}, {2, 4}, {7, 3}},       {{-1, 1}, {0, 0}, 0, {100, 0}, {10, 0}, {90, 0}},
      {{1, 1}, {0, 0}, kHalfPi, {0, 0}, {1, 0}, {0, 1}},
  };
  for (const Case& c : cases) {
    Matrix m = platform::Transformation2D(nullptr, 0.0f, &c.scale, &c.centre, c.rotation, &c.translation);
    Vector2 out = platform::TransformCoord(c.in, m);
    EXPECT_NEAR(out.x, c.expected.x, 1e-4) << c.in.x << "," << c.in.y;
    EXPECT_NEAR(out.y, c.expected.y, 1e-4) << c.in.x << "," << c.in.y;
  }
  // Null arguments mean no scaling, no centre and no translation.
  Matrix identity = platform::Transformation2D(nullptr, 0.0f, nullptr, nullptr, 0.0f, nullptr);
  EXPECT_EQ(identity, Matrix::Identity());
  Vector2 in[2] = {{1, 2}, {3, 4}};
  Vector2 out[2];
  Vector2 t(10, 20);
  platform::TransformCoordArray(out, in, 2, platform::Transformation2D(nullptr, 0, nullptr, nullptr, 0, &t));
  EXPECT_EQ(out[0], Vector2(11, 22));
  EXPECT_EQ(out[1], Vector2(13, 24));
}

TEST(Math2D, NormalizeKeepsZeroAndCatmullRomHitsItsEnds) {
  EXPECT_EQ(platform::Normalize({0, 0}), Vector2(0, 0));
  EXPECT_EQ(platform::Normalize({3, 4}), Vector2(0.6f, 0.8f));
  Vector2 p0(0, 0), p1(1, 2), p2(5, 3), p3(9, 0);
  EXPECT_EQ(platform::CatmullRom(p0, p1, p2, p3, 0.0f), p1);
  EXPECT_EQ(platform::CatmullRom(p0, p1, p2, p3, 1.0f), p2);
  Vector2 mid = platform::CatmullRom(p0, p1, p2, p3, 0.5f);
  // 0.5 * (2P1 + (-P0+P2)/2 + (2P0-5P1+4P2-P3)/4 + (-P0+3P1-3P2+P3)/8)
  EXPECT_FLOAT_EQ(mid.x, 0.5f * (2.0f + 2.5f + (20.0f - 5.0f - 9.0f) / 4.0f + (3.0f - 15.0f + 9.0f) / 8.0f));
}

TEST(Math2D, InverseUndoesTheMatrixAndRefusesSingularOnes) {
  const Vector2 scale(2.0f, -0.5f), centre(7.0f, 3.0f), move(-40.0f, 125.5f);
  Matrix projective = Matrix::Scaling(1.5f, 0.5f, 2.0f) * Matrix::Translation(3.0f, 1.0f, -2.0f);
  projective.m[0][3] = 0.01f;
  projective.m[1][2] = 0.25f;
  const Matrix matrices[] = {
      Matrix::Identity(),
      Matrix::RotationZ(0.7f) * Matrix::Translation(12.0f, -4.0f),
      platform::Transformation2D(nullptr, 0.0f, &scale, &centre, 2.1f, &move),
      projective,
  };
  for (const Matrix& m : matrices) {
    Matrix inverse;
    ASSERT_TRUE(platform::Inverse(m, &inverse));
    Matrix product = m * inverse;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) EXPECT_NEAR(product.m[i][j], i == j ? 1.0f : 0.0f, 1e-5f) << i << "," << j;
    Vector2 p(33.0f, -17.0f);
    Vector2 back = platform::TransformCoord(platform::TransformCoord(p, m), inverse);
    EXPECT_NEAR(back.x, p.x, 1e-3f);
    EXPECT_NEAR(back.y, p.y, 1e-3f);
  }
  // An affine inverse keeps w at exactly 1.
  Matrix affine;
  ASSERT_TRUE(platform::Inverse(matrices[2], &affine));
  EXPECT_EQ(affine.m[3][3], 1.0f);
  EXPECT_EQ(affine.m[0][3], 0.0f);
  Matrix untouched = Matrix::Translation(1, 2);
  EXPECT_FALSE(platform::Inverse(Matrix::Scaling(0.0f, 1.0f), &untouched));
  Matrix flat = projective;
  for (float& v : flat.m[1]) v = 0.0f;
  EXPECT_FALSE(platform::Inverse(flat, &untouched));
  EXPECT_EQ(untouched, Matrix::Translation(1, 2));
}

TEST(Math2D, ColourFromArgbUsesTheFloatReciprocal) {
  ColorF c = ColorF::FromArgb(0x80FF0001);
  EXPECT_EQ(c.a, 128 * 0.003921569f);
  EXPECT_EQ(c.r, 255 * 0.003921569f);
  EXPECT_EQ(c.g, 0.0f);
  EXPECT_EQ(c.b, 0.003921569f);
  EXPECT_EQ(ColorF::FromArgb(0xFFFFFFFF).r, 1.0f);
  for (uint32_t argb : {0x00000000u, 0xFFFFFFFFu, 0x80402010u, 0x12345678u})
    EXPECT_EQ(ColorF::FromArgb(argb).ToArgb(), argb) << std::hex << argb;
}

TEST(Letterbox, KeepsProportionsAndMapsTheMouseBack) {
  struct Case {
    int bw, bh, aw, ah;
    Letterbox expected;
  };
  const Case cases[] = {
      {1024, 768, 1024, 768, {0, 0, 1024, 768}},     {1024, 768, 2048, 1536, {0, 0, 2048, 1536}},
      {1024, 768, 1920, 1080, {240, 0, 1440, 1080}},  // bars left and right
      {1280, 720, 1280, 1024, {0, 152, 1280, 720}},   // bars top and bottom
      {1280, 1024, 1024, 768, {32, 0, 960, 768}},     // larger than the area: scaled down
  };
  for (const Case& c : cases) {
    Letterbox box = Letterbox::Compute(c.bw, c.bh, c.aw, c.ah);
    EXPECT_EQ(box.x, c.expected.x);
    EXPECT_EQ(box.y, c.expected.y);
    EXPECT_EQ(box.width, c.expected.width);
    EXPECT_EQ(box.height, c.expected.height);
  }
  Letterbox box = Letterbox::Compute(1024, 768, 1920, 1080);
  double x, y;
  box.ToBackBuffer(240, 0, 1024, 768, x, y);
  EXPECT_EQ(x, 0.0);
  EXPECT_EQ(y, 0.0);
  box.ToBackBuffer(240 + 1440, 1080, 1024, 768, x, y);
  EXPECT_EQ(x, 1024.0);
  EXPECT_EQ(y, 768.0);
  box.ToBackBuffer(100, 540, 1024, 768, x, y);  // on the bar: outside the back buffer
  EXPECT_LT(x, 0.0);
}

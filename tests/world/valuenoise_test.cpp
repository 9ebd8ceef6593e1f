// Value noise: pinned values (worked out independently of this code), the lattice's
// structure, the smoothing and interpolation identities and the octave sums.
#include "world/valuenoise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

TEST(ValueNoise, LatticeValuesArePinned) {
  struct Case {
    int32_t x, y, seed;
    double noise1;  // Noise1(x, seed)
    double noise2;  // Noise2(x, y, seed)
  } cases[] = {
      // Noise1(0, 0): m = 0, h = 1376312589 >= 2^30, so 0.0.
      {0, 0, 0, 0.0, 0.0},         {1, 0, 0, 1.0, 0.0},         {2, 0, 0, 0.0, 1.0}, {3, 0, 0, 1.0, 0.0},
      {4, 0, 0, 1.0, 1.0},         {5, 0, 0, 0.0, 0.0},         {6, 0, 0, 1.0, 1.0}, {7, 0, 0, 1.0, 1.0},
      {0, 0, 1, 0.0, 0.0},         {1, 0, 1, 1.0, 1.0},         {2, 0, 1, 1.0, 0.0}, {3, 0, 1, 0.0, 1.0},
      {3, -1, 0, 1.0, 1.0},        {3, 1, 0, 1.0, 0.0},         {3, 2, 0, 1.0, 1.0}, {-5, -7, 99, 1.0, 1.0},
      {INT32_MIN, 0, 0, 0.0, 0.0}, {INT32_MAX, 0, 5, 1.0, 1.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Noise1(c.x, c.seed), c.noise1) << c.x << " " << c.seed;
    EXPECT_EQ(Noise2(c.x, c.y, c.seed), c.noise2) << c.x << " " << c.y << " " << c.seed;
  }
}

// m = n * 57 + seed for one dimension and y * 57 + x + seed for two: a seed 57 higher is
// one lattice step further, and so is a seed 1 higher in x. Every value is 0 or 1, smoothed
// values are multiples of 1/4 (1D) and 1/16 (2D), also where the coordinates wrap.
TEST(ValueNoise, LatticeStructure) {
  const int32_t coords[] = {INT32_MIN, INT32_MIN + 1, -1000, -1, 0, 1, 2, 57, 999, INT32_MAX - 1, INT32_MAX};
  const int32_t seeds[] = {INT32_MIN, -58, 0, 1, 7, 12345, INT32_MAX};
  int ones = 0, values = 0;
  for (int32_t s : seeds) {
    for (int32_t x : coords) {
      const int32_t next = int32_t(uint32_t(x) + 1u);
      const int32_t seed57 = int32_t(uint32_t(s) + 57u);
      const int32_t seed1 = int32_t(uint32_t(s) + 1u);
      EXPECT_EQ(Noise1(x, seed57), Noise1(next, s));
      EXPECT_EQ(Noise2(x, 3, seed57), Noise2(x, 4, s));
      EXPECT_EQ(Noise2(x, -9, seed1), Noise2(next, -9, s));
      for (int32_t y : {-1, 0, 1, INT32_MAX}) {
        const double n = Noise2(x, y, s);
        EXPECT_TRUE(n == 0.0 || n == 1.0);
        ones += n == 1.0;
        ++values;
        const double s2 = SmoothedNoise2(x, y, s) * 16;
        EXPECT_EQ(s2, std::floor(s2));
        EXPECT_GE(s2, 0.0);
        EXPECT_LE(s2, 16.0);
      }
      const double s1 = SmoothedNoise1(x, s) * 4;
      EXPECT_EQ(s1, std::floor(s1));
      EXPECT_GE(s1, 0.0);
      EXPECT_LE(s1, 4.0);
    }
  }
  EXPECT_GT(ones, values / 4) << "both values occur";
  EXPECT_LT(ones, values * 3 / 4);
}

TEST(ValueNoise, SmoothedValuesArePinned) {
  struct Case {
    int32_t x, y, seed;
    double expected;
    bool twoD;
  } cases[] = {
      {0, 0, 0, 0.25, false},        {1, 0, 0, 0.5, false},   {2, 0, 0, 0.5, false},
      {3, 0, 0, 0.75, false},        {4, 0, 0, 0.75, false},  {INT32_MIN, 0, 0, 0.25, false},
      {INT32_MAX, 0, 3, 0.5, false}, {0, 2, 7, 0.5625, true}, {1, 2, 7, 0.6875, true},
      {2, 2, 7, 0.5625, true},       {3, 2, 7, 0.375, true},  {4, 2, 7, 0.5, true},
      {5, 2, 7, 0.5625, true},
  };
  for (const auto& c : cases) {
    const double got = c.twoD ? SmoothedNoise2(c.x, c.y, c.seed) : SmoothedNoise1(c.x, c.seed);
    EXPECT_EQ(got, c.expected) << c.x << " " << c.y << " " << c.seed;
  }
}

TEST(ValueNoise, InterpolationIsPinned) {
  struct Case {
    const char* what;
    double got;
    double expected;
  } cases[] = {
      // pi rounded to single precision: cos(pi_f / 2) is not 0, so the midpoint is not 0.5.
      {"CosineInterpolate(0, 1, 0.5)", CosineInterpolate(0.0, 1.0, 0.5), 0.500000021855695},
      {"CosineInterpolate(0.25, 0.75, 0.3)", CosineInterpolate(0.25, 0.75, 0.3), 0.35305369223137034},
      {"CosineInterpolate(a, b, 0)", CosineInterpolate(0.25, 0.75, 0.0), 0.25},
      {"InterpolatedNoise1(3.3, 3)", InterpolatedNoise1(3.3, 3), 0.6469463077686297},
      {"InterpolatedNoise1(3.3, 9)", InterpolatedNoise1(3.3, 9), 0.551526846115685},
      // Truncation toward zero: i = 0 and t = -0.25 (flooring would give 0.21338835344368456).
      {"InterpolatedNoise1(-0.25, 0)", InterpolatedNoise1(-0.25, 0), 0.28661165428347035},
      // Out of range: i = -2147483648 and t = 3e10 + 2147483648.
      {"InterpolatedNoise1(3e10, 0)", InterpolatedNoise1(3.0e10, 0), 0.4080717309684334},
      {"InterpolatedNoise1(-3e10, 0)", InterpolatedNoise1(-3.0e10, 0), 0.4972511782338442},
      {"InterpolatedNoise2(1.25, 3.5, 9)", InterpolatedNoise2(1.25, 3.5, 9), 0.2995558281076296},
      {"InterpolatedNoise2(-1.25, 0.75, 9)", InterpolatedNoise2(-1.25, 0.75, 9), 0.5700825263019494},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
  EXPECT_TRUE(std::isnan(InterpolatedNoise1(NAN, 0)));
}

TEST(ValueNoise, InterpolationMeetsTheLatticeAtWholeNumbers) {
  for (int32_t seed : {0, 5, -77}) {
    for (int32_t i = -20; i <= 20; ++i) {
      EXPECT_EQ(InterpolatedNoise1(i, seed), SmoothedNoise1(i, seed));
      EXPECT_EQ(InterpolatedNoise2(i, 3 - i, seed), SmoothedNoise2(i, 3 - i, seed));
      EXPECT_EQ(NoiseOctaves2(i, 3 - i, 0.7, 1, seed), SmoothedNoise2(i, 3 - i, seed));
    }
  }
}

// InterpolatedNoise2 shares one block of lattice values among its four smoothed corners;
// it must give the same bits as the plain composition, also where coordinates wrap.
TEST(ValueNoise, InterpolatedNoise2IsTheCompositionOfItsParts) {
  const double coords[] = {-3.0e10, -2147483648.5, -17.75,  -1.0,         -0.3,          0.0,   0.01,
                           0.5,     2.999,         1234.56, 2147483646.5, 2147483647.25, 5.0e12};
  for (int32_t seed : {0, 9, -123456}) {
    for (double x : coords) {
      for (double y : coords) {
        // Out of range takes -2147483648, as the processor's conversion does.
        const auto lattice = [](double v) {
          return v >= 2147483648.0 || v <= -2147483649.0 ? INT32_MIN : int32_t(std::trunc(v));
        };
        const int32_t cx = lattice(x), cy = lattice(y);
        const int32_t nx = int32_t(uint32_t(cx) + 1u), ny = int32_t(uint32_t(cy) + 1u);
        const double top =
            CosineInterpolate(SmoothedNoise2(cx, cy, seed), SmoothedNoise2(nx, cy, seed), x - cx);
        const double bottom =
            CosineInterpolate(SmoothedNoise2(cx, ny, seed), SmoothedNoise2(nx, ny, seed), x - cx);
        EXPECT_EQ(InterpolatedNoise2(x, y, seed), CosineInterpolate(top, bottom, y - cy)) << x << " " << y;
      }
    }
  }
}

TEST(ValueNoise, OctaveSums) {
  struct Case {
    const char* what;
    double got;
    double expected;
  } cases[] = {
      {"NoiseOctaves1(0.37, 0.5, 3, 7)", NoiseOctaves1(0.37, 0.5, 3, 7), 1.4482836904036767},
      {"NoiseOctaves1(12.5, 0.5, 4, -3)", NoiseOctaves1(12.5, 0.5, 4, -3), 1.2500000054639238},
      // Undivided: three octaves at persistence 0.5 reach 1 + 0.5 + 0.25.
      {"NoiseOctaves1(610, 0.5, 3, 0)", NoiseOctaves1(610.0, 0.5, 3, 0), 1.75},
      // The stages' 50 octaves ask cos of arguments far beyond 2^32.
      {"NoiseOctaves1(0.123, 0.75, 50, 1234)", NoiseOctaves1(0.123, 0.75, 50, 1234), 3.7422016657276123},
      {"NoiseOctaves2(0.37, 1.6, 0.5, 4, 11)", NoiseOctaves2(0.37, 1.6, 0.5, 4, 11), 0.5623345403999593},
      {"NoiseOctaves2(5.3, 7.9, 0.75, 50, 0)", NoiseOctaves2(5.3, 7.9, 0.75, 50, 0), 0.4691070883975963},
      {"NoiseOctaves1 without octaves", NoiseOctaves1(0.37, 0.5, 0, 7), 0.0},
      {"NoiseOctaves2 without octaves", NoiseOctaves2(0.37, 1.6, 0.5, 0, 11), 0.0},
      {"NoiseOctaves2 with negative octaves", NoiseOctaves2(0.37, 1.6, 0.5, -3, 11), 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;

  for (double x : {-7.3, 0.37, 2.0, 1e6 + 0.1}) {
    EXPECT_EQ(NoiseOctaves1(x, 0.9, 1, 4), InterpolatedNoise1(x, 4)) << x;
    for (double p : {0.0, 0.5, 3.0})
      EXPECT_EQ(NoiseOctaves2(x, x / 3, p, 1, 4), InterpolatedNoise2(x, x / 3, 4)) << x;
    const double mean = NoiseOctaves2(x, 1.5, 0.6, 8, 4);
    EXPECT_GE(mean, 0.0);
    EXPECT_LE(mean, 1.0);
  }
}

TEST(ValueNoise, PowersBySquaring) {
  struct Case {
    double base;
    int32_t exponent;
    double expected;
  } cases[] = {
      {2.0, 0, 1.0},
      {2.0, 10, 1024.0},
      {2.0, -3, 0.125},
      {0.75, 31, 0.00013393656762751105},
      // The squaring order rounds differently from a correctly rounded power (1e-4 + 2 ulp).
      {0.1, 4, 0.00010000000000000005},
      {0.1, 5, 1.0000000000000006e-05},
      {1.1, 7, 1.9487171000000012},
      {-2.0, 3, -8.0},
      {0.5, INT32_MIN, INFINITY},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PowerBySquaring(c.base, c.exponent), c.expected) << c.base << "^" << c.exponent;
}

TEST(ValueNoise, TheGridGivesTheOctaveMeanToTheBit) {
  // Columns walked down their rows, as the shape fills ask: every value equals NoiseOctaves2
  // at (x * scale, y * scale), across cells, negative coordinates and huge ones included.
  struct Case {
    double scale, persistence;
    int32_t octaves, seed, x0, x1, y0, y1;
  } cases[] = {
      {0.03, 0.5, 2, 0, -70, 70, -90, 90},  {0.05, 0.5, 1, 0, 0, 40, 0, 200},
      {0.37, 0.8, 5, 17, -20, 20, -30, 30}, {3e5, 0.5, 3, 2, -3, 3, -4, 4},
      {0.02, 0.5, 0, 0, 0, 3, 0, 3},
  };
  for (const Case& c : cases) {
    NoiseGrid2 grid(c.scale, c.persistence, c.octaves, c.seed, c.y0, c.y1);
    int32_t apart = 0;
    for (int32_t x = c.x0; x < c.x1; ++x) {
      NoiseGrid2::Column column(grid, x);
      // Rows skipped now and then, as a fill skips the pixels it leaves alone.
      for (int32_t y = c.y0; y < c.y1; y += 1 + (x & 1))
        apart += column.At(y) != NoiseOctaves2(x * c.scale, y * c.scale, c.persistence, c.octaves, c.seed);
    }
    EXPECT_EQ(apart, 0) << c.scale << " " << c.octaves;
  }
}

// Value noise in one and two dimensions.
#include "world/valuenoise.h"

#include <algorithm>
#include <cmath>

#include "platform/numeric.h"

namespace {

// The lattice hash, in unsigned arithmetic: the products overflow by design, which for
// signed integers would be undefined.
inline double Lattice(uint32_t m) {
  m = (m << 13) ^ m;
  const uint32_t h = (m * (m * m * 15731u + 789221u) + 1376312589u) & 0x7FFFFFFFu;
  // An integer quotient: every lattice value is exactly 1.0 or 0.0.
  return 1.0 - double(h / 1073741824u);
}

inline int32_t Step(int32_t v, int32_t d) { return int32_t(uint32_t(v) + uint32_t(d)); }

// The cosine interpolation in two steps, so that a weight used twice is computed once.
inline double CosineWeight(double t) {
  const double ft = t * 3.1415927410125732;
  return (1.0 - std::cos(ft)) * 0.5;
}
inline double Blend(double a, double b, double f) { return a * (1.0 - f) + b * f; }

}  // namespace

double Noise1(int32_t n, int32_t seed) { return Lattice(uint32_t(n) * 57u + uint32_t(seed)); }

double Noise2(int32_t x, int32_t y, int32_t seed) {
  return Lattice(uint32_t(y) * 57u + uint32_t(x) + uint32_t(seed));
}

double SmoothedNoise1(int32_t x, int32_t seed) {
  return Noise1(x, seed) / 2 + Noise1(Step(x, -1), seed) / 4 + Noise1(Step(x, 1), seed) / 4;
}

double SmoothedNoise2(int32_t x, int32_t y, int32_t seed) {
  const int32_t xl = Step(x, -1), xr = Step(x, 1), yu = Step(y, -1), yd = Step(y, 1);
  const double corners =
      (Noise2(xl, yu, seed) + Noise2(xr, yu, seed) + Noise2(xl, yd, seed) + Noise2(xr, yd, seed)) / 16;
  const double sides =
      (Noise2(xl, y, seed) + Noise2(xr, y, seed) + Noise2(x, yu, seed) + Noise2(x, yd, seed)) / 8;
  const double centre = Noise2(x, y, seed) / 4;
  return corners + sides + centre;
}

double CosineInterpolate(double a, double b, double t) { return Blend(a, b, CosineWeight(t)); }

double InterpolatedNoise1(double x, int32_t seed) {
  const int32_t i = platform::TruncToInt(x);
  const double t = x - i;
  return CosineInterpolate(SmoothedNoise1(i, seed), SmoothedNoise1(Step(i, 1), seed), t);
}

double InterpolatedNoise2(double x, double y, int32_t seed) {
  const int32_t ix = platform::TruncToInt(x);
  const int32_t iy = platform::TruncToInt(y);
  const double tx = x - ix;
  const double ty = y - iy;
  // The four smoothed corners share their neighbours: hash the 4 x 4 lattice block once.
  // Lattice values are 0 or 1, so every partial sum below is exact and the result is the
  // same as from four separate SmoothedNoise2 calls.
  double n[4][4];
  for (int r = 0; r < 4; ++r) {
    const int32_t yy = Step(iy, r - 1);
    for (int c = 0; c < 4; ++c) n[r][c] = Noise2(Step(ix, c - 1), yy, seed);
  }
  const auto smoothed = [&n](int r, int c) {
    const double corners = (n[r - 1][c - 1] + n[r - 1][c + 1] + n[r + 1][c - 1] + n[r + 1][c + 1]) / 16;
    const double sides = (n[r][c - 1] + n[r][c + 1] + n[r - 1][c] + n[r + 1][c]) / 8;
    return corners + sides + n[r][c] / 4;
  };
  const double fx = CosineWeight(tx);
  const double top = Blend(smoothed(1, 1), smoothed(1, 2), fx);
  const double bottom = Blend(smoothed(2, 1), smoothed(2, 2), fx);
  return Blend(top, bottom, CosineWeight(ty));
}

double NoiseOctaves1(double x, double persistence, int32_t octaves, int32_t seed) {
  double total = 0.0;
  for (int32_t i = 0; i < octaves; ++i)
    total += InterpolatedNoise1(x * PowerBySquaring(2.0, i), seed) * PowerBySquaring(persistence, i);
  return total;
}

double NoiseOctaves2(double x, double y, double persistence, int32_t octaves, int32_t seed) {
  // Without octaves there is nothing to average (it would be 0 / 0).
  if (octaves <= 0) return 0.0;
  double total = 0.0;
  double weights = 0.0;
  for (int32_t i = 0; i < octaves; ++i) {
    const double w = PowerBySquaring(persistence, i);
    const double frequency = PowerBySquaring(2.0, i);
    weights += w;
    total += InterpolatedNoise2(x * frequency, y * frequency, seed) * w;
  }
  return total / weights;
}

double PowerBySquaring(double base, int32_t exponent) {
  double result = 1.0;
  uint32_t e = exponent < 0 ? 0u - uint32_t(exponent) : uint32_t(exponent);
  while (e != 0) {
    if (e & 1u) result *= base;
    e >>= 1;
    base *= base;
  }
  return exponent < 0 ? 1.0 / result : result;
}

NoiseGrid2::NoiseGrid2(double scale, double persistence, int32_t octaves, int32_t seed, int32_t firstRow,
                       int32_t endRow)
    : m_scale(scale),
      m_octaves(std::max(octaves, 0)),
      m_seed(seed),
      m_firstRow(firstRow),
      m_rowCount(std::max(endRow - firstRow, 0)) {
  // The weights summed in octave order, as NoiseOctaves2 sums them.
  for (int32_t i = 0; i < m_octaves; ++i) {
    m_weights.push_back(PowerBySquaring(persistence, i));
    m_frequencies.push_back(PowerBySquaring(2.0, i));
    m_weightSum += m_weights.back();
  }
  m_rows.resize(size_t(m_octaves) * size_t(m_rowCount));
  for (int32_t i = 0; i < m_octaves; ++i)
    for (int32_t r = 0; r < m_rowCount; ++r) {
      const double y = double(firstRow + r) * m_scale * m_frequencies[size_t(i)];
      const int32_t iy = platform::TruncToInt(y);
      m_rows[size_t(i) * size_t(m_rowCount) + size_t(r)] = {iy, CosineWeight(y - iy)};
    }
}

NoiseGrid2::Column::Column(const NoiseGrid2& grid, int32_t x)
    : m_grid(grid), m_octaves(size_t(grid.m_octaves)) {
  for (int32_t i = 0; i < grid.m_octaves; ++i) {
    const double xf = double(x) * grid.m_scale * grid.m_frequencies[size_t(i)];
    const int32_t ix = platform::TruncToInt(xf);
    m_octaves[size_t(i)] = {ix, CosineWeight(xf - ix), 0, false, 0.0, 0.0};
  }
}

double NoiseGrid2::Column::At(int32_t y) {
  if (m_octaves.empty()) return 0.0;
  double total = 0.0;
  for (size_t i = 0; i < m_octaves.size(); ++i) {
    Octave& o = m_octaves[i];
    const Row& row = m_grid.m_rows[i * size_t(m_grid.m_rowCount) + size_t(y - m_grid.m_firstRow)];
    if (!o.cached || o.cellRow != row.iy) {
      // The cell's smoothed corners, blended across the column, as InterpolatedNoise2 does.
      double n[4][4];
      for (int r = 0; r < 4; ++r) {
        const int32_t yy = Step(row.iy, r - 1);
        for (int c = 0; c < 4; ++c) n[r][c] = Noise2(Step(o.ix, c - 1), yy, m_grid.m_seed);
      }
      const auto smoothed = [&n](int r, int c) {
        const double corners = (n[r - 1][c - 1] + n[r - 1][c + 1] + n[r + 1][c - 1] + n[r + 1][c + 1]) / 16;
        const double sides = (n[r][c - 1] + n[r][c + 1] + n[r - 1][c] + n[r + 1][c]) / 8;
        return corners + sides + n[r][c] / 4;
      };
      o.top = Blend(smoothed(1, 1), smoothed(1, 2), o.fx);
      o.bottom = Blend(smoothed(2, 1), smoothed(2, 2), o.fx);
      o.cellRow = row.iy;
      o.cached = true;
    }
    total += Blend(o.top, o.bottom, row.fy) * m_grid.m_weights[i];
  }
  return total / m_grid.m_weightSum;
}

// Value noise: a lattice of values 0.0 or 1.0 hashed from integer coordinates and a seed,
// smoothed, blended with a cosine and summed over octaves, in one and two dimensions. The
// landscape stages build noise lines and fields from it; every value depends only on the
// arguments, bit for bit, so that a level seed gives the same landscape on every machine.
#pragma once

#include <cstdint>
#include <vector>

// Lattice values, exactly 0.0 or 1.0. Coordinates wrap modulo 2^32.
double Noise1(int32_t n, int32_t seed);
double Noise2(int32_t x, int32_t y, int32_t seed);

// Weighted with the neighbours: 1/2 centre and 1/4 each side in 1D; 1/4 centre, 1/8 each
// side and 1/16 each diagonal neighbour in 2D.
double SmoothedNoise1(int32_t x, int32_t seed);
double SmoothedNoise2(int32_t x, int32_t y, int32_t seed);

// a * (1 - f) + b * f with f = (1 - cos(t * pi)) / 2, pi rounded to single precision.
double CosineInterpolate(double a, double b, double t);

// Continuous noise between the lattice points. The coordinate is split by truncation
// toward zero (so the fraction is negative for negative coordinates); a coordinate outside
// the 32-bit range takes the lattice point -2147483648.
double InterpolatedNoise1(double x, int32_t seed);
double InterpolatedNoise2(double x, double y, int32_t seed);

// Sum over octaves i = 0 .. octaves - 1 of InterpolatedNoise1(x * 2^i) * persistence^i,
// not divided by the weights: it lies between 0 and the sum of the weights.
double NoiseOctaves1(double x, double persistence, int32_t octaves, int32_t seed);
// The mean of the 2D octaves weighted by persistence^i, in [0, 1]; 0.0 for no octaves.
double NoiseOctaves2(double x, double y, double persistence, int32_t octaves, int32_t seed);

// base^exponent by repeated squaring (the octave sums' powers; its rounding differs from
// std::pow). A negative exponent gives 1 / base^-exponent.
double PowerBySquaring(double base, int32_t exponent);

// NoiseOctaves2(x * scale, y * scale, persistence, octaves, seed) at whole-number points of
// a band of rows, to the same bits, for fills that ask for every pixel of a column: the
// terms of each row are worked out once, those of a column once per column, and a lattice
// cell's corners once while the column stays in it.
class NoiseGrid2 {
 public:
  NoiseGrid2(double scale, double persistence, int32_t octaves, int32_t seed, int32_t firstRow,
             int32_t endRow);

  class Column {
   public:
    Column(const NoiseGrid2& grid, int32_t x);
    // The value at row y, firstRow <= y < endRow.
    double At(int32_t y);

   private:
    struct Octave {
      int32_t ix;
      double fx;
      int32_t cellRow;
      bool cached;
      double top, bottom;
    };
    const NoiseGrid2& m_grid;
    std::vector<Octave> m_octaves;
  };

 private:
  struct Row {
    int32_t iy;
    double fy;
  };
  double m_scale;
  int32_t m_octaves;
  int32_t m_seed;
  int32_t m_firstRow;
  std::vector<double> m_weights;
  std::vector<double> m_frequencies;
  double m_weightSum = 0.0;
  // Octave-major: row r of octave i at i * rows + (r - firstRow).
  std::vector<Row> m_rows;
  int32_t m_rowCount;
};

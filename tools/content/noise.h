// Seeded, tileable noise for the texture and art generators: lattice value noise, fractal
// sums of it, and cellular (nearest feature point) distances. Pure integer hashing, so the
// same seed gives the same bytes everywhere.
#pragma once

#include <cstdint>

namespace content {

uint32_t Hash(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);
// A hash as a fraction 0..1.
double HashUnit(uint32_t a, uint32_t b = 0, uint32_t c = 0, uint32_t d = 0);

// Value noise 0..1 at (x, y) in lattice cells; the lattice repeats every periodX × periodY
// cells, so a texture that spans whole periods tiles seamlessly.
double ValueNoise(double x, double y, int periodX, int periodY, uint32_t seed);

struct Fractal {
  int cellsX = 4, cellsY = 4;  // lattice cells across the tile at the first octave
  int octaves = 5;
  double gain = 0.5;  // amplitude factor per octave; the frequency doubles
  uint32_t seed = 1;
};

// Fractal sum of value noise over a tile, u and v in 0..1 (wrapping); result 0..1.
double Fbm(double u, double v, const Fractal& f);
// Ridged sum: sharp creases where the noise crosses its middle; result 0..1.
double Ridged(double u, double v, const Fractal& f);

struct Cells {
  double f1 = 0, f2 = 0;  // distance to the nearest and second nearest feature, in cells
  uint32_t id = 0;        // hash of the nearest feature's cell
};
// Cellular noise over a tile of cellsX × cellsY cells (one feature point per cell), u and v
// in 0..1 (wrapping).
Cells Cellular(double u, double v, int cellsX, int cellsY, uint32_t seed);

// One-dimensional fractal noise along a loop of the given period (in lattice cells).
double Fbm1(double x, int period, int octaves, double gain, uint32_t seed);

// A small deterministic generator for choices during generation (not for the game).
class Rng {
 public:
  explicit Rng(uint32_t seed) : m_state(seed * 2654435761u + 0x9E3779B9u) {}
  uint32_t Next();
  double Unit() { return (Next() >> 8) * (1.0 / 16777216.0); }  // 0 <= r < 1
  double Range(double a, double b) { return a + (b - a) * Unit(); }
  int Int(int n) { return int(Unit() * n); }  // 0 .. n-1

 private:
  uint32_t m_state;
};

}  // namespace content

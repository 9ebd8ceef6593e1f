// Tileable value, fractal and cellular noise.
#include "content/noise.h"

#include <cmath>
#include <initializer_list>

namespace content {

uint32_t Hash(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  uint32_t h = 0x811C9DC5u;
  for (uint32_t v : {a, b, c, d}) {
    h ^= v + 0x9E3779B9u + (h << 6) + (h >> 2);
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
  }
  return h;
}

double HashUnit(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  return (Hash(a, b, c, d) >> 8) * (1.0 / 16777215.0);
}

static int Wrap(int i, int n) {
  int r = i % n;
  return r < 0 ? r + n : r;
}

static double Quintic(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double ValueNoise(double x, double y, int periodX, int periodY, uint32_t seed) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = int(fx), iy = int(fy);
  double tx = Quintic(x - fx), ty = Quintic(y - fy);
  int x0 = Wrap(ix, periodX), x1 = Wrap(ix + 1, periodX);
  int y0 = Wrap(iy, periodY), y1 = Wrap(iy + 1, periodY);
  double a = HashUnit(uint32_t(x0), uint32_t(y0), seed), b = HashUnit(uint32_t(x1), uint32_t(y0), seed);
  double c = HashUnit(uint32_t(x0), uint32_t(y1), seed), d = HashUnit(uint32_t(x1), uint32_t(y1), seed);
  double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

static double Wrap01(double v) { return v - std::floor(v); }

double Fbm(double u, double v, const Fractal& f) {
  u = Wrap01(u);
  v = Wrap01(v);
  double sum = 0, amp = 1, norm = 0;
  int cx = f.cellsX, cy = f.cellsY;
  for (int o = 0; o < f.octaves; ++o) {
    sum += amp * ValueNoise(u * cx, v * cy, cx, cy, f.seed + uint32_t(o) * 7919u);
    norm += amp;
    amp *= f.gain;
    cx *= 2;
    cy *= 2;
  }
  return sum / norm;
}

double Ridged(double u, double v, const Fractal& f) {
  u = Wrap01(u);
  v = Wrap01(v);
  double sum = 0, amp = 1, norm = 0;
  int cx = f.cellsX, cy = f.cellsY;
  for (int o = 0; o < f.octaves; ++o) {
    double n = ValueNoise(u * cx, v * cy, cx, cy, f.seed + uint32_t(o) * 104729u);
    double r = 1.0 - std::fabs(2.0 * n - 1.0);
    sum += amp * r * r;
    norm += amp;
    amp *= f.gain;
    cx *= 2;
    cy *= 2;
  }
  return sum / norm;
}

Cells Cellular(double u, double v, int cellsX, int cellsY, uint32_t seed) {
  double x = Wrap01(u) * cellsX, y = Wrap01(v) * cellsY;
  int ix = int(std::floor(x)), iy = int(std::floor(y));
  Cells out;
  out.f1 = out.f2 = 1e9;
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      int cx = ix + dx, cy = iy + dy;
      uint32_t wx = uint32_t(Wrap(cx, cellsX)), wy = uint32_t(Wrap(cy, cellsY));
      double px = cx + HashUnit(wx, wy, seed, 1), py = cy + HashUnit(wx, wy, seed, 2);
      double d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < out.f1) {
        out.f2 = out.f1;
        out.f1 = d;
        out.id = Hash(wx, wy, seed, 3);
      } else if (d < out.f2) {
        out.f2 = d;
      }
    }
  }
  return out;
}

double Fbm1(double x, int period, int octaves, double gain, uint32_t seed) {
  double sum = 0, amp = 1, norm = 0;
  int p = period;
  double scale = 1;
  for (int o = 0; o < octaves; ++o) {
    double xs = x * scale;
    double fx = std::floor(xs);
    int i = int(fx);
    double t = Quintic(xs - fx);
    double a = HashUnit(uint32_t(Wrap(i, p)), seed, uint32_t(o), 9);
    double b = HashUnit(uint32_t(Wrap(i + 1, p)), seed, uint32_t(o), 9);
    sum += amp * (a + (b - a) * t);
    norm += amp;
    amp *= gain;
    p *= 2;
    scale *= 2;
  }
  return sum / norm;
}

uint32_t Rng::Next() {
  // xorshift32 on a state that is never zero
  uint32_t x = m_state ? m_state : 0x6D2B79F5u;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  m_state = x;
  return x;
}

}  // namespace content

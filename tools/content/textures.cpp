// Texture recipes: layered noise coloured through ramps and lit from the upper left.
#include "content/textures.h"

#include <cmath>

#include "content/noise.h"

namespace content {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Lighting factor from a wrapping height field: 1.0 on flat ground, brighter on slopes
// that face the upper left, darker on slopes facing away.
std::vector<double> Lighting(const std::vector<double>& h, int w, int ht, double strength) {
  std::vector<double> out(h.size());
  const double lx = -0.55, ly = -0.65, lz = 0.52;  // normalised light direction
  for (int y = 0; y < ht; ++y) {
    for (int x = 0; x < w; ++x) {
      auto at = [&](int xx, int yy) { return h[size_t((yy + ht) % ht) * w + size_t((xx + w) % w)]; };
      double nx = (at(x - 1, y) - at(x + 1, y)) * strength;
      double ny = (at(x, y - 1) - at(x, y + 1)) * strength;
      double len = std::sqrt(nx * nx + ny * ny + 1.0);
      double d = (nx * lx + ny * ly + lz) / len;
      out[size_t(y) * w + x] = 0.3 + 0.7 * std::max(0.0, d) / lz;
    }
  }
  return out;
}

// Per-pixel grain that repeats with the tile.
double Grain(int x, int y, uint32_t seed) { return HashUnit(uint32_t(x), uint32_t(y), seed, 77) - 0.5; }

double U(int x, int w) { return (x + 0.5) / w; }

template <typename HeightFn, typename ColourFn>
Image Lit(int w, int h, double strength, HeightFn height, ColourFn colour) {
  std::vector<double> field(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) field[size_t(y) * w + x] = height(x, y);
  auto light = Lighting(field, w, h, strength);
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      img.Set(x, y, colour(x, y, field[size_t(y) * w + x], light[size_t(y) * w + x]));
  return img;
}

Image Soil(int w, int h, uint32_t seed) {
  Fractal base{4, 4, 6, 0.55, seed};
  Fractal tint{3, 3, 4, 0.5, seed + 11};
  Ramp ramp({{0.0, 0x2E1B0F}, {0.35, 0x4E3120}, {0.6, 0x6B4529}, {0.85, 0x84603B}, {1.0, 0x9A7650}});
  auto pebble = [&](int x, int y, Cells* out) {
    Cells c = Cellular(U(x, w), U(y, h), 9, 9, seed + 5);
    if (out) *out = c;
    if (HashUnit(c.id) > 0.22) return 0.0;
    double r = 0.14 + 0.14 * HashUnit(c.id, 1);
    return SmoothStep(r, r * 0.55, c.f1);
  };
  return Lit(
      w, h, 45.0,
      [&](int x, int y) { return 0.85 * Fbm(U(x, w), U(y, h), base) + 0.15 * pebble(x, y, nullptr); },
      [&](int x, int y, double, double light) {
        Cells c;
        double p = pebble(x, y, &c);
        Rgb soil = ramp(Fbm(U(x, w), U(y, h), tint) * 1.2 - 0.1);
        Rgb stone = Mix(Hex(0x6A5A4A), Hex(0x8C7B66), HashUnit(c.id, 2));
        Rgb col = Mix(soil, stone, SmoothStep(0.0, 0.6, p) * 0.85);
        return col * (light * (1.0 + 0.12 * Grain(x, y, seed)));
      });
}

// The fills are stamped in tiles of 100 to 300 pixels and seen from far away, so each keeps
// its light and colour even at the scale of the tile: detail comes from many small features
// (cells, grains, fine noise), never from a few large blotches or regular bands, which would
// repeat as a grid or as stripes across a hill.
Image Rock(int w, int h, uint32_t seed) {
  Fractal base{8, 8, 5, 0.5, seed};
  Fractal fine{16, 16, 3, 0.5, seed + 1};
  Fractal tint{8, 8, 3, 0.5, seed + 2};
  Ramp ramp({{0.0, 0x3A3B3F}, {0.45, 0x5B5C60}, {0.75, 0x77777A}, {1.0, 0x96938D}});
  // Angular stones: cells of a fine grid, each its own shade, parted by dark joints.
  auto stones = [&](int x, int y, Cells* out) {
    Cells c = Cellular(U(x, w), U(y, h), 10, 10, seed + 3);
    if (out) *out = c;
    return SmoothStep(0.0, 0.08, c.f2 - c.f1);
  };
  return Lit(
      w, h, 22.0,
      [&](int x, int y) {
        return 0.5 * Fbm(U(x, w), U(y, h), base) + 0.3 * Fbm(U(x, w), U(y, h), fine) +
               0.2 * stones(x, y, nullptr);
      },
      [&](int x, int y, double, double light) {
        Cells c;
        double joint = stones(x, y, &c);
        double shade = 0.5 + 0.3 * (HashUnit(c.id) - 0.5) + 0.35 * (Fbm(U(x, w), U(y, h), tint) - 0.5) +
                       0.25 * (Fbm(U(x, w), U(y, h), fine) - 0.5);
        Rgb col = ramp(shade);
        col = col * (0.72 + 0.28 * joint);
        // Light only tilts the surface a little; the average stays the same everywhere.
        return col * ((0.8 + 0.2 * light) * (1.0 + 0.12 * Grain(x, y, seed)));
      });
}

Image Sand(int w, int h, uint32_t seed) {
  Fractal tint{8, 8, 4, 0.5, seed + 1};
  Fractal fine{32, 32, 2, 0.5, seed + 2};
  Ramp ramp({{0.0, 0xC29B5E}, {0.5, 0xD6B477}, {1.0, 0xE6CB94}});
  return Lit(
      w, h, 4.0,
      [&](int x, int y) { return 0.6 * Fbm(U(x, w), U(y, h), tint) + 0.4 * Fbm(U(x, w), U(y, h), fine); },
      [&](int x, int y, double, double light) {
        Rgb col = ramp(0.5 + 0.8 * (Fbm(U(x, w), U(y, h), tint) - 0.5) + 0.4 * (Fbm(U(x, w), U(y, h), fine) - 0.5));
        double g = Grain(x, y, seed);
        // Scattered darker and lighter grains, a few pebbles.
        double speck = HashUnit(uint32_t(x), uint32_t(y), seed, 5);
        if (speck > 0.97) col = Mix(col, Hex(0x8A6E48), 0.45);
        else if (speck < 0.03) col = Mix(col, Hex(0xF6E8C8), 0.5);
        Cells c = Cellular(U(x, w), U(y, h), 12, 12, seed + 3);
        if (HashUnit(c.id) > 0.85 && c.f1 < 0.13) col = Mix(col, Hex(0x9C8A72), 0.7 * SmoothStep(0.13, 0.08, c.f1));
        return col * ((0.85 + 0.15 * light) * (1.0 + 0.18 * g));
      });
}

Image Ice(int w, int h, uint32_t seed) {
  Fractal base{6, 6, 5, 0.5, seed};
  Fractal fine{16, 16, 3, 0.5, seed + 1};
  Ramp ramp({{0.0, 0x2C6494}, {0.5, 0x4F8BBB}, {1.0, 0x83B7DA}});
  return Lit(
      w, h, 6.0, [&](int x, int y) { return 0.6 * Fbm(U(x, w), U(y, h), base) + 0.4 * Fbm(U(x, w), U(y, h), fine); },
      [&](int x, int y, double height, double light) {
        Cells c = Cellular(U(x, w), U(y, h), 9, 9, seed + 2);
        double crack = 1.0 - SmoothStep(0.0, 0.035, c.f2 - c.f1);
        Rgb col = ramp(0.5 + 0.9 * (height - 0.5) + 0.12 * (HashUnit(c.id) - 0.5));
        // Pale cracks and bubbles inside clear blue ice.
        col = Mix(col, Hex(0xD8EEF8), crack * 0.45);
        if (HashUnit(uint32_t(x), uint32_t(y), seed, 9) > 0.996) col = Hex(0xE8F6FF);
        return col * (0.85 + 0.15 * light);
      });
}

Image Lava(int w, int h, uint32_t seed) {
  Fractal heat{3, 3, 5, 0.55, seed};
  Fractal crust{6, 6, 4, 0.5, seed + 1};
  Ramp glow({{0.0, 0x4A0700}, {0.35, 0xB42300}, {0.7, 0xFF7A00}, {1.0, 0xFFE58A}});
  Ramp rock({{0.0, 0x141010}, {1.0, 0x3F2B24}});
  auto cracks = [&](int x, int y) {
    Cells c = Cellular(U(x, w), U(y, h), 6, 6, seed + 2);
    return 1.0 - SmoothStep(0.0, 0.22, c.f2 - c.f1);
  };
  return Lit(
      w, h, 60.0, [&](int x, int y) { return Fbm(U(x, w), U(y, h), crust) * (1.0 - cracks(x, y)); },
      [&](int x, int y, double, double light) {
        double k = cracks(x, y);
        double t = Fbm(U(x, w), U(y, h), heat);
        Rgb hot = glow(Clamp01(k * (0.6 + 0.6 * t)));
        Rgb cold = rock(Fbm(U(x, w), U(y, h), crust)) * light;
        return Mix(cold, hot, SmoothStep(0.15, 0.6, k));
      });
}

Image Metal(int w, int h, uint32_t seed) {
  const int plates = 4;
  Fractal brush{1, 64, 3, 0.6, seed};
  Fractal rust{4, 4, 5, 0.55, seed + 1};
  auto plate = [&](int x, int y, double* fx, double* fy) {
    // Half a plate off the tile's edge, so the wrap falls inside a plate.
    double px = U(x, w) * plates + 0.5, py = U(y, h) * plates + 0.5;
    *fx = px - std::floor(px);
    *fy = py - std::floor(py);
  };
  return Lit(
      w, h, 14.0,
      [&](int x, int y) {
        double fx, fy;
        plate(x, y, &fx, &fy);
        double edge = std::min(std::min(fx, 1 - fx), std::min(fy, 1 - fy));
        double seam = SmoothStep(0.0, 0.03, edge);
        double rivet = 0;
        for (double cx : {0.1, 0.9})
          for (double cy : {0.1, 0.9}) {
            double d = std::hypot(fx - cx, fy - cy);
            if (d < 0.05) rivet = std::max(rivet, std::sqrt(1 - (d / 0.05) * (d / 0.05)));
          }
        return 0.6 * seam + 0.4 * rivet;
      },
      [&](int x, int y, double height, double light) {
        double b = Fbm(U(x, w), U(y, h), brush);
        Rgb steel = Mix(Hex(0x6B7078), Hex(0xA3A8AE), b);
        double r = SmoothStep(0.58, 0.75, Fbm(U(x, w), U(y, h), rust));
        Rgb col = Mix(steel, Mix(Hex(0x7A3E1C), Hex(0xA45A26), b), r * 0.85);
        col = col * (0.55 + 0.45 * SmoothStep(0.0, 0.5, height + 0.4));
        return col * light;
      });
}

Image Grass(int w, int h, uint32_t seed) {
  Fractal blades{64, 4, 3, 0.6, seed};
  Fractal patches{3, 3, 4, 0.5, seed + 1};
  Ramp ramp({{0.0, 0x173A12}, {0.35, 0x2F6A1E}, {0.7, 0x5C9C30}, {1.0, 0x9CCB4F}});
  return Lit(
      w, h, 30.0, [&](int x, int y) { return Fbm(U(x, w), U(y, h), blades); },
      [&](int x, int y, double height, double light) {
        double p = Fbm(U(x, w), U(y, h), patches);
        Rgb col = ramp(height * 0.8 + p * 0.4 - 0.1);
        Cells c = Cellular(U(x, w), U(y, h), 14, 14, seed + 2);
        if (HashUnit(c.id) > 0.9 && c.f1 < 0.12)
          col = HashUnit(c.id, 1) > 0.5 ? Hex(0xF4E04D) : Hex(0xF2F2EA);
        return col * (light * (1.0 + 0.1 * Grain(x, y, seed)));
      });
}

// Bright, nearly white snow, so that a rim of it stands out on ice and rock alike.
Image Snow(int w, int h, uint32_t seed) {
  Fractal base{8, 8, 5, 0.5, seed};
  return Lit(
      w, h, 5.0, [&](int x, int y) { return Fbm(U(x, w), U(y, h), base); },
      [&](int x, int y, double height, double light) {
        Rgb col = Mix(Hex(0xE6F0F8), Hex(0xFFFFFF), SmoothStep(0.25, 0.75, height));
        if (HashUnit(uint32_t(x), uint32_t(y), seed, 3) > 0.994) col = Hex(0xFFFFFF) * 1.25;
        return col * (0.82 + 0.18 * light);
      });
}

// Light water body, tinted by the water colour when drawn; stretched down to the bottom,
// so it darkens with depth and carries caustics near the top.
Image Water(int w, int h, uint32_t seed) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double v = U(y, h);
      Cells c = Cellular(U(x, w), v, 4, 4, seed);
      double caustic = (1.0 - SmoothStep(0.0, 0.12, c.f2 - c.f1)) * (1.0 - SmoothStep(0.0, 0.5, v));
      Rgb col = Mix(Hex(0xF4FBFF), Hex(0x9FB6C8), SmoothStep(0.0, 1.0, v));
      img.Set(x, y, Mix(col, Hex(0xFFFFFF), caustic * 0.35));
    }
  return img;
}

// Four frames of a rolling crest side by side, each 'h' high and width / 4 wide; each frame
// repeats horizontally.
Image Waves(int w, int h, uint32_t seed) {
  Image img(w, h);
  const int frames = 4, fw = w / frames;
  for (int f = 0; f < frames; ++f) {
    double phase = f * kPi / 2;
    for (int x = 0; x < fw; ++x) {
      double t = 2 * kPi * (x + 0.5) / fw;
      double crest = h * 0.5 + h * 0.17 * std::sin(t + phase) + h * 0.08 * std::sin(2 * t - phase * 2) +
                     h * 0.03 * (Fbm1(x * 8.0 / fw, 8, 2, 0.5, seed + uint32_t(f)) - 0.5);
      for (int y = 0; y < h; ++y) {
        double cov = Clamp01(y + 0.5 - crest + 0.5);
        if (cov <= 0) continue;
        double depth = (y - crest) / (h - crest + 1e-9);
        Rgb col = Mix(Hex(0xFFFFFF), Hex(0xF4FBFF), SmoothStep(0.0, 0.35, depth));
        img.Set(f * fw + x, y, col, cov);
      }
    }
  }
  return img;
}

// Vertical sky gradient with a little dither so the bands never show.
template <typename Extra>
Image SkyGradient(int w, int h, uint32_t seed, const Ramp& ramp, Extra extra) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Rgb c = extra(x, y, ramp(U(y, h)));
      double d = (HashUnit(uint32_t(x), uint32_t(y), seed) - 0.5) / 255.0;
      img.Set(x, y, c + Rgb{d, d, d});
    }
  return img;
}

Image SkyDay(int w, int h, uint32_t seed) {
  Ramp ramp({{0.0, 0x1F56A8}, {0.45, 0x4C8ED8}, {0.8, 0x9FCBEF}, {1.0, 0xDCEEF8}});
  return SkyGradient(w, h, seed, ramp, [&](int x, int y, Rgb c) {
    double dx = (U(x, w) - 0.72) * 2.0, dy = (U(y, h) - 0.3);
    double d = std::sqrt(dx * dx + dy * dy);
    double halo = std::exp(-d * 5.0) * 0.45 + std::exp(-d * 40.0) * 0.6;
    return Mix(c, Hex(0xFFF6DA), Clamp01(halo));
  });
}

Image SkyDusk(int w, int h, uint32_t seed) {
  Ramp ramp({{0.0, 0x17163F}, {0.35, 0x4B3474}, {0.65, 0xC4667A}, {0.85, 0xF4A45E}, {1.0, 0xFBD58F}});
  return SkyGradient(w, h, seed, ramp, [&](int x, int y, Rgb c) {
    double dx = (U(x, w) - 0.3) * 2.0, dy = (U(y, h) - 0.9);
    double d = std::sqrt(dx * dx + dy * dy);
    return Mix(c, Hex(0xFFE2A8), Clamp01(std::exp(-d * 4.0) * 0.5));
  });
}

double StarAt(int x, int y, int w, int h, uint32_t seed, int count) {
  // Stars are sparse: test the few that fall near this pixel by a coarse grid.
  const int cell = 32;
  int gx = w / cell, gy = h / cell;
  double sum = 0;
  int cx = x / cell, cy = y / cell;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      int ux = (cx + dx + gx) % gx, uy = (cy + dy + gy) % gy;
      int n = int(count * HashUnit(uint32_t(ux), uint32_t(uy), seed, 1) * 2.0 / (gx * gy) + 0.5);
      for (int i = 0; i < n; ++i) {
        double sx = (cx + dx) * cell + cell * HashUnit(uint32_t(ux), uint32_t(uy), seed, uint32_t(10 + i));
        double sy = (cy + dy) * cell + cell * HashUnit(uint32_t(ux), uint32_t(uy), seed, uint32_t(100 + i));
        double b = HashUnit(uint32_t(ux), uint32_t(uy), seed, uint32_t(200 + i));
        double size = 0.5 + 1.3 * b * b * b;
        double ddx = x + 0.5 - sx, ddy = y + 0.5 - sy;
        double d2 = ddx * ddx + ddy * ddy;
        double core = std::exp(-d2 / (size * size));
        double glint = b > 0.93 ? std::exp(-std::fabs(ddx) * 1.5) * std::exp(-ddy * ddy) * 0.4 +
                                      std::exp(-std::fabs(ddy) * 1.5) * std::exp(-ddx * ddx) * 0.4
                                : 0.0;
        sum += (0.35 + 0.65 * b) * core + glint;
      }
    }
  return Clamp01(sum);
}

Image SkyNight(int w, int h, uint32_t seed) {
  Ramp ramp({{0.0, 0x03060F}, {0.55, 0x0A1530}, {0.85, 0x1B2D57}, {1.0, 0x2E4470}});
  Fractal band{4, 2, 5, 0.55, seed + 3};
  return SkyGradient(w, h, seed, ramp, [&](int x, int y, Rgb c) {
    double v = U(y, h), u = U(x, w);
    double milky = Fbm(u, v, band) * std::exp(-std::pow((v - 0.3 - 0.06 * std::sin(2 * kPi * u)) * 5.0, 2.0));
    c = Mix(c, Hex(0x6C7FB0), Clamp01(milky * 0.35));
    double s = StarAt(x, y, w, h, seed + 1, 900) * (1.0 - SmoothStep(0.6, 0.95, v));
    return Mix(c, Hex(0xF4F6FF), s);
  });
}

Image Stars(int w, int h, uint32_t seed) {
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double s = StarAt(x, y, w, h, seed, 400);
      double warm = HashUnit(uint32_t(x / 4), uint32_t(y / 4), seed, 4);
      img.Set(x, y, Mix(Hex(0xDDE6FF), Hex(0xFFF1D6), warm), s);
    }
  return img;
}

Image Cloud(int w, int h, uint32_t seed) {
  Fractal shape{4, 2, 6, 0.5, seed};
  Image img(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double u = U(x, w), v = U(y, h);
      double ex = (u - 0.5) / 0.46, ey = (v - 0.58) / 0.4;
      double e = 1.0 - ex * ex - ey * ey;
      double n = Fbm(u, v, shape);
      double density = SmoothStep(0.0, 0.3, n * 1.1 + e * 0.85 - 0.72);
      double top = Clamp01(1.0 - v * 1.1 + (n - 0.5));
      Rgb col = Mix(Hex(0xAEB9CC), Hex(0xFFFFFF), SmoothStep(0.1, 0.8, top));
      img.Set(x, y, col, density * 0.96);
    }
  return img;
}

template <typename ColourFn>
Image Hills(int w, int h, uint32_t seed, double base, double amp, ColourFn colour) {
  Image img(w, h);
  std::vector<double> ridge(w);
  for (int x = 0; x < w; ++x) ridge[x] = h * (base - amp * Fbm1(U(x, w) * 4, 4, 6, 0.5, seed));
  for (int x = 0; x < w; ++x) {
    double slope = (ridge[(x + 1) % w] - ridge[(x + w - 1) % w]) * 0.5;
    for (int y = 0; y < h; ++y) {
      double cov = Clamp01(y + 0.5 - ridge[x] + 0.5);
      if (cov <= 0) continue;
      img.Set(x, y, colour(x, y, (y - ridge[x]) / h, slope, ridge[x] / h), cov);
    }
  }
  return img;
}

Image HillsFar(int w, int h, uint32_t seed) {
  Fractal tex{8, 4, 5, 0.5, seed + 1};
  return Hills(w, h, seed, 0.85, 0.75, [&](int x, int y, double depth, double slope, double peak) {
    Rgb col = Mix(Hex(0x7E93B5), Hex(0xA7B8CF), SmoothStep(0.0, 0.8, depth));
    double rim = std::exp(-depth * 30.0);
    col = col * (1.0 + rim * (0.15 * Clamp01(-slope * 0.5) - 0.1 * Clamp01(slope * 0.5)));
    col = col * (0.95 + 0.1 * Fbm(U(x, w), U(y, h), tex));
    double snow = SmoothStep(0.4, 0.25, peak) * SmoothStep(0.09, 0.02, depth);
    return Mix(col, Hex(0xEEF3FA), snow);
  });
}

Image HillsNear(int w, int h, uint32_t seed) {
  Fractal tex{16, 8, 4, 0.5, seed + 1};
  return Hills(w, h, seed, 0.75, 0.45, [&](int x, int y, double depth, double slope, double) {
    Rgb col = Mix(Hex(0x4F7F45), Hex(0x2A4D2E), SmoothStep(0.0, 0.6, depth));
    double rim = std::exp(-depth * 30.0);
    col = col * (1.0 + rim * (0.2 * Clamp01(-slope * 0.4) - 0.12 * Clamp01(slope * 0.4)));
    return col * (0.9 + 0.2 * Fbm(U(x, w), U(y, h), tex));
  });
}

}  // namespace

const std::vector<TextureInfo>& TextureCatalogue() {
  static const std::vector<TextureInfo> catalogue = {
      {"texturen/terrain/soil.png", 256, 256, 101, true, true, Soil},
      {"texturen/terrain/rock.png", 256, 256, 202, true, true, Rock},
      {"texturen/terrain/sand.png", 256, 256, 303, true, true, Sand},
      {"texturen/terrain/ice.png", 256, 256, 404, true, true, Ice},
      {"texturen/terrain/lava.png", 256, 256, 505, true, true, Lava},
      {"texturen/terrain/metal.png", 256, 256, 606, true, true, Metal},
      {"texturen/terrain/grass.png", 256, 256, 707, true, true, Grass},
      {"texturen/terrain/snow.png", 256, 256, 808, true, true, Snow},
      {"texturen/water/water.png", 128, 128, 909, true, false, Water},
      {"texturen/water/waves.png", 512, 32, 1010, false, false, Waves},
      {"texturen/sky/day.png", 1024, 512, 1111, false, false, SkyDay},
      {"texturen/sky/dusk.png", 1024, 512, 1212, false, false, SkyDusk},
      {"texturen/sky/night.png", 1024, 512, 1313, true, false, SkyNight},
      {"texturen/sky/stars.png", 512, 512, 1414, true, true, Stars},
      {"texturen/sky/cloud_1.png", 256, 128, 1515, false, false, Cloud},
      {"texturen/sky/cloud_2.png", 256, 128, 1616, false, false, Cloud},
      {"texturen/sky/hills_far.png", 512, 256, 1717, true, false, HillsFar},
      {"texturen/sky/hills_near.png", 512, 256, 1818, true, false, HillsNear},
  };
  return catalogue;
}

const TextureInfo* FindTexture(const std::string& name) {
  for (const auto& t : TextureCatalogue())
    if (t.name == name) return &t;
  return nullptr;
}

Image MakeTexture(const TextureInfo& info) { return info.make(info.width, info.height, info.seed); }

}  // namespace content

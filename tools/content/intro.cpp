// Intro pictures: static layers are drawn once, each frame composes them with motion.
#include "content/intro.h"

#include <algorithm>
#include <cmath>

#include "content/noise.h"

#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include "stb_truetype.h"
#pragma GCC diagnostic pop

namespace content {
namespace {

struct Mask {
  int x = 0, y = 0, w = 0, h = 0;  // placement in the frame and size
  std::vector<float> cover;
  float At(int px, int py) const {
    px -= x;
    py -= y;
    if (px < 0 || py < 0 || px >= w || py >= h) return 0.f;
    return cover[size_t(py) * w + px];
  }
};

Mask Dilate(const Mask& m, int radius) {
  Mask d{m.x - radius, m.y - radius, m.w + 2 * radius, m.h + 2 * radius, {}};
  d.cover.assign(size_t(d.w) * d.h, 0.f);
  for (int y = 0; y < d.h; ++y)
    for (int x = 0; x < d.w; ++x) {
      float best = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
          if (dx * dx + dy * dy > radius * radius) continue;
          best = std::max(best, m.At(d.x + x + dx, d.y + y + dy));
        }
      d.cover[size_t(y) * d.w + x] = best;
    }
  return d;
}

}  // namespace

struct IntroRenderer::Impl {
  IntroSettings s;
  Image sky, hillsFar, hillsNear;  // hills are wider than the frame for the pan
  std::vector<Mask> letters, outlines;
  std::vector<Rgb> starColour;
  std::vector<double> starX, starY, starB;
};

IntroRenderer::IntroRenderer(const IntroSettings& settings, std::vector<uint8_t> fontBytes)
    : m_impl(std::make_unique<Impl>()) {
  Impl& m = *m_impl;
  m.s = settings;
  const int w = settings.width, h = settings.height;
  Rng rng(4242);
  for (int i = 0; i < 160; ++i) {
    m.starX.push_back(rng.Unit() * w);
    m.starY.push_back(rng.Unit() * h * 0.6);
    m.starB.push_back(0.3 + 0.7 * rng.Unit());
  }
  auto hills = [&](double base, double amp, uint32_t seed, Rgb top, Rgb bottom) {
    Image img(w + w / 2, h);
    for (int x = 0; x < img.Width(); ++x) {
      double ridge = h * (base - amp * Fbm1(x / double(w) * 3.0, 1 << 20, 6, 0.5, seed));
      for (int y = 0; y < h; ++y) {
        double cov = Clamp01(y + 1.0 - ridge);
        if (cov <= 0) continue;
        img.Set(x, y, Mix(top, bottom, SmoothStep(ridge, double(h), y)), cov);
      }
    }
    return img;
  };
  m.hillsFar = hills(0.78, 0.28, 11, Hex(0x5B5A8C), Hex(0x2F2E55));
  m.hillsNear = hills(0.92, 0.2, 12, Hex(0x2E4A3A), Hex(0x121F18));

  if (fontBytes.empty()) return;
  stbtt_fontinfo font;
  if (!stbtt_InitFont(&font, fontBytes.data(), stbtt_GetFontOffsetForIndex(fontBytes.data(), 0))) return;
  const char* title = "KRUMBOLT";
  float scale = stbtt_ScaleForPixelHeight(&font, float(h) * 0.2f);
  int ascent, descent, gap;
  stbtt_GetFontVMetrics(&font, &ascent, &descent, &gap);
  // Measure first so the word can be centred.
  double width = 0;
  for (const char* c = title; *c; ++c) {
    int adv, lsb;
    stbtt_GetCodepointHMetrics(&font, *c, &adv, &lsb);
    width += adv * scale + h * 0.008;
    if (c[1]) width += stbtt_GetCodepointKernAdvance(&font, *c, c[1]) * scale;
  }
  double pen = (w - width) / 2;
  int baseline = int(h * 0.38);
  for (const char* c = title; *c; ++c) {
    int x0, y0, x1, y1, adv, lsb;
    stbtt_GetCodepointBitmapBox(&font, *c, scale, scale, &x0, &y0, &x1, &y1);
    Mask mask{int(std::lround(pen)) + x0, baseline + y0, x1 - x0, y1 - y0, {}};
    std::vector<unsigned char> bytes(size_t(mask.w) * mask.h);
    stbtt_MakeCodepointBitmap(&font, bytes.data(), mask.w, mask.h, mask.w, scale, scale, *c);
    for (unsigned char b : bytes) mask.cover.push_back(b / 255.f);
    m.outlines.push_back(Dilate(mask, std::max(2, h / 120)));
    m.letters.push_back(std::move(mask));
    stbtt_GetCodepointHMetrics(&font, *c, &adv, &lsb);
    pen += adv * scale + h * 0.008;
    if (c[1]) pen += stbtt_GetCodepointKernAdvance(&font, *c, c[1]) * scale;
  }
}

IntroRenderer::~IntroRenderer() = default;

Image IntroRenderer::Frame(int index) const {
  const Impl& m = *m_impl;
  const int w = m.s.width, h = m.s.height;
  const double t = double(index) / m.s.fps, total = m.s.seconds;
  const double dawn = SmoothStep(0.0, total * 0.8, t);
  // Composed in floating point and quantised once at the end.
  std::vector<Rgb> px(size_t(w) * h);
  auto blend = [&](int x, int y, Rgb c, double a) {
    if (x < 0 || y < 0 || x >= w || y >= h || a <= 0) return;
    Rgb& d = px[size_t(y) * w + x];
    d = Mix(d, c, std::min(1.0, a));
  };
  Ramp night({{0.0, 0x070A1C}, {0.6, 0x1A2450}, {1.0, 0x3A3F78}});
  Ramp morning({{0.0, 0x1E3F86}, {0.55, 0x6E84C2}, {0.8, 0xF0A27A}, {1.0, 0xFFD69A}});
  const double sunX = w * 0.68, sunY = h * (0.95 - 0.3 * dawn), sunR = h * 0.07;
  const Rgb glowColour = Hex(0xFFE2A0), sunColour = Hex(0xFFF6D8);
  for (int y = 0; y < h; ++y) {
    double v = (y + 0.5) / h;
    Rgb sky = Mix(night(v), morning(v), dawn);
    for (int x = 0; x < w; ++x) {
      double d = std::hypot(x - sunX, y - sunY);
      Rgb c = Mix(sky, glowColour, std::exp(-d / (h * 0.25)) * 0.6 * dawn);
      if (d < sunR + 1.5) c = Mix(c, sunColour, SmoothStep(sunR + 1.5, sunR - 1.5, d));
      px[size_t(y) * w + x] = c;
    }
  }
  for (size_t i = 0; i < m.starX.size(); ++i) {
    double b = m.starB[i] * (1.0 - SmoothStep(0.1, 0.6, dawn)) * (0.8 + 0.2 * std::sin(t * 6 + double(i)));
    blend(int(m.starX[i]), int(m.starY[i]), Hex(0xF4F6FF), b);
  }
  auto layer = [&](const Image& src, double shift) {
    int off = int(shift);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = src.Pixel(std::clamp(x + off, 0, src.Width() - 1), y);
        if (p[3]) blend(x, y, Rgb{p[0] / 255.0, p[1] / 255.0, p[2] / 255.0}, p[3] / 255.0);
      }
  };
  layer(m.hillsFar, w * 0.05 * t / total);
  layer(m.hillsNear, w * 0.18 * t / total);

  // Letters drop in one after another with a small bounce.
  const double landed = 0.6 + 0.14 * double(m.letters.size());
  const Rgb edgeColour = Hex(0x3A1A06), light = Hex(0xFFF6C4), mid = Hex(0xFFC23A), deep = Hex(0xD2630E);
  for (size_t i = 0; i < m.letters.size(); ++i) {
    double start = 0.6 + 0.14 * double(i), lt = t - start;
    if (lt < 0) continue;
    double fall = 0.35;
    double dy = lt < fall ? -h * 0.5 * (1 - (lt / fall) * (lt / fall))
                          : -h * 0.03 * std::exp(-(lt - fall) * 7) * std::fabs(std::sin((lt - fall) * 14));
    int oy = int(std::lround(dy));
    const Mask& fill = m.letters[i];
    const Mask& edge = m.outlines[i];
    for (int y = edge.y; y < edge.y + edge.h; ++y)
      for (int x = edge.x; x < edge.x + edge.w; ++x) {
        float o = edge.At(x, y);
        if (o <= 0) continue;
        blend(x + 6, y + oy + 6, Rgb{}, o * 0.35);
      }
    for (int y = edge.y; y < edge.y + edge.h; ++y)
      for (int x = edge.x; x < edge.x + edge.w; ++x) {
        float o = edge.At(x, y), f = fill.At(x, y);
        if (o <= 0) continue;
        blend(x, y + oy, edgeColour, o);
        double g = double(y - fill.y) / std::max(1, fill.h);
        Rgb gold = g < 0.5 ? Mix(light, mid, g * 2) : Mix(mid, deep, g * 2 - 1);
        blend(x, y + oy, gold, f);
      }
  }
  // A shock ring once the last letter has landed.
  double rt = t - landed - 0.1;
  if (rt > 0 && rt < 0.9) {
    double radius = h * (0.05 + 0.9 * rt), width = h * 0.02 * (1 - rt);
    double cx = w * 0.5, cy = h * 0.33, reach = radius + width * 2;
    int y0 = std::max(0, int(cy - reach)), y1 = std::min(h - 1, int(cy + reach));
    int x0 = std::max(0, int(cx - reach)), x1 = std::min(w - 1, int(cx + reach));
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        double d = std::fabs(std::hypot(x - cx, y - cy) - radius);
        if (d < width * 2) blend(x, y, Hex(0xFFF2C8), (1 - d / (width * 2)) * 0.5 * (1 - rt));
      }
  }
  double fade = SmoothStep(0.0, 0.6, t) * (1.0 - SmoothStep(total - 0.7, total, t + 1.0 / m.s.fps));
  Image img(w, h);
  auto quantise = [](double v) { return uint8_t(std::clamp(int(v * 255.0 + 0.5), 0, 255)); };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb& c = px[size_t(y) * w + x];
      uint8_t* p = img.Pixel(x, y);
      p[0] = quantise(c.r * fade);
      p[1] = quantise(c.g * fade);
      p[2] = quantise(c.b * fade);
      p[3] = 255;
    }
  return img;
}

}  // namespace content

// The CPU glyph atlas (shelf packing, growth by doubling) and the CPU glyph compositor.
#include <algorithm>
#include <cmath>

#include "platform/font.h"

namespace platform {

namespace {
// A transparent gap between glyphs, so that filtered sampling never picks up a neighbour.
constexpr int kGap = 1;
}  // namespace

// An atlas takes the memory for its pixels with its first glyph: many fonts are made and
// never draw.
GlyphAtlas::GlyphAtlas() : m_image(kInitialSize, kInitialSize, std::vector<uint32_t>()) {}

void GlyphAtlas::Clear() {
  m_image = platform::Image(kInitialSize, kInitialSize, std::vector<uint32_t>());
  m_shelves.clear();
  ++m_generation;
}

bool GlyphAtlas::Place(int width, int height, int& x, int& y) {
  const int w = width + kGap, h = height + kGap;
  // The lowest shelf that is tall enough without wasting more than half its height.
  Shelf* best = nullptr;
  for (Shelf& s : m_shelves) {
    if (s.height >= h && s.height <= h + h / 2 + 2 && s.x + w <= m_image.width) {
      if (!best || s.height < best->height) best = &s;
    }
  }
  if (!best) {
    const int top = m_shelves.empty() ? 0 : m_shelves.back().y + m_shelves.back().height;
    if (top + h > m_image.height || w > m_image.width) return false;
    m_shelves.push_back({top, h, 0});
    best = &m_shelves.back();
  }
  x = best->x;
  y = best->y;
  best->x += w;
  return true;
}

bool GlyphAtlas::Grow() {
  if (m_image.width >= kMaxSize && m_image.height >= kMaxSize) return false;
  if (m_image.pixels.empty()) {
    // Nothing placed yet: a larger size is all there is to change.
    (m_image.width <= m_image.height ? m_image.width : m_image.height) *= 2;
    ++m_generation;
    return true;
  }
  platform::Image bigger = m_image.width <= m_image.height
                               ? platform::Image(m_image.width * 2, m_image.height, 0)
                               : platform::Image(m_image.width, m_image.height * 2, 0);
  for (int row = 0; row < m_image.height; ++row)
    std::copy_n(&m_image.pixels[size_t(row) * m_image.width], m_image.width,
                &bigger.pixels[size_t(row) * bigger.width]);
  m_image = std::move(bigger);
  ++m_generation;
  return true;
}

bool GlyphAtlas::Add(const uint8_t* coverage, int width, int height, int pitch, int& x, int& y) {
  if (width <= 0 || height <= 0) return false;
  while (!Place(width, height, x, y)) {
    if (!Grow()) return false;
  }
  if (m_image.pixels.empty()) m_image.pixels.assign(size_t(m_image.width) * size_t(m_image.height), 0u);
  for (int row = 0; row < height; ++row) {
    const uint8_t* src = coverage + ptrdiff_t(row) * pitch;
    uint32_t* dst = &m_image.pixels[size_t(y + row) * m_image.width + x];
    for (int col = 0; col < width; ++col) dst[col] = (uint32_t(src[col]) << 24) | 0x00FFFFFFu;
  }
  ++m_generation;
  return true;
}

void CompositeGlyphs(Image& target, const GlyphAtlas& atlas, const std::vector<GlyphQuad>& quads,
                     uint32_t argb) {
  const uint32_t alpha = argb >> 24;
  const Image& src = atlas.Image();
  if (src.pixels.empty()) return;  // nothing placed: no quad can show anything
  for (const GlyphQuad& q : quads) {
    const int dx = int(std::lround(q.left)), dy = int(std::lround(q.top));
    for (int row = 0; row < q.srcBottom - q.srcTop; ++row) {
      const int ty = dy + row, sy = q.srcTop + row;
      if (ty < 0 || ty >= target.height || sy < 0 || sy >= src.height) continue;
      for (int col = 0; col < q.srcRight - q.srcLeft; ++col) {
        const int tx = dx + col, sx = q.srcLeft + col;
        if (tx < 0 || tx >= target.width || sx < 0 || sx >= src.width) continue;
        const uint32_t coverage = src.At(sx, sy) >> 24;
        const uint32_t a = (coverage * alpha + 127) / 255;
        if (a == 0) continue;  // the sprite pass's alpha test
        target.At(tx, ty) = BlendStraightAlpha(target.At(tx, ty), (a << 24) | (argb & 0x00FFFFFFu));
      }
    }
  }
}

}  // namespace platform

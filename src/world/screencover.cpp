#include "world/screencover.h"

#include <cmath>

#include "engine/spriterenderer.h"
#include "platform/spritebatch.h"

namespace {

// Pixel centres closer than this to a picture's edge may fall either side of it once the
// corners are rounded to floats.
constexpr double kEdge = 1e-3;

bool Finite(const PlacedPicture& p) {
  return std::isfinite(p.position.x) && std::isfinite(p.position.y) && std::isfinite(p.scale.x) &&
         std::isfinite(p.scale.y);
}

// A double clamped into int32_t's range before it is converted.
int32_t ClampToInt(double v, int32_t lo, int32_t hi) {
  if (!(v > double(lo))) return lo;
  if (v > double(hi)) return hi;
  return int32_t(v);
}

// Texels a pixel's colour may come from beyond the one under its centre: the bilinear pair
// when the picture is magnified or shrunk by at most half a mip level (the device reads its
// largest level alone there); shrunk further, the two mip levels around the pixel's size, each
// texel of level k made from 2^k level-0 texels. Negative when the picture is shrunk so far
// that the filter reaches too far to be worth asking.
int32_t FilterMargin(double sx, double sy) {
  const double shrink = std::max(1.0 / sx, 1.0 / sy);
  if (shrink > 8.0) return -1;
  return shrink * shrink <= 2.0 ? 2 : 1 + int32_t(std::ceil(5.0 * shrink));
}

}  // namespace

void AlphaBlocks::Sum(const std::vector<uint8_t>& flags, int32_t blocksX, int32_t blocksY,
                      std::vector<uint16_t>& without, bool& any) {
  const size_t stride = size_t(blocksX) + 1;
  without.assign(stride * (size_t(blocksY) + 1), 0);
  for (int32_t y = 0; y < blocksY; ++y) {
    uint32_t rowCount = 0;  // at most kMaxBlocks in all: the sums fit 16 bits
    for (int32_t x = 0; x < blocksX; ++x) {
      const bool set = flags[size_t(y) * size_t(blocksX) + size_t(x)] != 0;
      any = any || set;
      rowCount += set ? 0 : 1;
      without[(size_t(y) + 1) * stride + size_t(x) + 1] = uint16_t(without[size_t(y) * stride + size_t(x) + 1] + rowCount);
    }
  }
}

bool AlphaBlocks::None(const std::vector<uint16_t>& without, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
  if (x0 > x1 || y0 > y1) return false;
  x0 = std::clamp(x0, 0, m_width - 1) / kBlock;
  x1 = std::clamp(x1, 0, m_width - 1) / kBlock + 1;
  y0 = std::clamp(y0, 0, m_height - 1) / kBlock;
  y1 = std::clamp(y1, 0, m_height - 1) / kBlock + 1;
  const size_t stride = size_t(m_blocksX) + 1;
  auto at = [&](int32_t x, int32_t y) { return int32_t(without[size_t(y) * stride + size_t(x)]); };
  return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0) == 0;
}

bool AlphaBlocks::Opaque(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
  return m_any && None(m_notOpaque, x0, y0, x1, y1);
}

bool AlphaBlocks::Clear(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
  return m_anyClear && None(m_notClear, x0, y0, x1, y1);
}

ScreenCover::ScreenCover(int32_t width, int32_t height)
    : m_width(std::max(width, 0)),
      m_height(std::max(height, 0)),
      m_cellsX((m_width + kCell - 1) / kCell),
      m_cellsY((m_height + kCell - 1) / kCell),
      m_hidden(size_t(m_cellsX) * size_t(m_cellsY), 0) {}

void ScreenCover::Hide(const AlphaBlocks& blocks, const PlacedPicture& picture) {
  const Rect& s = picture.source;
  const double sx = picture.scale.x, sy = picture.scale.y;
  if (!blocks.Any() || !Finite(picture) || !(sx > 0.0) || !(sy > 0.0)) return;
  const double w = double(int64_t(s.right) - s.left), h = double(int64_t(s.bottom) - s.top);
  if (w <= 0.0 || h <= 0.0) return;
  const double left = picture.position.x, top = picture.position.y;
  const double right = left + w * sx, bottom = top + h * sy;
  const int32_t margin = FilterMargin(sx, sy);
  if (margin < 0) return;
  // The texel columns each cell column may read, or none when not every pixel centre of the
  // cell lies inside the picture.
  auto span = [&](int32_t cell, int32_t size, double lo, double hi, double origin, double scale, int32_t first,
                  int32_t& t0, int32_t& t1) {
    const double c0 = double(cell) * kCell + 0.5, c1 = double(std::min(cell * kCell + kCell, size)) - 0.5;
    if (c0 < lo + kEdge || c1 > hi - kEdge) return false;
    t0 = ClampToInt(std::floor(first + (c0 - origin) / scale), INT32_MIN / 2, INT32_MAX / 2) - margin;
    t1 = ClampToInt(std::floor(first + (c1 - origin) / scale), INT32_MIN / 2, INT32_MAX / 2) + margin;
    return true;
  };
  const int32_t cx0 = ClampToInt(std::floor(left / kCell), 0, m_cellsX), cx1 = ClampToInt(std::ceil(right / kCell), 0, m_cellsX);
  const int32_t cy0 = ClampToInt(std::floor(top / kCell), 0, m_cellsY), cy1 = ClampToInt(std::ceil(bottom / kCell), 0, m_cellsY);
  std::vector<int32_t> columns;  // t0, t1 per cell column; t0 > t1 where the column is not inside
  columns.reserve(size_t(cx1 - cx0) * 2);
  for (int32_t cx = cx0; cx < cx1; ++cx) {
    int32_t t0 = 1, t1 = 0;
    span(cx, m_width, left, right, left, sx, s.left, t0, t1);
    columns.push_back(t0);
    columns.push_back(t1);
  }
  for (int32_t cy = cy0; cy < cy1; ++cy) {
    int32_t v0 = 0, v1 = 0;
    if (!span(cy, m_height, top, bottom, top, sy, s.top, v0, v1)) continue;
    uint8_t* row = &m_hidden[size_t(cy) * size_t(m_cellsX)];
    for (int32_t cx = cx0; cx < cx1; ++cx) {
      const int32_t u0 = columns[size_t(cx - cx0) * 2], u1 = columns[size_t(cx - cx0) * 2 + 1];
      if (row[cx] || u0 > u1) continue;
      if (blocks.Opaque(u0, v0, u1, v1)) {
        row[cx] = 1;
        ++m_hiddenCount;
      }
    }
  }
}

bool ScreenCover::Hides(float left, float top, float right, float bottom) const {
  if (!(left <= right) || !(top <= bottom)) return false;  // also not a number
  // Every pixel whose centre the rectangle may hold (a centre on the left or top edge is
  // drawn, one on the right or bottom edge is not), the edges widened for rounding.
  const double x0 = std::ceil(double(left) - 0.5 - kEdge), x1 = std::ceil(double(right) - 0.5 + kEdge) - 1.0;
  const double y0 = std::ceil(double(top) - 0.5 - kEdge), y1 = std::ceil(double(bottom) - 0.5 + kEdge) - 1.0;
  if (x1 < x0 || y1 < y0) return true;  // no pixel centre inside
  if (x1 < 0.0 || y1 < 0.0 || x0 >= m_width || y0 >= m_height) return true;
  if (m_hiddenCount == 0) return false;
  const int32_t cx0 = ClampToInt(x0, 0, m_width - 1) / kCell, cx1 = ClampToInt(x1, 0, m_width - 1) / kCell;
  const int32_t cy0 = ClampToInt(y0, 0, m_height - 1) / kCell, cy1 = ClampToInt(y1, 0, m_height - 1) / kCell;
  for (int32_t cy = cy0; cy <= cy1; ++cy)
    for (int32_t cx = cx0; cx <= cx1; ++cx)
      if (!CellHidden(cx, cy)) return false;
  return true;
}

void ScreenCover::ShowingPieces(const PlacedPicture& picture, std::vector<Rect>& out, const AlphaBlocks* blocks,
                                std::vector<Rect>* opaqueOut) const {
  const Rect& s = picture.source;
  const float sx = picture.scale.x, sy = picture.scale.y;
  const int64_t w = int64_t(s.right) - s.left, h = int64_t(s.bottom) - s.top;
  if (w <= 0 || h <= 0) return;
  const int32_t margin = Finite(picture) && sx > 0.0f && sy > 0.0f ? FilterMargin(sx, sy) : -1;
  if (margin < 0 || !blocks) blocks = nullptr, opaqueOut = nullptr;
  const AlphaBlocks* clearBlocks = blocks && blocks->AnyClear() ? blocks : nullptr;
  if (!blocks || !blocks->Any()) opaqueOut = nullptr;
  if ((m_hiddenCount == 0 && !clearBlocks && !opaqueOut) || !Finite(picture) || !(sx > 0.0f) || !(sy > 0.0f)) {
    out.push_back(s);
    return;
  }
  int32_t piece = 256;
  while (piece > 8 && float(piece) * std::max(sx, sy) > 32.0f) piece /= 2;
  if ((w / piece + 1) * (h / piece + 1) > 16384) {
    out.push_back(s);
    return;
  }
  // Corners as the sprite batch puts them: texel offset times scale, plus the position.
  auto atX = [&](int64_t x) { return float(x - s.left) * sx + picture.position.x; };
  auto atY = [&](int64_t y) { return float(y - s.top) * sy + picture.position.y; };
  // Each kind of piece (0 blended, 1 opaque) goes to its own list, joined the same way.
  std::vector<Rect>* lists[2] = {&out, opaqueOut};
  bool lastRowWhole[2] = {false, false};  // the last rectangle out is one row's single run
  enum : int8_t { kHidden = -1, kBlended = 0, kOpaque = 1 };
  std::vector<int8_t> kinds;
  for (int64_t y0 = s.top; y0 < s.bottom;) {
    const int64_t y1 = std::min<int64_t>(y0 + piece, s.bottom);
    const float top = atY(y0), bottom = atY(y1);
    kinds.clear();
    for (int64_t x0 = s.left; x0 < s.right;) {
      const int64_t x1 = std::min<int64_t>(x0 + piece, s.right);
      // The texels the filter may read for the piece's pixels.
      const int32_t u0 = int32_t(x0) - margin, v0 = int32_t(y0) - margin;
      const int32_t u1 = int32_t(x1) - 1 + margin, v1 = int32_t(y1) - 1 + margin;
      int8_t kind = kBlended;
      if (Hides(atX(x0), top, atX(x1), bottom) || (clearBlocks && clearBlocks->Clear(u0, v0, u1, v1)))
        kind = kHidden;
      else if (opaqueOut && blocks->Opaque(u0, v0, u1, v1))
        kind = kOpaque;
      kinds.push_back(kind);
      x0 = x1;
    }
    for (int8_t k = kBlended; k <= kOpaque; ++k) {
      std::vector<Rect>* list = lists[size_t(k)];
      if (!list) continue;
      const size_t before = list->size();
      int64_t runStart = -1;
      int64_t x0 = s.left;
      for (int8_t kind : kinds) {
        const bool in = kind == k;
        if (in && runStart < 0) runStart = x0;
        if (!in && runStart >= 0) {
          list->push_back(Rect{int32_t(runStart), int32_t(y0), int32_t(x0), int32_t(y1)});
          runStart = -1;
        }
        x0 = std::min<int64_t>(x0 + piece, s.right);
      }
      if (runStart >= 0) list->push_back(Rect{int32_t(runStart), int32_t(y0), s.right, int32_t(y1)});
      const bool single = list->size() == before + 1;
      if (single && lastRowWhole[k] && before > 0) {
        Rect& above = (*list)[before - 1];
        if (above.left == list->back().left && above.right == list->back().right && above.bottom == int32_t(y0)) {
          above.bottom = int32_t(y1);
          list->pop_back();
        }
      }
      lastRowWhole[k] = single;
    }
    y0 = y1;
  }
}

void DrawShowing(SpriteRenderer& renderer, platform::Texture* texture, const PlacedPicture& picture,
                 const ScreenCover* cover, uint32_t colour, const AlphaBlocks* blocks) {
  platform::SpriteBatch* batch = renderer.Batch();
  // Clear texels change nothing only where they are blended, and opaque ones drawn in an
  // opaque colour give the same pixels unblended, for less work.
  if (!batch || !batch->Blends() || (blocks && !blocks->AnyClear() && !(blocks->Any() && (colour >> 24) == 0xFF)))
    blocks = nullptr;
  const bool splitOpaque = blocks && blocks->Any() && (colour >> 24) == 0xFF;
  if (!cover || (!cover->AnyHidden() && !blocks) || renderer.effect || !batch || !texture) {
    renderer.DrawTransformed(texture, &picture.source, &picture.scale, nullptr, 0.0, &picture.position, colour);
    return;
  }
  std::vector<Rect> pieces, opaque;
  cover->ShowingPieces(picture, pieces, blocks, splitOpaque ? &opaque : nullptr);
  if (pieces.empty() && opaque.empty()) return;
  batch->SetTransform(platform::Transformation2D(nullptr, 0.0f, &picture.scale, nullptr, 0.0f, &picture.position));
  // The pieces do not overlap, so which kind is drawn first does not matter.
  auto draw = [&](const std::vector<Rect>& list) {
    for (const Rect& piece : list) {
      // The batch puts the piece's corners at (texel offset in the source) * scale + position:
      // the same sums the whole picture's corners and texels come from.
      const Vector2 fromSource(-float(int64_t(piece.left) - picture.source.left),
                               -float(int64_t(piece.top) - picture.source.top));
      batch->Draw(texture, &piece, &fromSource, nullptr, colour);
    }
  };
  draw(pieces);
  if (opaque.empty()) return;
  batch->DrawOpaque(true);
  draw(opaque);
  batch->DrawOpaque(false);
}

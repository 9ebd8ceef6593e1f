// Leaving out what cannot show: the world's layers are drawn back to front, and where a layer
// in front is opaque, the pixels behind it are drawn only to be painted over. A ScreenCover
// is walked front to back: each picture first asks which of its pieces may still show, then
// hides the screen cells its opaque texels paint over completely.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/gfxtypes.h"

// Which texels of a picture are fully opaque and which fully clear, in blocks of kBlock x
// kBlock texels, summed so that any rectangle of blocks is asked about at once.
class AlphaBlocks {
 public:
  static constexpr int32_t kBlock = 4;
  static constexpr size_t kMaxBlocks = 65535;

  AlphaBlocks() = default;
  // The blocks of a width x height picture whose row y is rowAt(y), width words 0xAARRGGBB;
  // a null row is clear throughout. A picture of more than kMaxBlocks blocks has none known.
  template <class RowAt>
  static AlphaBlocks Measure(int32_t width, int32_t height, RowAt rowAt);

  bool Any() const { return m_any; }
  int32_t Width() const { return m_width; }
  int32_t Height() const { return m_height; }
  // Whether every texel of the inclusive rectangle is opaque; coordinates outside the picture
  // stand for its edge texels, as a filter clamped to the edge reads them.
  bool Opaque(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;
  bool AnyClear() const { return m_anyClear; }
  // Whether every texel of the inclusive rectangle has alpha 0 (coordinates clamped the same
  // way): drawn with blending, such texels change nothing.
  bool Clear(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;

 private:
  static void Sum(const std::vector<uint8_t>& flags, int32_t blocksX, int32_t blocksY, std::vector<uint16_t>& without,
                  bool& any);
  bool None(const std::vector<uint16_t>& without, int32_t x0, int32_t y0, int32_t x1, int32_t y1) const;

  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_blocksX = 0;
  int32_t m_blocksY = 0;
  bool m_any = false;
  bool m_anyClear = false;
  // (blocksX + 1) x (blocksY + 1): blocks not opaque, and blocks not clear, above and left of
  // each corner. 16 bits: a picture of more than kMaxBlocks blocks is not measured.
  std::vector<uint16_t> m_notOpaque;
  std::vector<uint16_t> m_notClear;
};

// A picture drawn upright: the texels of `source` put at position + (texel - source's corner)
// * scale on the screen.
struct PlacedPicture {
  Rect source;
  Vector2 position;
  Vector2 scale;
};

class ScreenCover {
 public:
  static constexpr int32_t kCell = 8;

  ScreenCover(int32_t width, int32_t height);

  // Hides every cell all of whose pixels the picture draws, each from opaque texels only,
  // counting every texel the filter may read for it (the neighbours a bilinear read takes and,
  // for a shrunk picture, the texels its smaller mip levels were made from).
  void Hide(const AlphaBlocks& blocks, const PlacedPicture& picture);
  // Whether no pixel whose centre lies in the rectangle can show: each is off the screen or in
  // a hidden cell. A rectangle that is not a number may show.
  bool Hides(float left, float top, float right, float bottom) const;
  // The parts of the picture that may still show, as rectangles of its source: the source cut
  // into squares of a power of two texels (at most 32 pixels on the screen), the showing ones
  // joined along rows and rows of the same span joined. The whole source when nothing is
  // hidden or the picture is mirrored, empty or not placed at a number.
  // With the picture's alpha blocks, pieces whose texels (and those the filter reads around
  // them) are all clear are left out too, and given opaqueOut, the pieces whose texels read
  // are all opaque go there instead of to out, joined the same way.
  void ShowingPieces(const PlacedPicture& picture, std::vector<Rect>& out, const AlphaBlocks* blocks = nullptr,
                     std::vector<Rect>* opaqueOut = nullptr) const;

  bool AnyHidden() const { return m_hiddenCount > 0; }
  int32_t CellsX() const { return m_cellsX; }
  int32_t CellsY() const { return m_cellsY; }
  bool CellHidden(int32_t x, int32_t y) const { return m_hidden[size_t(y) * size_t(m_cellsX) + size_t(x)] != 0; }

 private:
  int32_t m_width;
  int32_t m_height;
  int32_t m_cellsX;
  int32_t m_cellsY;
  std::vector<uint8_t> m_hidden;
  size_t m_hiddenCount = 0;
};

template <class RowAt>
AlphaBlocks AlphaBlocks::Measure(int32_t width, int32_t height, RowAt rowAt) {
  AlphaBlocks b;
  if (width <= 0 || height <= 0) return b;
  if (size_t((width + kBlock - 1) / kBlock) * size_t((height + kBlock - 1) / kBlock) > kMaxBlocks) return b;
  b.m_width = width;
  b.m_height = height;
  b.m_blocksX = (width + kBlock - 1) / kBlock;
  b.m_blocksY = (height + kBlock - 1) / kBlock;
  std::vector<uint8_t> opaque(size_t(b.m_blocksX) * size_t(b.m_blocksY), 1);
  std::vector<uint8_t> clear(opaque.size(), 1);
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* row = rowAt(y);
    uint8_t* opaqueBlocks = &opaque[size_t(y / kBlock) * size_t(b.m_blocksX)];
    uint8_t* clearBlocks = &clear[size_t(y / kBlock) * size_t(b.m_blocksX)];
    if (!row) {
      std::fill(opaqueBlocks, opaqueBlocks + b.m_blocksX, uint8_t(0));
      continue;
    }
    for (int32_t bx = 0; bx < b.m_blocksX; ++bx) {
      if (!opaqueBlocks[bx] && !clearBlocks[bx]) continue;
      uint32_t all = 0xFF000000u, any = 0;
      for (int32_t x = bx * kBlock, end = std::min(width, x + kBlock); x < end; ++x) {
        all &= row[x];
        any |= row[x];
      }
      if ((all >> 24) != 0xFF) opaqueBlocks[bx] = 0;
      if ((any >> 24) != 0) clearBlocks[bx] = 0;
    }
  }
  Sum(opaque, b.m_blocksX, b.m_blocksY, b.m_notOpaque, b.m_any);
  Sum(clear, b.m_blocksX, b.m_blocksY, b.m_notClear, b.m_anyClear);
  return b;
}

class SpriteRenderer;
namespace platform {
class Texture;
}

// Draws the picture as SpriteRenderer::DrawTransformed would, leaving out the pieces the cover
// hides and, given its alpha blocks and drawn with blending, the pieces that are clear and
// drawing those that are opaque without blending (everything is drawn without a cover). The pieces' corners fall exactly where the
// whole picture's texels would, so the pixels drawn are the pixels the whole would draw.
void DrawShowing(SpriteRenderer& renderer, platform::Texture* texture, const PlacedPicture& picture,
                 const ScreenCover* cover, uint32_t colour, const AlphaBlocks* blocks = nullptr);

// Leaving out what opaque layers in front hide: which texels count as opaque, which screen
// cells an opaque picture hides (only those whose every pixel reads opaque texels), which
// pieces of a picture behind still show, and that the pieces drawn meet exactly where the
// whole picture's texels lie.
#include "world/screencover.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"

namespace {

// A width x height picture, opaque except where `clear` says.
template <class Clear>
AlphaBlocks Picture(int32_t width, int32_t height, Clear clear) {
  std::vector<uint32_t> pixels(size_t(width) * size_t(height));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) pixels[size_t(y) * size_t(width) + size_t(x)] = clear(x, y) ? 0x80FFFFFFu : 0xFF102030u;
  return AlphaBlocks::Measure(width, height, [&](int32_t y) { return &pixels[size_t(y) * size_t(width)]; });
}

AlphaBlocks Solid(int32_t width, int32_t height) {
  return Picture(width, height, [](int32_t, int32_t) { return false; });
}

// The hidden cells as a set of (x, y).
std::set<std::pair<int, int>> HiddenCells(const ScreenCover& cover) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < cover.CellsY(); ++y)
    for (int x = 0; x < cover.CellsX(); ++x)
      if (cover.CellHidden(x, y)) out.insert({x, y});
  return out;
}

}  // namespace

TEST(AlphaBlocks, AnswersForEveryTexelOfTheRectangleWithTheEdgeStandingForWhatLiesBeyond) {
  // 16 x 12 texels, one half-transparent texel at (9, 5): blocks of 4, so block (2, 1) is not opaque.
  const AlphaBlocks b = Picture(16, 12, [](int32_t x, int32_t y) { return x == 9 && y == 5; });
  ASSERT_TRUE(b.Any());
  struct Case {
    int32_t x0, y0, x1, y1;
    bool opaque;
  };
  for (const Case& c : {Case{0, 0, 7, 11, true},      // left of the clear block
                        Case{12, 0, 15, 11, true},    // right of it
                        Case{0, 8, 15, 11, true},     // below it
                        Case{8, 4, 8, 4, false},      // the clear texel's block, another texel
                        Case{7, 3, 12, 6, false},     // overlapping it
                        Case{-50, -50, 3, 3, true},   // beyond the top-left: the corner texels
                        Case{14, -3, 40, 2, true},    // beyond the top-right
                        Case{9, 30, 9, 40, true},     // below the bottom: the bottom row
                        Case{9, -9, 9, -1, true},     // above the top: the top row's opaque block
                        Case{9, 5, 9, 5, false},      // the texel itself
                        Case{5, 5, 4, 5, false}}) {   // an empty rectangle is not opaque
    EXPECT_EQ(b.Opaque(c.x0, c.y0, c.x1, c.y1), c.opaque) << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1;
  }
  // Clear blocks: a picture clear but for one texel at (9, 5) is clear everywhere else.
  const AlphaBlocks dot = Picture(16, 12, [](int32_t x, int32_t y) { return !(x == 9 && y == 5); });
  std::vector<uint32_t> dotPixels(16 * 12, 0x00FFFFFFu);
  dotPixels[5 * 16 + 9] = 0x01000000u;
  const AlphaBlocks faint = AlphaBlocks::Measure(16, 12, [&](int32_t y) { return &dotPixels[size_t(y) * 16]; });
  EXPECT_FALSE(dot.AnyClear());  // half-transparent texels are not clear
  ASSERT_TRUE(faint.AnyClear());
  EXPECT_FALSE(faint.Any());
  for (const Case& c : {Case{0, 0, 7, 11, true}, Case{12, 0, 15, 11, true}, Case{8, 4, 8, 4, false},
                        Case{9, 5, 9, 5, false}, Case{-9, -9, 40, 3, true}, Case{0, 0, 15, 11, false}}) {
    EXPECT_EQ(faint.Clear(c.x0, c.y0, c.x1, c.y1), c.opaque) << c.x0 << "," << c.y0 << " - " << c.x1 << "," << c.y1;
  }

  // Rows given as null are clear; a picture without an opaque block answers no everywhere.
  const AlphaBlocks clear = AlphaBlocks::Measure(8, 8, [](int32_t) { return static_cast<const uint32_t*>(nullptr); });
  EXPECT_FALSE(clear.Any());
  EXPECT_FALSE(clear.Opaque(0, 0, 0, 0));
  EXPECT_FALSE(AlphaBlocks().Opaque(0, 0, 0, 0));
  // A picture of more blocks than the 16-bit sums can count is not measured: nothing is
  // known opaque or clear rather than sums that wrapped.
  const std::vector<uint32_t> wideRow(1024, 0xFF000000u);
  const AlphaBlocks huge = AlphaBlocks::Measure(1024, 1028, [&](int32_t) { return wideRow.data(); });
  EXPECT_FALSE(huge.Any());
  EXPECT_FALSE(huge.Opaque(0, 0, 3, 3));
}

TEST(ScreenCover, AnOpaquePictureHidesTheCellsWhosePixelsItDrawsAllFromOpaqueTexels) {
  // 128 x 96 screen: 16 x 12 cells of 8.
  struct Case {
    const char* what;
    Vector2 position, scale;
    int firstX, lastX, firstY, lastY;  // the hidden cells, inclusive
  };
  // Opaque 64 x 64 texels. At scale 1 from (10.3, 20.6) it draws pixel centres 10.5 .. 73.5 and
  // 21.5 .. 84.5: cells 2..8 across (16..71), 3..9 down (24..79).
  for (const Case& c : {Case{"placed on a fraction", {10.3f, 20.6f}, {1.0f, 1.0f}, 2, 8, 3, 9},
                        Case{"on whole pixels", {16.0f, 24.0f}, {1.0f, 1.0f}, 2, 9, 3, 10},
                        Case{"magnified", {0.0f, 0.0f}, {1.5f, 1.5f}, 0, 11, 0, 11},
                        Case{"shrunk", {0.0f, 0.0f}, {0.5f, 0.5f}, 0, 3, 0, 3}}) {
    ScreenCover cover(128, 96);
    cover.Hide(Solid(64, 64), PlacedPicture{Rect{0, 0, 64, 64}, c.position, c.scale});
    std::set<std::pair<int, int>> expected;
    for (int y = c.firstY; y <= c.lastY; ++y)
      for (int x = c.firstX; x <= c.lastX; ++x) expected.insert({x, y});
    EXPECT_EQ(HiddenCells(cover), expected) << c.what;
  }

  // A clear texel keeps every cell whose pixels the filter may read it for: at scale 1 the
  // pixels within two texels of it, shrunk to a half the texels its mip levels were made from.
  {
    ScreenCover cover(128, 96);
    const AlphaBlocks holed = Picture(64, 64, [](int32_t x, int32_t y) { return x == 33 && y == 33; });
    cover.Hide(holed, PlacedPicture{Rect{0, 0, 64, 64}, {0.0f, 0.0f}, {1.0f, 1.0f}});
    // The cells read texels 8 x - 2 .. 8 x + 9: cells 3 and 4 reach the texel's block (32..35).
    for (int x = 0; x < 8; ++x)
      for (int y = 0; y < 8; ++y) EXPECT_EQ(cover.CellHidden(x, y), !(x >= 3 && x <= 4 && y >= 3 && y <= 4)) << x << "," << y;
  }
  {
    ScreenCover cover(128, 96);
    const AlphaBlocks holed = Picture(64, 64, [](int32_t x, int32_t y) { return x == 33 && y == 33; });
    cover.Hide(holed, PlacedPicture{Rect{0, 0, 64, 64}, {0.0f, 0.0f}, {0.5f, 0.5f}});
    // Eleven texels each way: the cells read texels 16 x - 10 .. 16 x + 26, so cells 1 and 2
    // of each axis reach it.
    for (int x = 0; x < 8; ++x)
      for (int y = 0; y < 8; ++y)
        EXPECT_EQ(cover.CellHidden(x, y), x < 4 && y < 4 && !(x >= 1 && x <= 2 && y >= 1 && y <= 2)) << x << "," << y;
  }

  // A sub-rectangle reads the texels around it that lie inside the texture: clear ones there
  // keep the edge cells; a mirrored, empty, far shrunk or not-a-number picture hides nothing.
  {
    ScreenCover cover(128, 96);
    const AlphaBlocks framed = Picture(80, 80, [](int32_t x, int32_t y) { return x < 8 || y < 8; });
    cover.Hide(framed, PlacedPicture{Rect{8, 8, 72, 72}, {0.0f, 0.0f}, {1.0f, 1.0f}});
    EXPECT_FALSE(cover.CellHidden(0, 0));
    EXPECT_TRUE(cover.CellHidden(1, 1));
    EXPECT_TRUE(cover.CellHidden(7, 7));
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const PlacedPicture& p : {PlacedPicture{Rect{0, 0, 64, 64}, {64.0f, 0.0f}, {-1.0f, 1.0f}},
                                 PlacedPicture{Rect{0, 0, 0, 64}, {0.0f, 0.0f}, {1.0f, 1.0f}},
                                 PlacedPicture{Rect{0, 0, 64, 64}, {0.0f, 0.0f}, {0.1f, 0.1f}},
                                 PlacedPicture{Rect{0, 0, 64, 64}, {nan, 0.0f}, {1.0f, 1.0f}},
                                 PlacedPicture{Rect{0, 0, 64, 64}, {0.0f, 0.0f}, {nan, 1.0f}}}) {
    ScreenCover cover(128, 96);
    cover.Hide(Solid(64, 64), p);
    EXPECT_FALSE(cover.AnyHidden()) << p.position.x << " " << p.scale.x << " " << p.source.right;
  }
}

TEST(ScreenCover, APictureBehindKeepsThePiecesThatMayShowJoinedAlongRowsAndDownColumns) {
  ScreenCover cover(256, 256);
  // Hidden: pixels 0..127 across, 64..191 down (an opaque picture on whole pixels).
  cover.Hide(Solid(128, 128), PlacedPicture{Rect{0, 0, 128, 128}, {0.0f, 64.0f}, {1.0f, 1.0f}});
  ASSERT_TRUE(cover.Hides(8.0f, 72.0f, 120.0f, 184.0f));
  EXPECT_FALSE(cover.Hides(8.0f, 72.0f, 130.0f, 184.0f));
  EXPECT_TRUE(cover.Hides(-50.0f, 300.0f, -10.0f, 400.0f));  // off the screen
  EXPECT_FALSE(cover.Hides(std::nanf(""), 72.0f, 120.0f, 184.0f));

  // A 256 x 256 picture behind, at scale 1 on whole pixels, in pieces of 32 texels: the top
  // row of pieces whole; the hidden square leaves the right half of the next two rows, joined
  // into one rectangle; the last row whole. Moved by more than half a pixel, the pieces at
  // the hidden square's right edge reach a pixel beyond it and show.
  std::vector<Rect> pieces;
  cover.ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {0.0f, 0.0f}, {1.0f, 1.0f}}, pieces);
  EXPECT_EQ(pieces, (std::vector<Rect>{{0, 0, 256, 64}, {128, 64, 256, 192}, {0, 192, 256, 256}}));
  pieces.clear();
  cover.ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {0.6f, 0.0f}, {1.0f, 1.0f}}, pieces);
  EXPECT_EQ(pieces, (std::vector<Rect>{{0, 0, 256, 64}, {96, 64, 256, 192}, {0, 192, 256, 256}}));

  // With its alpha blocks, a picture also leaves out the pieces that are clear with the texels
  // the filter reads around them: here clear above row 97, so at scale 1 (two texels read
  // beyond) the pieces of rows 0..64 go, and the row at 64 (texels 64..95) stays: it reads
  // texel 97.
  const AlphaBlocks lowerHalf = Picture(256, 256, [](int32_t, int32_t y) { return y < 100; });
  std::vector<uint32_t> lower(256 * 256, 0);
  for (int32_t y = 97; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x) lower[size_t(y) * 256 + size_t(x)] = 0xFF102030u;
  const AlphaBlocks clearAbove = AlphaBlocks::Measure(256, 256, [&](int32_t y) { return &lower[size_t(y) * 256]; });
  pieces.clear();
  ScreenCover(256, 256).ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {0.0f, 0.0f}, {1.0f, 1.0f}}, pieces,
                                      &clearAbove);
  EXPECT_EQ(pieces, (std::vector<Rect>{{0, 64, 256, 256}}));
  pieces.clear();
  ScreenCover(256, 256).ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {0.0f, 0.0f}, {1.0f, 1.0f}}, pieces,
                                      &lowerHalf);  // half-transparent texels: nothing left out
  EXPECT_EQ(pieces, (std::vector<Rect>{{0, 0, 256, 256}}));

  // Nothing hidden, or a mirrored picture: the whole source; an empty one: nothing.
  pieces.clear();
  ScreenCover(256, 256).ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {0.0f, 0.0f}, {1.0f, 1.0f}}, pieces);
  cover.ShowingPieces(PlacedPicture{Rect{0, 0, 256, 256}, {256.0f, 0.0f}, {-1.0f, 1.0f}}, pieces);
  cover.ShowingPieces(PlacedPicture{Rect{0, 0, 0, 256}, {0.0f, 0.0f}, {1.0f, 1.0f}}, pieces);
  EXPECT_EQ(pieces, (std::vector<Rect>{{0, 0, 256, 256}, {0, 0, 256, 256}}));
}

TEST(ScreenCover, ThePiecesDrawnMeetExactlyWhereTheWholePictureWouldLie) {
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  SpriteRenderer& renderer = *graphics.GetSpriteRenderer();
  platform::GraphicsDevice& device = *graphics.GetDevice();
  platform::Texture texture(256, 256);

  // A cover hiding a band across the middle of the screen and a block at the right.
  ScreenCover cover(1024, 768);
  cover.Hide(Solid(1024, 200), PlacedPicture{Rect{0, 0, 1024, 200}, {0.0f, 300.0f}, {1.0f, 1.0f}});
  cover.Hide(Solid(200, 200), PlacedPicture{Rect{0, 0, 200, 200}, {800.0f, 0.0f}, {1.0f, 1.0f}});
  for (const PlacedPicture& p : {PlacedPicture{Rect{0, 0, 256, 256}, {700.37f, 180.81f}, {0.8513f, 0.8513f}},
                                 PlacedPicture{Rect{0, 0, 256, 256}, {-33.3f, 251.1f}, {2.0312f, 3.0371f}},
                                 PlacedPicture{Rect{0, 17, 256, 240}, {123.45f, 250.5f}, {0.9975f, 0.9975f}}}) {
    device.ClearRecordedDraws();
    renderer.Begin(SpriteRenderer::kAlphaBlend);
    renderer.DrawTransformed(&texture, &p.source, &p.scale, nullptr, 0.0, &p.position, 0xFFFFFFFF);
    renderer.End();
    ASSERT_EQ(device.RecordedDraws().size(), 1u);
    const platform::DrawRecord whole = device.RecordedDraws()[0];

    device.ClearRecordedDraws();
    renderer.Begin(SpriteRenderer::kAlphaBlend);
    DrawShowing(renderer, &texture, p, &cover, 0xFFFFFFFF);
    renderer.End();
    const auto& pieces = device.RecordedDraws();
    int64_t drawn = 0;
    for (const platform::DrawRecord& d : pieces) drawn += int64_t(d.source.right - d.source.left) * (d.source.bottom - d.source.top);
    EXPECT_LT(drawn, int64_t(p.source.right - p.source.left) * (p.source.bottom - p.source.top)) << "nothing left out";
    // Every corner of a piece lies on the whole picture's grid of texel edges exactly as the
    // whole picture's sums put it: its outer corners are the whole's, bit for bit, and a
    // piece's edge on a texel line is the same float for every piece on that line.
    auto onGrid = [&](float at, int32_t texel, float origin, float scale) { return at == float(texel) * scale + origin; };
    for (const platform::DrawRecord& d : pieces) {
      const float sx = p.scale.x, sy = p.scale.y;
      EXPECT_TRUE(onGrid(d.corners[0].x, d.source.left - p.source.left, p.position.x, sx));
      EXPECT_TRUE(onGrid(d.corners[3].x, d.source.right - p.source.left, p.position.x, sx));
      EXPECT_TRUE(onGrid(d.corners[0].y, d.source.top - p.source.top, p.position.y, sy));
      EXPECT_TRUE(onGrid(d.corners[3].y, d.source.bottom - p.source.top, p.position.y, sy));
      if (d.source.right == p.source.right) {
        EXPECT_EQ(d.corners[3].x, whole.corners[3].x);
      }
      if (d.source.bottom == p.source.bottom) {
        EXPECT_EQ(d.corners[3].y, whole.corners[3].y);
      }
      if (d.source.left == p.source.left) {
        EXPECT_EQ(d.corners[0].x, whole.corners[0].x);
      }
      if (d.source.top == p.source.top) {
        EXPECT_EQ(d.corners[0].y, whole.corners[0].y);
      }
    }
  }
}

TEST(ScreenCover, PiecesReadingOnlyOpaqueTexelsAreDrawnWithoutBlendingAndTheRestBlended) {
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  SpriteRenderer& renderer = *graphics.GetSpriteRenderer();
  platform::GraphicsDevice& device = *graphics.GetDevice();
  platform::Texture texture(256, 256);
  platform::Texture other(8, 8);

  // Clear above row 40, half transparent down to row 100, opaque below. In pieces of 32
  // texels at scale 1, each read with two texels around it: the top row of pieces is clear,
  // the next three read texels that are not opaque, the last four opaque ones alone.
  std::vector<uint32_t> pixels(256 * 256);
  for (int32_t y = 0; y < 256; ++y)
    for (int32_t x = 0; x < 256; ++x)
      pixels[size_t(y) * 256 + size_t(x)] = (y < 40 ? 0x00000000u : y < 100 ? 0x80204060u : 0xFF000000u) | uint32_t(x ^ y);
  const AlphaBlocks blocks = AlphaBlocks::Measure(256, 256, [&](int32_t y) { return &pixels[size_t(y) * 256]; });
  const PlacedPicture picture{Rect{0, 0, 256, 256}, {10.0f, 20.0f}, {1.0f, 1.0f}};
  const ScreenCover cover(1024, 768);  // nothing hidden

  struct Case {
    uint32_t flags;
    uint32_t colour;
    std::vector<Rect> blended, opaque;
  };
  const Rect whole = picture.source;
  for (const Case& c : {// Blending: the opaque pieces unblended, the clear row left out.
                        Case{SpriteRenderer::kAlphaBlend, 0xFFFFFFFF, {{0, 32, 256, 128}}, {{0, 128, 256, 256}}},
                        Case{SpriteRenderer::kAlphaBlend, 0xFF80C0FF, {{0, 32, 256, 128}}, {{0, 128, 256, 256}}},
                        // A translucent colour blends every texel: the clear row still goes.
                        Case{SpriteRenderer::kAlphaBlend, 0x80FFFFFF, {{0, 32, 256, 256}}, {}},
                        // A batch that does not blend draws the whole picture as it is.
                        Case{0, 0xFFFFFFFF, {}, {whole}}}) {
    device.ClearRecordedDraws();
    renderer.Begin(c.flags);
    DrawShowing(renderer, &texture, picture, &cover, c.colour, &blocks);
    // The batch blends as begun afterwards.
    renderer.DrawTransformed(&other, nullptr, nullptr, nullptr, 0.0, &picture.position, c.colour);
    renderer.End();
    std::vector<Rect> blended, opaque;
    const auto& draws = device.RecordedDraws();
    ASSERT_FALSE(draws.empty());
    for (size_t i = 0; i + 1 < draws.size(); ++i) {
      const platform::DrawRecord& d = draws[i];
      EXPECT_EQ(d.blend, d.alphaTest);  // unblended pieces are not alpha tested either
      EXPECT_EQ(d.colour, c.colour);
      (d.blend ? blended : opaque).push_back(d.source);
    }
    EXPECT_EQ(blended, c.blended) << std::hex << c.colour << " flags " << c.flags;
    EXPECT_EQ(opaque, c.opaque) << std::hex << c.colour << " flags " << c.flags;
    EXPECT_EQ(draws.back().texture, &other);
    EXPECT_EQ(draws.back().blend, c.flags == SpriteRenderer::kAlphaBlend);
  }

  // Moved between pixels and shrunk, the pieces at the edge of the opaque part read further:
  // every unblended piece reads opaque texels only, with the filter's reach around it.
  for (const PlacedPicture& p : {PlacedPicture{whole, {10.4f, 20.7f}, {0.8f, 0.8f}},
                                 PlacedPicture{whole, {-3.3f, 1.5f}, {1.7f, 1.7f}},
                                 PlacedPicture{Rect{0, 17, 256, 240}, {5.0f, 5.0f}, {0.45f, 0.45f}}}) {
    std::vector<Rect> blended, opaque;
    cover.ShowingPieces(p, blended, &blocks, &opaque);
    ASSERT_FALSE(opaque.empty());
    ASSERT_FALSE(blended.empty());
    int64_t area = 0;
    for (const Rect& r : opaque) {
      area += int64_t(r.right - r.left) * (r.bottom - r.top);
      for (int32_t y = std::max(0, r.top - 2); y < std::min(256, r.bottom + 2); ++y)
        for (int32_t x = std::max(0, r.left - 2); x < std::min(256, r.right + 2); ++x)
          ASSERT_EQ(pixels[size_t(y) * 256 + size_t(x)] >> 24, 0xFFu) << x << ", " << y << " scale " << p.scale.x;
    }
    for (const Rect& r : blended) {
      area += int64_t(r.right - r.left) * (r.bottom - r.top);
      EXPECT_LT(r.top, 104 + 32) << "a piece well inside the opaque part is blended";
    }
    // Together they are the picture without its clear top: nothing lost, nothing twice.
    EXPECT_EQ(area, int64_t(256) * (p.source.bottom - blended.front().top)) << "scale " << p.scale.x;
  }
}

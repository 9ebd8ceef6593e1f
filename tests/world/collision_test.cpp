// Collision shapes against a small terrain fixture, the outside code and the segment
// intersection.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <utility>

#include "world/collisionshape.h"
#include "world/landstamp.h"
#include "world/terrain_art.h"
#include "world/welt.h"

using terrain_test::ArtStore;

namespace {

std::unique_ptr<Welt> World(const std::vector<std::string>& art) {
  auto land = ArtStore(art);
  Rect r = land->GetRect();
  auto world = std::make_unique<Welt>(&r);
  world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  return world;
}

CollisionShape Box(float l, float t, float r, float b) {
  CollisionShape s = CollisionShape::MakeBox({0, 0, 0, 0});
  s.points[0] = Vector2(l, t);
  s.points[1] = Vector2(r, b);
  return s;
}

struct Expect {
  bool hit;
  Vector2 at;
};

void Check(Welt& world, const CollisionShape& shape, Expect e, const char* what) {
  Vector2 hit(-1, -1);
  EXPECT_EQ(world.TestCollision(shape, hit), e.hit) << what;
  EXPECT_EQ(hit, e.hit ? e.at : Vector2(-1, -1)) << what;
}

}  // namespace

TEST(Collision, PointAndBoxScanColumnsThenRows) {
  auto world = World({
      "............",  // 0
      "............",  // 1
      "....##......",  // 2
      "....##......",  // 3
      "............",  // 4
      "############",  // 5
  });
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    const char* what;
    CollisionShape shape;
    Expect expect;
  } cases[] = {
      {"point on solid", CollisionShape::MakePoint({4, 2}), {true, {4, 2}}},
      {"point truncated onto solid", CollisionShape::MakePoint({5.9f, 3.9f}), {true, {5.9f, 3.9f}}},
      {"point in air", CollisionShape::MakePoint({3.9f, 2}), {false, {}}},
      {"point on the right edge", CollisionShape::MakePoint({12, 5}), {false, {}}},
      {"point on the bottom edge", CollisionShape::MakePoint({0, 6}), {false, {}}},
      {"point not a number", CollisionShape::MakePoint({nan, 5}), {false, {}}},
      {"no shape", CollisionShape(), {false, {}}},
      {"box over the rock", CollisionShape::MakeBox({3, 0, 5, 3}), {true, {4, 2}}},
      // Columns first: the ground's column 0 comes before the rock's column 4.
      {"box over everything", CollisionShape::MakeBox({0, 0, 12, 6}), {true, {0, 5}}},
      {"box in the air", CollisionShape::MakeBox({0, 0, 12, 2}), {false, {}}},
      {"box reaching outside", CollisionShape::MakeBox({-100, -100, 1, 100}), {true, {0, 5}}},
      // A left edge of 5.5 starts the scan at column 5.
      {"box from 5.5", Box(5.5f, 2.0f, 6.5f, 3.0f), {true, {5, 2}}},
      {"box ending at 3.5", Box(3.0f, 2.0f, 3.5f, 3.0f), {false, {}}},
      {"box ending at 4.01", Box(3.0f, 2.0f, 4.01f, 3.0f), {true, {4, 2}}},
      {"box not a number", Box(nan, 0.0f, 12.0f, nan), {false, {}}},
  };
  for (const auto& c : cases) Check(*world, c.shape, c.expect, c.what);
  auto empty = std::make_unique<Welt>();
  Vector2 hit;
  EXPECT_FALSE(empty->TestCollision(CollisionShape::MakePoint({0, 0}), hit));
}

TEST(Collision, FrameMaskStretchesTheFrameOverTheBox) {
  auto world = World({
      "............",  // 0
      "............",  // 1
      "............",  // 2
      "............",  // 3
      "............",  // 4
      "############",  // 5
  });
  // 8 x 2 texture; the frame is its left 4 x 2 texels. Column 4 (outside the frame) is
  // solid and the frame's last column is not, and vice versa in row 1.
  platform::Texture texture(8, 2);
  auto set = [&](int x, int y, uint32_t v) { texture.MutablePixels()[y * 8 + x] = v; };
  set(2, 1, 0xFF000000);  // the frame's right half, lower row
  set(4, 0, 0xFF000000);
  set(4, 1, 0xFF000000);
  set(3, 0, 0xC0000000);  // alpha 192: not solid
  const Rect frame{0, 0, 4, 2};
  platform::Texture clear(4, 4);
  const struct {
    const char* what;
    CollisionShape shape;
    Expect expect;
  } cases[] = {
      // Box 10 x 2 over rows 4-5: texel column = i / 10 * 4, row = j / 2 * 2.
      {"right half, lower row",
       CollisionShape::MakeFrameMask({0, 4, 10, 6}, &texture, frame),
       {true, {5, 5}}},
      {"transparent frame", CollisionShape::MakeFrameMask({0, 0, 12, 6}, &clear, {0, 0, 4, 4}), {false, {}}},
      {"frame outside its texture",
       CollisionShape::MakeFrameMask({0, 0, 12, 6}, &texture, {6, 0, 10, 2}),
       {false, {}}},
      {"no texture", CollisionShape::MakeFrameMask({0, 0, 12, 6}, nullptr, frame), {false, {}}},
      {"narrower than a pixel", CollisionShape::MakeFrameMask({0, 0, 0, 6}, &texture, frame), {false, {}}},
  };
  for (const auto& c : cases) Check(*world, c.shape, c.expect, c.what);

  // Box (5.5, 4) to (10.4, 6) over ground only at x = 9 and 10: w = trunc(4.9) = 4, but
  // columns 5..10 are scanned, and the texel columns of x = 9 and 10 would be 4 and 5,
  // beyond the frame. They read the frame's last column (solid in row 1), not the
  // transparent texels beside the frame.
  platform::Texture edge(8, 2);
  edge.MutablePixels()[8 + 3] = 0xFF000000;
  auto ledge = World({".........##.", ".........##."});
  CollisionShape wide = CollisionShape::MakeFrameMask({0, 0, 0, 0}, &edge, frame);
  wide.points[0] = Vector2(5.5f, 0.0f);
  wide.points[1] = Vector2(10.4f, 2.0f);
  Check(*ledge, wide, {true, {9, 1}}, "box wider than its truncated width");
}

TEST(Collision, TransformedMaskMapsTerrainPixelsBackIntoTheFrame) {
  // An 8 x 4 frame from a 4 x 2 texture whose first texel column is solid, turned a
  // quarter about its centre and put at (20.5, 20.5): world (x, y) maps back to
  // u = y - 16.5, v = 22.5 - x, so the frame covers x 19..22, y 17..24, and its solid
  // texel column (u < 2) the rows 17 and 18.
  platform::Texture texture(4, 2);
  texture.MutablePixels()[0] = texture.MutablePixels()[4] = 0xFF000000;
  platform::Texture full(4, 2);
  for (int i = 0; i < 8; ++i) full.MutablePixels()[i] = 0xFF000000;
  const platform::Matrix turn = platform::Matrix::Translation(-4.0f, -2.0f) *
                                platform::Matrix::RotationZ(1.5707964f) *
                                platform::Matrix::Translation(20.5f, 20.5f);
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> solid;
    const platform::Texture* mask;
    Expect expect;
  } cases[] = {
      {"solid texel", {{20, 17}}, &texture, {true, {20, 17}}},
      {"clear texel", {{20, 22}}, &texture, {false, {}}},
      {"clear texel, full mask", {{20, 22}}, &full, {true, {20, 22}}},
      {"inside the box, outside the turned frame", {{18, 20}}, &full, {false, {}}},
      {"outside the box", {{20, 25}}, &full, {false, {}}},
      {"columns first", {{20, 17}, {19, 18}}, &texture, {true, {19, 18}}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> art(40, std::string(40, '.'));
    for (auto [x, y] : c.solid) art[size_t(y)][size_t(x)] = '#';
    auto world = World(art);
    Check(*world, CollisionShape::MakeTransformedMask({8, 4}, c.mask, {0, 0, 4, 2}, turn), c.expect, c.what);
  }
  std::vector<std::string> art(40, std::string(40, '#'));
  auto world = World(art);
  Check(*world,
        CollisionShape::MakeTransformedMask({8, 4}, &full, {0, 0, 4, 2}, platform::Matrix::Scaling(0, 1)),
        {false, {}}, "matrix without an inverse");
}

TEST(Collision, OutsideCodeNamesTheSideLeft) {
  Rect r{0, 0, 100, 50};
  Welt world(&r);
  const struct {
    Rect rect;
    int32_t code;
  } cases[] = {
      {{-20, 10, -5, 20}, 3},  {{-20, 10, 0, 20}, 0},   {{101, 10, 120, 20}, 2},
      {{100, 10, 120, 20}, 0}, {{10, 51, 20, 60}, 1},   {{101, 51, 120, 60}, 3},
      {{-20, 51, -5, 60}, 3},  {{10, -30, 20, -10}, 0}, {{10, 10, 20, 20}, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(world.OutsideCode(c.rect), c.code)
        << c.rect.left << "," << c.rect.top << "," << c.rect.right << "," << c.rect.bottom;
}

TEST(Collision, SegmentIntersectionCases) {
  const Vector2 unset(-9, -9);
  const struct {
    Vector2 a0, a1, b0, b1;
    int32_t result;
    Vector2 p, q;
  } cases[] = {
      {{0, 0}, {2, 0}, {1, -1}, {1, 1}, 1, {1, 0}, unset},  // crossing
      {{0, 0}, {2, 0}, {1, 0}, {3, 0}, 2, {1, 0}, {2, 0}},  // overlapping on one line
      {{0, 0}, {1, 0}, {0, 1}, {1, 1}, 0, unset, unset},    // parallel, apart
      {{0, 0}, {2, 2}, {2, 0}, {3, -1}, 0, unset, unset},   // the lines cross beyond b
      {{0, 0}, {2, 2}, {2, 2}, {4, 0}, 1, {2, 2}, unset},   // touching at an end
      {{0, 0}, {1, 0}, {2, 0}, {3, 0}, 0, unset, unset},    // one line, disjoint
      {{3, 0}, {0, 0}, {2, 0}, {5, 0}, 2, {2, 0}, {3, 0}},  // reversed a
      {{0, 0}, {2, 0}, {2, 0}, {4, 0}, 1, {2, 0}, unset},   // one line, sharing an end
      {{1, 0}, {1, 0}, {0, 0}, {2, 0}, 1, {1, 0}, unset},   // a is a point on b
      {{0, 5}, {0, 5}, {0, 0}, {0, 4}, 0, unset, unset},    // a is a point beyond b (vertical)
      {{0, 0}, {0, 4}, {0, 2}, {0, 2}, 1, {0, 2}, unset},   // b is a point on a
      {{1, 1}, {1, 1}, {1, 1}, {1, 1}, 1, unset, unset},    // the same point: p not written
      {{1, 1}, {1, 1}, {2, 1}, {2, 1}, 0, unset, unset},
  };
  for (const auto& c : cases) {
    Vector2 p = unset, q = unset;
    EXPECT_EQ(SegmentIntersect(c.a0, c.a1, c.b0, c.b1, &p, &q), c.result)
        << c.a0.x << "," << c.a0.y << " " << c.b0.x << "," << c.b0.y;
    EXPECT_EQ(p, c.p) << c.a0.x << "," << c.a0.y << " " << c.b0.x << "," << c.b0.y;
    EXPECT_EQ(q, c.q) << c.a0.x << "," << c.a0.y << " " << c.b0.x << "," << c.b0.y;
  }
}

// A box skips the stretches the layer knows to be clear; it finds the pixel a scan of every
// pixel finds, also where pixels were written after a test had found their blocks clear.
namespace {

// 120 x 80: clear above, a speckled ground from row 60, and single pixels in the air, some
// on the first column or row of a block.
std::vector<std::string> SpeckledArt() {
  std::vector<std::string> art(80, std::string(120, '.'));
  for (int y = 60; y < 80; ++y)
    for (int x = 0; x < 120; ++x) art[size_t(y)][size_t(x)] = (x * 3 + y) % 7 ? '#' : '.';
  for (auto [x, y] : {std::pair{10, 5}, {32, 10}, {47, 20}, {64, 32}, {90, 33}, {119, 0}, {0, 79}})
    art[size_t(y)][size_t(x)] = '#';
  return art;
}

}  // namespace

TEST(Collision, ABoxFindsTheFirstPixelOverClearStretchesAndAfterWrites) {
  auto world = World(SpeckledArt());
  Landschaft& land = *world->GetGameLandschaft();
  auto expectScanResults = [&](const char* when) {
    SCOPED_TRACE(when);
    for (int size : {1, 2, 5, 17, 40})
      for (int top = -10; top < 85; top += 3)
        for (int left = -10; left < 125; left += 4) {
          // Column order: the smallest x, then the smallest y.
          Expect e{false, {}};
          for (int x = std::max(left, 0); x < std::min(left + size, 120) && !e.hit; ++x)
            for (int y = std::max(top, 0); y < std::min(top + size, 80) && !e.hit; ++y)
              if (land.IsSolidAt(x, y)) e = {true, Vector2(float(x), float(y))};
          Vector2 hit(-1, -1);
          const CollisionShape box = Box(float(left), float(top), float(left + size), float(top + size));
          ASSERT_EQ(world->TestCollision(box, hit), e.hit) << left << "," << top << " size " << size;
          if (e.hit) ASSERT_EQ(hit, e.at) << left << "," << top << " size " << size;
        }
  };
  expectScanResults("first tests");
  *land.LockedPixel(30, 30) = terrain_test::kEarth;
  int32_t count = 0;
  uint32_t* row = land.LockedRow(60, 45, count);
  for (int i = 0; i < 40; ++i) row[i] = terrain_test::kEarth;
  land.UnlockAll();
  expectScanResults("after writes into clear stretches");
}

// A frame mask as large as its box passes over solid pixels under its clear texels and
// finds the first one under a solid texel, in column order, wherever that lies among the
// layer's clear stretches.
TEST(Collision, AFrameMaskFindsTheFirstPixelUnderASolidTexel) {
  auto world = World(SpeckledArt());
  Landschaft& land = *world->GetGameLandschaft();
  constexpr int kSize = 24;
  platform::Texture texture(kSize, kSize);
  auto texelSolid = [](int u, int v) { return (u * 5 + v * 3) % 4 != 0; };
  for (int v = 0; v < kSize; ++v)
    for (int u = 0; u < kSize; ++u)
      texture.MutablePixels()[v * kSize + u] = texelSolid(u, v) ? 0xFF000000 : 0x00000000;
  const Rect frame{0, 0, kSize, kSize};
  const SolidMask bits = SolidMask::FromTexture(&texture, frame);
  for (const SolidMask* mask : {static_cast<const SolidMask*>(nullptr), &bits})
    for (int top = -10; top < 85; top += 3)
      for (int left = -10; left < 125; left += 5) {
        Expect e{false, {}};
        for (int x = std::max(left, 0); x < std::min(left + kSize, 120) && !e.hit; ++x)
          for (int y = std::max(top, 0); y < std::min(top + kSize, 80) && !e.hit; ++y)
            if (land.IsSolidAt(x, y) && texelSolid(x - left, y - top)) e = {true, Vector2(float(x), float(y))};
        CollisionShape shape = CollisionShape::MakeFrameMask({left, top, left + kSize, top + kSize}, &texture, frame);
        shape.mask = mask;
        Vector2 hit(-1, -1);
        ASSERT_EQ(world->TestCollision(shape, hit), e.hit) << left << "," << top << (mask ? " bits" : " texels");
        if (e.hit) ASSERT_EQ(hit, e.at) << left << "," << top << (mask ? " bits" : " texels");
      }
}

// The world keeps its box and area answers and surface tangents while the main layer is not
// written: on a new main layer, after a crater or a stamp, it answers as the layer's pixels
// do now.
TEST(Collision, KeptAnswersFollowTheMainLayerThroughWritesAndReplacement) {
  std::vector<std::string> art(40, std::string(64, '.'));
  for (int y = 20; y < 40; ++y)
    for (int x = 0; x < 64; ++x) art[size_t(y)][size_t(x)] = y >= 20 + x / 8 ? '#' : '.';
  auto world = World(art);
  platform::Texture rock(8, 8);
  for (int i = 0; i < 64; ++i) rock.MutablePixels()[i] = terrain_test::kEarth;
  const CollisionShape boxes[] = {Box(10, 16, 20, 26), Box(30, 10, 38, 30), Box(0, 0, 64, 40)};
  const Vector2 points[] = {{12, 21}, {33, 24}, {50, 26}};
  auto expectFresh = [&](const char* when) {
    SCOPED_TRACE(when);
    Landschaft& land = *world->GetGameLandschaft();
    for (const CollisionShape& box : boxes) {
      Expect e{false, {}};
      for (int x = int(box.points[0].x); x < int(box.points[1].x) && !e.hit; ++x)
        for (int y = int(box.points[0].y); y < int(box.points[1].y) && !e.hit; ++y)
          if (land.IsSolidAt(x, y)) e = {true, Vector2(float(x), float(y))};
      // Asked twice: the second answer is the kept one.
      Check(*world, box, e, "first");
      Check(*world, box, e, "again");
    }
    for (const Vector2& p : points)
      for (int i = 0; i < 2; ++i) EXPECT_EQ(world->SurfaceTangentAt(p, 50, 5), land.SurfaceTangentAt(p, 50, 5));
    for (const Rect& r : {Rect{10, 16, 19, 25}, Rect{30, 10, 37, 19}, Rect{40, 0, 63, 24}})
      for (int i = 0; i < 2; ++i)
        EXPECT_EQ(world->AnySolidIn(r.left, r.top, r.right, r.bottom), land.AnySolidIn(r.left, r.top, r.right, r.bottom))
            << r.left << "," << r.top;
  };
  expectFresh("as built");
  // Built the same way, the new layer has been written as often as the first.
  for (auto& row : art) std::reverse(row.begin(), row.end());
  world->SetGameLayers(ArtStore(art), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  expectFresh("on a new main layer");
  world->CarveCrater({14, 22}, 6.0, nullptr, -1, false);
  expectFresh("after a crater");
  LandStamp stamp(&rock, {0, 0, 8, 8}, {30, 12, 38, 20}, nullptr, nullptr, false, 0xFFFFFFFF, LandStamp::kOne,
                  LandStamp::kZero, true);
  world->StampIntoLayer(stamp, -1, nullptr);
  world->UnlockGameLayers();
  expectFresh("after a stamp");
}

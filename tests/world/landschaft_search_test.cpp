// Terrain searches on small stores drawn as ASCII art: the line walk's step rules, the
// segment and line traces (also against a plain step-by-step walk, for ends far outside
// the store), surface and ground rows, crossings, free directions and tangents.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/random.h"
#include "world/landschaft.h"
#include "world/terrain_art.h"

using terrain_test::ArtStore;
using terrain_test::FlatStore;

namespace {

// The walk as the step rules state it, one step at a time, for comparison.
struct ReferenceTrace {
  bool result = false;
  Vector2 hit, beforeHit;
  int32_t pixels = 0, blocked = 0;
  Vector2 firstBlocked;
};

// Calls visit(x, y) for the start and every step until it returns true.
template <class Visit>
void ReferenceWalk(Vector2 from, Vector2 to, Visit visit) {
  int64_t x = platform::TruncToInt(from.x), y = platform::TruncToInt(from.y);
  int64_t dx = platform::TruncToInt(to.x) - x, dy = platform::TruncToInt(to.y) - y;
  int64_t sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
  int64_t adx = std::llabs(dx), ady = std::llabs(dy);
  bool xMajor = adx > ady;
  int64_t lng = xMajor ? adx : ady, shrt = xMajor ? ady : adx, err = lng / 2;
  if (visit(x, y)) return;
  for (int64_t i = 0; i <= lng; ++i) {
    err -= shrt;
    if (err < 0) {
      err += lng;
      x += sx, y += sy;
    } else if (xMajor) {
      x += sx;
    } else {
      y += sy;
    }
    if (visit(x, y)) return;
  }
}

const uint32_t* Peek(const Landschaft& land, int64_t x, int64_t y) {
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return nullptr;
  return land.PeekPixel(int32_t(x), int32_t(y));
}

ReferenceTrace ReferenceSegment(const Landschaft& land, Vector2 from, Vector2 to, bool stopOutside,
                                bool invert) {
  ReferenceTrace r;
  Vector2 previous;
  bool first = true;
  ReferenceWalk(from, to, [&](int64_t x, int64_t y) {
    const Vector2 here{float(x), float(y)};
    if (first) previous = here, first = false;
    const uint32_t* p = Peek(land, x, y);
    if (p ? (invert ? IsEmptyPixel(*p) : IsSolidPixel(*p)) : stopOutside) {
      r.result = true;
      r.hit = here;
      r.beforeHit = previous;
      return true;
    }
    previous = here;
    return false;
  });
  return r;
}

ReferenceTrace ReferenceLine(const Landschaft& land, Vector2 from, Vector2 to, bool outsideBlocks) {
  ReferenceTrace r;
  ReferenceWalk(from, to, [&](int64_t x, int64_t y) {
    ++r.pixels;
    const uint32_t* p = Peek(land, x, y);
    if (p ? IsSolidPixel(*p) : outsideBlocks) {
      if (r.blocked++ == 0) r.firstBlocked = Vector2(float(x), float(y));
      r.result = true;
    }
    return false;
  });
  return r;
}

// A small cave with a slope, a floating rock and a pillar.
std::unique_ptr<Landschaft> Cave() {
  return ArtStore(
      {
          "..........#.........",
          "..........#.....##..",
          "...##...........##..",
          "...##.............#.",
          "..............#...#.",
          "............###.....",
          "#.........######....",
          "##......##########..",
          "###..#############..",
          "####################",
      },
      -5, -3);
}

}  // namespace

TEST(TerrainTrace, SegmentStepsOneBeyondItsEnd) {
  // (0,0) to (3,0) in empty terrain tests x = 1, 2, 3 and 4 after the start.
  struct Case {
    int32_t solidX;  // the one solid pixel in row 0
    bool result;
    Vector2 hit, beforeHit;
  };
  const Case cases[] = {
      {1, true, {1, 0}, {0, 0}},      {3, true, {3, 0}, {2, 0}}, {4, true, {4, 0}, {3, 0}},
      {5, false, {-1, -1}, {-1, -1}}, {0, true, {0, 0}, {0, 0}},  // a solid start blocks at once, hit =
                                                                  // before-hit = start
  };
  for (const Case& c : cases) {
    std::string row(10, '.');
    row[size_t(c.solidX)] = '#';
    auto land = ArtStore({row, std::string(10, '.')});
    Vector2 hit(-1, -1), before(-1, -1);
    EXPECT_EQ(land->TraceSegment({0, 0}, {3, 0}, false, &hit, &before, false), c.result) << c.solidX;
    EXPECT_EQ(hit, c.hit) << c.solidX;
    EXPECT_EQ(before, c.beforeHit) << c.solidX;
  }
}

TEST(TerrainTrace, SegmentStopsOutsideOnlyWhenAskedAndInvertsOnEmpty) {
  auto land = ArtStore({
      "....",
      "##..",
      "##..",
  });
  struct Case {
    Vector2 from, to;
    bool stopOutside, invert;
    bool result;
    Vector2 hit, beforeHit;
  };
  const Case cases[] = {
      {{2, 0}, {8, 0}, true, false, true, {4, 0}, {3, 0}},    // leaves the store
      {{2, 0}, {8, 0}, false, false, false, {}, {}},          // walks on through outside pixels
      {{6, 0}, {7, 0}, true, false, true, {6, 0}, {6, 0}},    // starts outside
      {{3, 2}, {-3, 2}, false, false, true, {1, 2}, {2, 2}},  // into the ground from the right
      {{0, 2}, {0, -5}, true, true, true, {0, 0}, {0, 1}},    // from inside the ground up into air
      // Invert: solid pixels do not stop; the extra step reaches the empty (2, 0).
      {{0, 2}, {1, 1}, false, true, true, {2, 0}, {1, 1}},
      {{0.9f, 2.9f}, {3.9f, 2.9f}, false, false, true, {0, 2}, {0, 2}},  // truncated start (0, 2) is solid
  };
  for (const Case& c : cases) {
    Vector2 hit, before;
    bool result = land->TraceSegment(c.from, c.to, c.stopOutside, &hit, &before, c.invert);
    EXPECT_EQ(result, c.result) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
    if (!c.result) continue;
    EXPECT_EQ(hit, c.hit) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
    EXPECT_EQ(before, c.beforeHit) << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y;
  }
  // Null outputs are allowed; ends that are not numbers make no walk.
  EXPECT_TRUE(land->TraceSegment({2, 0}, {8, 0}, true, nullptr, nullptr, false));
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_FALSE(land->TraceSegment({0, 2}, {nan, 0}, true, nullptr, nullptr, false));
  EXPECT_FALSE(
      land->TraceSegment({std::numeric_limits<float>::infinity(), 0}, {0, 2}, true, nullptr, nullptr, false));
}

TEST(TerrainTrace, LineCountsEveryPixelAndTheBlockedOnes) {
  auto land = ArtStore({
      "......",
      "..##..",
      "......",
  });
  struct Case {
    Vector2 from, to;
    bool outsideBlocks;
    bool result;
    int32_t pixels, blocked;
    Vector2 firstBlocked;
  };
  const Case cases[] = {
      {{0, 1}, {5, 1}, false, true, 7, 2, {2, 1}},  // start + 6 steps, the last at x = 6 outside
      {{0, 1}, {5, 1}, true, true, 7, 3, {2, 1}},   // ... which now blocks as well
      {{0, 0}, {5, 0}, false, false, 7, 0, {}},
      {{-2, 0}, {1, 0}, true, true, 5, 2, {-2, 0}},  // two outside points first
      {{3, 1}, {3, 1}, false, true, 2, 2, {3, 1}},   // no length: the start twice
  };
  for (const Case& c : cases) {
    int32_t pixels = 10, blocked = 20;
    Vector2 first(-7, -7);
    bool result = land->TraceLine(c.from, c.to, pixels, blocked, c.outsideBlocks, &first);
    EXPECT_EQ(result, c.result) << c.from.x << " -> " << c.to.x;
    EXPECT_EQ(pixels, 10 + c.pixels) << c.from.x << " -> " << c.to.x;
    EXPECT_EQ(blocked, 20 + c.blocked) << c.from.x << " -> " << c.to.x;
    EXPECT_EQ(first, c.result ? c.firstBlocked : Vector2(-7, -7)) << c.from.x << " -> " << c.to.x;
  }
}

TEST(TerrainTrace, AgreesWithAPlainWalkEvenForFarEnds) {
  auto land = Cave();
  platform::SRand(77);
  auto coordinate = [](double spread) { return float((platform::RandFraction() - 0.5) * spread); };
  for (int i = 0; i < 1200; ++i) {
    // Mostly near the store; every fourth segment reaches far outside it.
    double spread = i % 4 == 3 ? 4.0e4 : 60.0;
    Vector2 from(coordinate(60.0), coordinate(30.0)), to(coordinate(spread), coordinate(spread));
    if (i % 8 == 7) std::swap(from, to);
    for (bool flag : {false, true}) {
      for (bool invert : {false, true}) {
        ReferenceTrace want = ReferenceSegment(*land, from, to, flag, invert);
        Vector2 hit(-1, -1), before(-1, -1);
        ASSERT_EQ(land->TraceSegment(from, to, flag, &hit, &before, invert), want.result) << i;
        if (want.result) {
          ASSERT_EQ(hit, want.hit) << i;
          ASSERT_EQ(before, want.beforeHit) << i;
        }
      }
      if (spread > 100.0) continue;  // the plain walk of a far line takes too long
      ReferenceTrace want = ReferenceLine(*land, from, to, flag);
      int32_t pixels = 0, blocked = 0;
      Vector2 first(-1, -1);
      ASSERT_EQ(land->TraceLine(from, to, pixels, blocked, flag, &first), want.result) << i;
      ASSERT_EQ(pixels, want.pixels) << i;
      ASSERT_EQ(blocked, want.blocked) << i;
      if (want.result) {
        ASSERT_EQ(first, want.firstBlocked) << i;
      }
    }
  }
}

TEST(TerrainTrace, FarLinesAreCountedWithoutWalkingThem) {
  auto land = ArtStore({
      "....",
      ".##.",
  });
  // Two million steps along row 1, through the store: x from -1e6 to 1e6 + 1.
  int32_t pixels = 0, blocked = 0;
  Vector2 first;
  EXPECT_TRUE(land->TraceLine({-1.0e6f, 1}, {1.0e6f, 1}, pixels, blocked, false, &first));
  EXPECT_EQ(pixels, 2000002);
  EXPECT_EQ(blocked, 2);
  EXPECT_EQ(first, Vector2(1, 1));
  pixels = blocked = 0;
  EXPECT_TRUE(land->TraceLine({-1.0e6f, 1}, {1.0e6f, 1}, pixels, blocked, true, &first));
  EXPECT_EQ(pixels, 2000002);
  EXPECT_EQ(blocked, 2000002 - 2);  // all but the two empty pixels inside
  EXPECT_EQ(first, Vector2(-1.0e6f, 1));
  Vector2 hit;
  EXPECT_TRUE(land->TraceSegment({2.0e9f, 1}, {-2.0e9f, 1}, false, &hit, nullptr, false));
  EXPECT_EQ(hit, Vector2(2, 1));
}

TEST(TerrainSearch, SurfaceRowUpwardAndDownward) {
  // Ground from row 10 down in a store of rows 0..29.
  auto land = FlatStore({0, 0, 8, 30}, 10);
  struct Case {
    int32_t y, range;
    bool found;
    int32_t row;
  };
  const Case cases[] = {
      {5, 10, true, 10},  // from 5 rows above the ground: its top row
      {15, 10, true, 9},  // from inside, 5 rows below the top: the empty row above (y - 6)
      {9, 10, true, 10},  // from the row just above
      {10, 10, true, 9},  // from the top solid row
      {5, 5, false, 0},   // the ground lies 5 rows down: probes reach 4
      {5, 6, true, 10},   {15, 1, false, 0},  // range 1 never probes
      {-1, 50, false, 0},                     // outside the store
      {0, 50, true, 10},  {29, 50, true, 9},
  };
  for (const Case& c : cases) {
    int32_t row = -99;
    EXPECT_EQ(land->FindSurfaceY(3, c.y, c.range, row), c.found) << c.y << " range " << c.range;
    EXPECT_EQ(row, c.found ? c.row : -99) << c.y << " range " << c.range;
  }
  // Both found at the same distance: the upward result wins.
  auto both = ArtStore({"#", ".", ".", "#", "#", ".", "#", "#"});
  int32_t row = 0;
  ASSERT_TRUE(both->FindSurfaceY(0, 4, 10, row));
  EXPECT_EQ(row, 2);
  ASSERT_TRUE(both->FindSurfaceY(0, 5, 10, row));
  EXPECT_EQ(row, 6);
  // The probes reach the store's first and last rows.
  ASSERT_TRUE(ArtStore({".", "#", "#"})->FindSurfaceY(0, 2, 10, row));
  EXPECT_EQ(row, 0);
  ASSERT_TRUE(ArtStore({".", ".", "#"})->FindSurfaceY(0, 0, 10, row));
  EXPECT_EQ(row, 2);
  // A huge range still ends once both probes have left the store.
  ASSERT_FALSE(ArtStore({".", "."})->FindSurfaceY(0, 0, INT32_MAX, row));
}

TEST(TerrainSearch, GroundRowWithAFreeGapAbove) {
  auto land = ArtStore({
      ".....",  // 0
      ".....",  // 1
      ".....",  // 2
      "#....",  // 3
      "#.#..",  // 4
      ".....",  // 5
      ".#...",  // 6
      "##...",  // 7
      "###..",  // 8
      "####.",  // 9
  });
  struct Case {
    int32_t x, y, range, gap;
    bool found;
    int32_t row;
  };
  const Case cases[] = {
      {0, 5, 10, 2, true, 3},   // up: the ground rows 3-4 with a free run above
      {0, 6, 10, 2, true, 3},   // down finds no free run longer than 2 above rows 7-9
      {1, 2, 10, 2, true, 6},   // down: free rows 0..5 above 6
      {2, 2, 10, 1, true, 4},   // down from 2 - 1 = 1: rows 1..3 free, solid at 4
      {4, 2, 10, 1, false, 0},  // no solid pixel in the column
      {2, 8, 10, 1, true, 8},   // up: 8 solid, then 7 and 6 free
      {5, 2, 10, 1, false, 0},  // x == right passes the test but finds nothing
      {6, 2, 10, 1, false, 0},  // x > right
      {3, 9, 1, 0, true, 9},
      {0, 4, 1, 0, true, 3},  // the range ends inside the ground: its last solid row is kept
  };
  for (const Case& c : cases) {
    int32_t row = -99;
    EXPECT_EQ(land->FindGroundRow(c.x, c.y, c.range, c.gap, row), c.found) << c.x << "," << c.y;
    if (c.found) {
      EXPECT_EQ(row, c.row) << c.x << "," << c.y;
    }
  }
  // Starts far above or below the store are walked only over the store's rows.
  int32_t row = 0;
  ASSERT_TRUE(land->FindGroundRow(1, 2000000000, INT32_MAX, 2, row));
  ASSERT_TRUE(land->FindGroundRow(1, -2000000000, INT32_MAX, 2, row));
  EXPECT_EQ(row, 6);
}

TEST(TerrainSearch, NearestCrossingMovesToTheClosestChange) {
  auto land = FlatStore({0, 0, 40, 40}, 20);
  struct Case {
    Vector2 point;
    int32_t radius;
    Vector2 result;
  };
  // Several rays cross in the first two cases (those at 45, 90 and 135 degrees, or all those
  // but one); the straight one is the nearest and wins, not the last one to cross.
  const Case cases[] = {
      {{10, 17}, 8, {10, 19}},  // from the air: the last empty pixel above the ground
      {{10, 23}, 8, {10, 19}},  // from the ground: the first empty pixel
      {{10, 10}, 8, {10, 10}},  // nothing within reach: unchanged
      {{1, 5}, 8, {0, 5}},      // the store's edge counts (last pixel inside before leaving)
  };
  for (const Case& c : cases) {
    Vector2 p = c.point;
    EXPECT_TRUE(land->NearestCrossing(p, c.radius, 8));
    EXPECT_EQ(p, c.result) << c.point.x << "," << c.point.y;
  }
  Vector2 outside(50, 5);
  EXPECT_FALSE(land->NearestCrossing(outside, 8, 8));
  EXPECT_EQ(outside, Vector2(50, 5));
}

TEST(TerrainSearch, FreeDirectionFollowsTheGround) {
  auto flat = FlatStore({0, 0, 100, 100}, 50);
  auto open = FlatStore({0, 0, 100, 100}, 100);
  auto full = FlatStore({0, 0, 100, 100}, 0);
  struct Case {
    const Landschaft* land;
    Vector2 point;
    Vector2 expected;
  };
  const Case cases[] = {
      {flat.get(), {50, 48}, {1, 0}},  // flat ground, open sky
      {open.get(), {50, 50}, {1, 0}},  // no ray blocked
      {full.get(), {50, 50}, {1, 0}},  // every ray blocked
  };
  for (const Case& c : cases) {
    Vector2 d = c.land->FreeDirectionAt(c.point, 10, 20);
    EXPECT_NEAR(d.x, c.expected.x, 1e-5f);
    EXPECT_NEAR(d.y, c.expected.y, 1e-5f);
  }
  EXPECT_EQ(flat->FreeDirectionAt({500, 48}, 10, 20), Vector2(1, 0));  // outside

  // A 45-degree slope rising to the right: the direction along it points up and right.
  auto slope = std::make_unique<Landschaft>(Rect{0, 0, 100, 100});
  slope->SetGraphics(nullptr);
  slope->CreateTiles();
  for (int32_t x = 0; x < 100; ++x)
    for (int32_t y = 100 - x; y < 100; ++y) *slope->LockedPixel(x, y) = terrain_test::kEarth;
  Vector2 d = slope->FreeDirectionAt({50, 48}, 10, 20);
  EXPECT_NEAR(d.x, 0.7071f, 0.02f);
  EXPECT_NEAR(d.y, -0.7071f, 0.02f);
}

TEST(TerrainSearch, SurfaceTangentAveragesTheRowsBeside) {
  auto flat = FlatStore({0, 0, 60, 60}, 30);
  EXPECT_EQ(flat->SurfaceTangentAt({30, 29}, 10, 5), Vector2(1, 0));
  auto rising = std::make_unique<Landschaft>(Rect{0, 0, 60, 60});
  rising->SetGraphics(nullptr);
  rising->CreateTiles();
  for (int32_t x = 0; x < 60; ++x)
    for (int32_t y = 60 - x; y < 60; ++y) *rising->LockedPixel(x, y) = terrain_test::kEarth;
  // Each probe starts from row 29. Left of x = 30 it starts in air and finds the first
  // solid rows 31..34; right of it, in the ground, the empty rows above it, 28..25.
  Vector2 t = rising->SurfaceTangentAt({30, 29}, 10, 5);
  Vector2 expected =
      platform::Normalize(Vector2(5.0f, (29.0f + 28 + 27 + 26 + 25) / 5 - (29.0f + 31 + 32 + 33 + 34) / 5));
  EXPECT_EQ(t, expected);
  EXPECT_LT(t.y, 0.0f);
  // A side that finds nothing keeps the point's own row.
  auto ledge = ArtStore({
      "..........",
      "..........",
      "......####",
      "......####",
  });
  Vector2 e = ledge->SurfaceTangentAt({7, 1}, 3, 3);
  // Left: x = 6 finds row 2, x = 5 nothing, so that side stops; right: 2 and 2.
  EXPECT_EQ(e, platform::Normalize(Vector2(3.0f, (1.0f + 2 + 2) / 3 - (1.0f + 2) / 2)));
}

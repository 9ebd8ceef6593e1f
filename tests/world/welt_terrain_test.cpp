// Craters, shapes cut through the game layers, stamping into a layer, and the drop and
// spawn searches on flat ground, without ground, under water and with presets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/random.h"
#include "support/rand_ledger.h"
#include "world/landstamp.h"
#include "world/terrain_art.h"
#include "world/watersurface.h"
#include "world/welt.h"

using terrain_test::FlatStore;

namespace {

// A world of the rectangle with `layers` game layers, all solid from groundTop down.
std::unique_ptr<Welt> World(const Rect& r, int32_t groundTop, int32_t layers = 1) {
  auto world = std::make_unique<Welt>(&r);
  world->SetGameLayers(FlatStore(r, groundTop), layers - 1, 0.0f, 0.0f, 0xFFFFFFFF);
  return world;
}

// The largest x >= 0 cleared (alpha 0) on row y of a layer, walking right from x = 0.
int32_t ClearedTo(const Landschaft& land, int32_t y) {
  int32_t x = 0;
  while ((*land.PeekPixel(x + 1, y) >> 24) == 0) ++x;
  return x;
}

class Water : public WaterSurface {
 public:
  explicit Water(double y) : m_y(y) {}
  double GetSurfaceY() const override { return m_y; }

 private:
  double m_y;
};

struct Thing : PlaceableObject {
  Vector2 size{10.0f, 20.0f};
  Vector2 position{-1.0f, -1.0f};
  Vector2 GetSize() const override { return size; }
  Vector2& GetPosition() override { return position; }
};

}  // namespace

TEST(GameLayers, CopiesCompoundTheirTintAndStepTheParallax) {
  auto land = FlatStore({0, 0, 8, 8}, 4);
  Vector2 parallax(1.0f, 0.5f);
  land->SetParallax(&parallax);
  Landschaft* main = land.get();
  Rect r{0, 0, 8, 8};
  Welt world(&r);
  world.SetGameLayers(std::move(land), 2, -0.25f, 0.125f, 0x80FFFFFF);
  ASSERT_EQ(world.GameLayers().size(), 3u);
  EXPECT_EQ(world.GetGameLandschaft(), main);
  EXPECT_EQ(world.GameLayers()[1]->GetParallax(), Vector2(1.0f, 0.5f));
  EXPECT_EQ(world.GameLayers()[2]->GetParallax(), Vector2(0.75f, 0.625f));
  // Alpha 255 halves (truncated) once per copy: 128, then 64.
  EXPECT_EQ(*world.GameLayers()[0]->PeekPixel(0, 7) >> 24, 255u);
  EXPECT_EQ(*world.GameLayers()[1]->PeekPixel(0, 7) >> 24, 128u);
  EXPECT_EQ(*world.GameLayers()[2]->PeekPixel(0, 7) >> 24, 64u);
  world.SetGameLayers(nullptr, 0, 0.0f, 0.0f, 0);
  EXPECT_EQ(world.GetGameLandschaft(), nullptr);
}

TEST(Crater, ClearsTheDiscAndReportsTheMainLayersSolidPixels) {
  auto world = World({-20, -20, 20, 20}, -20);
  Landschaft& land = *world->GetGameLandschaft();
  // A translucent (empty) pixel inside the disc is cleared but not reported.
  *land.LockedPixel(0, 0) = 0x64102030;
  std::vector<RemovedPixel> removed;
  world->CarveCrater({0.5f, 0.5f}, 10.0, &removed, -1, true);
  std::vector<RemovedPixel> expected;
  for (int32_t x = -20; x < 20; ++x)
    for (int32_t y = -20; y < 20; ++y) {
      bool inside =
          x >= -9 && x <= 9 && y >= -9 && y <= 9 && (x - 0.5) * (x - 0.5) + (y - 0.5) * (y - 0.5) <= 100;
      uint32_t p = *land.PeekPixel(x, y);
      ASSERT_EQ(p >> 24, inside ? 0u : 255u) << x << "," << y;
      if (inside && !(x == 0 && y == 0)) expected.push_back({float(x), float(y), 0xFF, 0x8B, 0x5A, 0x2B});
    }
  EXPECT_EQ(*land.PeekPixel(0, 0), 0x00102030u);  // colour kept
  EXPECT_EQ(removed, expected);
  // Tiles stay locked until the world's per-frame unlock.
  EXPECT_TRUE(land.Tiles()[0]->IsLocked());
  world->UnlockGameLayers();
  EXPECT_FALSE(land.Tiles()[0]->IsLocked());
}

TEST(Crater, AVeryLargeCraterReportsInColumnOrderToo) {
  // A square of more than 2048 x 2048 pixels takes the path that sorts the removed
  // pixels instead of noting them in a grid.
  auto world = World({0, 0, 2100, 2100}, 0);
  std::vector<RemovedPixel> removed{{-1, -1, 1, 2, 3, 4}};  // what the list held before stays first
  world->CarveCrater({1050.0f, 1050.0f}, 1050.0, &removed, -1, false);
  int64_t cleared = 0;
  const Landschaft& land = *world->GetGameLandschaft();
  for (int32_t y = 0; y < 2100; ++y)
    for (int32_t x = 0; x < 2100; ++x) cleared += (*land.PeekPixel(x, y) >> 24) == 0;
  ASSERT_EQ(int64_t(removed.size()), cleared + 1);
  EXPECT_EQ(removed[0], (RemovedPixel{-1, -1, 1, 2, 3, 4}));
  EXPECT_TRUE(std::is_sorted(
      removed.begin() + 1, removed.end(),
      [](const RemovedPixel& a, const RemovedPixel& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); }));
}

TEST(Crater, GradedRadiiNarrowInTheCopies) {
  struct Case {
    int32_t layers, layerArgument;
    bool graded;
    std::vector<int32_t> reach;  // the cleared x on row 0, per game layer (0: not cut)
  };
  const Case cases[] = {
      // Radius 100: layer 1 sqrt((2/3)^0.3) = 0.941, layer 2 sqrt((1/3)^0.6) = 0.719.
      {3, -1, true, {99, 94, 71}}, {3, -1, false, {99, 99, 99}},
      {3, 0, true, {99, 0, 0}},     // only the main layer
      {3, 1, true, {99, 85, 0}},    // two layers: 0.5^0.45 -> 0.856
      {3, 7, false, {99, 99, 99}},  // more than there are
      {1, -1, true, {99}},
  };
  for (const Case& c : cases) {
    auto world = World({-150, -150, 150, 150}, -150, c.layers);
    std::vector<RemovedPixel> removed;
    world->CarveCrater({0.0f, 0.0f}, 100.0, &removed, c.layerArgument, c.graded);
    for (size_t i = 0; i < c.reach.size(); ++i)
      EXPECT_EQ(ClearedTo(*world->GameLayers()[i], 0), c.reach[i])
          << "layer " << i << " arg " << c.layerArgument;
    // Only the main layer's pixels are reported.
    int32_t cleared = 0;
    const Landschaft& main = *world->GameLayers()[0];
    for (int32_t x = -150; x < 150; ++x)
      for (int32_t y = -150; y < 150; ++y) cleared += (*main.PeekPixel(x, y) >> 24) == 0;
    EXPECT_EQ(int32_t(removed.size()), cleared);
  }
  // Far outside every layer, or with a radius that is not a number: nothing happens.
  auto world = World({0, 0, 10, 10}, 0);
  world->CarveCrater({1.0e9f, 5.0f}, 50.0, nullptr, -1, false);
  world->CarveCrater({5.0f, 5.0f}, std::nan(""), nullptr, -1, false);
  EXPECT_EQ(terrain_test::PixelHash(*world->GetGameLandschaft()),
            terrain_test::PixelHash(*FlatStore({0, 0, 10, 10}, 0)));
}

TEST(CarveShape, ErasesEveryLayerShrinkingTheRectangleWhenGraded) {
  platform::Texture disc(1, 1);
  disc.MutablePixels()[0] = 0xFFFFFFFF;
  for (bool graded : {true, false}) {
    auto world = World({0, 0, 120, 120}, 0, 3);
    LandStamp stamp(&disc, {0, 0, 1, 1}, {0, 0, 100, 100}, nullptr, nullptr, false, 0xFFFFFFFF, 1, 0, true);
    std::vector<RemovedPixel> removed;
    world->CarveShape(stamp, &removed, -1, graded);
    EXPECT_TRUE(stamp.erase);
    EXPECT_TRUE(stamp.collectRemoved);
    // Layers 0 and 1 lose the full rectangle; layer 2 the one shrunk by 0.794
    // (dw = trunc(100 - 79.4) = 20, halves of 10); the rectangle then shrinks by 0.630.
    std::vector<int32_t> reach = graded ? std::vector<int32_t>{99, 99, 89} : std::vector<int32_t>{99, 99, 99};
    for (size_t i = 0; i < 3; ++i) {
      const Landschaft& layer = *world->GameLayers()[i];
      int32_t last = 0;
      for (int32_t x = 0; x < 120; ++x)
        if ((*layer.PeekPixel(x, 50) >> 24) == 0) last = x;
      EXPECT_EQ(last, reach[i]) << "layer " << i << (graded ? " graded" : "");
    }
    EXPECT_EQ(stamp.destination, graded ? (Rect{24, 24, 76, 76}) : (Rect{0, 0, 100, 100}));
    // Every cut layer reports into the same list.
    EXPECT_EQ(removed.size(), graded ? 2 * 10000u + 80 * 80u : 3 * 10000u);
  }
  // Without a list nothing is collected.
  auto world = World({0, 0, 20, 20}, 0, 2);
  LandStamp stamp(&disc, {0, 0, 1, 1}, {0, 0, 10, 10}, nullptr, nullptr, false, 0xFFFFFFFF, 1, 0, true);
  world->CarveShape(stamp, nullptr, 0, true);
  EXPECT_FALSE(stamp.collectRemoved);
  EXPECT_EQ(*world->GameLayers()[0]->PeekPixel(5, 5) >> 24, 0u);
  EXPECT_EQ(*world->GameLayers()[1]->PeekPixel(5, 5) >> 24, 255u);
}

TEST(StampIntoLayer, ChoosesTheLayerByIndex) {
  platform::Texture red(1, 1);
  red.MutablePixels()[0] = 0xFFFF0000;
  LandStamp stamp(&red, {0, 0, 1, 1}, {1, 1, 2, 2}, nullptr, nullptr, false, 0xFFFFFFFF, 1, 0, true);
  const struct {
    int32_t index;
    bool result;
    int changedLayer;  // -1: none
  } cases[] = {{-1, true, 0}, {0, true, 0}, {2, true, 2}, {3, false, -1}, {-2, false, -1}};
  for (const auto& c : cases) {
    auto world = World({0, 0, 4, 4}, 4, 3);
    EXPECT_EQ(world->StampIntoLayer(stamp, c.index, nullptr), c.result) << c.index;
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(*world->GameLayers()[size_t(i)]->PeekPixel(1, 1), i == c.changedLayer ? 0xFFFF0000u : 0u)
          << c.index << " layer " << i;
  }
  Welt empty;
  EXPECT_FALSE(empty.StampIntoLayer(stamp, -1, nullptr));
}

TEST(DropPosition, FiftyRowsBelowTheTopOfAFreeColumnAboveTheWater) {
  // Flat ground from row 300 of 400: every column is free up to the top row.
  auto world = World({0, 0, 400, 400}, 300);
  platform::SRand(1);  // draws 41 (y), then 18467 (x)
  Vector2 at;
  ASSERT_TRUE(world->FindDropPosition(at, {0, 2000, 50}));
  EXPECT_EQ(at, Vector2(float(18467 / 32767.0 * 400), 50.0f));

  // A roof over rows 0..99: the highest free point is row 100.
  auto roofed = World({0, 0, 400, 400}, 300);
  Landschaft& land = *roofed->GetGameLandschaft();
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 400; ++x) *land.LockedPixel(x, y) = terrain_test::kEarth;
  ASSERT_TRUE(roofed->FindDropPosition(at, {0, 2000, 50}));
  EXPECT_EQ(at.y, 150.0f);

  const struct {
    const char* what;
    int32_t roofBottom;
    double water;
  } none[] = {
      {"free run of 39 rows", 260, 1000.0},  // rows 260..298 are too short a column
      {"ground under water", 0, 350.0},      // 300 > 350 - 100
  };
  for (const auto& c : none) {
    auto w = World({0, 0, 400, 400}, 300);
    for (int32_t y = 0; y < c.roofBottom; ++y)
      for (int32_t x = 0; x < 400; ++x) *w->GetGameLandschaft()->LockedPixel(x, y) = terrain_test::kEarth;
    Water water(c.water);
    w->SetWaterSurface(&water);
    Vector2 untouched(-3, -3);
    EXPECT_FALSE(w->FindDropPosition(untouched, {0, 2000, 50})) << c.what;
    EXPECT_EQ(untouched, Vector2(-3, -3)) << c.what;
  }
  Water deep(450.0);
  world->SetWaterSurface(&deep);
  EXPECT_TRUE(world->FindDropPosition(at, {0, 2000, 50}));

  Welt empty;
  ASSERT_TRUE(empty.FindDropPosition(at, {0, 2000, 50}));
  EXPECT_EQ(at, Vector2(0.0f, 50.0f));
}

TEST(SpawnPosition, OnTheGroundApartFromEarlierPlaces) {
  auto world = World({0, 0, 800, 800}, 400);
  Thing first;
  Vector2 preset(123.4f, 10.0f);
  ASSERT_TRUE(world->FindSpawnPosition(first, 60.0, &preset));
  EXPECT_EQ(first.position, Vector2(123.4f, 398.0f));  // two rows above the ground row
  ASSERT_EQ(world->SpawnPositions().size(), 1u);
  EXPECT_EQ(world->SpawnPositions()[0].distance, 60.0);

  platform::SRand(9);
  Thing others[2];
  for (Thing& t : others) {
    ASSERT_TRUE(world->FindSpawnPosition(t, 60.0, nullptr));
    EXPECT_EQ(t.position.y, 398.0f);
    EXPECT_GE(t.position.x, 80.0f);  // the middle 80 % of the width
    EXPECT_LT(t.position.x, 720.0f);
  }
  const auto& places = world->SpawnPositions();
  for (size_t i = 0; i < places.size(); ++i)
    for (size_t j = 0; j < i; ++j) EXPECT_GE(std::fabs(places[i].position.x - places[j].position.x), 120.0f);

  // An impossible distance is dropped after 100 candidates: the object is still placed.
  Thing crowded;
  ASSERT_TRUE(world->FindSpawnPosition(crowded, 5000.0, nullptr));
  EXPECT_EQ(world->SpawnPositions().size(), 4u);
}

TEST(SpawnPosition, NoPlaceIsReportedAfterABoundedSearch) {
  const struct {
    const char* what;
    int32_t groundTop;
    double water;
  } cases[] = {
      {"no ground", 800, 10000.0},
      {"ground too near the water", 400, 600.0},  // 400 > 600 - 300
      {"ground in the top tenth", 50, 10000.0},
  };
  for (const auto& c : cases) {
    auto world = World({0, 0, 800, 800}, c.groundTop);
    Water water(c.water);
    world->SetWaterSurface(&water);
    Thing t;
    EXPECT_FALSE(world->FindSpawnPosition(t, 10.0, nullptr)) << c.what;
    EXPECT_EQ(t.position, Vector2(-1, -1)) << c.what;
    EXPECT_TRUE(world->SpawnPositions().empty()) << c.what;
  }
  Welt empty;
  Thing t;
  EXPECT_FALSE(empty.FindSpawnPosition(t, 10.0, nullptr));
}

TEST(DropPosition, TheGroundMayLieExactlyAHundredRowsAboveTheWater) {
  // Flat ground from row 300; the first candidate (draws 41 for y, 18467 for x) finds the
  // ground at row 300. With the water at 400 that row is exactly 100 above it and is taken;
  // a quarter row higher water turns it down and a later candidate is used.
  const float first = float(18467 / 32767.0 * 400);
  for (double level : {400.0, 399.75}) {
    auto world = World({0, 0, 400, 400}, 300);
    Water water(level);
    world->SetWaterSurface(&water);
    platform::SRand(1);
    Vector2 at;
    ASSERT_TRUE(world->FindDropPosition(at, {0, 2000, 50})) << level;
    if (level == 400.0)
      EXPECT_EQ(at.x, first);
    else
      EXPECT_NE(at.x, first);
  }
}

TEST(SpawnPosition, TheMiddleEightyPercentAndTheRelaxationAtTheHundredthCandidate) {
  // Flat ground from row 400 of an 800 x 800 world: every candidate finds the ground, so
  // candidate k takes draws 2k - 1 (y) and 2k (x), and x = r * 640 + 80.
  auto world = World({0, 0, 800, 800}, 400);
  constexpr uint32_t kSeed = 77;
  platform::SRand(kSeed);
  ReferenceRand reference(kSeed);
  auto candidateX = [&](int skip) {
    for (int i = 0; i < skip; ++i) reference.Next();
    reference.Next();  // y
    return float(reference.NextFraction() * (0.8 * 800.0) + 0.0 + 0.1 * 800.0);
  };
  Thing first;
  ASSERT_TRUE(world->FindSpawnPosition(first, 10.0, nullptr));
  EXPECT_EQ(first.position, Vector2(candidateX(0), 398.0f));

  // No place is 5000 pixels from the first: 99 candidates are turned down, the 100th is
  // taken whatever its distance.
  Thing crowded;
  ASSERT_TRUE(world->FindSpawnPosition(crowded, 5000.0, nullptr));
  EXPECT_EQ(crowded.position, Vector2(candidateX(2 * 99), 398.0f));
}

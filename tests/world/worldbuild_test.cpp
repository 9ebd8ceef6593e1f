// The world build on the generator pack: pinned worlds that come out the same on every
// run and every worker count, the reseed points of groups and stages, layer order, kinds,
// parallax, copies, decorations, and the load screen's count.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/bewegteanimation.h"
#include "engine/myloadscreen.h"
#include "engine/pfadanimation.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "world/generator_fixture.h"
#include "world/lfc_stages.h"
#include "world/lfcstagelist.h"
#include "world/welt.h"
#include "world/worldhash.h"

namespace {

using generator_test::GeneratorPack;

std::string Fingerprints(const Welt& world) {
  std::string out;
  char line[64];
  for (const auto* group : {&world.BackgroundLayers(), &world.GameLayers(), &world.ForegroundLayers()})
    for (const auto& layer : *group) {
      std::snprintf(line, sizeof line, "%d:%016llx ", layer->GetDepth(),
                    static_cast<unsigned long long>(LayerHash(*layer)));
      out += line;
    }
  return out;
}

// The pixels alone, without rectangle, depth, parallax or decorations.
uint64_t PixelHash(const Landschaft& layer) {
  Landschaft plain(layer);
  const Vector2 one(1.0f, 1.0f);
  plain.SetParallax(&one);
  plain.SetDepth(0);
  return LayerHash(plain);
}

class WorldBuildTest : public ::testing::Test {
 protected:
  void TearDown() override { platform::SetProcessorCountOverride(0); }

  std::unique_ptr<Welt> Build(const LevelInfo& level, MyLoadScreen* screen = nullptr) {
    return level.BuildWorld(screen, pack.Services());
  }

  GeneratorPack pack;
};

}  // namespace

TEST_F(WorldBuildTest, PinnedWorldsOnEveryWorkerCountAndEveryRun) {
  struct Case {
    const char* what;
    uint32_t seed;
    bool files;
    uint64_t hash;
  };
  const Case cases[] = {
      {"recipe, seed 1", 1, false, 16160184991784941268ull},
      {"recipe, seed 4711", 4711, false, 12295656743934443330ull},
      {"creator files, seed 99", 99, true, 7461258817181600170ull},
  };
  for (const Case& c : cases) {
    auto level = pack.Level();
    level->Reseed(c.seed);
    if (c.files) {
      level->gameCreator = LoadFixture("world/hills.lfc");
      level->backgroundCreators.push_back(LoadFixture("world/ridge.lfc"));
    }
    std::string first;
    for (int workers : {1, 2, 3, 8, 1}) {
      platform::SetProcessorCountOverride(workers);
      auto world = Build(*level);
      ASSERT_EQ(world->GameLayers().size(), 3u);
      const std::string prints = Fingerprints(*world);
      if (first.empty()) {
        first = prints;
        EXPECT_EQ(WorldHash(*world), c.hash) << c.what << "\n" << prints;
      }
      EXPECT_EQ(prints, first) << c.what << ", " << workers << " workers";
    }
  }
}

TEST_F(WorldBuildTest, EveryStageStartsFromItsGroupSeedPlusItsKind) {
  // One noise stage per group, from files: the background layer's kind is -1 (its stage
  // starts from srand(seed - 1)), the foreground's +1 (srand(seed + 1 + 1)), the game
  // layer's 0 (srand(seed + 2)); each after one discarded draw. Decorations are left out,
  // as they draw between layers only.
  auto level = pack.Level();
  level->Reseed(500);
  level->placeSettingObjects = false;
  const char16_t* noise =
      u"<LFC_NOISE> <RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SCALE> \"12\" \"0.4\" <\\SCALE> <\\LFC_NOISE>";
  level->gameCreator = ParseBody(noise);
  level->backgroundCreators.push_back(ParseBody(noise));
  level->foregroundCreators.push_back(ParseBody(noise));
  auto world = Build(*level);

  auto expected = [&](uint32_t start) {
    auto layer = GeneratorPack::Store(level->worldRect);
    auto mask = GeneratorPack::Store(level->worldRect);
    auto section =
        ParseBody(u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SCALE> \"12\" \"0.4\" <\\SCALE>", u"LFC_NOISE");
    platform::SRand(start);
    platform::Rand();
    LFC_Noise(section.get(), nullptr, 0, 1.0).Apply(*layer, *mask, nullptr);
    return PixelHash(*layer);
  };
  for (const auto& layer : world->BackgroundLayers()) EXPECT_EQ(PixelHash(*layer), expected(500u - 1u));
  for (const auto& layer : world->ForegroundLayers()) EXPECT_EQ(PixelHash(*layer), expected(500u + 1u + 1u));
  EXPECT_EQ(PixelHash(*world->GameLayers()[0]), expected(500u + 2u));
  // Different starts give different layers, so the comparisons above tell them apart.
  EXPECT_NE(expected(499u), expected(502u));
}

TEST_F(WorldBuildTest, FileLayersOfAGroupComeOutAlike) {
  // Three background layers and one file: all three from it, each with kind -1, so each
  // stage of each layer starts from the same state; only the parallax steps differ.
  auto level = pack.Level(u"<ANZ_HG_EBENEN> \"3\" <\\ANZ_HG_EBENEN>");
  level->backgroundCount = 3;
  level->placeSettingObjects = false;
  level->backgroundCreators.push_back(LoadFixture("world/ridge.lfc"));
  auto world = Build(*level);
  const auto& layers = world->BackgroundLayers();
  ASSERT_EQ(layers.size(), 3u);
  const float parallax[3] = {0.9f, 0.85f, 0.8f};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(layers[i]->GetDepth(), -1);
    EXPECT_EQ(PixelHash(*layers[i]), PixelHash(*layers[0]));
    EXPECT_FLOAT_EQ(layers[i]->GetParallax().x, parallax[i]);
    EXPECT_FLOAT_EQ(layers[i]->GetParallax().y, parallax[i]);
  }
}

TEST_F(WorldBuildTest, RecipeLayersAreNumberedOutwardAndOrderedByTheWorld) {
  auto level = pack.Level();
  level->backgroundCount = 3;
  level->foregroundCount = 2;
  auto world = Build(*level);
  // The group's first layer keeps its place; later ones go before the first deeper one.
  std::vector<int32_t> depths;
  for (const auto& layer : world->BackgroundLayers()) depths.push_back(layer->GetDepth());
  EXPECT_EQ(depths, (std::vector<int32_t>{-1, -3, -2}));
  depths.clear();
  for (const auto& layer : world->ForegroundLayers()) depths.push_back(layer->GetDepth());
  EXPECT_EQ(depths, (std::vector<int32_t>{1, 2}));
  EXPECT_FLOAT_EQ(world->BackgroundLayers()[1]->GetParallax().x, 0.8f);
  EXPECT_FLOAT_EQ(world->ForegroundLayers()[1]->GetParallax().x, 1.15f);
}

TEST_F(WorldBuildTest, ParallaxStepsAndPreviewScale) {
  struct Case {
    bool steps;
    double scale;
    float background1, foreground0;
    Rect rect;
  };
  const Case cases[] = {
      {true, 1.0, 0.85f, 1.1f, {-512, -256, 512, 256}},
      {false, 1.0, 1.0f, 1.0f, {-512, -256, 512, 256}},
      // A preview at 0.25: parallax 0.85 becomes 0.9625, 1.1 becomes 1.025.
      {true, 0.25, 0.9625f, 1.025f, {-128, -64, 128, 64}},
  };
  for (const Case& c : cases) {
    auto level = pack.Level();
    level->parallaxSteps = c.steps;
    level->buildScale = c.scale;
    auto world = Build(*level);
    const Rect r = world->GetWorldRect();
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}),
              (std::array{c.rect.left, c.rect.top, c.rect.right, c.rect.bottom}));
    ASSERT_EQ(world->BackgroundLayers().size(), 2u);
    EXPECT_FLOAT_EQ(world->BackgroundLayers()[1]->GetParallax().x, c.background1);
    EXPECT_FLOAT_EQ(world->ForegroundLayers()[0]->GetParallax().y, c.foreground0);
    const Rect layer = world->GameLayers()[0]->GetRect();
    EXPECT_EQ(layer.right - layer.left, c.rect.right - c.rect.left);
  }
}

TEST_F(WorldBuildTest, GameLayerCopiesFollowTheMainLayer) {
  auto level = pack.Level();
  auto world = Build(*level);
  const auto& game = world->GameLayers();
  ASSERT_EQ(game.size(), 3u);
  EXPECT_FLOAT_EQ(game[1]->GetParallax().x, 1.0f);
  EXPECT_FLOAT_EQ(game[2]->GetParallax().x, 0.9975f);
  // The main terrain has ground in it.
  int32_t solid = 0;
  const Rect r = game[0]->GetRect();
  for (int32_t y = r.top; y < r.bottom; y += 4)
    for (int32_t x = r.left; x < r.right; x += 4) solid += game[0]->IsSolidAt(x, y);
  EXPECT_GT(solid, 1000);
}

TEST_F(WorldBuildTest, CloudsDriftInTheSettingsBandAtTheTop) {
  auto level = pack.Level();
  level->Reseed(3);
  auto world = Build(*level);
  const auto& animations = world->GameLayers()[0]->Animations();
  // The game block's clouds: between 1 and 3, in the band 100 pixels high at the top.
  ASSERT_GE(animations.size(), 1u);
  ASSERT_LE(animations.size(), 3u);
  for (const auto& cloud : animations) {
    ASSERT_NE(cloud, nullptr);
    EXPECT_EQ(cloud->GetName(), u"WOLKE");
    EXPECT_EQ(cloud->GetLayer(), 0);
    ASSERT_NE(cloud->GetPath(), nullptr);
    for (const Vector2& p : cloud->GetPath()->GetPoints()) {
      EXPECT_GE(p.y, -256.0f - 1.0f);
      EXPECT_LE(p.y, -256.0f + 100.0f + 1.0f);
    }
    // The band itself: the cloud space's area (left 0, top 0, right 0, bottom 100 from the
    // world's top) spans the width, and the cloud's heights (10 .. 40) measured from the
    // area's top give its top and bottom; the points are fitted onto exactly those edges.
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
    for (const Vector2& p : cloud->GetPath()->GetPoints()) {
      minX = std::min(minX, p.x);
      maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y);
      maxY = std::max(maxY, p.y);
    }
    EXPECT_EQ(minX, -512.0f);
    EXPECT_EQ(maxX, 512.0f);
    EXPECT_EQ(minY, -256.0f + 10.0f);
    EXPECT_EQ(maxY, -256.0f + 40.0f);
  }
  // Without the setting's objects there are no decorations.
  level->placeSettingObjects = false;
  EXPECT_TRUE(Build(*level)->GameLayers()[0]->Animations().empty());
}

TEST_F(WorldBuildTest, TheLoadScreenCountsEveryStage) {
  for (bool files : {false, true}) {
    auto level = pack.Level();
    // The stages and decorations of a layer draw before the next layer of its group is
    // planned, which the dry run does not do: with one layer per group the count is exact.
    level->backgroundCount = 1;
    if (files) level->gameCreator = LoadFixture("world/hills.lfc");
    MyLoadScreen screen(nullptr, nullptr, nullptr);
    std::vector<std::pair<std::u16string, double>> applied;
    WorldBuildServices services = pack.Services();
    services.stageTimes = &applied;
    auto world = level->BuildWorld(&screen, services);
    EXPECT_EQ(screen.Maximum(), double(applied.size())) << (files ? "files" : "recipe");
    EXPECT_EQ(screen.Progress(), screen.Maximum());
    EXPECT_GT(applied.size(), 5u);
  }
}

TEST_F(WorldBuildTest, TheCataloguesObjectsAreReadOnlyForTheBuildThatStampsThem) {
  // Loaded, no object holds its picture's memory.
  ASSERT_FALSE(pack.katalog.Objekte().empty());
  for (const auto& o : pack.katalog.Objekte()) {
    ASSERT_NE(o->texture, nullptr);
    EXPECT_TRUE(o->texture->texture->IsReleased()) << platform::U16ToUtf8(o->name);
  }
  auto released = [&] {
    std::vector<bool> out;
    for (const auto& o : pack.katalog.Objekte()) out.push_back(o->texture->texture->IsReleased());
    return out;
  };
  auto level = pack.Level();
  level->Reseed(4711);
  const uint64_t lazily = WorldHash(*Build(*level));
  // The build stamped what it picked, from the pictures read again.
  const std::vector<bool> after = released();
  EXPECT_NE(std::count(after.begin(), after.end(), false), 0);
  // Every picture held from the start builds the same world.
  for (const auto& o : pack.katalog.Objekte()) o->texture->texture->Refill();
  EXPECT_EQ(WorldHash(*Build(*level)), lazily);
}

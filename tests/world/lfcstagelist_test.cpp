// Stage lists: the factory for creator-file sections, the common keys, and the random
// recipe pinned as a text dump of its stages and parameters with the draws it makes.
#include "world/lfcstagelist.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/random.h"
#include "platform/text.h"
#include "support/rand_ledger.h"
#include "world/generator_fixture.h"
#include "world/lfc_stages.h"

namespace {

using generator_test::GeneratorPack;

std::vector<std::u16string> Types(const LfcStageList& list) {
  std::vector<std::u16string> types;
  for (const auto& stage : list.stages) types.push_back(stage->TypeName());
  return types;
}

// The recipe for a layer of that kind, from srand(seed) and one discarded draw, as the
// world build starts a group; the draws it made are returned in `draws`.
std::unique_ptr<LfcStageList> Recipe(const LevelInfo& level, uint32_t seed, int32_t kind, int& draws) {
  auto list = std::make_unique<LfcStageList>();
  list->rect = level.worldRect;
  list->scale = level.buildScale;
  platform::SRand(seed);
  platform::Rand();
  RandLedger ledger;
  LfcStageList::BuildRandom(level, *list, level.setting, kind);
  draws = ledger.Draws();
  return list;
}

}  // namespace

TEST(LfcFactory, SectionNamesMakeTheirStages) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"LFC_FORMEN", u"LFC_Formen"},
      {u"LFC_KACHELN", u"LFC_Kacheln"},
      {u"LFC_NOISE", u"LFC_Noise"},
      {u"LFC_SOBEL", u"LFC_Sobel"},
      {u"LFC_ELLIPSE", u"LFC_EleptikScanLine"},
      {u"LFC_NOISE_SCAN", u"LFC_ScanLine"},
      {u"LFC_FORMEN_HG", u"LFC_HGObjektePlacer"},
      {u"LFC_LOAD_FILE", u"LFC_LoadFile"},
      {u"LFC_INVERT", nullptr},
      {u"lfc_noise", nullptr},
      {u"LFC_NOISE ", nullptr},
  };
  for (auto [section, type] : cases) {
    auto node = ParseBody(u"", u"X");
    node->SetName(section);
    auto stage = LfcStageList::MakeStage(*node, nullptr, 0, 1.0, nullptr, nullptr);
    if (!type) {
      EXPECT_EQ(stage, nullptr) << platform::U16ToUtf8(section);
      continue;
    }
    ASSERT_NE(stage, nullptr) << platform::U16ToUtf8(section);
    EXPECT_EQ(std::u16string(stage->TypeName()), type);
  }
}

TEST(LfcFactory, CommonKeys) {
  struct Case {
    const char16_t* body;
    Rect margins;
    uint32_t mask, key;
    int32_t source, dest;
    bool clamp;
  };
  const Case cases[] = {
      // Defaults.
      {u"", {100, 100, 100, 0}, 0xFFFFFFFF, 0xFFFFFFFF, 9, 11, false},
      // Margins given in part keep the rest; colours with or without "0x"; a colour that is
      // not hexadecimal reads its leading digits.
      {u"<RAND> \"1\" \"2\" <\\RAND> <MASKEN_FARBE> \"0xFF00FF00\" <\\MASKEN_FARBE> <COLORKEY> \"80zz\" "
       u"<\\COLORKEY>",
       {1, 2, 100, 0},
       0xFF00FF00,
       0x80,
       9,
       11,
       false},
      {u"<RAND> \"0\" \"0\" \"0\" \"0\" <\\RAND> <SRC_BLEND> \"DST_APLHA\" <\\SRC_BLEND>"
       u"<DST_BLEND> \"SUBSTRACT_C\" <\\DST_BLEND> <CLAMP> \"2\" <\\CLAMP>",
       {0, 0, 0, 0},
       0xFFFFFFFF,
       0xFFFFFFFF,
       10,
       2,
       true},
      // Names outside the table (the right spelling included) keep the codes.
      {u"<SRC_BLEND> \"SUBTRACT\" <\\SRC_BLEND> <DST_BLEND> \"DST_ALPHA\" <\\DST_BLEND> <CLAMP> \"0\" "
       u"<\\CLAMP>",
       {100, 100, 100, 0},
       0xFFFFFFFF,
       0xFFFFFFFF,
       9,
       11,
       false},
  };
  for (const Case& c : cases) {
    auto node = ParseBody(c.body, u"LFC_SOBEL");
    auto stage = LfcStageList::MakeStage(*node, nullptr, 0, 1.0, nullptr, nullptr);
    const Rect& m = stage->Margins();
    EXPECT_EQ((std::array{m.left, m.top, m.right, m.bottom}),
              (std::array{c.margins.left, c.margins.top, c.margins.right, c.margins.bottom}))
        << platform::U16ToUtf8(c.body);
    EXPECT_EQ(stage->MaskColour(), c.mask) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(stage->ColourKey(), c.key) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(stage->SourceBlend(), c.source) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(stage->DestBlend(), c.dest) << platform::U16ToUtf8(c.body);
    EXPECT_EQ(stage->Clamp(), c.clamp) << platform::U16ToUtf8(c.body);
  }
  const char16_t* names[] = {u"ZERO",      u"ONE",         u"SUBSTRACT_C", u"SUBSTRACT_A", u"SUBSTRACT",
                             u"SRC_COLOR", u"DST_COLOR",   u"SRC_COLOR_I", u"DST_COLOR_I", u"SRC_ALPHA",
                             u"DST_APLHA", u"SRC_ALPHA_I", u"DST_ALPHA_I"};
  for (int32_t code = 0; code < 13; ++code) EXPECT_EQ(LandschaftsFormCreator::BlendCode(names[code]), code);
}

TEST(LfcFactory, GreyDarkensWithDistanceFromTheGameLayer) {
  const std::pair<int32_t, uint32_t> cases[] = {{0, 0xFFFFFFFF},
                                                {-1, 0xFFD7D7D7},
                                                {2, 0xFFAFAFAF},
                                                {-6, 0xFF0F0F0F},
                                                {7, 0xFFE7E7E7} /* low 8 bits of -25 */};
  for (auto [kind, grey] : cases) EXPECT_EQ(LandschaftsFormCreator::Grey(kind), grey) << kind;
}

TEST(LfcStageListTest, ScaledRectangleAndParallax) {
  LfcStageList list;
  list.rect = {-1536, -768, 1536, 767};
  list.parallax = {0.8f, 1.1f};
  const std::tuple<double, Rect, float, float> cases[] = {
      {1.0, {-1536, -768, 1536, 767}, 0.8f, 1.1f},
      // A preview keeps the parallax's departure from 1 in proportion: 0.8 at 0.25 is 0.95.
      {0.25, {-384, -192, 384, 191}, 0.95f, 1.025f},
      {0.1, {-153, -76, 153, 76}, 0.98f, 1.01f},
  };
  for (const auto& [scale, rect, px, py] : cases) {
    list.scale = scale;
    const Rect r = list.GetScaledRect();
    EXPECT_EQ((std::array{r.left, r.top, r.right, r.bottom}),
              (std::array{rect.left, rect.top, rect.right, rect.bottom}))
        << scale;
    EXPECT_FLOAT_EQ(list.GetScaledParallax().x, px) << scale;
    EXPECT_FLOAT_EQ(list.GetScaledParallax().y, py) << scale;
  }
}

TEST(LfcStageListTest, ACreatorFileMakesItsStagesInFileOrder) {
  GeneratorPack pack;
  auto level = pack.Level();
  auto creator = LoadFixture("world/hills.lfc");
  ASSERT_TRUE(creator);
  LfcStageList list;
  platform::SRand(5);
  RandLedger ledger;
  LfcStageList::BuildFromFile(*level, list, pack.setting, creator.get(), -1);
  // Only the tile stages draw while being made: each its default pattern and the one its
  // "MUSTER" names. File stages are not randomised.
  EXPECT_EQ(ledger.Draws(), 4);
  EXPECT_EQ(list.kind, -1);
  EXPECT_EQ(list.setting, pack.setting);
  EXPECT_EQ(Types(list),
            (std::vector<std::u16string>{u"LFC_EleptikScanLine", u"LFC_EleptikScanLine", u"LFC_Sobel",
                                         u"LFC_Kacheln", u"LFC_Kacheln", u"LFC_Formen", u"LFC_Formen"}));
  EXPECT_EQ(list.stages[0]->Describe(),
            u"LFC_EleptikScanLine rand=40,120,420,0, mask=FF00FF00, key=FFFFFFFF, blend=9,11, clamp=0, "
            u"persistence0=0.14999999999999999, frequency0=30, amplitude0=0.20000000000000001, base0=0.75, "
            u"steps0=24, persistence1=0.14999999999999999, frequency1=10, amplitude1=0.10000000000000001, "
            u"base1=0.84999999999999998, steps1=24, loops=1,1,2, smooth=0.25, split=1, perlin=0, "
            u"centre=0.5,0.600000024, "
            u"eccentricity=0.5");
  EXPECT_EQ(list.stages[1]->Describe().substr(0, 40), u"LFC_EleptikScanLine rand=360,160,60,0, m");
  EXPECT_NE(list.stages[1]->Describe().find(
                u"frequency0=20, amplitude0=0.29999999999999999, base0=0.59999999999999998"),
            std::u16string::npos);
  EXPECT_NE(list.stages[1]->Describe().find(
                u"frequency1=20, amplitude1=0.29999999999999999, base1=0.69999999999999996"),
            std::u16string::npos);
  EXPECT_NE(list.stages[1]->Describe().find(u"loops=1,2,3"), std::u16string::npos);
  EXPECT_NE(list.stages[3]->Describe().find(u"size=64, height=48, useMask=1, pattern=GRAS"),
            std::u16string::npos);
  EXPECT_NE(list.stages[4]->Describe().find(u"pattern=ERDE"), std::u16string::npos);

  // Two sections of one kind give two stages, applied in file order.
  auto twice = ParseBody(
      u"<LFC_NOISE> <BASEHEIGHT> \"0.5\" <\\BASEHEIGHT> <\\LFC_NOISE>"
      u"<LFC_NOISE> <BASEHEIGHT> \"0.25\" <\\BASEHEIGHT> <\\LFC_NOISE>");
  LfcStageList noise;
  LfcStageList::BuildFromFile(*level, noise, nullptr, twice.get(), 0);
  ASSERT_EQ(noise.stages.size(), 2u);
  EXPECT_NE(noise.stages[0]->Describe().find(u"base=0.5"), std::u16string::npos);
  EXPECT_NE(noise.stages[1]->Describe().find(u"base=0.25"), std::u16string::npos);
}

TEST(LfcStageListTest, WithoutACreatorFileTheRecipeBuildsTheLayer) {
  GeneratorPack pack;
  auto level = pack.Level();
  LfcStageList fromFile, random;
  fromFile.rect = random.rect = level->worldRect;
  platform::SRand(8);
  LfcStageList::BuildFromFile(*level, fromFile, pack.setting, nullptr, 0);
  platform::SRand(8);
  LfcStageList::BuildRandom(*level, random, pack.setting, 0);
  ASSERT_EQ(fromFile.stages.size(), random.stages.size());
  for (size_t i = 0; i < random.stages.size(); ++i)
    EXPECT_EQ(fromFile.stages[i]->Describe(), random.stages[i]->Describe());
}

TEST(LfcStageListTest, RecipeDumpGolden) {
  // Stage types and parameters of the recipe for several seeds and kinds, with the number
  // of draws each made. On a difference the dump is written beside the golden file.
  GeneratorPack pack;
  auto level = pack.Level();
  std::string dump;
  for (uint32_t seed : {1u, 2u, 3u, 1234u}) {
    for (int32_t kind : {-1, -2, -3, 0, 1, 2}) {
      int draws = 0;
      auto list = Recipe(*level, seed, kind, draws);
      dump += "seed " + std::to_string(seed) + " kind " + std::to_string(kind) + " draws " +
              std::to_string(draws) + "\n";
      for (const auto& stage : list->stages) dump += "  " + platform::U16ToUtf8(stage->Describe()) + "\n";
    }
  }
  const std::string golden = std::string(KRUMBOLT_GOLDEN) + "/recipe_dump.txt";
  std::ifstream in(golden);
  std::stringstream stored;
  stored << in.rdbuf();
  if (stored.str() != dump) {
    std::ofstream(std::string(KRUMBOLT_GOLDEN) + "/recipe_dump.actual.txt") << dump;
    ADD_FAILURE() << "the recipe differs from " << golden << "; the new dump is written beside it";
  }
}

TEST(LfcStageListTest, QualityDropsStagesButNotTheirDraws) {
  // At quality 74 the game layer keeps its hills (and the inversion), loses the rim and the
  // tiles, and keeps the object stages (they need 25); every draw is made all the same.
  // Below 100 the first background layer and the foreground layers lose their one stage.
  GeneratorPack pack;
  auto full = pack.Level();
  auto low = pack.Level();
  low->quality = 74.0;
  full->invert = low->invert = true;
  for (uint32_t seed : {1u, 2u, 99u}) {
    for (int32_t kind : {-2, -1, 0, 1}) {
      int fullDraws = 0, lowDraws = 0;
      auto a = Recipe(*full, seed, kind, fullDraws);
      auto b = Recipe(*low, seed, kind, lowDraws);
      EXPECT_EQ(fullDraws, lowDraws) << seed << " " << kind;
      std::vector<std::u16string> kept;
      for (const auto& type : Types(*a))
        if (type != u"LFC_Sobel" && type != u"LFC_Kacheln" && type != u"LFC_HGObjektePlacer")
          kept.push_back(type);
      EXPECT_EQ(Types(*b), kept) << seed << " " << kind;
      if (kind == 0) {
        const auto types = Types(*a);
        const auto invert = std::find(types.begin(), types.end(), u"LFC_Invert");
        ASSERT_NE(invert, types.end());
        // After every hill, before the rim.
        EXPECT_EQ(std::find(invert, types.end(), u"LFC_EleptikScanLine"), types.end());
        EXPECT_EQ(*(invert + 1), u"LFC_Sobel");
      }
    }
  }
}

TEST(LfcStageListTest, LayersWithoutHillsGetOnlyBackgroundObjects) {
  // The first background layer draws for a hill and never gets one; foreground layers draw
  // nothing for it. Either way a single background-object stage ends the recipe.
  GeneratorPack pack;
  auto level = pack.Level();
  for (uint32_t seed = 1; seed < 40; ++seed) {
    for (auto [kind, expectedDraws] : {std::pair{-1, 1 + 2}, std::pair{1, 0 + 2}, std::pair{3, 2}}) {
      int draws = 0;
      auto list = Recipe(*level, seed, kind, draws);
      EXPECT_EQ(draws, expectedDraws) << seed << " " << kind;
      EXPECT_EQ(Types(*list), std::vector<std::u16string>{u"LFC_HGObjektePlacer"});
    }
  }
}

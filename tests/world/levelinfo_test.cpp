#include "world/levelinfo.h"

#include <gtest/gtest.h>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "objects/bonussettings.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"
#include "support/temp_dir.h"
#include "world/settingkatalog.h"

namespace {

std::unique_ptr<KVNode> Level(std::u16string_view body) { return ParseBody(body, u"LEVEL"); }

// A catalogue of `n` settings named S0, S1, ...
std::unique_ptr<SettingKatalog> Settings(int n) {
  std::u16string text = u"<SETTINGS>";
  for (int i = 0; i < n; ++i)
    text += platform::FormatW(u"<SETTING><NAME_ID> \"S%d\" <\\NAME_ID><\\SETTING>", i);
  text += u"<\\SETTINGS>";
  auto katalog = std::make_unique<SettingKatalog>();
  katalog->Load(ParseBody(text).get());
  return katalog;
}

int SettingIndex(const SettingKatalog& katalog, const LevelSetting* setting) {
  for (int i = 0; i < katalog.GetSettingCount(); ++i)
    if (katalog.GetSetting(i) == setting) return i;
  return -1;
}

// What the random parts of a description come to for a seed, computed on their own.
struct Expected {
  Rect rect;
  float zoomX, zoomY;
  int settingOnFilePath;
  int settingOnReseedPath;
};
Expected ExpectedFor(uint32_t seed, int settingCount) {
  const Rect lo{-512, -384, 512, 384}, hi{-2048, -1024, 2048, 1024};
  ReferenceRand r(seed);
  r.Next();
  const double r1 = r.NextFraction(), r2 = r.NextFraction(), r3 = r.NextFraction(), r4 = r.NextFraction();
  Expected e;
  e.rect.left = platform::TruncToInt(lo.left + (hi.left - lo.left) * r1);
  e.rect.right = platform::TruncToInt(lo.right + (hi.right - lo.right) * r2);
  e.rect.top = platform::TruncToInt(lo.top + (hi.top - lo.top) * r3);
  e.rect.bottom = platform::TruncToInt(lo.bottom + (hi.bottom - lo.bottom) * r4);
  e.zoomX = float(1.5f + (1.5f - 1.5f) * (r1 + r2) / 2);
  e.zoomY = float(0.75f + (0.75f - 0.75f) * (r3 + r4) / 2);
  e.settingOnReseedPath = platform::TruncToInt(r.NextFraction() * (settingCount - 1));
  ReferenceRand again(seed);
  again.Next();
  e.settingOnFilePath = platform::TruncToInt(again.NextFraction() * (settingCount - 1));
  return e;
}

}  // namespace

TEST(LevelInfo, SeedIsTheSumOfTheCodeUnits) {
  const std::pair<const char16_t*, uint32_t> cases[] = {
      {u"", 0}, {u"12", 99}, {u"21", 99}, {u"A", 65}, {u"\u00FC\u20AC", 0xFC + 0x20AC}, {u"1234", 202},
  };
  for (const auto& [text, seed] : cases) EXPECT_EQ(LevelInfo::SeedFromText(text), seed);

  auto katalog = Settings(5);
  LevelSources sources{nullptr, katalog.get(), nullptr};
  auto a = Level(uR"(<RANDOM_SEED> "12" <\RANDOM_SEED>)");
  auto b = Level(uR"(<RANDOM_SEED> "21" <\RANDOM_SEED>)");
  LevelInfo first(a.get(), sources), second(b.get(), sources);
  EXPECT_EQ(first.seed, 99u);
  EXPECT_EQ(first.worldRect, second.worldRect);
  EXPECT_EQ(first.zoom.x, second.zoom.x);
  EXPECT_EQ(first.setting, second.setting);

  first.SetSeedFromText(u"");
  EXPECT_EQ(first.seed, 0u);
}

TEST(LevelInfo, RandomRectangleAndTheTwoReseedPaths) {
  auto katalog = Settings(7);
  LevelSources sources{nullptr, katalog.get(), nullptr};
  int differing = 0;
  for (uint32_t seed : {0u, 1u, 99u, 4711u, 123456789u, 0xFFFFFFFFu}) {
    const Expected e = ExpectedFor(seed, 7);
    auto doc = Level(uR"(<RANDOM_SEED> "x" <\RANDOM_SEED>)");
    LevelInfo fromFile(doc.get(), sources);
    fromFile.Reseed(seed);
    EXPECT_EQ(fromFile.worldRect, e.rect) << seed;
    EXPECT_EQ(fromFile.zoom.x, e.zoomX);
    EXPECT_EQ(fromFile.zoom.y, e.zoomY);
    EXPECT_EQ(SettingIndex(*katalog, fromFile.setting), e.settingOnReseedPath) << seed;
    // Reseed leaves the generator after the discard, four rectangle draws and the pick.
    ReferenceRand after(seed);
    for (int i = 0; i < 6; ++i) after.Next();
    EXPECT_EQ(platform::RandState(), after.state);

    if (e.settingOnFilePath != e.settingOnReseedPath) ++differing;
    // The rectangle stays inside its bounds.
    EXPECT_TRUE(e.rect.left <= -512 && e.rect.left >= -2048 && e.rect.bottom >= 384 && e.rect.bottom <= 1024);
  }
  // The two paths are not the same draw.
  EXPECT_GT(differing, 0);

  // The constructor reseeds before the setting: discard, pick.
  for (const char16_t* text : {u"a", u"Krumbolt", u"\u00FCber", u"2024"}) {
    auto doc = Level(platform::FormatW(u"<RANDOM_SEED> \"%s\" <\\RANDOM_SEED>", text));
    LevelInfo constructed(doc.get(), sources);
    ASSERT_EQ(constructed.seed, LevelInfo::SeedFromText(text));
    const Expected e = ExpectedFor(constructed.seed, 7);
    EXPECT_EQ(constructed.worldRect, e.rect);
    EXPECT_EQ(SettingIndex(*katalog, constructed.setting), e.settingOnFilePath);
    ReferenceRand after(constructed.seed);
    after.Next();
    after.Next();
    EXPECT_EQ(platform::RandState(), after.state);
  }
}

TEST(LevelInfo, ARandomRectangleSetsTheZoomFromItsOwnDraws) {
  // Zoom x moves from e0 towards e2 by the mean of the two horizontal draws (left, right),
  // zoom y from e1 towards e3 by the mean of the two vertical ones (top, bottom).
  auto katalog = Settings(3);
  LevelSources sources{nullptr, katalog.get(), nullptr};
  auto doc = Level(uR"(<RANDOM_SEED> "x" <\RANDOM_SEED> <ZOOM_EXTREMA> "2" "1" "1" "0.5" <\ZOOM_EXTREMA>)");
  LevelInfo level(doc.get(), sources);
  for (uint32_t seed : {1u, 99u, 4711u}) {
    level.Reseed(seed);
    ReferenceRand r(seed);
    r.Next();
    const double r1 = r.NextFraction(), r2 = r.NextFraction(), r3 = r.NextFraction(), r4 = r.NextFraction();
    EXPECT_EQ(level.zoom.x, float(2.0f + (1.0f - 2.0f) * (r1 + r2) / 2)) << seed;
    EXPECT_EQ(level.zoom.y, float(1.0f + (0.5f - 1.0f) * (r3 + r4) / 2)) << seed;
  }
}

TEST(LevelInfo, FixedRectangleMakesNoRectangleDraws) {
  auto katalog = Settings(4);
  LevelSources sources{nullptr, katalog.get(), nullptr};
  auto doc = Level(
      uR"(<RANDOM_SEED> "seed" <\RANDOM_SEED> <ZOOM_EXTREMA> "2" "0.5" "1.25" "0.25" <\ZOOM_EXTREMA>
                        <WORLD_RECT> "-1000.9" "-500" "1000.9" "500" <\WORLD_RECT>)");
  LevelInfo level(doc.get(), sources);
  EXPECT_FALSE(level.randomRect);
  EXPECT_EQ(level.worldRect, (Rect{-1000, -500, 1000, 500}));
  EXPECT_EQ(level.worldRectMin, level.worldRect);
  EXPECT_EQ(level.worldRectMax, level.worldRect);
  EXPECT_EQ(level.zoom.x, 1.25f);
  EXPECT_EQ(level.zoom.y, 0.25f);
  // Both paths pick the setting as the second draw after the seed.
  for (uint32_t seed : {3u, 17u, 555u}) {
    level.Reseed(seed);
    EXPECT_EQ(SettingIndex(*katalog, level.setting), ExpectedFor(seed, 4).settingOnFilePath);
  }
}

TEST(LevelInfo, EveryKey) {
  TempDir dir;
  const std::u16string archivePath = dir.File("level.gob");
  const std::u16string creator = u"<>\n \t<\\>\n<LFC>\n<LFC_NOISE><\\LFC_NOISE>\n<\\LFC>\n";
  ASSERT_TRUE(WriteDataArchive(archivePath, {{u"lfc\\hg.lfc", platform::U16ToUtf16LE(creator, true)},
                                             {u"lfc\\spiel.lfc", platform::U16ToUtf16LE(creator, true)}}));
  auto archive = DataArchive::Open(archivePath);
  ASSERT_TRUE(archive);

  EbenenEigenschaften properties;
  properties.Load(
      ParseBody(
          uR"(<EBENENEIGENSCHAFTEN> <NAME> "MOND" <\NAME> <GRAVITATION> "0" "30" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>)")
          .get());
  auto katalog = Settings(3);
  LevelSources sources{&properties, katalog.get(), archive.get()};
  auto doc = Level(
      uR"(
    <KEY2UNLOCK> "LEVEL_2" <\KEY2UNLOCK>
    <UNLOCKS> "LEVEL_3" <\UNLOCKS>
    <EBENEN_EIGENSCHAFT_NAME> "MOND" <\EBENEN_EIGENSCHAFT_NAME>
    <EBENEN_EIGENSCHAFT> <NAME> "IGNORED" <\NAME> <\EBENEN_EIGENSCHAFT>
    <SETTING_NAME> "S1" <\SETTING_NAME>
    <RANDOM_SEED> "ab" <\RANDOM_SEED>
    <ZOOM_EXTREMA> "2" "1" "1" "0.5" <\ZOOM_EXTREMA>
    <WORLD_RECT_MIN> "-600.7" "-300" "600" "300" <\WORLD_RECT_MIN>
    <WORLD_RECT_MAX> "-700" "-400" "700" "400.9" <\WORLD_RECT_MAX>
    <QUALITY> "74.5" <\QUALITY>
    <ANZ_HG_EBENEN> "3" <\ANZ_HG_EBENEN>
    <HG_SCROLL_OFFSET> "0.8" "0.7" <\HG_SCROLL_OFFSET>
    <HG_SCROLL_CHANGE> "-0.1" <\HG_SCROLL_CHANGE>
    <HG_FORM_CREATOR_FILE> "lfc\hg.lfc" "lfc\fehlt.lfc" "LFC\HG.LFC" <\HG_FORM_CREATOR_FILE>
    <ANZ_SPIEL_EBENEN> "2" <\ANZ_SPIEL_EBENEN>
    <SPIEL_SCROLL_CHANGE> "-0.01" "-0.02" <\SPIEL_SCROLL_CHANGE>
    <SPIEL_COLOR_MULTIPLY> "0xFF8090A0" <\SPIEL_COLOR_MULTIPLY>
    <SPIEL_FORM_CREATOR_FILE> "lfc\spiel.lfc" <\SPIEL_FORM_CREATOR_FILE>
    <ANZ_VG_EBENEN> "1" <\ANZ_VG_EBENEN>
    <VG_SCROLL_OFFSET> "1.2" "1.3" <\VG_SCROLL_OFFSET>
    <VG_SCROLL_CHANGE> "0.1" "0.2" <\VG_SCROLL_CHANGE>
    <VG_FORM_CREATOR_FILE> "lfc\fehlt.lfc" <\VG_FORM_CREATOR_FILE>
    <DEFAULT_TEAMS> <ANZ_TEAMS> "3" <\ANZ_TEAMS> <TEAM> <ANZ_WORMS> "4" <\ANZ_WORMS> <\TEAM> <\DEFAULT_TEAMS>
    <BONUS> "WENIG" "VIEL" "KEINE" <\BONUS>
    <BONUS_PROP> "2" <\BONUS_PROP>
  )");
  LevelInfo level(doc.get(), sources);
  EXPECT_EQ(level.keyToUnlock, u"LEVEL_2");
  EXPECT_EQ(level.unlocks, u"LEVEL_3");
  EXPECT_EQ(level.layerProperties.name, u"MOND");
  EXPECT_EQ(level.layerProperties.gravity.y, 30.0f);
  EXPECT_EQ(level.setting, katalog->GetSetting(1));
  EXPECT_FALSE(level.randomSetting);
  EXPECT_EQ(level.seed, uint32_t(u'a' + u'b'));
  EXPECT_EQ(level.zoomExtrema, (std::array<float, 4>{2.0f, 1.0f, 1.0f, 0.5f}));
  EXPECT_EQ(level.worldRectMin, (Rect{-600, -300, 600, 300}));
  EXPECT_EQ(level.worldRectMax, (Rect{-700, -400, 700, 400}));
  EXPECT_TRUE(level.randomRect);
  EXPECT_GE(level.worldRect.left, -700);
  EXPECT_LE(level.worldRect.left, -600);
  EXPECT_GT(level.zoom.x, 1.0f - 1e-6f);
  EXPECT_LT(level.zoom.x, 2.0f + 1e-6f);
  EXPECT_EQ(level.quality, 74.5);
  EXPECT_EQ(level.backgroundCount, 3);
  EXPECT_EQ(level.backgroundScrollOffset.y, 0.7f);
  EXPECT_EQ(level.backgroundScrollChange.x, -0.1f);
  EXPECT_EQ(level.backgroundScrollChange.y, -0.05f);  // a missing value keeps its default
  // A file that cannot be loaded leaves an empty entry; archive names ignore letter case.
  ASSERT_EQ(level.backgroundCreators.size(), 3u);
  EXPECT_NE(level.backgroundCreators[0], nullptr);
  EXPECT_EQ(level.backgroundCreators[1], nullptr);
  EXPECT_NE(level.backgroundCreators[2], nullptr);
  EXPECT_EQ(level.gameCount, 2);
  EXPECT_EQ(level.gameScrollChange.y, -0.02f);
  EXPECT_EQ(level.gameColourMultiply, 0xFF8090A0u);
  ASSERT_NE(level.gameCreator, nullptr);
  EXPECT_NE(level.gameCreator->GetChild(0, u"LFC_NOISE"), nullptr);
  EXPECT_EQ(level.foregroundCount, 1);
  EXPECT_EQ(level.foregroundScrollOffset.x, 1.2f);
  EXPECT_EQ(level.foregroundScrollChange.y, 0.2f);
  ASSERT_EQ(level.foregroundCreators.size(), 1u);
  EXPECT_EQ(level.foregroundCreators[0], nullptr);
  EXPECT_EQ(level.defaultTeams.teamCount, 3);
  EXPECT_EQ(level.defaultTeams.slots[0].wormCount, 4);
  EXPECT_EQ(level.bonusNames, (std::vector<std::u16string>{u"WENIG", u"VIEL", u"KEINE"}));
  EXPECT_EQ(level.bonusWeights, (std::vector<double>{0.5, 0.75, 1.0}));
}

TEST(LevelInfo, WithoutKeysEveryDefault) {
  auto katalog = Settings(2);
  LevelSources sources{nullptr, katalog.get(), nullptr};
  auto empty = Level(u"");
  for (const KVNode* node : {static_cast<const KVNode*>(empty.get()), static_cast<const KVNode*>(nullptr)}) {
    LevelInfo level(node, sources);
    EXPECT_EQ(level.layerProperties.name, u"DEFAULT");
    EXPECT_EQ(level.layerProperties.gravity.y, 100.0f);
    EXPECT_EQ(level.quality, 100.0);
    EXPECT_EQ(level.backgroundCount, 0);
    EXPECT_EQ(level.gameCount, 1);
    EXPECT_EQ(level.foregroundCount, 0);
    EXPECT_EQ(level.gameColourMultiply, 0xFFAFAFAFu);
    EXPECT_EQ(level.gameScrollChange.x, -0.0025f);
    EXPECT_EQ(level.foregroundScrollOffset.x, 1.1f);
    EXPECT_EQ(level.defaultTeams.slots.size(), 2u);
    EXPECT_TRUE(level.bonusNames.empty());
    EXPECT_TRUE(level.randomRect);
    EXPECT_EQ(level.zoom.x, 1.5f);
    EXPECT_EQ(level.zoom.y, 0.75f);
    // The tick-count seed still draws a rectangle between the bounds and a setting.
    const Expected e = ExpectedFor(level.seed, 2);
    EXPECT_EQ(level.worldRect, e.rect);
    EXPECT_EQ(SettingIndex(*katalog, level.setting), e.settingOnFilePath);
    EXPECT_NE(level.setting, nullptr);
  }
  // No catalogue: no setting, and nothing breaks.
  LevelInfo bare(nullptr, LevelSources{});
  EXPECT_EQ(bare.setting, nullptr);
  EXPECT_TRUE(bare.GetPostEffects().empty());
}

TEST(LevelInfo, KeysThatPickOrFallBack) {
  EbenenEigenschaften properties;
  properties.Load(
      ParseBody(
          uR"(<EBENENEIGENSCHAFTEN> <NAME> "EIS" <\NAME> <GRAVITATION> "5" "80" <\GRAVITATION> <\EBENENEIGENSCHAFTEN>)")
          .get());
  auto katalog = Settings(3);
  LevelSources sources{&properties, katalog.get(), nullptr};
  struct Case {
    const char16_t* body;
    const char16_t* propertyName;
    float gravityY;
    bool randomSetting;
  };
  const Case cases[] = {
      {uR"(<EBENEN_EIGENSCHAFT_NAME> "NIRGENDS" <\EBENEN_EIGENSCHAFT_NAME>)", u"DEFAULT", 100.0f, true},
      {uR"(<EBENEN_EIGENSCHAFT> <NAME> "EIGEN" <\NAME> <GRAVITATION> "0" "250" <\GRAVITATION> <\EBENEN_EIGENSCHAFT>)",
       u"EIGEN", 250.0f, true},
      {uR"(<EBENEN_EIGENSCHAFT_NAME> "EIS" <\EBENEN_EIGENSCHAFT_NAME> <SETTING_NAME> "S2" <\SETTING_NAME>)",
       u"EIS", 80.0f, false},
      {uR"(<SETTING_NAME> "s2" <\SETTING_NAME>)", u"DEFAULT", 100.0f, true},
  };
  for (const Case& c : cases) {
    auto doc = Level(c.body);
    LevelInfo level(doc.get(), sources);
    EXPECT_EQ(level.layerProperties.name, c.propertyName);
    EXPECT_EQ(level.layerProperties.gravity.y, c.gravityY);
    EXPECT_EQ(level.randomSetting, c.randomSetting);
    EXPECT_NE(level.setting, nullptr);
  }
}

TEST(LevelInfo, ColourAndCountReadingLimits) {
  struct Case {
    const char16_t* body;
    uint32_t colour;
    int32_t background, game, foreground;
  };
  const Case cases[] = {
      {uR"(<SPIEL_COLOR_MULTIPLY> "ffafafaf" <\SPIEL_COLOR_MULTIPLY>)", 0xFFAFAFAF, 0, 1, 0},
      {uR"(<SPIEL_COLOR_MULTIPLY> "80FFzz" <\SPIEL_COLOR_MULTIPLY>)", 0x80FF, 0, 1, 0},
      // Huge counts would build layers until memory runs out; they are held to 8.
      {uR"(<ANZ_HG_EBENEN> "100000" <\ANZ_HG_EBENEN> <ANZ_SPIEL_EBENEN> "9" <\ANZ_SPIEL_EBENEN>
          <ANZ_VG_EBENEN> "-3" <\ANZ_VG_EBENEN>)",
       0xFFAFAFAF, 8, 8, 0},
      {uR"(<ANZ_HG_EBENEN> "8" <\ANZ_HG_EBENEN> <ANZ_SPIEL_EBENEN> "0" <\ANZ_SPIEL_EBENEN>)", 0xFFAFAFAF, 8,
       0, 0},
  };
  for (const Case& c : cases) {
    auto doc = Level(c.body);
    LevelInfo level(doc.get(), LevelSources{});
    EXPECT_EQ(level.gameColourMultiply, c.colour);
    EXPECT_EQ(level.backgroundCount, c.background);
    EXPECT_EQ(level.gameCount, c.game);
    EXPECT_EQ(level.foregroundCount, c.foreground);
  }
}

TEST(LevelInfo, BonusPickIsStrictlyGreater) {
  auto doc = Level(uR"(<BONUS> "A" "B" <\BONUS> <BONUS_PROP> "0" "1" "7" <\BONUS_PROP>)");
  LevelInfo level(doc.get(), LevelSources{});
  ASSERT_EQ(level.bonusWeights, (std::vector<double>{0.0, 1.0}));
  const std::pair<int, const char16_t*> cases[] = {{0, u"B"}, {1, u"B"}, {32766, u"B"}, {32767, nullptr}};
  for (const auto& [k, name] : cases) {
    SeedSoNextRandIs(k);
    RandLedger ledger;
    const std::u16string* picked = level.PickBonus();
    EXPECT_EQ(ledger.Draws(), 1);
    if (name) {
      ASSERT_NE(picked, nullptr) << k;
      EXPECT_EQ(*picked, name);
    } else {
      EXPECT_EQ(picked, nullptr) << k;
    }
  }
  LevelInfo none(nullptr, LevelSources{});
  RandLedger ledger;
  EXPECT_EQ(none.PickBonus(), nullptr);
  EXPECT_EQ(ledger.Draws(), 1);
}

namespace {

class RecordingWater : public LevelWaterTarget {
 public:
  LevelWasser* FindByName(const std::u16string* name) const override {
    log->push_back(u"find " + *name);
    return *name == u"MEER" ? reinterpret_cast<LevelWasser*>(uintptr_t(0x40)) : nullptr;
  }
  void SetLevelWater(LevelWasser* body) override {
    log->push_back(body ? u"water set" : u"water none");
    set = body;
  }
  std::vector<std::u16string>* log;
  LevelWasser* set = nullptr;
};

class RecordingWind : public WindSelector {
 public:
  void SelectByName(const std::u16string* name) override { log->push_back(u"wind " + (name ? *name : u"-")); }
  std::vector<std::u16string>* log;
};

}  // namespace

TEST(LevelInfo, ApplyToSceneDrawsWaterWindAndBonusInThatOrder) {
  SettingKatalog katalog;
  katalog.Load(ParseBody(uR"(<SETTINGS><SETTING> <NAME_ID> "S" <\NAME_ID>
      <WASSER> "SEE" "MEER" <\WASSER> <WIND> "STILL" "STURM" <\WIND> <\SETTING><\SETTINGS>)")
                   .get());
  auto doc = Level(uR"(<SETTING_NAME> "S" <\SETTING_NAME> <BONUS> "P" "Q" <\BONUS>)");
  LevelInfo level(doc.get(), LevelSources{nullptr, &katalog, nullptr});
  BonusSettings bonus;
  bonus.AddSet({u"P"});
  bonus.AddSet({u"Q"});

  for (uint32_t seed : {2u, 77u, 31337u}) {
    std::vector<std::u16string> log;
    RecordingWater water;
    water.log = &log;
    RecordingWind wind;
    wind.log = &log;
    platform::SRand(seed);
    ReferenceRand r(seed);
    const bool waterFirst = r.NextFraction() <= 0.5;
    const bool windFirst = r.NextFraction() <= 0.5;
    const bool bonusFirst = r.NextFraction() < 0.5;
    level.ApplyToScene({&water, &wind, &bonus});
    EXPECT_EQ(platform::RandState(), r.state);
    std::vector<std::u16string> expected;
    if (waterFirst) expected.push_back(u"find SEE");
    expected.push_back(u"find MEER");
    expected.push_back(u"water set");
    expected.push_back(windFirst ? u"wind STILL" : u"wind STURM");
    EXPECT_EQ(log, expected) << seed;
    EXPECT_EQ(bonus.GetCurrent().name, bonusFirst ? u"P" : u"Q");
  }

  // Without a setting the water and wind picks still draw, so the bonus draw stays third.
  LevelInfo bare(Level(uR"(<BONUS> "P" "Q" <\BONUS>)").get(), LevelSources{});
  std::vector<std::u16string> log;
  RecordingWater water;
  water.log = &log;
  RecordingWind wind;
  wind.log = &log;
  platform::SRand(9);
  ReferenceRand r(9);
  r.Next();
  r.Next();
  const bool bonusFirst = r.NextFraction() < 0.5;
  bare.ApplyToScene({&water, &wind, &bonus});
  EXPECT_EQ(log, (std::vector<std::u16string>{u"water none", u"wind -"}));
  EXPECT_EQ(bonus.GetCurrent().name, bonusFirst ? u"P" : u"Q");
  RandLedger ledger;
  bare.ApplyToScene({});
  EXPECT_EQ(ledger.Draws(), 3);
}

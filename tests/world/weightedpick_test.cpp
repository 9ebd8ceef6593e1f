// Every pick of the world's weighted lists draws exactly once, in the order of the calls,
// and takes the first entry whose cumulative weight reaches the draw.
#include <gtest/gtest.h>

#include <functional>

#include "engine/kvnode.h"
#include "platform/random.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"
#include "world/settingkatalog.h"
#include "world/weightedlist.h"

namespace {

class OnlyKnown : public WaterBodyLookup {
 public:
  explicit OnlyKnown(std::vector<std::u16string> known) : m_known(std::move(known)) {}
  LevelWasser* FindByName(const std::u16string* name) const override {
    asked.push_back(*name);
    for (size_t i = 0; i < m_known.size(); ++i)
      if (m_known[i] == *name) return reinterpret_cast<LevelWasser*>(uintptr_t(0x1000 + 8 * i));
    return nullptr;
  }
  mutable std::vector<std::u16string> asked;

 private:
  std::vector<std::u16string> m_known;
};

int ExpectedIndex(const std::vector<double>& cumulative, double u) {
  for (size_t i = 0; i < cumulative.size(); ++i)
    if (cumulative[i] >= u) return int(i);
  return -1;
}

}  // namespace

TEST(WeightedList, CumulativeWeights) {
  struct Case {
    const char16_t* body;
    size_t count;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {uR"(<W_PROP> "2" <\W_PROP>)", 3, {0.5, 0.75, 1.0}},    // missing weights count 1
      {uR"(<W_PROP> "1" "1" "6" <\W_PROP>)", 2, {0.5, 1.0}},  // surplus ignored
      {uR"(<W_PROP> "0" "1" <\W_PROP>)", 2, {0.0, 1.0}},     {uR"()", 4, {0.25, 0.5, 0.75, 1.0}},
      {uR"(<W_PROP> "3" "1" <\W_PROP>)", 2, {0.75, 1.0}},    {uR"(<W_PROP> "5" <\W_PROP>)", 0, {}},
  };
  for (const Case& c : cases) {
    auto node = ParseBody(c.body);
    EXPECT_EQ(ReadCumulativeWeights(node.get(), u"W_PROP", c.count), c.expected);
  }
  EXPECT_EQ(ReadCumulativeWeights(nullptr, u"W_PROP", 2), (std::vector<double>{0.5, 1.0}));

  // All-zero weights never yield an entry.
  auto zero = ParseBody(uR"(<W_PROP> "0" "0" <\W_PROP>)");
  const std::vector<double> none = ReadCumulativeWeights(zero.get(), u"W_PROP", 2);
  for (double u : {0.0, 0.5, 1.0}) EXPECT_EQ(FirstIndexAtLeast(none, u), -1);
}

TEST(WeightedList, PickBoundaries) {
  // Cumulative 0.5, 0.75, 1.0; the draw is k / 32767.
  const std::vector<double> w = {0.5, 0.75, 1.0};
  const std::pair<int, int> cases[] = {{0, 0}, {16383, 0}, {16384, 1}, {24575, 1}, {24576, 2}, {32767, 2}};
  for (const auto& [k, index] : cases) {
    SeedSoNextRandIs(k);
    RandLedger ledger;
    EXPECT_EQ(PickWeightedIndex(w), index) << k;
    EXPECT_EQ(ledger.Draws(), 1);
  }
  // A zero weight in front is still picked when the draw is 0.
  SeedSoNextRandIs(0);
  EXPECT_EQ(PickWeightedIndex({0.0, 1.0}), 0);
  SeedSoNextRandIs(1);
  EXPECT_EQ(PickWeightedIndex({0.0, 1.0}), 1);
  // Rounding that leaves the last weight below 1 loses the draw of 32767.
  SeedSoNextRandIs(32767);
  EXPECT_EQ(PickWeightedIndex({0.5, 0.9999999999}), -1);
  // An empty list draws all the same.
  RandLedger ledger;
  EXPECT_EQ(PickWeightedIndex({}), -1);
  EXPECT_EQ(ledger.Draws(), 1);
}

TEST(WeightedList, CountPickRoundsWithHalfOddsAtTheEnds) {
  int counts[5] = {};
  for (int k = 0; k <= 32767; ++k) {
    SeedSoNextRandIs(k);
    int n = RandomCount(2, 4);
    ASSERT_GE(n, 2);
    ASSERT_LE(n, 4);
    ++counts[n];
  }
  EXPECT_EQ(counts[2], 8192);
  EXPECT_EQ(counts[3], 16384);
  EXPECT_EQ(counts[4], 8192);

  const std::tuple<int, int, int, int> table[] = {
      // rand, min, max, count
      {0, 0, 0, 0}, {32767, 0, 0, 0}, {32767, 3, 3, 3}, {0, 5, 1, 5}, {32767, 5, 1, 1}, {16383, 5, 1, 3},
  };
  for (const auto& [k, lo, hi, n] : table) {
    SeedSoNextRandIs(k);
    RandLedger ledger;
    EXPECT_EQ(RandomCount(lo, hi), n) << k << " " << lo << " " << hi;
    EXPECT_EQ(ledger.Draws(), 1);
  }
}

TEST(LevelSetting, EveryPickerDrawsOnceAgainstTheLedger) {
  auto document = LoadFixture("world/small.wst");
  SettingKatalog katalog;
  katalog.Load(document.get());
  const LevelSetting& s = *katalog.GetSetting(0);
  const LayerKindBlock& g = s.GetBlock(0);

  // Each picker with what it should return for the entry at an index (or -1 for none).
  struct Row {
    const char* name;
    const std::vector<double>* weights;
    std::function<const void*()> pick;
    std::function<const void*(int)> entry;
  };
  auto pointers = [](const auto& list) {
    return [&list](int i) -> const void* { return i < 0 ? nullptr : list.entries[size_t(i)]; };
  };
  auto names = [](const WeightedList<std::u16string>& list) {
    return [&list](int i) -> const void* { return i < 0 ? nullptr : &list.entries[size_t(i)]; };
  };
  const Row rows[] = {
      {"objects", &g.objects.weights, [&] { return s.PickObjekt(0); }, pointers(g.objects)},
      {"air", &g.airObjects.weights, [&] { return s.PickObjektLuft(0); }, pointers(g.airObjects)},
      {"ground", &g.groundObjects.weights, [&] { return s.PickObjektErde(0); }, pointers(g.groundObjects)},
      {"hg", &g.backgroundObjects.weights, [&] { return s.PickObjektHG(0); }, pointers(g.backgroundObjects)},
      {"fills", &g.fills.weights, [&] { return s.PickFuellung(0); }, pointers(g.fills)},
      {"covers", &g.covers.weights, [&] { return s.PickBedeckung(0); }, pointers(g.covers)},
      {"backdrops", &s.GetBackdrops().weights, [&] { return s.PickHintergrund(); },
       pointers(s.GetBackdrops())},
      {"clouds", &g.clouds.weights, [&] { return s.PickWolke(0); }, names(g.clouds)},
      {"anims", &g.anims.weights, [&] { return s.PickAnim(0); }, names(g.anims)},
      {"free", &g.randomPosAnims.weights, [&] { return s.PickRandomPosAnim(0); }, names(g.randomPosAnims)},
      {"wind", &s.GetWinds().weights, [&] { return s.PickWind(); }, names(s.GetWinds())},
  };
  for (uint32_t seed : {1u, 7u, 99u, 12345u, 0xDEADBEEFu}) {
    for (const Row& row : rows) {
      platform::SRand(seed);
      const double u = ReferenceRand(seed).NextFraction();
      RandLedger ledger;
      const void* got = row.pick();
      EXPECT_EQ(ledger.Draws(), 1) << row.name;
      EXPECT_EQ(got, row.entry(ExpectedIndex(*row.weights, u))) << row.name << " " << seed;
    }
  }
}

TEST(LevelSetting, WaterTriesTheFollowingNamesUntilOneIsKnown) {
  auto document = LoadFixture("world/small.wst");
  SettingKatalog katalog;
  katalog.Load(document.get());
  const LevelSetting& s = *katalog.GetSetting(0);  // "SEE" "MEER", 0.5 and 1.0

  OnlyKnown meer({u"MEER"});
  SeedSoNextRandIs(0);
  RandLedger ledger;
  EXPECT_EQ(s.PickWasser(&meer), reinterpret_cast<LevelWasser*>(uintptr_t(0x1000)));
  EXPECT_EQ(ledger.Draws(), 1);
  EXPECT_EQ(meer.asked, (std::vector<std::u16string>{u"SEE", u"MEER"}));

  // Starting at the second name there is nothing after it.
  OnlyKnown see({u"SEE"});
  SeedSoNextRandIs(32767);
  EXPECT_EQ(s.PickWasser(&see), nullptr);
  EXPECT_EQ(see.asked, (std::vector<std::u16string>{u"MEER"}));

  ledger.Mark();
  EXPECT_EQ(s.PickWasser(nullptr), nullptr);
  EXPECT_EQ(ledger.Draws(), 1);
}

TEST(LevelSetting, WithoutASettingEveryPickDrawsAndFindsNothing) {
  const LevelSetting& s = LevelSetting::Empty();
  platform::SRand(5);
  RandLedger ledger;
  EXPECT_EQ(s.PickObjekt(0), nullptr);
  EXPECT_EQ(s.PickObjektHG(-1), nullptr);
  EXPECT_EQ(s.PickFuellung(1), nullptr);
  EXPECT_EQ(s.PickWolke(0), nullptr);
  EXPECT_EQ(s.PickHintergrund(), nullptr);
  EXPECT_EQ(s.PickWind(), nullptr);
  EXPECT_EQ(s.PickWasser(nullptr), nullptr);
  EXPECT_EQ(s.RandomWolkenCount(0), 0);
  EXPECT_EQ(s.RandomAnimCount(0), 0);
  EXPECT_EQ(s.RandomRandomPosAnimCount(0), 0);
  EXPECT_EQ(ledger.Draws(), 10);
  EXPECT_EQ(s.GetNameId(), u"");
}

TEST(SettingKatalog, RandomSettingUsesCountMinusOne) {
  auto body = [](int n) {
    std::u16string text = u"<SETTINGS>";
    for (int i = 0; i < n; ++i)
      text +=
          u"<SETTING><NAME_ID> \"S" + std::u16string(1, char16_t(u'0' + i)) + u"\" <\\NAME_ID><\\SETTING>";
    return text + u"<\\SETTINGS>";
  };
  for (int n : {0, 1}) {
    SettingKatalog katalog;
    auto document = ParseBody(body(n));
    katalog.Load(document.get());
    RandLedger ledger;
    EXPECT_EQ(katalog.PickRandomSetting(), katalog.GetSetting(0));
    EXPECT_EQ(ledger.Draws(), 0);
  }
  SettingKatalog katalog;
  auto document = ParseBody(body(3));
  katalog.Load(document.get());
  const std::pair<int, int> cases[] = {{0, 0}, {16383, 0}, {16384, 1}, {32766, 1}, {32767, 2}};
  for (const auto& [k, index] : cases) {
    SeedSoNextRandIs(k);
    RandLedger ledger;
    EXPECT_EQ(katalog.PickRandomSetting(), katalog.GetSetting(index)) << k;
    EXPECT_EQ(ledger.Draws(), 1);
  }
}

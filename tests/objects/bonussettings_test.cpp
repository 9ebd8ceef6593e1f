// Bonus crates: reading the sets, choosing one, the chance that grows over turn changes
// without a drop, the count and the limit of crates lying, and crates dropped on a small
// world landing on its ground.
#include "objects/bonussettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "particle_fixture.h"
#include "platform/random.h"
#include "world/landschaft.h"

namespace {

using particle_test::Sim;

// The test's side of a drop: the fixture's world and particles; follows and announcements
// are counted.
struct Host final : BonusDropHost {
  explicit Host(Sim& s) : sim(s) {}
  Welt* GetWorld() const override { return sim.world.get(); }
  PartikelListe* GetParticles() const override { return &sim.list; }
  Objekt* FindObject(uint32_t id) const override { return sim.list.FindById(id); }
  void FollowCrate(uint32_t id) override { followed.push_back(id); }
  void AnnounceDrop() override { ++announced; }
  Sim& sim;
  std::vector<uint32_t> followed;
  int announced = 0;
};

// Rolling ground under open air, water far below.
std::vector<std::string> Hills() {
  std::vector<std::string> art(300, std::string(300, '.'));
  for (int x = 0; x < 300; ++x) {
    const int top = 220 + int(20.0 * std::sin(x / 25.0));
    for (int y = top; y < 300; ++y) art[size_t(y)][size_t(x)] = '#';
  }
  return art;
}

constexpr char16_t kCrate[] =
    u"<NAME> \"Bonuskiste\" <\\NAME> <DEATH_PARAM> <TYP> \"WORLD\" <\\TYP> <\\DEATH_PARAM>"
    u"<PARTIKELTYP> \"8\" <\\PARTIKELTYP> <COLLISION_EBENE> \"2\" <\\COLLISION_EBENE>"
    u"<REIBUNG_COLLISION> \"0.9\" <\\REIBUNG_COLLISION> <GRAVITATION> \"0.3\" <\\GRAVITATION>"
    u"<MAXSPEED> \"80\" <\\MAXSPEED> <REIBUNG_LUFT> \"3\" <\\REIBUNG_LUFT> <SIZE> \"12\" \"12\" \"0\" \"0\" "
    u"<\\SIZE>";

class Crates : public ::testing::Test {
 protected:
  Crates() : sim(Hills()) {
    sim.Type(kCrate);
    auto host = std::make_unique<Host>(sim);
    hostView = host.get();
    settings.SetHost(std::move(host));
  }
  void Load(std::u16string_view body) { settings.LoadFile(ParseBody(body, u"BONI").get()); }
  // The next draw of the generator, without taking it.
  static double PeekFraction() {
    const uint32_t state = platform::RandState();
    const double r = platform::RandFraction();
    platform::SRand(state);
    return r;
  }

  Sim sim;
  BonusSettings settings;
  Host* hostView = nullptr;
};

TEST(BonusSettings, ReadsSetsAndSelectsTheFirstOfANameOrTheDefault) {
  BonusSettings settings;
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
  settings.LoadFile(
      ParseBody(
          u"<EINSTELLUNG> <NAME> \"WENIG\" <\\NAME> <PROPKISTE> \"0.1\" \"0.2\" <\\PROPKISTE>"
          u"  <ANZKISTEN> \"1\" <\\ANZKISTEN> <MAXANZKISTEN> \"2.9\" <\\MAXANZKISTEN>"
          u"  <KISTE_TYP> \"A\" \"B\" \"C\" <\\KISTE_TYP> <KISTE_PROPS> \"2\" <\\KISTE_PROPS> <\\EINSTELLUNG>"
          u"<EINSTELLUNG> <PROPKISTE> \"0.9\" \"0\" <\\PROPKISTE> <\\EINSTELLUNG>"
          u"<EINSTELLUNG> <NAME> \"VIEL\" <\\NAME> <KISTE_TYP> \"A\" <\\KISTE_TYP>"
          u"  <KISTE_PROPS> \"1\" \"3\" <\\KISTE_PROPS> <\\EINSTELLUNG>"
          u"<EINSTELLUNG> <PROPKISTE> \"0.7\" <\\PROPKISTE> <\\EINSTELLUNG>",
          u"BONI")
          .get());
  settings.LoadFile(nullptr);
  ASSERT_EQ(settings.GetSets().size(), 4u);
  const BonusSet& wenig = settings.GetSets()[0];
  EXPECT_DOUBLE_EQ(wenig.chanceBase, 0.1);
  EXPECT_DOUBLE_EQ(wenig.chanceIncrease, 0.2);
  EXPECT_DOUBLE_EQ(wenig.countMax, 1.0) << "one value counts as absent";
  EXPECT_EQ(wenig.maxLying, 2);
  EXPECT_EQ(wenig.crateTypes, (std::vector<std::u16string>{u"A", u"B", u"C"}));
  EXPECT_EQ(wenig.crateWeights, (std::vector<double>{0.5, 0.75, 1.0})) << "padded with 1.0, then cumulative";
  EXPECT_EQ(settings.GetSets()[2].crateWeights, (std::vector<double>{0.25, 1.0})) << "surplus weights count";
  // The later of two unnamed sets is the default; the defaults stand where a key is short.
  EXPECT_DOUBLE_EQ(settings.GetDefault().chanceBase, 0.25);
  EXPECT_EQ(settings.GetDefault().crateTypes, std::vector<std::u16string>{u"Bonuskiste"});

  const std::u16string def = u"DEFAULT", viel = u"VIEL", none = u"KEINE";
  settings.Select(&def);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[1]) << "the first set of the name in the list";
  settings.Select(&viel);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[2]);
  settings.AddSet(BonusSet(u"MEHR"));
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetSets()[2]) << "the current set survives appends";
  settings.Select(&none);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
  settings.Select(nullptr);
  EXPECT_EQ(&settings.GetCurrent(), &settings.GetDefault());
}

TEST_F(Crates, TheChanceGrowsWithEveryTurnChangeWithoutADropAndStartsOverAfterOne) {
  platform::SRand(11);
  BonusSet& set = settings.GetCurrent();  // the defaults: 0.25 rising by 0.25, one crate
  int drops = 0, misses = 0, longestWait = 0;
  for (int turn = 0; turn < 60; ++turn) {
    const int before = set.turnsWithoutDrop;
    EXPECT_DOUBLE_EQ(set.Chance(), 0.25 + 0.25 * before);
    const bool expectDrop = set.Chance() > PeekFraction();
    const size_t crates = sim.list.GetCount();
    settings.DropCrates();
    if (expectDrop) {
      ++drops;
      EXPECT_EQ(set.turnsWithoutDrop, 0);
      EXPECT_EQ(sim.list.GetCount(), crates + 1);
    } else {
      ++misses;
      EXPECT_EQ(set.turnsWithoutDrop, before + 1);
      EXPECT_EQ(sim.list.GetCount(), crates);
    }
    longestWait = std::max(longestWait, set.turnsWithoutDrop);
  }
  EXPECT_GT(drops, 10);
  EXPECT_GT(misses, 10);
  EXPECT_LE(longestWait, 4) << "from the fifth turn change on a drop is certain";
  EXPECT_EQ(hostView->announced, drops);
  EXPECT_EQ(hostView->followed, settings.GetCurrent().droppedIds);
}

TEST_F(Crates, CountsRunFromTheMinimumUpToBelowTheMaximum) {
  Load(
      u"<EINSTELLUNG> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <ANZKISTEN> \"1\" \"3\" <\\ANZKISTEN> "
      u"<\\EINSTELLUNG>");
  settings.Select(nullptr);
  platform::SRand(5);
  std::set<size_t> counts;
  for (int turn = 0; turn < 40; ++turn) {
    const size_t before = settings.GetCurrent().droppedIds.size();
    settings.DropCrates();
    counts.insert(settings.GetCurrent().droppedIds.size() - before);
  }
  EXPECT_EQ(counts, (std::set<size_t>{1, 2})) << "three only when the draw is exactly 1";
}

TEST_F(Crates, NoDropWhileTheMaximumLiesInTheWorldAndTheChanceWaitsMeanwhile) {
  Load(
      u"<EINSTELLUNG> <NAME> \"ZWEI\" <\\NAME> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <ANZKISTEN> \"2\" \"2\" "
      u"<\\ANZKISTEN>"
      u"  <MAXANZKISTEN> \"2\" <\\MAXANZKISTEN> <\\EINSTELLUNG>");
  const std::u16string zwei = u"ZWEI";
  settings.Select(&zwei);
  settings.DropCrates();
  BonusSet& set = settings.GetCurrent();
  ASSERT_EQ(set.droppedIds.size(), 2u);
  set.turnsWithoutDrop = 3;
  settings.DropCrates();
  EXPECT_EQ(set.droppedIds.size(), 2u);
  EXPECT_EQ(set.turnsWithoutDrop, 3) << "the chance does not grow while the limit holds";
  EXPECT_EQ(settings.ResolveCurrent()->size(), 2u);

  // One crate is picked up: its id is forgotten at the next test and crates fall again.
  sim.list.FindById(set.droppedIds[0])->Kill(nullptr, 0);
  sim.list.Update();
  EXPECT_EQ(settings.ResolveCurrent()->size(), 1u);
  EXPECT_EQ(set.droppedIds.size(), 1u);
  settings.DropCrates();
  EXPECT_EQ(set.droppedIds.size(), 3u);
}

TEST_F(Crates, UnknownTypesAndSurplusWeightsDropNothingButThePlayersAreStillTold) {
  Load(
      u"<EINSTELLUNG> <NAME> \"LEER\" <\\NAME> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <KISTE_TYP> \"Nichts\" "
      u"<\\KISTE_TYP>"
      u"<\\EINSTELLUNG>"
      u"<EINSTELLUNG> <NAME> \"UEBER\" <\\NAME> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <KISTE_TYP> "
      u"\"Bonuskiste\" <\\KISTE_TYP>"
      u"  <KISTE_PROPS> \"0\" \"1\" <\\KISTE_PROPS> <\\EINSTELLUNG>");
  for (const char16_t* name : {u"LEER", u"UEBER"}) {
    const std::u16string n = name;
    settings.Select(&n);
    settings.DropCrates();
  }
  EXPECT_EQ(sim.list.GetCount(), 0u);
  EXPECT_EQ(hostView->announced, 2);
  EXPECT_TRUE(hostView->followed.empty());
}

TEST_F(Crates, CratesFallFromAboveTheGroundAndComeToRestOnItNeverInIt) {
  Load(
      u"<EINSTELLUNG> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <ANZKISTEN> \"3\" \"3\" <\\ANZKISTEN> "
      u"<\\EINSTELLUNG>");
  Landschaft& land = *sim.world->GetGameLandschaft();
  for (uint32_t seed : {1u, 2u, 3u}) {
    SCOPED_TRACE(seed);
    sim.list.Clear();
    platform::SRand(seed);
    settings.DropCrates();
    ASSERT_EQ(sim.list.GetCount(), 3u);
    for (int i = 0; i < 1500; ++i) sim.list.Update();
    ASSERT_EQ(sim.list.GetCount(), 3u) << "no crate left the world";
    for (const auto& crate : sim.list.KeptList()) {
      const Vector2 p = *crate->GetPosition();
      SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
      // The box is free, and ground lies right under it.
      for (int y = int(p.y) - 5; y <= int(p.y) + 5; ++y)
        for (int x = int(p.x) - 5; x <= int(p.x) + 5; ++x) EXPECT_TRUE(land.IsEmptyAt(float(x), float(y)));
      bool groundBelow = false;
      for (int y = int(p.y) + 6; y <= int(p.y) + 9; ++y) groundBelow |= !land.IsEmptyAt(p.x, float(y));
      EXPECT_TRUE(groundBelow);
      EXPECT_LT(crate->GetSpeed()->Length(), 40.0f);
    }
  }
}

TEST_F(Crates, AWorldWithoutRoomForACrateSkipsItAfterABoundedSearch) {
  Sim full(std::vector<std::string>(40, std::string(40, '#')));
  full.Type(kCrate);
  BonusSettings other;
  auto host = std::make_unique<Host>(full);
  Host* view = host.get();
  other.SetHost(std::move(host));
  other.LoadFile(
      ParseBody(u"<EINSTELLUNG> <PROPKISTE> \"1\" \"0\" <\\PROPKISTE> <\\EINSTELLUNG>", u"BONI").get());
  other.DropCrates();
  EXPECT_EQ(full.list.GetCount(), 0u);
  EXPECT_EQ(view->announced, 1);
}

}  // namespace

// The particle list: the frame's pass, thinning above the maximum, lookups by id and earth
// thrown from craters.
#include "objects/partikelliste.h"

#include <gtest/gtest.h>

#include <set>

#include "objects/distanceramp.h"
#include "objects/particle_fixture.h"

using particle_test::Sim;

namespace {

const std::vector<std::string> kAir(8, std::string(20, '.'));

}  // namespace

TEST(PartikelListe, ThinsExactlyTheExcessEvenlyWithoutEvents) {
  const struct {
    int count, maximum, kept;
    std::vector<int> firstGone;  // indices (oldest first) of the first particles removed
  } cases[] = {
      {2100, 2000, 100, {0, 21, 42}},  // the stride n / (n - max) = 21
      {2001, 2000, 0, {0}},
      {4001, 2000, 0, {0, 1, 3, 5}},  // evenly: floor(j * 4001 / 2001)
      {1500, 0, 0, {0, 1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    Sim sim(kAir);
    int32_t earthStep = 10, maximum = c.maximum;
    sim.list.SetSettings(&earthStep, &maximum);
    const PartikelInfo& thin =
        sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION><EVENT_DELETE> \"Gone\" <\\EVENT_DELETE>");
    const PartikelInfo& kept =
        sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION><CAN_BE_DELETED> \"0\" <\\CAN_BE_DELETED>");
    std::vector<uint32_t> ids;
    for (int i = 0; i < c.count; ++i) ids.push_back(sim.Add(thin, {5, 5})->GetId());
    for (int i = 0; i < 3; ++i) sim.Add(kept, {5, 5});
    sim.list.Update();
    EXPECT_EQ(sim.list.MainList().size(), size_t(c.maximum));
    EXPECT_EQ(sim.list.KeptList().size(), 3u) << "the never-thinned list is never thinned";
    EXPECT_TRUE(sim.events.runs.empty()) << "thinned particles fire no event";
    for (int gone : c.firstGone) EXPECT_EQ(sim.list.FindById(ids[size_t(gone)]), nullptr) << gone;
    // The survivors keep their order.
    uint32_t previous = 0;
    for (const auto& p : sim.list.MainList()) {
      EXPECT_GT(p->GetId(), previous);
      previous = p->GetId();
      EXPECT_EQ(sim.list.FindById(p->GetId()), p.get());
    }
  }
}

TEST(PartikelListe, UpdatesFromTheBackAndHandlesTheDeadBeforeDeletingThem) {
  Sim sim(kAir);
  const PartikelInfo& mortal = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><LEBENSDAUER> \"0.015\" <\\LEBENSDAUER>"
      u"<DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM><EVENT_DELETE> \"Gone\" <\\EVENT_DELETE>");
  const PartikelInfo& steady = sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION>");
  Partikel* a = sim.Add(mortal, {1, 1});
  Partikel* b = sim.Add(steady, {2, 2});
  Partikel* c = sim.Add(mortal, {3, 3});
  const uint32_t idA = a->GetId(), idC = c->GetId();
  sim.list.Update();
  EXPECT_EQ(sim.list.GetCount(), 3u);
  sim.list.Update();
  ASSERT_EQ(sim.list.GetCount(), 1u);
  EXPECT_EQ(sim.list.MainList()[0].get(), b);
  EXPECT_EQ(sim.events.runs,
            (std::vector<std::pair<std::u16string, uint32_t>>{{u"Gone", idC}, {u"Gone", idA}}));
  EXPECT_EQ(sim.list.FindById(idA), nullptr);

  // A killed particle without a kill event still runs its delete event.
  sim.events.runs.clear();
  Partikel* d = sim.Add(mortal, {4, 4});
  const uint32_t idD = d->GetId();
  CommandParam silent;
  d->Kill(&silent, 1);
  sim.list.Update();
  EXPECT_EQ(sim.events.runs, (std::vector<std::pair<std::u16string, uint32_t>>{{u"Gone", idD}}));
}

TEST(PartikelListe, AnEventDuringThePassCollectsOnlyLivingParticles) {
  Sim sim(kAir);
  const PartikelInfo& mortal = sim.Type(
      u"<GRAVITATION> \"0\" <\\GRAVITATION><LEBENSDAUER> \"0.005\" <\\LEBENSDAUER>"
      u"<DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM><EVENT_DELETE> \"Gone\" <\\EVENT_DELETE>");
  const PartikelInfo& steady = sim.Type(u"<GRAVITATION> \"0\" <\\GRAVITATION>");
  Partikel* keep = sim.Add(steady, {1, 1});
  sim.Add(mortal, {2, 2});
  sim.Add(mortal, {3, 3});
  std::vector<size_t> seen;
  sim.events.action = [&](const std::u16string&, Objekt&) {
    // As an explosion does: every object, each asked for its position.
    std::vector<Objekt*> all;
    sim.list.CollectAll(all);
    for (Objekt* o : all) {
      ASSERT_NE(o, nullptr);
      o->GetPosition();
    }
    seen.push_back(all.size());
  };
  sim.list.Update();
  // The last dies first and is still there for its own event; the first's event finds it
  // gone.
  EXPECT_EQ(seen, (std::vector<size_t>{3, 2}));
  ASSERT_EQ(sim.list.GetCount(), 1u);
  EXPECT_EQ(sim.list.MainList()[0].get(), keep);
}

TEST(PartikelListe, FindsByIdAfterANewIdAndCollectsKeptFirst) {
  Sim sim(kAir);
  const PartikelInfo& thin = sim.Type(u"");
  const PartikelInfo& kept = sim.Type(u"<CAN_BE_DELETED> \"0\" <\\CAN_BE_DELETED>");
  Partikel* a = sim.Add(thin, {1, 1});
  Partikel* b = sim.Add(kept, {1, 1});
  Partikel* c = sim.Add(thin, {1, 1});
  const uint32_t old = a->GetId();
  const uint32_t renewed = a->AssignNewId();
  EXPECT_EQ(sim.list.FindById(old), nullptr);
  EXPECT_EQ(sim.list.FindById(renewed), a);
  EXPECT_EQ(sim.list.FindById(b->GetId()), b);
  std::vector<Objekt*> all;
  sim.list.CollectAll(all);
  EXPECT_EQ(all, (std::vector<Objekt*>{b, c, a}));
  sim.list.Clear();
  EXPECT_EQ(sim.list.FindById(renewed), nullptr);
  EXPECT_EQ(sim.list.GetCount(), 0u);
  EXPECT_EQ(sim.list.GetInfos().size(), 2u) << "the types stay";
}

TEST(PartikelListe, EarthFliesFromCraterPixelsTowardsTheCentre) {
  Sim sim(terrain_test::FlatStore({0, 0, 100, 100}, 50));
  int32_t earthStep = 3, maximum = 100000;
  sim.list.SetSettings(&earthStep, &maximum);
  auto root = ParseBody(
      u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><GRAVITATION> \"0\" <\\GRAVITATION><\\PARTIKEL_INFO>"
      u"<ERDE_PARTIKEL> \"Erde\" <\\ERDE_PARTIKEL>");
  PartikelInfo::LoadAll(root.get(), sim.list, nullptr);
  std::vector<RemovedPixel> removed;
  const Vector2 centre(50.0f, 50.0f);
  sim.world->CarveCrater(centre, 10.0, &removed, -1, false);
  ASSERT_GT(removed.size(), 100u);

  const DistanceRamp ramp{300.0, 100.0, 2.0, 8.0};
  sim.list.SpawnErdePartikel(removed, centre, ramp);
  size_t expected = 0;
  for (int64_t i = int64_t(removed.size()) - 1; i >= 0; i -= earthStep) {
    const float d = (centre - Vector2(removed[size_t(i)].x, removed[size_t(i)].y)).Length();
    if (d > 2.0f && d <= 8.0f) ++expected;
  }
  EXPECT_EQ(sim.list.GetCount(), expected);
  for (const auto& p : sim.list.MainList()) {
    const Vector2 from = *p->GetPosition();
    const Vector2 towards = centre - from;
    const Vector2 v = *p->GetSpeed();
    // Parallel to the way to the centre and as fast as the ramp says at that distance.
    EXPECT_NEAR(v.x * towards.y - v.y * towards.x, 0.0f, 1e-2f);
    EXPECT_GT(v.x * towards.x + v.y * towards.y, 0.0f);
    const double t = (towards.Length() - 2.0) / 6.0;
    EXPECT_NEAR(v.Length(), 300.0 - 200.0 * t, 1e-2);
    EXPECT_EQ(p->GetColour(), terrain_test::kEarth) << "the pixel's colour";
  }

  // Scale 0 spawns nothing; pixels exactly at the near distance or at the centre neither.
  sim.list.Clear();
  const double none = 0.0;
  sim.list.SpawnErdePartikel(removed, centre, ramp, &none);
  const std::vector<RemovedPixel> edge = {{52.0f, 50.0f, 255, 1, 2, 3}, {50.0f, 50.0f, 255, 1, 2, 3}};
  sim.list.SpawnErdePartikel(edge, centre, ramp, nullptr, 1);
  EXPECT_EQ(sim.list.GetCount(), 0u);
  // A step of 0 in the settings takes every pixel instead of never advancing.
  earthStep = 0;
  const std::vector<RemovedPixel> two = {{55.0f, 50.0f, 255, 1, 2, 3}, {45.0f, 50.0f, 255, 1, 2, 3}};
  const double half = 0.5;
  sim.list.SpawnErdePartikel(two, centre, ramp, &half);
  ASSERT_EQ(sim.list.GetCount(), 2u);
  EXPECT_EQ(sim.list.MainList()[0]->GetColour(), 0xFF010203u);
  EXPECT_EQ(sim.list.MainList()[0]->GetSizeScale(), 0.5);
}

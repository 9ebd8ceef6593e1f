// Events: the shared keys with their weighted picks, sounds and chains with the nesting
// limit, the table's loading order and lookups, and every kind besides the explosions on
// its target, with what it asked of a recording host.
#include "objects/event.h"

#include <gtest/gtest.h>

#include <cmath>

#include "objects/event_fixture.h"
#include "objects/events.h"
#include "objects/explosionsevent.h"
#include "platform/random.h"

using event_test::Host;
using event_test::SpyWorm;
using particle_test::Sim;

namespace {

struct Events : testing::Test {
  Events() : sim({std::string(200, '.'), std::string(200, '.')}), host(sim) {
    // Particles run their events through the table under test.
    sim.services.events = &host.events;
  }
  // The last event of that name, as its class.
  template <class T>
  T* Get(const std::u16string& name) {
    return dynamic_cast<T*>(host.Find(name));
  }
  std::unique_ptr<Partikel> Target(Vector2 at = {50.0f, 1.0f}, Vector2 speed = {0.0f, 0.0f},
                                   std::u16string_view keys = u"") {
    return sim.Make(sim.Type(keys), at, speed);
  }

  Sim sim;
  Host host;
};

}  // namespace

TEST(DistanceRamp, ValueByDistance) {
  const DistanceRamp ramp{100.0, 10.0, 0.0, 50.0};
  const struct {
    double d;
    bool applies;
    double value;
  } cases[] = {
      {0.0, true, 100.0}, {25.0, true, 55.0}, {50.0, true, 10.0}, {60.0, false, 0.0}, {-1.0, false, 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.d);
    const std::optional<double> v = ramp.At(c.d);
    ASSERT_EQ(v.has_value(), c.applies);
    if (c.applies) {
      EXPECT_DOUBLE_EQ(*v, c.value);
    }
  }
  // Values from small to large and the other way round are both kept between the two.
  EXPECT_DOUBLE_EQ(*DistanceRamp({10.0, 100.0, 0.0, 50.0}).At(25.0), 55.0);
  EXPECT_DOUBLE_EQ(*DistanceRamp({100.0, 10.0, 20.0, 20.0}).At(20.0), 100.0)
      << "equal distances divide by nothing";
  EXPECT_DOUBLE_EQ(DistanceRamp({100.0, 10.0, 20.0, 20.0}).Interpolate(30.0), 100.0);
  EXPECT_DOUBLE_EQ(DistanceRamp({100.0, 10.0, 0.0, 50.0}).Interpolate(100.0), -80.0) << "no bound";
  // An absent ramp applies only at distance 0, with the value 0.
  EXPECT_EQ(DistanceRamp().At(0.0), std::optional<double>(0.0));
  EXPECT_FALSE(DistanceRamp().At(0.5));
}

TEST(DistanceRamp, ReadsUpToFourFiniteValues) {
  auto root = ParseBody(u"<A> \"1\" \"2\" <\\A> <B> \"1\" \"nan\" \"3\" \"4\" \"5\" <\\B> <C> <\\C>");
  const DistanceRamp a = DistanceRamp::Read(root->GetChild(0, u"A"));
  EXPECT_EQ(std::make_tuple(a.nearValue, a.farValue, a.nearDistance, a.farDistance),
            std::make_tuple(1.0, 2.0, 0.0, 0.0));
  const DistanceRamp b = DistanceRamp::Read(root->GetChild(0, u"B"));
  EXPECT_EQ(std::make_tuple(b.nearValue, b.farValue, b.nearDistance, b.farDistance),
            std::make_tuple(1.0, 0.0, 3.0, 4.0));
  const DistanceRamp none = DistanceRamp::Read(nullptr);
  EXPECT_EQ(none.farDistance, 0.0);
}

TEST_F(Events, SharedKeysAndTheirWeights) {
  host.Load(
      u"<KILL_EVENT> <NAME> \"A\" <\\NAME> <SEARCHPATH> \"sounds\\knall\" <\\SEARCHPATH>"
      u" <SOUNDS> \"a.wav\" \"b.wav\" <\\SOUNDS> <SOUND_PROP> \"1\" \"3\" \"7\" <\\SOUND_PROP>"
      u" <EVENTS> \"X\" \"Y\" \"Z\" <\\EVENTS> <EVENT_PROP> \"2\" <\\EVENT_PROP> <\\KILL_EVENT>"
      u"<KILL_EVENT> <EVENTS> \"P\" \"Q\" <\\EVENTS> <EVENT_PROP> \"0\" \"0\" <\\EVENT_PROP> <\\KILL_EVENT>"
      u"<KILL_EVENT> <NAME> \"X\" <\\NAME> <\\KILL_EVENT> <KILL_EVENT> <NAME> \"Y\" <\\NAME> <\\KILL_EVENT>"
      u"<KILL_EVENT> <NAME> \"Z\" <\\NAME> <\\KILL_EVENT>");
  const Event& a = *host.Find(u"A");
  EXPECT_EQ(host.soundLookups,
            (std::vector<std::u16string>{u"sounds\\knall\\a.wav", u"sounds\\knall\\b.wav"}));
  // The third weight has no sound and is left out.
  EXPECT_EQ(a.GetSoundWeights(), (std::vector<double>{0.25, 1.0}));
  // Missing weights count 1.
  ASSERT_EQ(a.GetEventWeights().size(), 3u);
  EXPECT_DOUBLE_EQ(a.GetEventWeights()[0], 0.5);
  EXPECT_DOUBLE_EQ(a.GetEventWeights()[1], 0.75);
  EXPECT_DOUBLE_EQ(a.GetEventWeights()[2], 1.0);

  // A section without a name keeps the default; all-zero weights never pick.
  const Event& unnamed = *host.Find(u"UNNAMED_EVENT");
  for (int i = 0; i < 50; ++i) EXPECT_EQ(unnamed.PickEventName(), u"");
  // Weighted picks follow the weights.
  platform::SRand(7);
  int first = 0;
  for (int i = 0; i < 4000; ++i) first += a.PickSound()->FileName() == u"a.wav" ? 1 : 0;
  EXPECT_NEAR(first / 4000.0, 0.25, 0.03);
}

TEST_F(Events, ChainsPlayEachSoundAndStopAtTheNestingLimit) {
  testing::internal::CaptureStderr();
  host.Load(
      u"<CREATE_NEW_ID_EVENT> <NAME> \"Eins\" <\\NAME> <SOUNDS> \"1.wav\" <\\SOUNDS> <EVENTS> \"Zwei\" "
      u"<\\EVENTS> "
      u"<\\CREATE_NEW_ID_EVENT>"
      u"<CREATE_NEW_ID_EVENT> <NAME> \"Zwei\" <\\NAME> <SOUNDS> \"2.wav\" <\\SOUNDS> <EVENTS> \"Drei\" "
      u"<\\EVENTS> "
      u"<\\CREATE_NEW_ID_EVENT>"
      u"<CREATE_NEW_ID_EVENT> <NAME> \"Schleife\" <\\NAME> <SOUNDS> \"s.wav\" <\\SOUNDS> <EVENTS> "
      u"\"Schleife\" "
      u"<\\EVENTS> <\\CREATE_NEW_ID_EVENT>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "events.evt: event \"Zwei\": follows with no event \"Drei\"\n");
  auto target = Target();
  const uint32_t id = target->GetId();
  host.events.Run(u"Eins", *target);
  EXPECT_EQ(host.played, (std::vector<std::pair<std::u16string, int>>{{u"1.wav", 100}, {u"2.wav", 100}}));
  EXPECT_EQ(target->GetId(), id + 2) << "each link did its own work on the same target";

  // A chain that names itself runs to the limit, and says so once.
  host.played.clear();
  testing::internal::CaptureStderr();
  host.events.Run(u"Schleife", *target);
  host.events.Run(u"Schleife", *target);
  EXPECT_EQ(host.played.size(), 2u * EventTable::kMaxDepth);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "events: \"Schleife\" runs 32 events deep; the chain stops here\n");
  // The limit counts runs in progress, so a new chain has its whole depth again.
  host.played.clear();
  host.events.Run(u"Eins", *target);
  EXPECT_EQ(host.played.size(), 2u);
}

TEST_F(Events, TheTableTakesKindsInOrderAndFindsTheLastOfAName) {
  host.Load(
      u"<ADDMEDIKIT_EVENT> <NAME> \"Doppelt\" <\\NAME> <\\ADDMEDIKIT_EVENT>"
      u"<KILL_EVENT> <NAME> \"Doppelt\" <\\NAME> <\\KILL_EVENT>"
      u"<SETSPEED_EVENT> <NAME> \"S\" <\\NAME> <\\SETSPEED_EVENT>"
      u"<EXPLOSION_EVENT> <NAME> \"Doppelt\" <\\NAME> <\\EXPLOSION_EVENT>"
      u"<KILL_EVENT> <NAME> \"K\" <\\NAME> <\\KILL_EVENT> <KILL_EVENT> <NAME> \"K\" <\\NAME> "
      u"<DO_KILL_EVENTS> \"0\" <\\DO_KILL_EVENTS> <\\KILL_EVENT>"
      u"<UNBEKANNT> <NAME> \"U\" <\\NAME> <\\UNBEKANNT>");
  std::vector<std::u16string> names;
  for (const auto& e : host.events.Events()) names.push_back(e->GetName());
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Doppelt", u"Doppelt", u"K", u"K", u"S", u"Doppelt"}));
  EXPECT_NE(Get<AddMedikitEvent>(u"Doppelt"), nullptr) << "the later kind hides the earlier";
  ASSERT_NE(Get<KillEvent>(u"K"), nullptr);
  EXPECT_FALSE(Get<KillEvent>(u"K")->doKillEvents) << "the later one in the file";
  EXPECT_EQ(host.events.Find(nullptr), nullptr);
  EXPECT_EQ(host.Find(u"k"), nullptr) << "names are compared exactly";
  EXPECT_EQ(host.Find(u"U"), nullptr);

  // Every kind by its section name.
  for (int kind = 0; kind < 12; ++kind) EXPECT_NE(EventTable::Create(kind, nullptr, host), nullptr) << kind;
  EXPECT_EQ(EventTable::Create(12, nullptr, host), nullptr);
  host.events.Clear();
  EXPECT_EQ(host.Find(u"K"), nullptr);
  host.events.Load(nullptr, host);
  EXPECT_EQ(host.events.Size(), 0u);
}

TEST_F(Events, EnteringWaterSkipsOrSlowsWithoutSoundOrChain) {
  host.Load(
      u"<ENTER_WASSER_EVENT> <NAME> \"W\" <\\NAME> <SOUNDS> \"w.wav\" <\\SOUNDS> <EVENTS> \"Id\" <\\EVENTS>"
      u" <SPEED_CHANGE> \"0.5\" <\\SPEED_CHANGE> <TURN_SPAWNING_OFF> \"1\" <\\TURN_SPAWNING_OFF>"
      u" <MAX_SPEED> \"30\" <\\MAX_SPEED> <REIBUNG> \"7\" <\\REIBUNG> <\\ENTER_WASSER_EVENT>"
      u"<CREATE_NEW_ID_EVENT> <NAME> \"Id\" <\\NAME> <\\CREATE_NEW_ID_EVENT>");
  const float c30 = std::cos(0.5235988f) * 200.0f, s30 = std::sin(0.5235988f) * 200.0f;
  const struct {
    Vector2 speed;
    bool skips;
  } cases[] = {
      {{c30, s30}, true},           // rightwards and down at 30 degrees, fast enough
      {{-c30, s30}, false},         // leftwards: 150 degrees
      {{c30 / 4, s30 / 4}, false},  // too slow
      {{0.0f, 0.0f}, false},        // standing: no angle at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed.x << ", " << c.speed.y);
    auto target = Target({50.0f, 1.0f}, c.speed, u"<MAXSPEED> \"500\" <\\MAXSPEED>");
    const uint32_t id = target->GetId();
    host.events.Run(u"W", *target);
    if (c.skips) {
      EXPECT_FLOAT_EQ(target->GetSpeed()->x, c.speed.x * 0.5f);
      EXPECT_FLOAT_EQ(target->GetSpeed()->y, -c.speed.y * 0.5f);
      EXPECT_EQ(target->GetMaxSpeed(), 500.0);
    } else {
      EXPECT_EQ(*target->GetSpeed(), c.speed);
      EXPECT_EQ(target->GetMaxSpeed(), 30.0);
    }
    EXPECT_EQ(target->GetId(), id) << "nothing is chained";
  }
  EXPECT_TRUE(host.played.empty());

  // What is not a particle stops sideways.
  struct Plain final : Objekt {
    Vector2 p{0.0f, 0.0f}, s{-5.0f, 9.0f};
    Vector2* GetPosition() override { return &p; }
    Vector2* GetSize() override { return &p; }
    Vector2* GetSpeed() override { return &s; }
  } plain;
  host.events.Run(u"W", plain);
  EXPECT_EQ(plain.s, Vector2(0.0f, 9.0f));
}

TEST_F(Events, KillAndUnkillBothFireTheTargetsKillEvent) {
  host.Load(
      u"<KILL_EVENT> <NAME> \"Kill\" <\\NAME> <SOUNDS> \"kill.wav\" <\\SOUNDS> <\\KILL_EVENT>"
      u"<UNKILL_EVENT> <NAME> \"Unkill\" <\\NAME> <SOUNDS> \"unkill.wav\" <\\SOUNDS> <\\UNKILL_EVENT>"
      u"<CREATE_NEW_ID_EVENT> <NAME> \"Sterben\" <\\NAME> <SOUNDS> \"tot.wav\" <\\SOUNDS> "
      u"<\\CREATE_NEW_ID_EVENT>");
  for (const char16_t* name : {u"Kill", u"Unkill"}) {
    host.played.clear();
    auto target = Target({50.0f, 1.0f}, {0.0f, 0.0f}, u"<EVENT_KILL> \"Sterben\" <\\EVENT_KILL>");
    host.events.Run(name, *target);
    EXPECT_TRUE(target->IsDead());
    ASSERT_EQ(host.PlayedNames().size(), 2u) << "the kill event runs inside, then the event's own sound";
    EXPECT_EQ(host.PlayedNames()[0], u"tot.wav");
    // A dead target fires nothing more; the event's own sound still plays.
    host.played.clear();
    host.events.Run(name, *target);
    EXPECT_EQ(host.PlayedNames().size(), 1u);
  }
}

TEST_F(Events, ParticleCreationMakesWeightedTypesAtTheTarget) {
  sim.Type(u"<NAME> \"Rauch\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
  sim.Type(u"<NAME> \"Funke\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
  testing::internal::CaptureStderr();
  host.Load(
      u"<PARTIKEL_CREATE_EVENT> <NAME> \"P\" <\\NAME> <MAX_PARTIKEL> \"40\" <\\MAX_PARTIKEL>"
      u" <CENTER_CAMERA> \"1\" <\\CENTER_CAMERA> <PAUSE_OBJEKT> \"1\" <\\PAUSE_OBJEKT>"
      u" <PARTIKEL_INFOS> \"Nebel\" \"Rauch\" \"Funke\" <\\PARTIKEL_INFOS> <PARTIKEL_PROP> \"3\" \"1\" "
      u"<\\PARTIKEL_PROP> <\\PARTIKEL_CREATE_EVENT>"
      u"<PARTIKEL_CREATE_EVENT> <NAME> \"Leer\" <\\NAME> <SOUNDS> \"leer.wav\" <\\SOUNDS> "
      u"<PARTIKEL_INFOS> \"Rauch\" <\\PARTIKEL_INFOS> <\\PARTIKEL_CREATE_EVENT>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "events.evt: event \"P\": names no particle type \"Nebel\"\n");
  auto* p = Get<PartikelCreateEvent>(u"P");
  ASSERT_NE(p, nullptr);
  // The unknown name is dropped and the first weight belongs to the first type found.
  ASSERT_EQ(p->types.size(), 2u);
  EXPECT_EQ(p->types[0]->name, u"Rauch");
  EXPECT_EQ(p->weights, (std::vector<double>{0.75, 1.0}));

  auto target = Target({30.0f, 1.0f});
  host.events.Run(u"P", *target);
  ASSERT_EQ(sim.list.GetCount(), 40u);
  size_t smoke = 0;
  std::vector<uint32_t> ids;
  for (const auto& made : sim.list.MainList()) {
    EXPECT_EQ(*made->GetPosition(), Vector2(30.0f, 1.0f));
    smoke += made->GetInfo()->name == u"Rauch" ? 1 : 0;
    ids.push_back(made->GetId());
  }
  EXPECT_GT(smoke, 20u);
  EXPECT_LT(smoke, 40u);
  EXPECT_EQ(host.followed, ids) << "the camera follows each";
  EXPECT_EQ(host.held, ids) << "and the turn waits for each";

  // No count, no particles; the sound still plays.
  host.events.Run(u"Leer", *target);
  EXPECT_EQ(sim.list.GetCount(), 40u);
  EXPECT_EQ(host.PlayedNames(), std::vector<std::u16string>{u"leer.wav"});
}

TEST_F(Events, NewIdIsFoundUnderItInTheList) {
  host.Load(u"<CREATE_NEW_ID_EVENT> <NAME> \"Id\" <\\NAME> <\\CREATE_NEW_ID_EVENT>");
  Partikel* p = sim.Add(sim.Type(u""), {1.0f, 1.0f});
  const uint32_t old = p->GetId();
  const uint32_t next = Objekt::PeekNextId();
  host.events.Run(u"Id", *p);
  EXPECT_EQ(p->GetId(), next);
  EXPECT_EQ(sim.list.FindById(next), p);
  EXPECT_EQ(sim.list.FindById(old), nullptr);
}

TEST_F(Events, PoisonAndRenderEffectsReachEveryPersonAndMayKillTheSource) {
  host.Load(
      u"<GIFT_EVENT> <NAME> \"Gas\" <\\NAME> <KILL_SRC> \"1\" <\\KILL_SRC> <GIFT_SCHADEN> \"15\" \"5\" \"0\" "
      u"\"90\" "
      u"<\\GIFT_SCHADEN> <DAUER> \"3\" <\\DAUER> <\\GIFT_EVENT>"
      u"<RENDEREFFECT_EVENT> <NAME> \"Rausch\" <\\NAME> <RADIUS> \"1\" \"0.4\" \"0\" \"120\" <\\RADIUS>"
      u" <REDNEREFFECT_ISTANZEN> \"WOBBLE\" \"BLUR\" <\\REDNEREFFECT_ISTANZEN> <\\RENDEREFFECT_EVENT>");
  SpyWorm& near = host.AddWorm({40.0f, 1.0f});
  SpyWorm& far = host.AddWorm({190.0f, 1.0f});
  sim.Add(sim.Type(u""), {5.0f, 1.0f});
  auto target = Target({50.0f, 1.0f});

  host.events.Run(u"Rausch", *target);
  EXPECT_FALSE(target->IsDead()) << "without KILL_SRC";
  for (SpyWorm* w : {&near, &far}) {
    ASSERT_EQ(w->effects.size(), 1u) << "the worm weighs the distance itself";
    EXPECT_EQ(w->effects[0].centre, Vector2(50.0f, 1.0f));
    EXPECT_EQ(w->effects[0].names, (std::vector<std::u16string>{u"WOBBLE", u"BLUR"}));
    EXPECT_EQ(w->effects[0].ramp.farDistance, 120.0);
  }
  host.events.Run(u"Gas", *target);
  for (SpyWorm* w : {&near, &far}) {
    ASSERT_EQ(w->poisons.size(), 1u);
    EXPECT_EQ(w->poisons[0].rounds, 3);
    EXPECT_EQ(w->poisons[0].ramp.nearValue, 15.0);
  }
  EXPECT_TRUE(target->IsDead());
}

TEST_F(Events, SetSpeedBetweenTwoVectors) {
  host.Load(
      u"<SETSPEED_EVENT> <NAME> \"Fest\" <\\NAME> <SPEED_0> \"3\" \"4\" <\\SPEED_0> <SPEED_1> \"3\" \"4\" "
      u"<\\SPEED_1>"
      u"<NORMALIZE> \"1\" <\\NORMALIZE> <USESRCSPEED> \"1\" <\\USESRCSPEED> <\\SETSPEED_EVENT>"
      u"<SETSPEED_EVENT> <NAME> \"Spanne\" <\\NAME> <SPEED_0> \"0\" \"-100\" <\\SPEED_0> <SPEED_1> \"10\" "
      u"\"-200\" "
      u"<\\SPEED_1> <\\SETSPEED_EVENT>"
      u"<SETSPEED_EVENT> <NAME> \"Null\" <\\NAME> <NORMALIZE> \"1\" <\\NORMALIZE> <\\SETSPEED_EVENT>");
  auto target = Target({50.0f, 1.0f}, {0.0f, 10.0f});
  host.events.Run(u"Fest", *target);
  EXPECT_NEAR(target->GetSpeed()->x, 6.0f, 1e-5f);
  EXPECT_NEAR(target->GetSpeed()->y, 8.0f, 1e-5f);
  for (int i = 0; i < 20; ++i) {
    host.events.Run(u"Spanne", *target);
    const Vector2 v = *target->GetSpeed();
    EXPECT_NEAR(v.y, -100.0f - 10.0f * v.x, 1e-3f) << "on the line between the two";
    EXPECT_GE(v.x, 0.0f);
    EXPECT_LE(v.x, 10.0f);
  }
  host.events.Run(u"Null", *target);
  EXPECT_EQ(*target->GetSpeed(), Vector2(0.0f, 0.0f)) << "a zero vector has no direction";
}

TEST_F(Events, CratesGoToTheFirstWormThatHoldsThem) {
  testing::internal::CaptureStderr();
  host.Load(
      u"<ADDMUNI_EVENT> <NAME> \"Muni\" <\\NAME> <SOUNDS> \"p.wav\" <\\SOUNDS> <KILL_SRC> \"1\" <\\KILL_SRC>"
      u" <ANZAHL> \"3\" \"3\" <\\ANZAHL>"
      u" <MUNI> <NAME_WAFFE> \"Bazooka\" <\\NAME_WAFFE> <ANZAHL_MUN> \"2\" \"4\" <\\ANZAHL_MUN> <PROP> \"1\" "
      u"<\\PROP> "
      u"<\\MUNI>"
      u" <MUNI> <NAME_WAFFE> \"Gibtsnicht\" <\\NAME_WAFFE> <ANZAHL_MUN> \"1\" <\\ANZAHL_MUN> <PROP> \"3\" "
      u"<\\PROP> "
      u"<\\MUNI> <\\ADDMUNI_EVENT>"
      u"<ADDMEDIKIT_EVENT> <NAME> \"Medi\" <\\NAME> <KILL_SRC> \"1\" <\\KILL_SRC> <HEALTH> \"25\" \"50\" "
      u"<\\HEALTH>"
      u" <ANZ_RUNDEN> \"2\" <\\ANZ_RUNDEN> <HEALS_GIFT> \"1\" <\\HEALS_GIFT> <HEALS_SOFORT> \"0\" "
      u"<\\HEALS_SOFORT> "
      u"<\\ADDMEDIKIT_EVENT>");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "events.evt: event \"Muni\": needs two numbers; the default stands for \"ANZAHL_MUN\"\n");
  host.weapons = {u"Bazooka"};
  auto* muni = Get<AddMunEvent>(u"Muni");
  ASSERT_EQ(muni->entries.size(), 2u);
  EXPECT_EQ(muni->entries[0].weight, 0.25);
  EXPECT_EQ(std::make_pair(muni->entries[1].minimum, muni->entries[1].maximum), std::make_pair(1, 2));

  // Nobody there: the crate stays, silent.
  SpyWorm& away = host.AddWorm({150.0f, 1.0f});
  auto crate = Target({50.0f, 1.0f});
  host.events.Run(u"Muni", *crate);
  host.events.Run(u"Medi", *crate);
  EXPECT_FALSE(crate->IsDead());
  EXPECT_TRUE(host.ammo.empty());
  EXPECT_TRUE(host.played.empty());
  EXPECT_TRUE(away.heals.empty());

  SpyWorm& first = host.AddWorm({52.0f, 1.0f});
  SpyWorm& second = host.AddWorm({48.0f, 1.0f});
  testing::internal::CaptureStderr();
  host.events.Run(u"Muni", *crate);
  EXPECT_TRUE(crate->IsDead());
  ASSERT_EQ(host.ammo.size(), 3u) << "ANZAHL picks";
  for (const auto& [weapon, worm, rounds] : host.ammo) {
    EXPECT_EQ(worm, first.GetId());
    if (weapon == u"Bazooka") {
      EXPECT_GE(rounds, 2);
      EXPECT_LE(rounds, 4);
    }
  }
  auto again = Target({50.0f, 1.0f});
  for (int i = 0; i < 5; ++i) host.events.Run(u"Muni", *again);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "events.evt: event \"Muni\": names no weapon \"Gibtsnicht\"\n") << "once";
  EXPECT_EQ(host.PlayedNames().front(), u"p.wav");

  auto kit = Target({50.0f, 1.0f});
  host.events.Run(u"Medi", *kit);
  EXPECT_TRUE(kit->IsDead());
  ASSERT_EQ(first.heals.size(), 1u);
  EXPECT_TRUE(second.heals.empty());
  EXPECT_GE(first.heals[0].amount, 25.0);
  EXPECT_LE(first.heals[0].amount, 50.0);
  EXPECT_TRUE(first.heals[0].cures);
  EXPECT_EQ(first.heals[0].rounds, 2);
  EXPECT_FALSE(first.heals[0].immediate);
}

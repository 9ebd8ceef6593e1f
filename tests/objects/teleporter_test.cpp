// Teleporter gates on a small world: loading the types, groups and their colours, the reach,
// the lockout of objects that just came through, the rest after a teleport and the random
// choice of the partner.
#include "objects/teleporter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "objects/teleporterliste.h"
#include "particle_fixture.h"

namespace {

using particle_test::Sim;

// Objects by id, as the game-wide object finds them.
struct Finder final : ObjectFinder {
  std::vector<Objekt*> objects;
  Objekt* FindObject(uint32_t id) const override {
    for (Objekt* o : objects)
      if (o->GetId() == id) return o;
    return nullptr;
  }
};

// An open world with a floor at y 90.
std::vector<std::string> Floor() {
  std::vector<std::string> art(100, std::string(400, '.'));
  for (int y = 90; y < 100; ++y) art[size_t(y)] = std::string(400, '#');
  return art;
}

class Gates : public ::testing::Test {
 protected:
  Gates() : sim(Floor()) {
    sim.services.objects = &finder;
    sim.services.teleporters = &gates;
    body = &sim.Type(
        u"<NAME> \"Tor\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"<REIBUNG_COLLISION> \"1\" <\\REIBUNG_COLLISION> <SIZE> \"20\" \"40\" \"0\" \"0\" <\\SIZE>"
        u"<EVENT_CREATE> \"Erschaffen\" <\\EVENT_CREATE>");
    walker = &sim.Type(u"<NAME> \"Ding\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
  }

  void Load(std::u16string_view body) {
    auto root = ParseBody(body, u"TELEPORTER");
    gates.Load(root.get(), LoadSources{&sim.list, nullptr, nullptr, nullptr});
  }
  // A gate of the named type with its foot at p and its size set, pending.
  Teleporter* Put(const std::u16string& name, Vector2 p) {
    auto gate = gates.Place(&name);
    EXPECT_NE(gate, nullptr);
    gate->SetPosition(p);
    *gate->GetSize() = Vector2(20.0f, 40.0f);
    return gates.AddPending(std::move(gate));
  }
  Partikel* Thing(Vector2 p) {
    Partikel* t = sim.Add(*walker, p);
    finder.objects.push_back(t);
    return t;
  }

  Sim sim;
  Finder finder;
  TeleporterListe gates;
  const PartikelInfo* body = nullptr;
  const PartikelInfo* walker = nullptr;
};

constexpr char16_t kTwoTypes[] =
    u"<COLORS> \"FFFF0000\" \"FF0000FF\" <\\COLORS>"
    u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"Beamer\" <\\NAME>"
    u"  <MAX_DIST> \"40\" \"40\" <\\MAX_DIST> <TIME_OUT> \"1\" <\\TIME_OUT> <USE_PHYSIK> \"0\" "
    u"<\\USE_PHYSIK> <\\TELEPORTER>"
    u"<TELEPORTER> <PARTIKEL_INFO> \"Unbekannt\" <\\PARTIKEL_INFO> <NAME> \"Geist\" <\\NAME> <\\TELEPORTER>"
    u"<TELEPORTER> <NAME> \"Ohne\" <\\NAME> <\\TELEPORTER>"
    u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <MAX_DIST> \"40\" <\\MAX_DIST>"
    u"  <TIME_OUT> <\\TIME_OUT> <\\TELEPORTER>"
    u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"Sofort\" <\\NAME>"
    u"  <USE_PHYSIK> \"0\" <\\USE_PHYSIK> <\\TELEPORTER>";

TEST_F(Gates, LoadsTypesOfKnownParticleTypesQuietlyWithTheirDefaults) {
  Load(kTwoTypes);
  ASSERT_EQ(gates.GetTypes().size(), 3u);  // the unknown type and the one without a type are skipped
  const Teleporter& beamer = *gates.GetTypes()[0];
  EXPECT_EQ(beamer.GetName(), u"Beamer");
  EXPECT_DOUBLE_EQ(beamer.GetMaxDistance(), 1600.0);
  EXPECT_DOUBLE_EQ(beamer.GetTimeOut(), 1.0);
  EXPECT_FALSE(beamer.UsesPhysics());
  const Teleporter& unnamed = *gates.GetTypes()[1];
  EXPECT_EQ(unnamed.GetName(), u"UNNAMED_TRANSPORTER");
  EXPECT_DOUBLE_EQ(unnamed.GetMaxDistance(), Teleporter::kDefaultMaxDistance);  // one value: absent
  EXPECT_DOUBLE_EQ(unnamed.GetTimeOut(), 0.0);
  EXPECT_TRUE(unnamed.UsesPhysics());
  EXPECT_EQ(unnamed.GetPairColour(), Teleporter::kDefaultPairColour);
  EXPECT_EQ(gates.GetColours(), (std::vector<Argb>{0xFFFF0000, 0xFF0000FF}));
  // Types are templates: the body type's create event does not fire for them.
  EXPECT_TRUE(sim.events.runs.empty());

  const std::u16string beamerName = u"Beamer", missing = u"Keiner";
  auto gate = gates.Place(&beamerName);
  ASSERT_NE(gate, nullptr);
  EXPECT_EQ(gate->GetName(), u"Beamer_Copy");
  EXPECT_NE(gate->GetId(), beamer.GetId());
  EXPECT_DOUBLE_EQ(gate->GetMaxDistance(), 1600.0);
  EXPECT_EQ(gates.Place(&missing), nullptr);
  EXPECT_EQ(gates.Place(nullptr), nullptr);
}

TEST_F(Gates, EachGroupTakesTheNextColourAndItsGatesAreLinkedWithEachOther) {
  Load(kTwoTypes);
  const std::u16string name = u"Beamer";
  std::vector<Argb> colours;
  for (int group = 0; group < 3; ++group) {
    Teleporter* a = Put(name, {50.0f, 90.0f});
    Teleporter* b = Put(name, {150.0f, 90.0f});
    Teleporter* c = Put(name, {250.0f, 90.0f});
    EXPECT_EQ(a->GetPairColour(), b->GetPairColour());
    EXPECT_EQ(b->GetPairColour(), c->GetPairColour());
    for (Teleporter* g : {a, b, c}) {
      EXPECT_EQ(g->GetLinked().size(), 2u);
      EXPECT_EQ(std::count(g->GetLinked().begin(), g->GetLinked().end(), g), 0);
    }
    colours.push_back(a->GetPairColour());
    gates.CommitPending();
  }
  EXPECT_EQ(colours, (std::vector<Argb>{0xFFFF0000, 0xFF0000FF, 0xFFFF0000}));
  EXPECT_EQ(gates.GetPlaced().size(), 9u);
  // Groups are not linked with one another.
  EXPECT_EQ(std::count(gates.GetPlaced()[0]->GetLinked().begin(), gates.GetPlaced()[0]->GetLinked().end(),
                       gates.GetPlaced()[3].get()),
            0);

  Teleporter::Link(gates.GetPlaced()[0].get(), gates.GetPlaced()[1].get());  // already linked
  Teleporter::Link(gates.GetPlaced()[0].get(), nullptr);
  EXPECT_EQ(gates.GetPlaced()[0]->GetLinked().size(), 2u);
}

TEST_F(Gates, WithoutColoursGroupsTakeTheDefaultColour) {
  Load(u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"T\" <\\NAME> <\\TELEPORTER>");
  EXPECT_EQ(Put(u"T", {50.0f, 90.0f})->GetPairColour(), 0xFFFF7F7F);
  gates.CommitPending();
  EXPECT_EQ(Put(u"T", {50.0f, 90.0f})->GetPairColour(), 0xFFFF7F7F);
}

TEST_F(Gates, AnObjectThatCameThroughIsNotSentBackUntilItHasLeftTheReach) {
  Load(kTwoTypes);
  Teleporter* a = Put(u"Beamer", {50.0f, 90.0f});
  Teleporter* b = Put(u"Beamer", {300.0f, 90.0f});
  gates.CommitPending();
  Partikel* thing = Thing({50.0f, 75.0f});  // 5 below a's centre (50, 70)

  gates.TryTeleport(*thing);
  EXPECT_EQ(*thing->GetPosition(), Vector2(300.0f, 70.0f));  // b's centre
  EXPECT_FALSE(a->IsReady());
  EXPECT_FALSE(b->IsReady());
  EXPECT_EQ(a->GetRecentIds(), std::vector<uint32_t>{thing->GetId()});
  EXPECT_EQ(b->GetRecentIds(), std::vector<uint32_t>{thing->GetId()});

  // Both rest for the time-out, then are ready; the thing still stands in b's reach.
  for (int i = 0; i < 101; ++i) gates.Update(0.01);
  EXPECT_TRUE(a->IsReady());
  EXPECT_TRUE(b->IsReady());
  gates.TryTeleport(*thing);
  EXPECT_EQ(*thing->GetPosition(), Vector2(300.0f, 70.0f));

  // Out of b's reach (measured from its foot), b forgets it; back in, it goes to a.
  *thing->GetPosition() = Vector2(300.0f, 20.0f);
  gates.Update(0.01);
  EXPECT_TRUE(b->GetRecentIds().empty());
  *thing->GetPosition() = Vector2(300.0f, 70.0f);
  gates.TryTeleport(*thing);
  EXPECT_EQ(*thing->GetPosition(), Vector2(50.0f, 70.0f));
}

TEST_F(Gates, ReachIsTheProductOfTheTwoValuesAroundTheCentre) {
  Load(kTwoTypes);
  Put(u"Beamer", {50.0f, 90.0f});
  Put(u"Beamer", {300.0f, 90.0f});
  gates.CommitPending();
  const struct {
    Vector2 at;
    bool taken;
  } cases[] = {
      {{89.9f, 70.0f}, true}, {{90.0f, 70.0f}, false},  // 40 from the centre is outside
      {{50.0f, 31.0f}, true}, {{50.0f, 110.5f}, false}, {{50.0f, 90.0f}, true},  // the foot is 20 below
  };
  for (const auto& c : cases) {
    Objekt::SetNextId(1000 + uint32_t(&c - cases));
    Partikel* thing = Thing(c.at);
    gates.TryTeleport(*thing);
    EXPECT_EQ(thing->GetPosition()->x == 300.0f, c.taken) << c.at.x << ", " << c.at.y;
    // Let both gates and the thing forget each other.
    thing->Kill(nullptr, 0);
    finder.objects.clear();
    for (int i = 0; i < 101; ++i) gates.Update(0.01);
  }
}

TEST_F(Gates, ALoneGateOrARestingPartnerTakesNothingAndTimeOutZeroIsReadyNextFrame) {
  Load(kTwoTypes);
  Teleporter* lone = Put(u"Sofort", {50.0f, 90.0f});
  gates.CommitPending();
  Partikel* thing = Thing({50.0f, 70.0f});
  gates.TryTeleport(*thing);
  EXPECT_EQ(*thing->GetPosition(), Vector2(50.0f, 70.0f));
  EXPECT_TRUE(lone->GetLinked().empty());

  Teleporter* a = Put(u"Sofort", {150.0f, 90.0f});
  Teleporter* b = Put(u"Sofort", {250.0f, 90.0f});
  gates.CommitPending();
  *thing->GetPosition() = Vector2(150.0f, 70.0f);
  EXPECT_TRUE(a->TryTeleport(*thing));
  EXPECT_EQ(*thing->GetPosition(), Vector2(250.0f, 70.0f));
  gates.Update(0.01);
  EXPECT_TRUE(a->IsReady());
  EXPECT_TRUE(b->IsReady());

  Teleporter* c = Put(u"Beamer", {50.0f, 90.0f});
  Teleporter* d = Put(u"Beamer", {350.0f, 90.0f});
  gates.CommitPending();
  Partikel* other = Thing({350.0f, 70.0f});
  Partikel* third = Thing({50.0f, 70.0f});
  EXPECT_TRUE(d->TryTeleport(*other));
  EXPECT_FALSE(c->IsReady());
  EXPECT_FALSE(c->TryTeleport(*third));  // c rests
  EXPECT_EQ(*third->GetPosition(), Vector2(50.0f, 70.0f));
}

TEST_F(Gates, APartnerIsChosenAtRandomAmongTheReadyOnesTheSameForTheSameSeed) {
  Load(kTwoTypes);
  auto run = [&](uint32_t seed) {
    gates.Clear();
    Teleporter* a = Put(u"Sofort", {50.0f, 90.0f});
    Put(u"Sofort", {150.0f, 90.0f});
    Put(u"Sofort", {250.0f, 90.0f});
    gates.CommitPending();
    platform::SRand(seed);
    std::vector<float> targets;
    for (int i = 0; i < 40; ++i) {
      Partikel* thing = Thing({50.0f, 70.0f});
      EXPECT_TRUE(a->TryTeleport(*thing));
      targets.push_back(thing->GetPosition()->x);
      thing->Kill(nullptr, 0);
      gates.Update(0.01);
    }
    return targets;
  };
  const std::vector<float> first = run(7);
  EXPECT_EQ(run(7), first);
  std::map<float, int> counts;
  for (float x : first) ++counts[x];
  EXPECT_EQ(counts.size(), 2u);  // never a itself, both partners over 40 draws
  EXPECT_GT(counts[150.0f], 5);
  EXPECT_GT(counts[250.0f], 5);

  // With the other partners resting, the one ready partner is taken every time.
  for (uint32_t seed = 1; seed <= 5; ++seed) {
    gates.Clear();
    platform::SRand(seed);
    std::vector<Teleporter*> g;
    for (float x : {50.0f, 150.0f, 250.0f, 350.0f}) g.push_back(Put(u"Beamer", {x, 90.0f}));
    gates.CommitPending();
    Partikel* blocker = Thing({350.0f, 70.0f});
    ASSERT_TRUE(g[3]->TryTeleport(*blocker));  // the last gate and its target rest now
    std::vector<Teleporter*> ready;
    for (int k = 0; k < 3; ++k)
      if (g[size_t(k)]->IsReady()) ready.push_back(g[size_t(k)]);
    ASSERT_EQ(ready.size(), 2u);
    Partikel* thing = Thing(ready[0]->GetCentre());
    EXPECT_TRUE(ready[0]->TryTeleport(*thing));
    EXPECT_EQ(*thing->GetPosition(), ready[1]->GetCentre());
  }
}

TEST_F(Gates, GatesWithPhysicsFallToTheGroundAndClearTakesPendingGatesToo) {
  Load(u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"T\" <\\NAME> <\\TELEPORTER>");
  const std::u16string name = u"T";
  auto gate = gates.Place(&name);
  gate->SetPosition({100.0f, 20.0f});
  Teleporter* g = gates.AddPending(std::move(gate));
  for (int i = 0; i < 300; ++i) gates.Update(0.01);
  EXPECT_NEAR(g->GetPosition()->y, 89.0f, 1.0f);    // resting on the floor's top row
  EXPECT_EQ(*g->GetSize(), Vector2(20.0f, 40.0f));  // from the body's type
  gates.CommitPending();
  Put(name, {10.0f, 10.0f});
  ASSERT_EQ(gates.GetPending().size(), 1u);
  gates.Clear();
  EXPECT_TRUE(gates.GetPlaced().empty());
  EXPECT_TRUE(gates.GetPending().empty());
  EXPECT_EQ(gates.GetPairCounter(), 2u);
}

}  // namespace

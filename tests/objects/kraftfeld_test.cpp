// Force fields: reading the types, the ring that contains, the kill field's band, the
// shield's crossing table with its bounce, the time, round and hit limits, and fields acting
// on particles in flight.
#include "objects/kraftfeld.h"

#include <gtest/gtest.h>

#include <cmath>

#include "objects/kraftfeldliste.h"
#include "objects/renderextra.h"
#include "particle_fixture.h"

namespace {

using particle_test::Sim;

std::vector<std::string> OpenAir() { return std::vector<std::string>(400, std::string(400, '.')); }

constexpr char16_t kFields[] =
    u"<KILL_KRAFTFELD> <NAME> \"Zone\" <\\NAME> <RADIUS> \"0\" \"20\" \"0\" \"50\" <\\RADIUS>"
    u"  <POSITION> \"200\" \"200\" <\\POSITION> <TYPEN> \"2\" \"8\" <\\TYPEN> <COLORKEY> \"80FF0000\" "
    u"<\\COLORKEY>"
    u"  <HITS> \"1\" \"3\" <\\HITS> <RENDER_EXTRA_TYPEN> \"GLUEHEN\" <\\RENDER_EXTRA_TYPEN> "
    u"<\\KILL_KRAFTFELD>"
    u"<KILL_KRAFTFELD> <NAME> \"Schild\" <\\NAME> <RADIUS> \"0\" \"5\" <\\RADIUS> <TIMER> \"1\" <\\TIMER> "
    u"<\\KILL_KRAFTFELD>"
    u"<SCHUBS_KRAFTFELD> <NAME> \"Schild\" <\\NAME> <RADIUS> \"0\" \"60\" \"0\" \"75\" <\\RADIUS>"
    u"  <POSITION> \"200\" \"200\" <\\POSITION> <TYPEN> \"2\" <\\TYPEN> <REIBUNG> \"0.2\" <\\REIBUNG>"
    u"  <ROUND> \"1\" \"3\" <\\ROUND> <\\SCHUBS_KRAFTFELD>"
    u"<KILL_KRAFTFELD> <NAME> \"Uhr\" <\\NAME> <RADIUS> \"0\" \"0\" \"0\" \"10\" <\\RADIUS> <TIMER> \"1\" "
    u"\"0.5\" <\\TIMER>"
    u"  <HITS> \"0\" \"0\" <\\HITS> <\\KILL_KRAFTFELD>";

class Fields : public ::testing::Test {
 protected:
  Fields() : sim(OpenAir()) {
    sim.services.forceFields = &fields;
    sim.services.renderExtras = &extras;
    auto ree = ParseBody(u"<EINTRAG> <NAME> \"GLUEHEN\" <\\NAME> <\\EINTRAG>");
    extras.Load(ree.get());
    auto root = ParseBody(kFields, u"KRAFTFELDER");
    fields.Create(root.get(), LoadSources{});
    shell = &sim.Type(
        u"<NAME> \"Granate\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <PARTIKELTYP> \"2\" "
        u"<\\PARTIKELTYP>");
    leaf = &sim.Type(
        u"<NAME> \"Blatt\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <PARTIKELTYP> \"1\" <\\PARTIKELTYP>");
  }
  ~Fields() override { fields.Clear(); }

  Kraftfeld* Add(const std::u16string& name) { return fields.Add(fields.CreateByName(&name)); }
  // A shell of the given kind whose move this frame went from `from` to `to`.
  std::unique_ptr<Partikel> Moved(const PartikelInfo& type, Vector2 from, Vector2 to, Vector2 speed) {
    auto p = sim.Make(type, from, {(to.x - from.x) * 100.0f, (to.y - from.y) * 100.0f});
    // The move alone: the fields act when the test says.
    sim.services.forceFields = nullptr;
    p->Update(true);
    sim.services.forceFields = &fields;
    *p->GetSpeed() = speed;
    return p;
  }

  Sim sim;
  RenderExtraListe extras;
  KraftfeldListe fields;
  const PartikelInfo* shell = nullptr;
  const PartikelInfo* leaf = nullptr;
};

TEST_F(Fields, TypesReadKillFieldsThenShieldsAndTheLaterOfANameIsFound) {
  ASSERT_EQ(fields.GetTypes().size(), 4u);
  auto& zone = dynamic_cast<KillKraftfeld&>(*fields.GetTypes()[0]);
  EXPECT_DOUBLE_EQ(zone.GetInnerRadius(), 20.0);
  EXPECT_DOUBLE_EQ(zone.GetOuterRadius(), 50.0);
  EXPECT_EQ(*zone.GetPosition(), Vector2(200.0f, 200.0f));
  EXPECT_EQ(zone.GetKinds(), 10u);
  EXPECT_EQ(zone.GetColour(), 0x80FF0000u);
  EXPECT_TRUE(zone.HasHitLimit());
  EXPECT_EQ(zone.GetHitLimit(), 3);
  EXPECT_EQ(zone.GetSize(), nullptr);
  // Two radius values leave the outer one 0; a TIMER with one value counts as absent.
  const Kraftfeld& thin = *fields.GetTypes()[1];
  EXPECT_DOUBLE_EQ(thin.GetInnerRadius(), 5.0);
  EXPECT_DOUBLE_EQ(thin.GetOuterRadius(), 0.0);
  EXPECT_FALSE(thin.HasTimeLimit());
  EXPECT_EQ(thin.GetHitLimit(), 1);

  const std::u16string schild = u"Schild", none = u"Keins";
  auto field = fields.CreateByName(&schild);
  auto* shield = dynamic_cast<SchubsKraftfeld*>(field.get());
  ASSERT_NE(shield, nullptr) << "the shield comes after the kill field of the same name";
  EXPECT_DOUBLE_EQ(shield->GetFriction(), 0.2);
  EXPECT_NE(shield->GetId(), fields.GetTypes()[2]->GetId());
  EXPECT_EQ(fields.CreateByName(&none), nullptr);
  EXPECT_EQ(fields.CreateByName(nullptr), nullptr);
}

TEST_F(Fields, TheRingContainsOutToAbout1155TimesTheOuterRadiusButKillsOnlyBetweenTheCircles) {
  Kraftfeld* zone = Add(u"Zone");  // inner 20, outer 50 around (200, 200)
  const struct {
    float dx;
    bool contained, killed;
  } cases[] = {
      {0.0f, true, false},  {20.0f, true, false}, {20.5f, true, true},  {49.5f, true, true},
      {50.0f, true, false}, {55.0f, true, false}, {57.7f, true, false}, {57.8f, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dx);
    const Vector2 at(200.0f + c.dx, 200.0f);
    EXPECT_EQ(zone->Contains(at), c.contained);
    auto particle = sim.Make(*shell, at);
    zone->ApplyTo(*particle);
    EXPECT_EQ(particle->IsMarkedDead(), c.killed);
  }
  EXPECT_EQ(zone->GetHits(), 2);
  auto other = sim.Make(*leaf, {230.0f, 200.0f});
  zone->ApplyTo(*other);
  EXPECT_FALSE(other->IsMarkedDead()) << "a kind the field does not name";
}

TEST_F(Fields, AShieldBouncesWhatCrossesEitherCircleAndLeavesTheRestAlone) {
  Kraftfeld* shield = Add(u"Schild");  // inner 60, outer 75 around (200, 200), friction 0.2
  const struct {
    const char* what;
    float before, after;  // distances above the centre, moving straight down or up
    bool bounced;
    float placedAt;
  } cases[] = {
      {"outside both", 100.0f, 90.0f, false, 0.0f},
      {"within the ring", 70.0f, 65.0f, false, 0.0f},
      {"inside both", 40.0f, 50.0f, false, 0.0f},
      {"in across the outer circle", 80.0f, 74.0f, true, 76.0f},
      {"out across the outer circle", 74.0f, 80.0f, true, 59.0f},
      {"in across the inner circle", 61.0f, 59.0f, true, 76.0f},
      {"out across the inner circle", 55.0f, 62.0f, true, 59.0f},
      {"in across both", 90.0f, 30.0f, true, 76.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const float v = c.after < c.before ? 300.0f : -300.0f;  // down towards the centre, or up away
    auto p = Moved(*shell, {200.0f, 200.0f - c.before}, {200.0f, 200.0f - c.after}, {40.0f, v});
    const int hits = shield->GetHits();
    shield->ApplyTo(*p);
    EXPECT_EQ(shield->GetHits(), hits + (c.bounced ? 1 : 0));
    if (!c.bounced) {
      EXPECT_FLOAT_EQ(p->GetPosition()->y, 200.0f - c.after);
      EXPECT_EQ(*p->GetSpeed(), Vector2(40.0f, v));
      continue;
    }
    // Put back on the ray through where it was, the radial speed turned round, the tangential
    // speed kept, both slowed by the friction.
    EXPECT_FLOAT_EQ(p->GetPosition()->x, 200.0f);
    EXPECT_FLOAT_EQ(p->GetPosition()->y, 200.0f - c.placedAt);
    EXPECT_NEAR(p->GetSpeed()->x, 32.0f, 1e-3);
    EXPECT_NEAR(p->GetSpeed()->y, -0.8f * v, 1e-3);
  }
}

TEST_F(Fields, AShieldLeavesAnObjectThatWasAtItsCentreWhereItIs) {
  Kraftfeld* shield = Add(u"Schild");
  auto fromCentre = Moved(*shell, {200.0f, 200.0f}, {200.0f, 100.0f}, {0.0f, -10000.0f});
  shield->ApplyTo(*fromCentre);
  EXPECT_TRUE(std::isfinite(fromCentre->GetPosition()->x));
  EXPECT_EQ(*fromCentre->GetPosition(), Vector2(200.0f, 100.0f));
  auto toCentre = Moved(*shell, {200.0f, 100.0f}, {200.0f, 200.0f}, {0.0f, 10000.0f});
  shield->ApplyTo(*toCentre);
  EXPECT_EQ(*toCentre->GetPosition(), Vector2(200.0f, 200.0f));
  EXPECT_EQ(shield->GetHits(), 0);
}

TEST_F(Fields, FieldsEndByHitsRoundsAndTimeAndFadeWithTheHitsTaken) {
  auto* zone = dynamic_cast<KillKraftfeld*>(Add(u"Zone"));  // three hits
  Kraftfeld* shield = Add(u"Schild");                       // three rounds
  auto* clock = dynamic_cast<KillKraftfeld*>(Add(u"Uhr"));  // half a second, hit limit 0
  EXPECT_EQ(extras.FindLast(u"GLUEHEN")->GetUsers(), 1) << "the zone names the entry";
  EXPECT_EQ(clock->DrawAlpha(), 0) << "a hit limit of 0 draws the field transparent";
  EXPECT_EQ(dynamic_cast<KillKraftfeld*>(shield)->DrawAlpha(), 255) << "no hit limit: no fading";

  std::vector<int32_t> alphas{zone->DrawAlpha()};
  for (int i = 0; i < 3; ++i) {
    auto p = sim.Make(*shell, {230.0f, 200.0f});
    zone->ApplyTo(*p);
    alphas.push_back(zone->DrawAlpha());
  }
  EXPECT_EQ(alphas, (std::vector<int32_t>{255, 170, 85, 0}));
  ASSERT_EQ(fields.GetActive().size(), 3u);
  fields.Update(0.01);
  ASSERT_EQ(fields.GetActive().size(), 2u) << "gone at the first update after the third hit";
  EXPECT_EQ(extras.FindLast(u"GLUEHEN")->GetUsers(), 0);

  for (int i = 0; i < 48; ++i) fields.Update(0.01);
  EXPECT_EQ(fields.GetActive().size(), 2u);
  for (int i = 0; i < 3; ++i) fields.Update(0.01);
  ASSERT_EQ(fields.GetActive().size(), 1u) << "a timed field ends when its time is up";
  EXPECT_EQ(fields.GetActive()[0].get(), shield);

  fields.OnNewRound();
  fields.OnNewRound();
  fields.Update(0.01);
  EXPECT_EQ(fields.GetActive().size(), 1u);
  fields.OnNewRound();
  fields.Update(0.01);
  EXPECT_TRUE(fields.GetActive().empty());
}

TEST_F(Fields, ParticlesInFlightAreKilledOrTurnedBackByTheFieldsAroundThem) {
  Kraftfeld* shield = Add(u"Schild");
  Partikel* incoming = sim.Add(*shell, {50.0f, 200.0f}, {400.0f, 0.0f});
  Partikel* harmless = sim.Add(*leaf, {60.0f, 230.0f}, {400.0f, 0.0f});
  float closest = 1e9f;
  for (int i = 0; i < 80; ++i) {
    sim.list.Update();
    closest = std::min(closest, std::abs(incoming->GetPosition()->x - 200.0f));
  }
  EXPECT_GE(closest, 75.0f) << "never inside the shield";
  EXPECT_LT(incoming->GetSpeed()->x, 0.0f) << "turned back";
  EXPECT_GT(harmless->GetPosition()->x, 300.0f) << "leaves fly through";
  EXPECT_EQ(shield->GetHits(), 1);

  fields.Clear();
  const std::u16string zone = u"Zone";
  fields.Add(fields.CreateByName(&zone));
  // Asked by id: the particle itself is gone once deleted.
  const uint32_t doomed = sim.Add(*shell, {100.0f, 200.0f}, {400.0f, 0.0f})->GetId();
  for (int i = 0; i < 40 && sim.list.FindById(doomed); ++i) sim.list.Update();
  EXPECT_EQ(sim.list.FindById(doomed), nullptr) << "killed in the ring and deleted";
}

}  // namespace

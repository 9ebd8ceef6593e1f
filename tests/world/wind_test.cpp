// Winds: the three draws of each turn and the unit direction, the strength shown gliding over
// a second, the force on particles, selecting the wind in force, and the particles blown in
// along the top of the world, with the game generator's draws counted.
#include "world/wind.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "engine/kvnode.h"
#include "platform/random.h"
#include "support/kv_fixture.h"
#include "support/rand_ledger.h"
#include "world/windparticles.h"
#include "world/worldbounds.h"

namespace {

std::unique_ptr<Wind> MakeWind(std::u16string_view keys, const WindSources& sources = {}) {
  auto root = ParseBody(std::u16string(u"<WIND>") + std::u16string(keys) + u"<\\WIND>", u"WINDDATEN");
  return std::make_unique<Wind>(root->GetChild(0, u"WIND"), sources);
}

// Particle types by name (the pointers are only compared), and the particles added.
class RecordingParticles final : public WindParticleList {
 public:
  struct Added {
    const PartikelInfo* type;
    Vector2 position;
  };
  const PartikelInfo* FindInfo(const std::u16string& name) const override {
    asked.push_back(name);
    if (name == u"FLOCKE") return reinterpret_cast<const PartikelInfo*>(&m_flake);
    if (name == u"BLATT") return reinterpret_cast<const PartikelInfo*>(&m_leaf);
    return nullptr;
  }
  void Add(const PartikelInfo& type, const Vector2& position) override { added.push_back({&type, position}); }
  const PartikelInfo* Flake() const { return reinterpret_cast<const PartikelInfo*>(&m_flake); }
  const PartikelInfo* Leaf() const { return reinterpret_cast<const PartikelInfo*>(&m_leaf); }

  mutable std::vector<std::u16string> asked;
  std::vector<Added> added;

 private:
  int m_flake = 0, m_leaf = 0;
};

}  // namespace

TEST(Wind, ANewRoundDrawsDirectionThenStrength) {
  struct Case {
    const char16_t* keys;
    double factor;
    uint32_t seed;
  };
  const Case cases[] = {
      {u"", 1.0, 7},
      {u"<WINDSPEED> \"20\" \"150\" <\\WINDSPEED>", 1.0, 99},
      {u"<WINDSPEED> \"20\" \"150\" <\\WINDSPEED> <WINDSPEED_CONSTRAINTS> \"3\" \"0.5\" "
       u"<\\WINDSPEED_CONSTRAINTS>",
       0.5, 12345},
      {u"<WINDSPEED> \"10\" \"10\" <\\WINDSPEED>", 2.0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    auto wind = MakeWind(c.keys);
    platform::SRand(c.seed);
    RandLedger ledger;
    wind->NewRound(c.factor);
    EXPECT_EQ(ledger.Draws(), 3);

    // The same three draws, worked out here: x and y in single precision, then one length.
    ReferenceRand r(c.seed);
    const Vector2 spread = wind->GetSpread(), range = wind->GetStrengthRange();
    const float x = float((r.NextFraction() - 0.5) * spread.x);
    const float y = float((r.NextFraction() - 0.5) * spread.y);
    const float length = std::sqrt(x * x + y * y);
    const double strength = c.factor * (r.NextFraction() * double(range.y - range.x) + range.x);
    EXPECT_FLOAT_EQ(wind->GetDirection().x, x / length);
    EXPECT_FLOAT_EQ(wind->GetDirection().y, y / length);
    EXPECT_NEAR(wind->GetDirection().Length(), 1.0f, 1e-6f);
    EXPECT_DOUBLE_EQ(wind->GetStrength(), strength);
    EXPECT_DOUBLE_EQ(wind->GetSignedTarget(), x < 0.0f ? -strength : strength);
  }
}

TEST(Wind, TheDirectionFollowsTheSpread) {
  struct Case {
    const char16_t* spread;
    int firstDraw;  // the draw for x
    float x;
    bool yFromSecondDraw;  // else y is 0
  };
  const Case cases[] = {
      {u"\"1\" \"0\"", 30000, 1, false},
      {u"\"1\" \"0\"", 100, -1, false},
      {u"\"0\" \"1\"", 30000, 0, true},
      // No spread at all blows no wind, its strength drawn all the same.
      {u"\"0\" \"0\"", 100, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.firstDraw << " " << c.x);
    auto wind = MakeWind(std::u16string(u"<WINDSPEED_CONSTRAINTS> ") + c.spread +
                         u" <\\WINDSPEED_CONSTRAINTS> <WINDSPEED> \"100\" \"100\" <\\WINDSPEED>");
    SeedSoNextRandIs(c.firstDraw);
    ReferenceRand peek(platform::RandState());
    peek.Next();
    const float y = c.yFromSecondDraw ? (peek.NextFraction() < 0.5 ? -1.0f : 1.0f) : 0.0f;
    wind->NewRound(1.0);
    EXPECT_EQ(wind->GetDirection(), Vector2(c.x, y));
    EXPECT_EQ(wind->GetStrength(), 100.0);
    // The signed strength follows x alone.
    EXPECT_EQ(wind->GetSignedTarget(), c.x < 0 ? -100.0 : 100.0);
    EXPECT_EQ(wind->ForceOnParticle({0, 0}), Vector2(c.x, y) * 100.0f);
  }
}

TEST(Wind, TheShownStrengthRisesFromNothingWithinASecond) {
  auto wind = MakeWind(
      u"<WINDSPEED> \"100\" \"200\" <\\WINDSPEED> <WINDSPEED_CONSTRAINTS> \"1\" \"0\" "
      u"<\\WINDSPEED_CONSTRAINTS>");
  // A wind just read shows nothing until its first turn.
  EXPECT_EQ(wind->GetStrengthRatio(), 0.0);
  for (int turn = 0; turn < 3; ++turn) {
    SCOPED_TRACE(turn);
    platform::SRand(uint32_t(turn * 17 + 5));
    wind->NewRound(1.0);
    const double ratio = wind->GetSignedTarget() / 200.0;
    // Each turn starts again from 0, not from what the last turn showed.
    EXPECT_EQ(wind->GetStrengthRatio(), 0.0);
    const struct { double dt, fraction; } steps[] = {{0.25, 0.25}, {0.25, 0.5}, {0.5, 1.0}, {0.5, 1.0}};
    for (const auto& s : steps) {
      wind->Update(s.dt);
      EXPECT_DOUBLE_EQ(wind->GetStrengthRatio(), ratio * s.fraction);
    }
  }
  // A range whose maximum is 0 shows 0 rather than dividing by it.
  auto calm = MakeWind(u"<WINDSPEED> \"-10\" \"0\" <\\WINDSPEED>");
  calm->NewRound(1.0);
  calm->Update(1.0);
  EXPECT_NE(calm->GetStrength(), 0.0);
  EXPECT_EQ(calm->GetStrengthRatio(), 0.0);
}

TEST(Wind, TheForceIsDirectionTimesStrengthTimesFactorAnywhere) {
  auto wind = MakeWind(u"<WINDSPEED> \"30\" \"90\" <\\WINDSPEED>");
  platform::SRand(42);
  wind->NewRound(1.0);
  const Vector2 d = wind->GetDirection();
  const float s = float(wind->GetStrength());
  const struct {
    double factor;
    Vector2 position;
  } cases[] = {{1.0, {0, 0}}, {1.0, {-5000, 12}}, {0.5, {3, 3}}, {2.5, {3, 3}}, {0.0, {100, 100}}};
  for (const auto& c : cases) {
    wind->SetWindFactor(c.factor);
    const Vector2 force = wind->ForceOnParticle(c.position);
    EXPECT_EQ(force, d * s * float(c.factor)) << c.factor;
  }
  // A factor of 0 stills the force, not the display.
  wind->Update(1.0);
  EXPECT_NE(wind->GetStrengthRatio(), 0.0);
  EXPECT_EQ(wind->ForceOnParticle({0, 0}), Vector2(0, 0));
}

TEST(Wind, TheManagerPutsTheLastWindOfANameInForceAndDrawsNothingForIt) {
  platform::SRand(1);
  RandLedger ledger;
  WindManager manager;
  EXPECT_EQ(ledger.Draws(), 3);
  EXPECT_EQ(manager.GetCurrentWind(), &manager);
  EXPECT_EQ(manager.GetName(), u"DEFAULT");
  EXPECT_EQ(manager.GetStrengthRange(), Vector2(0, 400));
  EXPECT_EQ(manager.GetSpread(), Vector2(1, 1));

  manager.Load(
      ParseBody(u"<WIND> <NAME> \"BRISE\" <\\NAME> <WINDSPEED> \"0\" \"50\" <\\WINDSPEED> <\\WIND>"
                u"<WIND> <NAME> \"STURM\" <\\NAME> <WINDSPEED> \"150\" \"400\" <\\WINDSPEED> <\\WIND>"
                u"<WIND> <NAME> \"BRISE\" <\\NAME> <WINDSPEED> \"5\" \"60\" <\\WINDSPEED> <\\WIND>"
                u"<WIND> <\\WIND>",
                u"WINDDATEN")
          .get());
  manager.Load(nullptr);
  // Each wind draws its first turn as it is built.
  EXPECT_EQ(ledger.Draws(), 15);
  ASSERT_EQ(manager.GetWinds().size(), 4u);
  EXPECT_EQ(manager.GetWinds()[3]->GetName(), u"DEFAULT");

  struct Case {
    const char16_t* name;  // null: none
    const Wind* expected;
  };
  const Case cases[] = {
      {u"BRISE", manager.GetWinds()[2].get()},
      {u"STURM", manager.GetWinds()[1].get()},
      {u"brise", &manager},
      {nullptr, &manager},
      {u"DEFAULT", manager.GetWinds()[3].get()},
  };
  for (const Case& c : cases) {
    ledger.Mark();
    const std::u16string name = c.name ? c.name : u"";
    manager.SelectByName(c.name ? &name : nullptr);
    EXPECT_EQ(manager.GetCurrentWind(), c.expected);
    EXPECT_EQ(ledger.Draws(), 0);
  }

  // The manager's turns and updates go to the wind in force; the default wind keeps its own.
  const std::u16string storm = u"STURM";
  manager.SelectByName(&storm);
  const double ownStrength = manager.GetStrength();
  Wind& inForce = *manager.GetCurrentWind();
  manager.NewRound(1.0);
  EXPECT_GE(inForce.GetStrength(), 150.0);
  EXPECT_LE(inForce.GetStrength(), 400.0);
  EXPECT_EQ(manager.GetStrength(), ownStrength);
  manager.Update(1.0);
  EXPECT_DOUBLE_EQ(inForce.GetStrengthRatio(), inForce.GetSignedTarget() / 400.0);
  EXPECT_EQ(manager.GetShownStrength().GetElapsed(), 0.0);
}

TEST(Wind, ParticlesAreBlownInAlongTheTopAtTheirRate) {
  RecordingParticles particles;
  FixedWorldBounds world{Rect{-300, -100, 700, 500}};
  auto wind = MakeWind(
      u"<PARTIKEL_INFOS> \"FLOCKE\" \"BLATT\" \"UNBEKANNT\" <\\PARTIKEL_INFOS>"
      u"<PARTIKEL_INFOS_PROP> \"1\" \"2\" <\\PARTIKEL_INFOS_PROP> <PARTIKEL_SPEED> \"2\" "
      u"<\\PARTIKEL_SPEED>",
      {&particles, &world});
  EXPECT_EQ(wind->GetParticleWeights(), (std::vector<double>{0.25, 0.75, 1.0}));

  // One particle each time the wait exceeds half a second (reaching it is not enough); a long
  // frame makes up several.
  const struct {
    double dt;
    int due;
  } steps[] = {{0.25, 0}, {0.25, 0}, {0.125, 1}, {0.25, 0}, {0.25, 1}, {1.5, 3}, {0.0, 0}, {4.0, 8}};
  platform::SRand(2024);
  std::set<const PartikelInfo*> seen;
  for (const auto& s : steps) {
    SCOPED_TRACE(s.dt);
    // What the particles due must be: a weight draw each, and for a known type an x draw.
    ReferenceRand reference(platform::RandState());
    std::vector<RecordingParticles::Added> expected;
    int draws = 0;
    for (int i = 0; i < s.due; ++i) {
      const double u = reference.NextFraction();
      ++draws;
      const PartikelInfo* type = u <= 0.25 ? particles.Flake() : u <= 0.75 ? particles.Leaf() : nullptr;
      seen.insert(type);
      if (!type) continue;
      ++draws;
      expected.push_back({type, Vector2(float(-300 + reference.NextFraction() * 1000.0), -100.0f)});
    }
    particles.added.clear();
    RandLedger ledger;
    wind->Update(s.dt);
    EXPECT_EQ(ledger.Draws(), draws);
    ASSERT_EQ(particles.added.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(particles.added[i].type, expected[i].type);
      EXPECT_EQ(particles.added[i].position, expected[i].position);
    }
  }
  // The run met both known types and the unknown one.
  EXPECT_EQ(seen.size(), 3u);
}

TEST(Wind, WithoutSpawningTheOnlyDrawsAreTheWeightPicks) {
  RecordingParticles particles;
  FixedWorldBounds world{Rect{0, 0, 100, 100}};
  struct Case {
    const char16_t* keys;
    WindParticleList* list;
    double dt;
    int draws;
    double clock;  // left afterwards
  };
  NoWindParticles none;
  const Case cases[] = {
      // No rate: nothing is gathered and nothing drawn.
      {u"<PARTIKEL_INFOS> \"FLOCKE\" <\\PARTIKEL_INFOS>", &particles, 5.0, 0, 0.0},
      {u"<PARTIKEL_INFOS> \"FLOCKE\" <\\PARTIKEL_INFOS> <PARTIKEL_SPEED> \"-1\" <\\PARTIKEL_SPEED>",
       &particles, 5.0, 0, 0.0},
      // An unknown type spends its turn without the position draw.
      {u"<PARTIKEL_INFOS> \"UNBEKANNT\" <\\PARTIKEL_INFOS> <PARTIKEL_SPEED> \"4\" <\\PARTIKEL_SPEED>",
       &particles, 1.1, 4, 0.1},
      // The stand-in particle list knows no types; so does a missing one.
      {u"<PARTIKEL_INFOS> \"FLOCKE\" <\\PARTIKEL_INFOS> <PARTIKEL_SPEED> \"4\" <\\PARTIKEL_SPEED>", &none,
       1.1, 4, 0.1},
      {u"<PARTIKEL_INFOS> \"FLOCKE\" <\\PARTIKEL_INFOS> <PARTIKEL_SPEED> \"4\" <\\PARTIKEL_SPEED>", nullptr,
       1.1, 4, 0.1},
      // An absurd rate stops after the most a frame may attempt and drops the rest.
      {u"<PARTIKEL_INFOS> \"UNBEKANNT\" <\\PARTIKEL_INFOS> <PARTIKEL_SPEED> \"1e300\" <\\PARTIKEL_SPEED>",
       &particles, 1.0, Wind::kMaxSpawnsPerUpdate, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.draws);
    auto wind = MakeWind(c.keys, {c.list, &world});
    particles.added.clear();
    RandLedger ledger;
    wind->Update(c.dt);
    EXPECT_EQ(ledger.Draws(), c.draws);
    EXPECT_NEAR(wind->GetSpawnClock(), c.clock, 1e-9);
    EXPECT_TRUE(particles.added.empty());
  }
}

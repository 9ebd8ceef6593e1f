// The shell and charge weapons fired from a worm standing on a small ASCII-art world, stepped
// 0.01 s at a time: where the rocket lands, the grenade's bounces and fuse, the rifle's two
// shots, the homing missile's turn, the dynamite's and the mine's timers and the mine's
// trigger distance. Events are recorded, and "Boom" kills its target as an explosion would.
#include "battle/waffen_geschosse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "battle/waffenset.h"
#include "battle/weapon_world.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/camerajoblist.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "platform/text.h"
#include "support/kv_fixture.h"
#include "support/temp_dir.h"
#include "support/user_folder.h"
#include "world/terrain_art.h"
#include "world/welt.h"

namespace {

Mannschaft* const kTeam = reinterpret_cast<Mannschaft*>(0x10);

struct OneTeam final : WaffenTeams {
  Mannschaft* TeamOf(const Objekt&) const override { return kTeam; }
  Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
  int32_t RoundNumber() const override { return 1; }
};

// A worm as the weapons see it: something standing still in the worm manager.
struct StandIn : Partikel {
  explicit StandIn(Vector2 at) : Partikel(nullptr, &at, &kStill, 0xFFFFFFFF, 0) {}
  static constexpr Vector2 kStill{0.0f, 0.0f};
};

using Log = weapon_test::EventLog;

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    context.timer = std::make_unique<FrameTimer>();
    context.timer->gameStep = context.timer->realStep = 0.01;
    context.language = std::make_unique<Sprache>(nullptr);
    {
      std::ofstream out(dir.Path() / "texte.lng", std::ios::binary);
      out << "<>\n \t<\\>\n<SPRACHDATEI><SPRACHEN> \"DEUTSCH\" \"ENGLISCH\" <\\SPRACHEN><TEXTE>";
      for (const char* key : {"W", "BAZOOKA_BESCHREIBUNG", "SHOTS_LEFT", "HOMING_BESCHREIBUNG",
                              "AUFSCHALTZEIT", "SEKUNDEN", "TIMER", "MINE_BESCHREIBUNG"})
        out << "<" << key << "> \"-\" \"" << key << "\" <\\" << key << ">";
      out << "<DYNAMIT_R\xDC"
             "CKZUG> \"-\" \"RUN\" <\\DYNAMIT_R\xDC"
             "CKZUG>";
      out << "<MINE_R\xDC"
             "CKZUG> \"-\" \"AWAY\" <\\MINE_R\xDC"
             "CKZUG>";
      out << "<\\TEXTE><\\SPRACHDATEI>";
    }
    context.language->LoadFile(dir.File("texte.lng"));
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    auto land = terrain_test::ArtStore(weapon_test::GroundAndWall());
    const Rect r = land->GetRect();
    auto world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    globals->SetWelt(std::move(world));
    globals->GetSimServices().events = &log;
    WaffenTeams::Install(&teams);
    auto worm = std::make_unique<StandIn>(Vector2(50.0f, 149.0f));
    shooter = worm.get();
    globals->GetWormManager()->AddWorm(std::move(worm));
    // Shells fly straight unless their test says otherwise; everything dies on leaving the
    // world.
    Type(
        u"<NAME> \"SHELL\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION> <COLLISION_EBENE> \"1\" "
        u"<\\COLLISION_EBENE>"
        u"<DEATH_PARAM> <TYP> \"WORLD\" <\\TYP> <\\DEATH_PARAM>"
        u"<EVENT_COLLIDE> \"Boom\" <\\EVENT_COLLIDE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    Type(
        u"<NAME> \"BOUNCER\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"<REIBUNG_COLLISION> \"0.3\" \"0\" <\\REIBUNG_COLLISION> <DEATH_PARAM> <TYP> \"WORLD\" <\\TYP> "
        u"<\\DEATH_PARAM>"
        u"<EVENT_COLLIDE> \"Bounce\" <\\EVENT_COLLIDE> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    Type(
        u"<NAME> \"CHARGE\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"<REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    platform::SRand(7);
  }
  void TearDown() override {
    weapon.reset();
    globals->GetPartikelListe()->Clear();
    WaffenTeams::Install(nullptr);
    globals.reset();
  }
  void Type(std::u16string_view keys) {
    auto root = ParseBody(std::u16string(u"<PARTIKEL_INFO>") + std::u16string(keys) + u"<\\PARTIKEL_INFO>");
    globals->GetPartikelListe()->AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"PARTIKEL_INFO")));
  }
  template <class W>
  W& Make(const char16_t* keyword, std::u16string_view keys) {
    auto root = ParseBody(keys, keyword);
    weapon = WaffenSet::Create(keyword, root.get(), globals.get(), &context);
    weapon->AddTeamRecord(kTeam);
    W* typed = dynamic_cast<W*>(weapon.get());
    EXPECT_NE(typed, nullptr);
    EXPECT_TRUE(weapon->IsUsable());
    return *typed;
  }
  int32_t Fire(Vector2 at, Vector2 direction, double strength, Vector2 target = {0.0f, 0.0f}) {
    return weapon->Fire(*shooter, at, direction, strength, target);
  }
  // One battle frame: the weapons, then the particles (as the level steps them).
  void Frame() {
    ++log.frame;
    weapon->Update(0.01);
    globals->GetPartikelListe()->Update();
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  // A worm of a playing team standing at the point: what a mine watches for.
  Worm* PlayingWorm(Vector2 at) {
    WormManager& manager = *globals->GetWormManager();
    auto worm = std::make_unique<Worm>(nullptr, nullptr, globals.get());
    Worm* raw = worm.get();
    manager.AddWorm(std::move(worm));
    raw->SetTeam(&playing);
    playing.ResetForGame();
    playing.AddWormToPlayOrder(raw, nullptr, nullptr);
    *raw->GetPosition() = at;
    manager.ClearSelection();
    manager.AddTeamToGame(&playing);
    return raw;
  }
  Partikel* Shell() const {
    const auto& list = globals->GetPartikelListe()->MainList();
    return list.empty() ? nullptr : list.back().get();
  }

  UserFolder folder;
  TempDir dir;
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
  OneTeam teams;
  Log log;
  StandIn* shooter = nullptr;
  Mannschaft playing;
  std::unique_ptr<Waffe> weapon;
};

TEST_F(ShellTest, BazookaRocketFliesToTheWallAndOneFliesAtATime) {
  auto& bazooka =
      Make<Bazooka>(u"BAZOOKA",
                    u"<PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <MAX_STRENGTH> \"400\" <\\MAX_STRENGTH>"
                    u"<USES_PER_ROUND> \"2\" <\\USES_PER_ROUND>");
  EXPECT_TRUE(bazooka.Charges());
  EXPECT_EQ(bazooka.GetStrength(), 400.0);
  ASSERT_EQ(Fire({60.0f, 100.0f}, {2.0f, 0.0f}, 0.5), 1);
  Partikel* rocket = Shell();
  ASSERT_NE(rocket, nullptr);
  EXPECT_EQ(*rocket->GetSpeed(), Vector2(200.0f, 0.0f));  // normalised, times 400 x 0.5
  ASSERT_EQ(rocket->GetCollisionIgnores().size(), 1u);
  EXPECT_EQ(rocket->GetCollisionIgnores()[0].object, shooter);
  EXPECT_EQ(rocket->GetCollisionIgnores()[0].seconds, 0.5);
  EXPECT_EQ(globals->GetCameraJobs()->Jobs().size(), 1u) << "the turn waits for the rocket";
  EXPECT_EQ(bazooka.GetUsesThisTurn(), 1);
  // While it flies no second rocket leaves.
  EXPECT_FALSE(bazooka.CanFireNow());
  EXPECT_EQ(Fire({60.0f, 100.0f}, {1.0f, 0.0f}, 1.0), 0);

  Frames(200);
  const auto hits = log.Named(u"Boom");
  ASSERT_EQ(hits.size(), 1u);
  // 240 px at 200 px/s: the wall's face at x = 300 after about 1.2 s.
  EXPECT_NEAR(hits[0].at.x, 299.0f, 1.5f);
  EXPECT_NEAR(hits[0].at.y, 100.0f, 0.5f);
  EXPECT_NEAR(hits[0].frame, 120, 2);
  EXPECT_EQ(log.Named(u"Blast").size(), 1u) << "the kill event goes off once";
  EXPECT_TRUE(globals->GetPartikelListe()->MainList().empty());
  EXPECT_TRUE(bazooka.CanFireNow());
  EXPECT_EQ(Fire({60.0f, 100.0f}, {1.0f, 0.0f}, 1.0), 1);
}

TEST_F(ShellTest, GrenadeBouncesAndItsFuseEndsIt) {
  auto& grenade = Make<Granate>(u"GRANATE",
                                u"<PARTIKELINFO> \"BOUNCER\" <\\PARTIKELINFO> <MAX_TIMER> \"4\" <\\MAX_TIMER>"
                                u"<USES_PER_ROUND> \"2\" <\\USES_PER_ROUND>");
  EXPECT_EQ(grenade.GetFuse(), 4.0) << "a fuse never starts longer than the longest";
  grenade.Arm(9.0);
  EXPECT_EQ(grenade.GetFuse(), 4.0);
  grenade.Arm(3.0);
  EXPECT_EQ(grenade.GetFuse(), 3.0);
  EXPECT_EQ(grenade.GetStateByte(), 1);

  ASSERT_EQ(Fire({60.0f, 140.0f}, {1.0f, -1.0f}, 0.4), 1);
  EXPECT_TRUE(grenade.IsActive());
  EXPECT_FALSE(grenade.IsExhausted());
  EXPECT_FALSE(grenade.CanFire(*shooter)) << "uses left, but one grenade flies at a time";
  const uint32_t id = Shell()->GetId();
  Frames(299);
  EXPECT_TRUE(log.Named(u"Blast").empty());
  EXPECT_GE(log.Named(u"Bounce").size(), 2u) << "it bounces on the ground before the fuse ends";
  Frames(2);
  const auto blasts = log.Named(u"Blast");
  ASSERT_EQ(blasts.size(), 1u);
  EXPECT_EQ(blasts[0].id, id);
  EXPECT_NEAR(blasts[0].frame, 300, 1);
  EXPECT_LT(blasts[0].at.y, 150.0f) << "above the ground";
  EXPECT_GT(blasts[0].at.x, 60.0f);
  EXPECT_FALSE(grenade.IsActive());
}

TEST_F(ShellTest, GrenadeWithoutTimerLivesOnAndShowsNoFuse) {
  auto& grenade = Make<Granate>(
      u"GRANATE", u"<PARTIKELINFO> \"BOUNCER\" <\\PARTIKELINFO> <USE_TIMER> \"0\" <\\USE_TIMER>");
  ASSERT_EQ(Fire({60.0f, 140.0f}, {1.0f, 0.0f}, 0.2), 1);
  Frames(700);
  EXPECT_TRUE(log.Named(u"Blast").empty());
  EXPECT_TRUE(grenade.IsActive());
  // Gone by other means: the weapon notices.
  Shell()->Kill(nullptr, 0);
  Frames(2);
  EXPECT_FALSE(grenade.IsActive());
}

TEST_F(ShellTest, RifleFiresTwoBulletsAtFullSpeed) {
  auto& rifle =
      Make<Gewehr>(u"GEWEHR",
                   u"<PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <MAX_STRENGTH> \"1500\" <\\MAX_STRENGTH>"
                   u"<USES_PER_ROUND> \"2\" <\\USES_PER_ROUND> <USES_PER_GAME> \"-1\" <\\USES_PER_GAME>");
  EXPECT_FALSE(rifle.Charges());
  ASSERT_EQ(Fire({60.0f, 100.0f}, {1.0f, 0.0f}, 0.1), 1);
  EXPECT_EQ(*Shell()->GetSpeed(), Vector2(1500.0f, 0.0f)) << "whatever the charge";
  EXPECT_FALSE(rifle.CanFire(*shooter)) << "the first bullet still flies";
  Frames(20);
  ASSERT_EQ(log.Named(u"Boom").size(), 1u);
  EXPECT_EQ(Fire({60.0f, 120.0f}, {1.0f, 0.0f}, 0.1), 1);
  Frames(20);
  EXPECT_EQ(log.Named(u"Boom").size(), 2u);
  EXPECT_NEAR(log.Named(u"Boom")[1].at.y, 120.0f, 0.5f);
  EXPECT_TRUE(rifle.IsExhausted());
  EXPECT_EQ(Fire({60.0f, 100.0f}, {1.0f, 0.0f}, 1.0), 0);
  rifle.NewTurn();
  EXPECT_EQ(Fire({60.0f, 100.0f}, {1.0f, 0.0f}, 1.0), 1);
}

TEST_F(ShellTest, HomingMissileTurnsTowardsItsTargetNoFasterThanItsRate) {
  auto& missile = Make<HomingMissle>(
      u"HOMINGMISSLE",
      u"<PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <MAX_STRENGTH> \"40\" <\\MAX_STRENGTH>"
      u"<WINKEL_SPEED> \"90\" <\\WINKEL_SPEED> <FLUG_SPEED> \"60\" <\\FLUG_SPEED>"
      u"<FLUG_BESCHLEUNIGUNG> \"100\" <\\FLUG_BESCHLEUNIGUNG> <MAX_FLUG_ZEIT> \"5\" <\\MAX_FLUG_ZEIT>");
  EXPECT_TRUE(missile.NeedsTarget());
  EXPECT_TRUE(missile.HasSetting());
  EXPECT_EQ(missile.GetStrength(), 0.0);
  missile.Arm(0.0);  // homes from the first frame
  // Flying right, the target straight behind it.
  ASSERT_EQ(Fire({150.0f, 40.0f}, {1.0f, 0.0f}, 1.0, {20.0f, 40.0f}), 1);
  EXPECT_EQ(missile.GetFlightSpeed(), 40.0);
  Partikel* shell = Shell();
  double previous = 0.0;
  for (int i = 0; i < 150; ++i) {
    Frame();
    ASSERT_EQ(Shell(), shell);
    const Vector2 v = *shell->GetSpeed();
    ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y));
    const double heading = std::atan2(double(v.y), double(v.x)) * 180.0 / 3.14159265358979;
    const double turned = std::fabs(std::remainder(heading - previous, 360.0));
    EXPECT_LE(turned, 0.9 + 1e-3) << "frame " << i;
    previous = heading;
  }
  EXPECT_NEAR(missile.GetFlightSpeed(), 60.0, 1e-9) << "accelerated to its top speed";
  // After 1.5 s at 90 degrees a second it has turned 135 degrees.
  EXPECT_NEAR(std::fabs(previous), 135.0, 1.0);
}

TEST_F(ShellTest, HomingMissileCoastsBeforeItsLockAndOnItsTarget) {
  auto& missile = Make<HomingMissle>(u"HOMINGMISSLE",
                                     u"<PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO>"
                                     u"<TIME_TO_AUFSCHALTUNG> \"0.5\" <\\TIME_TO_AUFSCHALTUNG>"
                                     u"<USES_PER_GAME> \"-1\" <\\USES_PER_GAME>");
  ASSERT_EQ(Fire({150.0f, 60.0f}, {0.0f, -1.0f}, 0.2, {150.0f, 100.0f}), 1);
  Partikel* shell = Shell();
  Frames(49);
  EXPECT_EQ(*shell->GetSpeed(), Vector2(0.0f, -100.0f)) << "no steering before the lock";
  Frames(10);
  EXPECT_NE(shell->GetSpeed()->x, 0.0f) << "turning back down to the target";

  // Homing from the first frame at a target on its own starting point: no direction to
  // turn to, and no speed of NaN.
  missile.NewTurn();
  missile.Arm(0.0);
  ASSERT_EQ(Fire({100.0f, 60.0f}, {0.0f, -1.0f}, 0.2, {100.0f, 60.0f}), 1);
  Frame();
  EXPECT_TRUE(std::isfinite(Shell()->GetSpeed()->x) && std::isfinite(Shell()->GetSpeed()->y));
}

TEST(FuseTicks, EveryWholeSecondThenFiveTimesInTheLast) {
  // Five seconds burnt down 0.01 s at a time, as a charge does.
  std::vector<int> frames;
  double burnt = 0.0;
  for (int frame = 1; frame <= 500; ++frame) {
    const double before = 5.0 - burnt;
    burnt += 0.01;
    if (Waffe::FuseTickDue(before, 5.0 - burnt)) frames.push_back(frame);
  }
  // As it is lit (the whole seconds go from 5 to 4), at 4, 3, 2 and 1 s left, then at 0.8,
  // 0.6, 0.4 and 0.2 s left.
  const std::vector<int> expected = {1, 100, 200, 300, 400, 420, 440, 460, 480};
  ASSERT_EQ(frames.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(frames[i], expected[i], 1) << i;
  struct Case {
    double before, after;
    bool tick;
  } cases[] = {{4.005, 3.995, true}, {3.5, 3.49, false},   {0.805, 0.795, true},
               {0.85, 0.81, false},  {1.005, 0.995, true}, {0.005, -0.005, false}};
  for (const Case& c : cases) EXPECT_EQ(Waffe::FuseTickDue(c.before, c.after), c.tick) << c.before;
}

TEST_F(ShellTest, DynamiteBurnsItsFuseWhileTheWormMayWalkAway) {
  auto& dynamite = Make<Dynamit>(
      u"DYNAMIT", u"<PARTIKELINFO> \"CHARGE\" <\\PARTIKELINFO> <MAX_TIMER> \"5\" <\\MAX_TIMER>");
  ASSERT_EQ(Fire({50.0f, 140.0f}, {1.0f, 0.0f}, 1.0), 1);
  EXPECT_TRUE(dynamite.IsActive());
  EXPECT_TRUE(dynamite.IsExhausted());
  EXPECT_TRUE(dynamite.CanFireNow()) << "the worm may still move";
  EXPECT_EQ(Fire({50.0f, 140.0f}, {1.0f, 0.0f}, 1.0), 0);
  EXPECT_TRUE(Shell()->GetCollisionIgnores().empty());
  Frames(499);
  EXPECT_TRUE(log.Named(u"Blast").empty());
  EXPECT_NEAR(Shell()->GetPosition()->y, 149.0f, 1.5f) << "it dropped to the ground";
  Frames(2);
  ASSERT_EQ(log.Named(u"Blast").size(), 1u);
  EXPECT_NEAR(log.Named(u"Blast")[0].frame, 500, 1);
  EXPECT_FALSE(dynamite.IsActive());
  EXPECT_FALSE(dynamite.CanFireNow());
}

TEST_F(ShellTest, MineArmsThenATouchLightsItsFuse) {
  auto& mine =
      Make<Mine>(u"MINE",
                 u"<PARTIKELINFO> \"CHARGE\" <\\PARTIKELINFO> <TIMER> \"2\" \"1\" <\\TIMER>"
                 u"<AUFSCHALT_TIME> \"2\" <\\AUFSCHALT_TIME> <AUFSCHALT_DIST> \"60\" <\\AUFSCHALT_DIST>");
  // Laid right at the shooter's feet, where a worm of the game stands.
  PlayingWorm(*shooter->GetPosition());
  ASSERT_EQ(Fire({50.0f, 145.0f}, {1.0f, 0.0f}, 1.0), 1);
  ASSERT_EQ(mine.GetMines().size(), 1u);
  const double fuse = mine.GetMines()[0].fuse;
  EXPECT_GE(fuse, 2.0);
  EXPECT_LE(fuse, 3.0);
  EXPECT_TRUE(mine.CanFireNow());
  EXPECT_FALSE(mine.IsExhausted()) << "inside its first three seconds";
  Frames(150);
  EXPECT_FALSE(mine.GetMines()[0].triggered) << "not during its arming time";
  EXPECT_TRUE(mine.IsActive());
  Frames(60);
  EXPECT_FALSE(mine.IsActive());
  EXPECT_TRUE(mine.GetMines()[0].triggered) << "the worm stood within reach";
  Frames(int(fuse * 100.0) + 2);
  EXPECT_EQ(log.Named(u"Blast").size(), 1u);
  EXPECT_TRUE(mine.GetMines().empty());
}

TEST_F(ShellTest, MineTriggersOnlyNearerThanItsDistance) {
  auto& mine = Make<Mine>(u"MINE",
                          u"<PARTIKELINFO> \"CHARGE\" <\\PARTIKELINFO> <TIMER> \"3\" <\\TIMER>"
                          u"<AUFSCHALT_DIST> \"60\" <\\AUFSCHALT_DIST>");
  Worm* walker = PlayingWorm({250.0f, 149.0f});  // far away while it settles and arms
  ASSERT_EQ(Fire({110.0f, 149.0f}, {1.0f, 0.0f}, 1.0), 1);
  EXPECT_EQ(mine.GetMines()[0].fuse, 3.0) << "no spread: exactly the base";
  shooter->GetPosition()->x = 250.0f;  // the shooter is no worm of the game
  Frames(300);
  *shooter->GetPosition() = *Shell()->GetPosition();
  Frame();
  EXPECT_FALSE(mine.GetMines()[0].triggered) << "only worms of the game set it off";
  // Then exactly 60 away from where it lies.
  const Vector2 at = *Shell()->GetPosition();
  *walker->GetPosition() = at - Vector2(60.0f, 0.0f);
  Frame();
  EXPECT_FALSE(mine.GetMines()[0].triggered);
  walker->GetPosition()->x += 0.5f;  // a step nearer
  Frame();
  EXPECT_TRUE(mine.GetMines()[0].triggered);
  // A new game forgets the mines; they stay in the world.
  mine.ResetForGame();
  EXPECT_TRUE(mine.GetMines().empty());
  EXPECT_NE(Shell(), nullptr);
}

TEST_F(ShellTest, DescriptionPanels) {
  // Each weapon made from a block and asked with and without details; the text id "W"
  // names every weapon.
  struct Case {
    const char16_t* keyword;
    const char16_t* keys;
    const char16_t* plain;
    const char16_t* details;
  } cases[] = {
      {u"BAZOOKA", u"", u"W", u"W\nBAZOOKA_BESCHREIBUNG"},
      {u"GEWEHR", u"<USES_PER_ROUND> \"3\" <\\USES_PER_ROUND>", u"W", u"W\nSHOTS_LEFT 3"},
      {u"GEWEHR", u"", u"W", u"W"},  // one shot a turn: no shots-left line
      {u"HOMINGMISSLE", u"<TIME_TO_AUFSCHALTUNG> \"2.7\" <\\TIME_TO_AUFSCHALTUNG>", u"W",
       u"W\nHOMING_BESCHREIBUNG\nAUFSCHALTZEIT 2 SEKUNDEN"},
      {u"GRANATE", u"<MAX_TIMER> \"3\" <\\MAX_TIMER>", u"W", u"W\nTIMER 3 SEKUNDEN"},
      {u"GRANATE", u"<USE_TIMER> \"0\" <\\USE_TIMER>", u"W", u"W"},
      {u"DYNAMIT", u"", u"W\n", u"W\nTIMER 5 SEKUNDEN"},
      {u"MINE", u"", u"W\n", u"W\nMINE_BESCHREIBUNG"},
  };
  for (const Case& c : cases) {
    auto root = ParseBody(std::u16string(u"<TEXT_ID> \"W\" <\\TEXT_ID>") + c.keys, c.keyword);
    auto w = WaffenSet::Create(c.keyword, root.get(), globals.get(), &context);
    EXPECT_EQ(w->DescriptionText(false), c.plain) << platform::U16ToUtf8(c.keyword);
    EXPECT_EQ(w->DescriptionText(true), c.details) << platform::U16ToUtf8(c.keyword);
  }
  // While they work: a flying shell shows nothing, a burning charge or an arming mine the
  // retreat hint.
  auto& dynamite =
      Make<Dynamit>(u"DYNAMIT", u"<TEXT_ID> \"W\" <\\TEXT_ID> <PARTIKELINFO> \"CHARGE\" <\\PARTIKELINFO>");
  ASSERT_EQ(Fire({50.0f, 140.0f}, {1.0f, 0.0f}, 1.0), 1);
  EXPECT_EQ(dynamite.DescriptionText(true), u"W\nRUN");
  auto& mine = Make<Mine>(u"MINE", u"<TEXT_ID> \"W\" <\\TEXT_ID> <PARTIKELINFO> \"CHARGE\" <\\PARTIKELINFO>");
  ASSERT_EQ(Fire({50.0f, 140.0f}, {1.0f, 0.0f}, 1.0), 1);
  EXPECT_EQ(mine.DescriptionText(true), u"W\nAWAY");
  auto& grenade =
      Make<Granate>(u"GRANATE", u"<TEXT_ID> \"W\" <\\TEXT_ID> <PARTIKELINFO> \"BOUNCER\" <\\PARTIKELINFO>");
  ASSERT_EQ(Fire({50.0f, 100.0f}, {1.0f, 0.0f}, 1.0), 1);
  EXPECT_FALSE(grenade.DescriptionText(true).has_value());
}

TEST_F(ShellTest, NegativeValuesCountAsNothing) {
  auto make = [&](const char16_t* keyword, const char16_t* keys) {
    return WaffenSet::Create(keyword, ParseBody(keys, keyword).get(), globals.get(), &context);
  };
  auto grenade = make(u"GRANATE", u"<MAX_TIMER> \"-3\" <\\MAX_TIMER> <MAX_STRENGTH> \"-9\" <\\MAX_STRENGTH>");
  EXPECT_EQ(dynamic_cast<Granate&>(*grenade).GetFuse(), 0.0);
  EXPECT_EQ(grenade->GetStrength(), 0.0);
  auto dynamite = make(u"DYNAMIT", u"<MAX_TIMER> \"-1\" <\\MAX_TIMER>");
  EXPECT_EQ(dynamic_cast<Dynamit&>(*dynamite).GetFuse(), 0.0);
  auto mine = make(u"MINE", u"<AUFSCHALT_DIST> \"-5\" <\\AUFSCHALT_DIST>");
  EXPECT_EQ(dynamic_cast<Mine&>(*mine).GetTriggerDistance(), 0.0);
  auto missile = make(u"HOMINGMISSLE", u"<TIME_TO_AUFSCHALTUNG> \"-2\" <\\TIME_TO_AUFSCHALTUNG>");
  EXPECT_EQ(dynamic_cast<HomingMissle&>(*missile).GetLockTime(), 0.0);
}

TEST_F(ShellTest, UnknownParticleTypeLoadsButCannotBeFired) {
  auto root = ParseBody(u"<PARTIKELINFO> \"NIRGENDS\" <\\PARTIKELINFO>", u"BAZOOKA");
  testing::internal::CaptureStderr();
  auto w = WaffenSet::Create(u"BAZOOKA", root.get(), globals.get(), &context);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("NIRGENDS"), std::string::npos);
  EXPECT_FALSE(w->IsUsable());
  w->AddTeamRecord(kTeam);
  EXPECT_FALSE(w->HasAmmoFor(*shooter)) << "shown greyed";
  EXPECT_EQ(w->Fire(*shooter, {60, 100}, {1, 0}, 1.0, {0, 0}), 0);
  EXPECT_TRUE(globals->GetPartikelListe()->MainList().empty());
}

}  // namespace

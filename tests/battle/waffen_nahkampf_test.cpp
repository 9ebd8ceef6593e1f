// The close-combat and area weapons fired from a worm on a small ASCII-art world: the melee
// blow at the edge of its reach, the flame thrower's spawn count, the erosion's surface
// bites and crumbs, the runners ending at a wall, on their timer and on command, and the
// same seed giving the same battle.
#include "battle/waffen_nahkampf.h"

#include <cstring>

#include "battle/weapon_world.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/camerajoblist.h"
#include "objects/person.h"
#include "platform/text.h"
#include "world/landschaft.h"

namespace {

using weapon_test::WeaponWorld;

class CloseCombatTest : public WeaponWorld {
 protected:
  void SetUp() override {
    WeaponWorld::SetUp();
    Type(u"<NAME> \"FLAMME\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
    Type(u"<NAME> \"KRUEMEL\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>");
    const PartikelInfo* body = Type(
        u"<NAME> \"LaeuferKoerper\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"<REIBUNG_COLLISION> \"1\" \"0\" <\\REIBUNG_COLLISION> <EVENT_KILL> \"Blast\" <\\EVENT_KILL>");
    auto block = ParseBody(u"<NAME> \"Laeufer\" <\\NAME>", u"PERSON");
    globals->GetWormManager()->AddPerson(std::make_unique<Person>(
        body, block.get(), globals->GetWormManager(), globals->GetAnimationManager()));
  }
  // A picture of the battle: the main layer's pixels and every particle's place.
  uint64_t Fingerprint() {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](uint64_t v) { h = (h ^ v) * 1099511628211ull; };
    const Landschaft& land = *globals->GetWelt()->GetGameLandschaft();
    for (int32_t y = 0; y < 200; ++y)
      for (int32_t x = 0; x < 400; ++x) mix(*land.PeekPixel(x, y));
    for (const auto& p : globals->GetPartikelListe()->MainList()) {
      uint32_t bits[2];
      std::memcpy(bits, p->GetPosition(), sizeof bits);
      mix(bits[0]);
      mix(bits[1]);
    }
    return h;
  }
};

TEST_F(CloseCombatTest, MeleeHitsEveryWormInReachFullyAndNoneBeyond) {
  // Shooter and victims of radius 25: the reach is 50 from the shot position to a centre.
  Worm* near = AddWorm({80.0f, 149.0f}, enemy);     // centre 20 away
  Worm* edge = AddWorm({109.9f, 149.0f}, enemy);    // 49.9 away
  Worm* beyond = AddWorm({110.0f, 149.0f}, enemy);  // 50 away: not below the reach
  auto& melee = Make<Nahkampfwaffe>(u"NAHKAMPFWAFFE",
                                    u"<MAX_IMPULS> \"5000\" <\\MAX_IMPULS> <MAX_SCHADEN> \"30\" <\\MAX_SCHADEN>");
  ASSERT_EQ(Fire({60.0f, 124.0f}, {1.0f, 0.0f}), 1);
  EXPECT_DOUBLE_EQ(near->GetPendingDamage(), 30.0);
  EXPECT_DOUBLE_EQ(edge->GetPendingDamage(), 30.0);
  EXPECT_DOUBLE_EQ(beyond->GetPendingDamage(), 0.0);
  EXPECT_DOUBLE_EQ(shooter->GetPendingDamage(), 0.0) << "never the shooter";
  for (Worm* hit : {near, edge}) {
    EXPECT_EQ(hit->GetMoveState(), Person::kThrown);
    EXPECT_GT(hit->GetSpeed()->x, 0.0f) << "pushed along the aim";
  }
  EXPECT_EQ(beyond->GetMoveState(), Person::kStanding);
  EXPECT_DOUBLE_EQ(globals->busyTime, 2.0);
  // Without a swing to wait for, the use counts at the next update.
  EXPECT_TRUE(melee.IsActive());
  Frame();
  EXPECT_FALSE(melee.IsActive());
  EXPECT_EQ(melee.GetUsesThisTurn(), 1);
}

TEST_F(CloseCombatTest, MeleeFixedDirectionIsMirroredToTheSideTheShooterFaces) {
  auto& melee = Make<Nahkampfwaffe>(u"NAHKAMPFWAFFE", u"<FESTE_DIR> \"1\" \"-1\" <\\FESTE_DIR>"
                                                      u"<USES_PER_ROUND> \"2\" <\\USES_PER_ROUND>");
  EXPECT_DOUBLE_EQ(melee.GetImpulse(), 500.0);
  EXPECT_DOUBLE_EQ(melee.GetDamage(), 100.0);
  for (float side : {1.0f, -1.0f}) {
    SCOPED_TRACE(side);
    Worm* victim = AddWorm({50.0f + 30.0f * side, 149.0f}, enemy);
    ASSERT_EQ(Fire({50.0f + 10.0f * side, 124.0f}, {side, 0.0f}), 1);
    EXPECT_EQ(victim->GetMoveState(), Person::kThrown);
    EXPECT_EQ(victim->GetSpeed()->x > 0.0f, side > 0.0f) << "away from the shooter";
    EXPECT_LT(victim->GetSpeed()->y, 0.0f) << "and up";
    Frame();
  }
}

TEST_F(CloseCombatTest, MeleeWaitsForItsSwingUnlessTheSwingNeverEnds) {
  AnimationManager& animations = *globals->GetAnimationManager();
  animations.AddAnimation(std::make_unique<Animation>(
      ParseBody(u"<NAME> \"SCHWUNG\" <\\NAME> <FRAMES> \"0\" \"1\" \"2\" \"3\" <\\FRAMES> <SPEED> \"10\" <\\SPEED>"
                u"<PLAY_TYP> \"CLAMP\" <\\PLAY_TYP> <MAXFRAMES> \"4\" <\\MAXFRAMES>",
                u"ANIMATION")
          .get(),
      nullptr, animations));
  animations.AddAnimation(std::make_unique<Animation>(
      ParseBody(u"<NAME> \"KREIS\" <\\NAME> <FRAMES> \"0\" \"1\" <\\FRAMES> <SPEED> \"10\" <\\SPEED>", u"ANIMATION")
          .get(),
      nullptr, animations));
  const struct {
    const char16_t* animation;
    int frames;  // updates until the use counts
  } cases[] = {{u"SCHWUNG", 40}, {u"KREIS", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.animation));
    std::u16string name = c.animation;
    auto& melee = Make<Nahkampfwaffe>(u"NAHKAMPFWAFFE", u"<WAFFENANIMATION_FEUER> \"" + name +
                                                            u"\" <\\WAFFENANIMATION_FEUER> <PLAY_WAFFENANIMATION> "
                                                            u"\"1\" <\\PLAY_WAFFENANIMATION>");
    ASSERT_EQ(Fire({60.0f, 124.0f}, {1.0f, 0.0f}), 1);
    int frames = 0;
    while (melee.IsActive() && frames < 1000) {
      Frame();
      ++frames;
    }
    EXPECT_NEAR(frames, c.frames, 1);
    EXPECT_EQ(melee.GetUsesThisTurn(), 1);
  }
}

TEST_F(CloseCombatTest, FlameThrowerSpraysItsRateForItsTime) {
  const struct {
    const char16_t* rate;
    size_t flames;
  } cases[] = {
      {u"10", 11},  // the first at once, then one every 0.1 s for 1 s (the last at 1.0 s)
      {u"25", 26},
      {u"0", 1},    // no interval: only the first
      {u"-5", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.rate));
    globals->GetPartikelListe()->Clear();
    auto& flamer = Make<Flammenwerfer>(
        u"FLAMMENWERFER", u"<PARTIKELINFO> \"FLAMME\" <\\PARTIKELINFO> <MAX_STRENGTH> \"300\" <\\MAX_STRENGTH>"
                          u"<MAX_TIME> \"1\" <\\MAX_TIME> <SPAWNSPEED> \"" +
                              std::u16string(c.rate) + u"\" <\\SPAWNSPEED>");
    EXPECT_TRUE(flamer.FiresContinuously());
    EXPECT_DOUBLE_EQ(flamer.GetStrength(), 300.0);
    ASSERT_EQ(Fire({60.0f, 120.0f}, {2.0f, 0.0f}), 1);
    EXPECT_EQ(*globals->GetPartikelListe()->MainList().front()->GetSpeed(), Vector2(300.0f, 0.0f));
    int frames = 0;
    while (flamer.IsActive() && frames < 1000) {
      Frame();
      ++frames;
    }
    EXPECT_NEAR(frames, 101, 1);
    Frames(20);
    EXPECT_NEAR(double(Particles()), double(c.flames), 1.0);
  }
}

TEST_F(CloseCombatTest, FlamesWithoutScatterFollowTheNozzleExactly) {
  auto& flamer = Make<Flammenwerfer>(u"FLAMMENWERFER",
                                     u"<PARTIKELINFO> \"FLAMME\" <\\PARTIKELINFO> <SPAWNSPEED> \"100\" <\\SPAWNSPEED>"
                                     u"<RANDOM> \"0\" \"0\" <\\RANDOM> <MAX_STRENGTH> \"100\" <\\MAX_STRENGTH>");
  ASSERT_EQ(Fire({60.0f, 120.0f}, {1.0f, 0.0f}), 1);
  flamer.SetAim({70.0f, 110.0f}, {0.0f, -1.0f});
  active->Update(0.01);
  const auto& flames = globals->GetPartikelListe()->MainList();
  ASSERT_EQ(flames.size(), 2u);
  EXPECT_EQ(*flames.back()->GetPosition(), Vector2(70.0f, 110.0f));
  EXPECT_EQ(*flames.back()->GetSpeed(), Vector2(0.0f, -100.0f));
  active->NewTurn();
  EXPECT_FALSE(flamer.IsActive()) << "the turn's end stops the spray";
}

TEST_F(CloseCombatTest, ErosionBitesOnlyTheSurfaceAndThrowsACrumbEveryKthBite) {
  auto& erosion = Make<Erosion>(u"EROSION", u"<PARTIKELINFO> \"KRUEMEL\" <\\PARTIKELINFO> <RADIUS> \"20\" <\\RADIUS>"
                                            u"<MAX_TIMER> \"1\" <\\MAX_TIMER> <AMPLITUDE> \"4\" <\\AMPLITUDE>"
                                            u"<USES_PER_GAME> \"-1\" <\\USES_PER_GAME>");
  EXPECT_EQ(erosion.BitesPerParticle(), 10);
  // Deep in the ground, 20 below the surface: every tested neighbour is solid.
  ASSERT_EQ(Fire({60.0f, 120.0f}, {1.0f, 0.0f}, {150.0f, 175.0f}), 1);
  EXPECT_DOUBLE_EQ(globals->busyTime, 2.0);
  Frames(120);
  EXPECT_FALSE(erosion.IsActive());
  EXPECT_EQ(erosion.GetBites(), 0);
  EXPECT_EQ(Particles(), 0u);

  active->NewTurn();
  ASSERT_EQ(Fire({60.0f, 120.0f}, {1.0f, 0.0f}, {150.0f, 150.0f}), 1);
  Frames(120);
  EXPECT_GT(erosion.GetBites(), 50);
  EXPECT_EQ(Particles(), size_t(erosion.GetBites() / 10));
  // The ground went down within the radius, and nowhere else.
  const Landschaft& land = *globals->GetWelt()->GetGameLandschaft();
  EXPECT_FALSE(land.IsSolidAt(150, 150));
  EXPECT_TRUE(land.IsSolidAt(100, 150));
  EXPECT_TRUE(land.IsSolidAt(150, 175));
}

TEST_F(CloseCombatTest, ErosionRefusesANoSizeRadiusAndThrowsAtLeastEveryBite) {
  testing::internal::CaptureStderr();
  auto& erosion = Make<Erosion>(u"EROSION", u"<PARTIKELINFO> \"KRUEMEL\" <\\PARTIKELINFO> <RADIUS> \"0\" <\\RADIUS>");
  EXPECT_NE(testing::internal::GetCapturedStderr(), "");
  EXPECT_DOUBLE_EQ(erosion.GetRadius(), Erosion::kDefaultRadius);
  const struct {
    const char16_t* density;
    int32_t earthStep, k;
  } cases[] = {
      {u"\"1\"", 10, 10},          {u"\"0\"", 10, 10},  // 0 counts as 1
      {u"\"2\" \"0\" \"15\"", 10, 15}, {u"\"0.5\" \"8\" \"100\"", 10, 8},
      {u"\"0.01\" \"0\" \"5\"", 10, 1},  // below one bite: every bite
      {u"\"1\" \"0\" \"0\"", 10, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::U16ToUtf8(c.density));
    globals->earthStep = c.earthStep;
    auto& e = Make<Erosion>(u"EROSION", u"<PARTIKELINFO> \"KRUEMEL\" <\\PARTIKELINFO> <PARTIKELDICHTE> " +
                                            std::u16string(c.density) + u" <\\PARTIKELDICHTE>");
    EXPECT_EQ(e.BitesPerParticle(), c.k);
  }
  // Without a particle type it does nothing.
  auto& bare = Make<Erosion>(u"EROSION", u"");
  EXPECT_EQ(bare.Fire(*shooter, {60.0f, 120.0f}, {1.0f, 0.0f}, 1.0, {150.0f, 150.0f}), 0);
}

TEST_F(CloseCombatTest, ErosionTossesTheWormsStandingInItsRadius) {
  Worm* inside = AddWorm({170.0f, 149.0f}, enemy);
  Worm* outside = AddWorm({250.0f, 149.0f}, enemy);
  Make<Erosion>(u"EROSION", u"<PARTIKELINFO> \"KRUEMEL\" <\\PARTIKELINFO> <RADIUS> \"40\" <\\RADIUS>"
                            u"<IMPULS> \"50\" \"100\" <\\IMPULS>");
  ASSERT_EQ(Fire({60.0f, 120.0f}, {1.0f, 0.0f}, {150.0f, 150.0f}), 1);
  Frame();
  EXPECT_EQ(inside->GetMoveState(), Person::kThrown);
  EXPECT_DOUBLE_EQ(inside->GetPendingDamage(), 0.0) << "tossed, not hurt";
  EXPECT_EQ(outside->GetMoveState(), Person::kStanding);
}

TEST_F(CloseCombatTest, RunnersAreSentApartAndExplodeAtTheWall) {
  auto& runners = MakeInSet<Selbstmoerder>(u"SELBSTM\u00D6RDER",
                                      u"<PERSON> \"Laeufer\" <\\PERSON> <ANZ_PERSONEN> \"3\" <\\ANZ_PERSONEN>"
                                      u"<SPAWN_DELAY> \"1\" <\\SPAWN_DELAY> <MAX_TIMER> \"30\" <\\MAX_TIMER>");
  EXPECT_TRUE(runners.TakesSteering());
  ASSERT_EQ(Fire({230.0f, 149.0f}, {1.0f, -0.2f}), 1);
  ASSERT_EQ(runners.GetRunners().size(), 1u);
  const uint32_t first = runners.GetRunners()[0].person->GetId();
  EXPECT_EQ(globals->FindObject(first), runners.GetRunners()[0].person.get()) << "found by id like every object";
  const struct {
    int frame;
    int sent;
  } schedule[] = {{99, 1}, {100, 2}, {199, 2}, {200, 3}};
  int at = 0;
  for (const auto& s : schedule) {
    Frames(s.frame - at);
    at = s.frame;
    EXPECT_EQ(runners.GetSent(), s.sent) << s.frame;
  }
  for (int i = 0; i < 3000 && runners.IsActive(); ++i) Frame();
  EXPECT_FALSE(runners.IsActive());
  const auto blasts = log.Named(u"Blast");
  ASSERT_EQ(blasts.size(), 3u);
  for (const auto& blast : blasts) EXPECT_GT(blast.at.x, 260.0f) << "at the wall, well before their time";
  EXPECT_LT(blasts.back().frame, 2000);
  EXPECT_EQ(runners.GetUsesThisTurn(), 1);
  EXPECT_EQ(globals->FindObject(first), nullptr);
  // The turn's hold follows the worm again.
  EXPECT_EQ(globals->GetCameraJobs()->Jobs().back().GetObjectId(), shooter->GetId());
}

TEST_F(CloseCombatTest, ARunnerSentRightAgainstAWallMeetsItAtOnce) {
  // Sent out a little inside the ground at the foot of the wall: it climbs out, and its first
  // step then stops at the wall, which is meeting it.
  for (bool kill : {true, false}) {
    SCOPED_TRACE(kill);
    log.runs.clear();
    auto& runners = MakeInSet<Selbstmoerder>(
        u"SELBSTM\u00D6RDER", u"<PERSON> \"Laeufer\" <\\PERSON> <MAX_TIMER> \"5\" <\\MAX_TIMER> <KILL_ON_HINDERNISS> \"" +
                                  std::u16string(kill ? u"1" : u"0") + u"\" <\\KILL_ON_HINDERNISS>");
    ASSERT_EQ(Fire({297.0f, 153.0f}, {1.0f, 0.0f}), 1);
    bool turned = false;
    for (int i = 0; i < 100 && runners.IsActive(); ++i) {
      Frame();
      if (!runners.GetRunners().empty()) turned = turned || runners.GetRunners()[0].direction < 0;
    }
    if (kill) {
      EXPECT_FALSE(runners.IsActive());
      EXPECT_EQ(log.Named(u"Blast").size(), 1u) << "at the wall, not when its time is up";
    } else {
      EXPECT_TRUE(turned) << "it turned round at the wall";
    }
    active->NewTurn();
  }
}

TEST_F(CloseCombatTest, ARunnerThatTurnsAtTheWallExplodesWhenItsTimeIsUp) {
  auto& runners = MakeInSet<Selbstmoerder>(u"SELBSTM\u00D6RDER",
                                      u"<PERSON> \"Laeufer\" <\\PERSON> <KILL_ON_HINDERNISS> \"0\" "
                                      u"<\\KILL_ON_HINDERNISS> <MAX_TIMER> \"4\" <\\MAX_TIMER>");
  ASSERT_EQ(Fire({250.0f, 149.0f}, {1.0f, 0.0f}), 1);
  bool turned = false;
  for (int i = 0; i < 1000 && runners.IsActive(); ++i) {
    Frame();
    if (!runners.GetRunners().empty()) turned = turned || runners.GetRunners()[0].direction < 0;
  }
  EXPECT_TRUE(turned);
  const auto blasts = log.Named(u"Blast");
  ASSERT_EQ(blasts.size(), 1u);
  EXPECT_NEAR(blasts[0].frame, 400, 1);
}

TEST_F(CloseCombatTest, RunnersGoOffOnCommandOnlyWhenAllowedAndAreFreedAfter) {
  for (bool canKill : {false, true}) {
    SCOPED_TRACE(canKill);
    log.runs.clear();
    auto& runners = MakeInSet<Selbstmoerder>(
        u"SELBSTM\u00D6RDER", u"<PERSON> \"Laeufer\" <\\PERSON> <ANZ_PERSONEN> \"2\" <\\ANZ_PERSONEN>"
                              u"<SPAWN_DELAY> \"0.5\" <\\SPAWN_DELAY> <CAN_KILL> \"" +
                                  std::u16string(canKill ? u"1" : u"0") + u"\" <\\CAN_KILL>");
    ASSERT_EQ(Fire({100.0f, 149.0f}, {-1.0f, 0.0f}), 1);
    Frames(60);
    ASSERT_EQ(runners.GetRunners().size(), 2u);
    EXPECT_LT(runners.GetRunners()[0].person->GetPosition()->x, 100.0f) << "to the left, as aimed";
    const uint32_t id = runners.GetRunners()[1].person->GetId();
    runners.OnAction();
    EXPECT_EQ(runners.IsActive(), !canKill);
    EXPECT_EQ(log.Named(u"Blast").size(), canKill ? 2u : 0u);
    EXPECT_EQ(globals->FindObject(id) != nullptr, !canKill);
    Frame();
    // The turn's end takes runners still walking without a blast.
    active->NewTurn();
    EXPECT_TRUE(runners.GetRunners().empty());
    EXPECT_EQ(log.Named(u"Blast").size(), canKill ? 2u : 0u);
  }
}

TEST_F(CloseCombatTest, ANewWorldTakesTheTeamsWormsAlong) {
  // The old world is deleted: a worm still pointing at it would read freed memory at its
  // next look at the ground.
  SetWorld(weapon_test::GroundAndWall());
  EXPECT_EQ(shooter->GetWorld(), globals->GetWelt());
  Worm* target = AddWorm({120.0f, 149.0f}, enemy);
  SetWorld(weapon_test::GroundAndWall());
  EXPECT_EQ(shooter->GetWorld(), globals->GetWelt());
  EXPECT_EQ(target->GetWorld(), globals->GetWelt());
}

TEST_F(CloseCombatTest, TheSameSeedGivesTheSameBattle) {
  auto run = [&]() {
    SetWorld(weapon_test::GroundAndWall());
    globals->GetPartikelListe()->Clear();
    platform::SRand(1234);
    Make<Erosion>(u"EROSION", u"<PARTIKELINFO> \"KRUEMEL\" <\\PARTIKELINFO> <RADIUS> \"25\" <\\RADIUS>"
                              u"<MAX_TIMER> \"1\" <\\MAX_TIMER> <PARTIKELDICHTE> \"0.3\" <\\PARTIKELDICHTE>");
    Fire({60.0f, 120.0f}, {1.0f, 0.0f}, {200.0f, 150.0f});
    Frames(50);
    auto erosion = std::move(weapon);
    Make<Flammenwerfer>(u"FLAMMENWERFER", u"<PARTIKELINFO> \"FLAMME\" <\\PARTIKELINFO> <SPAWNSPEED> \"40\" "
                                          u"<\\SPAWNSPEED> <RANDOM> \"0.3\" \"0.3\" <\\RANDOM>");
    Fire({60.0f, 120.0f}, {1.0f, 0.2f});
    for (int i = 0; i < 80; ++i) {
      erosion->Update(0.01);
      Frame();
    }
    return Fingerprint();
  };
  const uint64_t first = run();
  EXPECT_EQ(run(), first);
}

}  // namespace

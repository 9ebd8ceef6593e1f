// The first scene's shooting range on the null backend: the first living worm takes the
// weapons, the control's actions aim it, pick the weapon and set its value, held fire
// charges a charging weapon and its release fires, and a new turn comes once the shot is
// over.
#include "frontend/menushooter.h"

#include <gtest/gtest.h>

#include <cmath>

#include "battle/steuerung.h"
#include "battle/waffen_geschosse.h"
#include "battle/waffen_gesteuert.h"
#include "battle/waffenset.h"
#include "objects/partikelliste.h"
#include "objects/worm_fixture.h"

namespace {

// A control whose actions the test holds down.
class HeldKeys final : public Steuerung {
 public:
  bool down[Aktion::kCount] = {};
  bool pressed[Aktion::kCount] = {};
  void Update() override {}
  bool IsSinglePress(int action, int) const override { return pressed[action]; }
  bool IsDoublePress(int, int) const override { return false; }
  bool IsDown(int action, int) const override { return down[action]; }
  bool IsConsumed(int, int) const override { return false; }
  void Consume(int action, int) override { pressed[action] = false; }
};

class MenuShooterTest : public worm_test::WormWorld {
 protected:
  void SetUp() override {
    WormWorld::SetUp();
    context.timer = std::make_unique<FrameTimer>();
    context.timer->gameStep = 0.01;
    auto type = ParseBody(
        u"<NAME> \"SHELL\" <\\NAME> <GRAVITATION> \"0\" <\\GRAVITATION>"
        u"<DEATH_PARAM> <TYP> \"WORLD\" <\\TYP> <\\DEATH_PARAM>",
        u"PARTIKEL_INFO");
    globals->GetPartikelListe()->AddInfo(std::make_unique<PartikelInfo>(type.get()));
    auto file = ParseBody(
        u"<GRANATE> \"Granate\" <PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <\\GRANATE>"
        u"<BAZOOKA> \"Bazooka\" <PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <MAX_STRENGTH> \"200\" "
        u"<\\MAX_STRENGTH>"
        u"<USES_PER_GAME> \"1\" <\\USES_PER_GAME> <\\BAZOOKA>",
        u"WAFFEN");
    globals->GetWaffenSet()->Load(file.get());
    Mannschaft* team = Team(1, 0xFFFF0000);
    worms.push_back(Make(60.0f, team));
    worms.push_back(Make(120.0f, team));
    shooter = std::make_unique<MenuShooter>(globals.get());
    shooter->SetWorms(&worms);
  }
  void TearDown() override {
    shooter.reset();
    globals->GetPartikelListe()->Clear();
    worms.clear();
    WormWorld::TearDown();
  }
  void Frames(double seconds) {
    for (int i = 0, n = int(seconds * 100.0 + 0.5); i < n; ++i) {
      shooter->Update(0.01, &keys);
      globals->GetPartikelListe()->Update();
    }
  }

  HeldKeys keys;
  std::vector<std::unique_ptr<Worm>> worms;
  std::unique_ptr<MenuShooter> shooter;
};

TEST_F(MenuShooterTest, AimChargeAndFireTheBazookaThenTurnsComeRound) {
  Frames(0.01);
  Worm* worm = worms[0].get();
  ASSERT_EQ(shooter->GetShooter(), worm);
  EXPECT_TRUE(worm->IsCurrent());
  ASSERT_NE(shooter->GetWeapon(), nullptr);
  EXPECT_EQ(shooter->GetWeapon()->GetName(), u"Bazooka") << "the set's first weapon";

  keys.down[Aktion::kUp] = true;
  Frames(0.5);
  keys.down[Aktion::kUp] = false;
  EXPECT_NEAR(worm->GetAimAngle(), -18.0, 1e-6);
  keys.down[Aktion::kLeft] = true;
  Frames(0.01);
  keys.down[Aktion::kLeft] = false;
  EXPECT_FALSE(worm->IsFacingRight());

  keys.down[Aktion::kFire] = true;
  Frames(1.0);
  EXPECT_NEAR(worm->GetStrength(), 0.5, 1e-6);
  EXPECT_TRUE(globals->GetPartikelListe()->MainList().empty()) << "held fire only charges";
  keys.down[Aktion::kFire] = false;
  Frames(0.01);
  ASSERT_EQ(globals->GetPartikelListe()->MainList().size(), 1u);
  const Vector2 v = *globals->GetPartikelListe()->MainList()[0]->GetSpeed();
  // 100 px/s up and to the left at 18 degrees.
  EXPECT_NEAR(v.x, -100.0 * std::cos(18.0 * 3.14159265358979 / 180.0), 0.01);
  EXPECT_NEAR(v.y, -100.0 * std::sin(18.0 * 3.14159265358979 / 180.0), 0.01);
  EXPECT_EQ(worm->GetStrength(), 0.0);

  // The shell leaves the world; then a new turn, and the range's ammunition never ends.
  Frames(3.0);
  EXPECT_TRUE(globals->GetPartikelListe()->MainList().empty());
  EXPECT_EQ(shooter->GetWeapon()->GetUsesThisTurn(), 0);
  keys.down[Aktion::kFire] = true;
  Frames(2.1);  // a full charge fires by itself, once
  EXPECT_EQ(globals->GetPartikelListe()->MainList().size(), 1u);
}

TEST_F(MenuShooterTest, TabPicksTheNextWeaponAndNumbersSetItsValue) {
  Frames(0.01);
  keys.pressed[Aktion::kNextWorm] = true;
  Frames(0.01);
  EXPECT_FALSE(keys.pressed[Aktion::kNextWorm]) << "the press is taken";
  auto* grenade = dynamic_cast<Granate*>(shooter->GetWeapon());
  ASSERT_NE(grenade, nullptr);
  EXPECT_EQ(worms[0]->GetWeapon(), grenade);
  keys.down[Aktion::kNumber1 + 2] = true;
  Frames(0.01);
  EXPECT_EQ(grenade->GetFuse(), 3.0);

  // The shooter falls: the next living worm takes over.
  worms[0]->SetHealth(0.0);
  worms[0]->Kill(nullptr, 0);
  Frames(0.01);
  EXPECT_EQ(shooter->GetShooter(), worms[1].get());
}

TEST_F(MenuShooterTest, AWorkingWeaponTakesTheSteeringOrFollowsTheAim) {
  auto more = ParseBody(
      u"<OBJEKTE_EINF\u00DCGEN> \"Bauen\" <ANIMATIONEN> \"Pfeilanimation\" <\\ANIMATIONEN> "
      u"<SCALEING> \"1\" \"2\" <\\SCALEING> <ROTATION_STEP> \"10\" <\\ROTATION_STEP> <\\OBJEKTE_EINF\u00DCGEN>"
      u"<FLAMMENWERFER> \"Flammenwerfer\" <PARTIKELINFO> \"SHELL\" <\\PARTIKELINFO> <MAX_TIME> \"1\" "
      u"<\\MAX_TIME> <\\FLAMMENWERFER>",
      u"WAFFEN");
  globals->GetWaffenSet()->Load(more.get());
  Frames(0.01);
  Worm* worm = worms[0].get();
  // The range armed its shooter with the first file; these come on top, as plentiful.
  for (const char16_t* name : {u"Bauen", u"Flammenwerfer"}) {
    Waffe* w = globals->GetWaffenSet()->FindByName(name);
    w->AddTeamRecord(worm->GetTeam());
    w->FindTeamRecord(worm->GetTeam())->availabilityOverride = 1;
  }
  auto tabTo = [&](const char16_t* name) {
    for (int i = 0; i < 8 && shooter->GetWeapon()->GetName() != name; ++i) {
      keys.pressed[Aktion::kNextWorm] = true;
      Frames(0.01);
    }
    ASSERT_EQ(shooter->GetWeapon()->GetName(), name);
  };
  // The builder: fire takes a picture, the arrows turn and scale it, a click builds it.
  tabTo(u"Bauen");
  keys.down[Aktion::kFire] = true;
  Frames(0.05);
  keys.down[Aktion::kFire] = false;
  auto* builder = dynamic_cast<Objekteinfuegen*>(shooter->GetWeapon());
  ASSERT_NE(builder, nullptr);
  ASSERT_TRUE(builder->IsActive());
  EXPECT_TRUE(shooter->TakesClicks()) << "the scene leaves the clicks to the builder";
  const double aim = worm->GetAimAngle();
  keys.down[Aktion::kLeft] = keys.down[Aktion::kUp] = true;
  Frames(0.35);
  keys.down[Aktion::kLeft] = keys.down[Aktion::kUp] = false;
  EXPECT_EQ(builder->GetRotation(), 40.0) << "a step at once, then one every 0.1 s";
  EXPECT_NEAR(builder->GetScale(), 1.35, 1e-6);
  EXPECT_EQ(worm->GetAimAngle(), aim) << "the arrows are the builder's, not the aim's";
  EXPECT_TRUE(worm->IsFacingRight()) << "nor do they turn the worm";
  keys.down[Aktion::kTarget] = true;
  Frames(0.05);
  keys.down[Aktion::kTarget] = false;
  EXPECT_FALSE(builder->IsActive()) << "built";

  // The flame thrower sprays along the aim as it moves.
  Frames(3.0);
  tabTo(u"Flammenwerfer");
  keys.down[Aktion::kFire] = true;
  Frames(0.02);
  keys.down[Aktion::kFire] = false;
  ASSERT_TRUE(shooter->GetWeapon()->IsActive());
  const auto& flames = globals->GetPartikelListe()->MainList();
  ASSERT_FALSE(flames.empty());
  const float before = flames.back()->GetSpeed()->y;
  keys.down[Aktion::kUp] = true;
  Frames(0.5);
  keys.down[Aktion::kUp] = false;
  ASSERT_FALSE(flames.empty());
  EXPECT_LT(flames.back()->GetSpeed()->y, before - 100.0f) << "the newest flame flies higher";
}

}  // namespace

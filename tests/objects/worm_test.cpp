// The worm on a small world: explosion damage and push by rim distance, the throw edge, the
// kill credit, poison and healing over a round, immediate healing and its message, the
// language texts filled in safely, the statistics' layers and the team file's round trip,
// copies, the reset's first weapon, and the animation choice per state, fidgets, the
// poisoned stand, weapon poses and the death with its grave.
#include "objects/worm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "battle/waffenset.h"
#include "engine/camerajoblist.h"
#include "engine/dataarchive.h"
#include "engine/spriterenderer.h"
#include "objects/renderextra.h"
#include "platform/random.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"
#include "worm_fixture.h"

namespace worm_test {
namespace {

// The round processing as the turn cycle runs it: effects count down, then health gains
// the healing and loses the pending damage and the poison.
void ProcessRound(Worm& w) {
  w.AdvanceRoundEffects();
  w.SetHealth(w.GetHealth() + w.healingPerRound - w.GetPendingDamage() - w.poisonPerRound);
  w.SetPendingDamage(0.0);
}

TEST_F(WormWorld, ExplosionBooksDamageByRimDistanceUntilTheRound) {
  // SCHADEN 100 10 0 50: full damage up to the rim, nothing beyond 50 pixels from it.
  const DistanceRamp damage{100.0, 10.0, 0.0, 50.0};
  const struct {
    float rim;
    double pending;
  } cases[] = {{0.0f, 100.0}, {25.0f, 55.0}, {50.0f, 10.0}, {60.0f, 0.0}, {-5.0f, 100.0}};
  for (const auto& c : cases) {
    auto w = Make(100.0f);
    const Vector2 centre = Centre(*w) + Vector2(10.0f + c.rim, 0.0f);
    w->ApplyExplosion(&centre, nullptr, &damage);
    EXPECT_NEAR(w->GetPendingDamage(), c.pending, 1e-4) << "rim " << c.rim;
    EXPECT_NEAR(w->GetEigenschaften().damageTaken[WormEigenschaften::kRound], c.pending, 1e-4);
    EXPECT_DOUBLE_EQ(w->GetHealth(), 100.0) << "health changes only at the round's end";
  }
}

TEST_F(WormWorld, PushGoesAwayFromTheCentreAndThrowsAboveTen) {
  const struct {
    double value;
    bool thrown;
  } cases[] = {{10.0, false}, {10.01, true}, {350.0, true}, {0.0, false}};
  for (const auto& c : cases) {
    auto w = Make(100.0f);
    const DistanceRamp impulse{c.value, c.value, 0.0, 100.0};
    // The blast 30 pixels left of and 40 above the worm's centre: 50 away, 40 from the rim.
    const Vector2 centre = Centre(*w) + Vector2(-30.0f, -40.0f);
    w->ApplyExplosion(&centre, &impulse, nullptr);
    EXPECT_EQ(w->GetMoveState() == Person::kThrown, c.thrown) << c.value;
    if (c.thrown) {
      const Vector2 speed = *w->GetSpeed();
      EXPECT_NEAR(speed.x, 0.6 * c.value, 1e-3);
      EXPECT_NEAR(speed.y, 0.8 * c.value, 1e-3);
    }
    EXPECT_DOUBLE_EQ(w->GetPendingDamage(), 0.0);
  }
}

TEST_F(WormWorld, AWormAtTheCentreOfABlastOfNoRadiusGoesStraightUp) {
  WormEigenschaften none = Manager().GetDefaultPreset();
  none.radiusRange[0] = none.radiusRange[1] = 0.0;
  none.SetSizeRatio(0.5);
  auto w = Make(100.0f);
  w->GetEigenschaften() = none;
  const DistanceRamp impulse{200.0, 200.0, 0.0, 10.0};
  const Vector2 centre = Centre(*w);
  w->ApplyExplosion(&centre, &impulse, nullptr);
  EXPECT_EQ(w->GetMoveState(), Person::kThrown);
  EXPECT_EQ(*w->GetSpeed(), Vector2(0.0f, -200.0f));
}

TEST_F(WormWorld, TheCameraFollowsAHitWorm) {
  auto w = Make(100.0f);
  const DistanceRamp damage{20.0, 20.0, 0.0, 50.0};
  const size_t before = globals->GetCamera()->Jobs().size();
  const Vector2 far = Centre(*w) + Vector2(200.0f, 0.0f);
  w->ApplyExplosion(&far, &damage, &damage);
  EXPECT_EQ(globals->GetCamera()->Jobs().size(), before);
  const Vector2 near = Centre(*w) + Vector2(20.0f, 0.0f);
  w->ApplyExplosion(&near, nullptr, &damage);
  ASSERT_EQ(globals->GetCamera()->Jobs().size(), before + 1);
  EXPECT_EQ(globals->GetCamera()->Jobs().back().GetObjectId(), w->GetId());
}

TEST_F(WormWorld, AKillIsCreditedOnceAndOnlyForAnActualDeath) {
  Mannschaft* red = Team(1, 0xFFFF0000);
  Mannschaft* blue = Team(2, 0xFF0000FF);
  auto shooter = Make(20.0f, red);
  auto victim = Make(100.0f, blue);
  auto saved = Make(150.0f, blue);
  red->SetCurrentWorm(shooter.get());
  Manager().SetCurrentTeam(red);
  const DistanceRamp damage{80.0, 80.0, 0.0, 50.0};
  const auto& stats = shooter->GetEigenschaften();

  // Two blasts take the victim past its health; nothing is credited yet.
  for (int i = 0; i < 2; ++i) {
    const Vector2 at = Centre(*victim);
    victim->ApplyExplosion(&at, nullptr, &damage);
  }
  const Vector2 atSaved = Centre(*saved);
  saved->ApplyExplosion(&atSaved, nullptr, &damage);
  saved->ApplyExplosion(&atSaved, nullptr, &damage);
  EXPECT_DOUBLE_EQ(stats.damageDealt[WormEigenschaften::kRound], 320.0);
  EXPECT_EQ(stats.enemiesKilled[WormEigenschaften::kRound], 0);

  // The saved one is healed back before the round ends.
  saved->Heal(200.0, false, 1, true);
  ProcessRound(*victim);
  ProcessRound(*saved);
  EXPECT_TRUE(victim->IsDead());
  EXPECT_TRUE(victim->IsDead());
  EXPECT_FALSE(saved->IsDead());
  EXPECT_EQ(stats.enemiesKilled[WormEigenschaften::kRound], 1);
  EXPECT_EQ(victim->GetEigenschaften().died[WormEigenschaften::kRound], 1);

  // The shooter hurting itself books the damage dealt, and its death credits nobody.
  const Vector2 self = Centre(*shooter);
  shooter->ApplyExplosion(&self, nullptr, &damage);
  shooter->ApplyExplosion(&self, nullptr, &damage);
  EXPECT_DOUBLE_EQ(stats.damageDealt[WormEigenschaften::kRound], 480.0);
  ProcessRound(*shooter);
  EXPECT_TRUE(shooter->IsDead());
  EXPECT_EQ(stats.enemiesKilled[WormEigenschaften::kRound], 1);
  EXPECT_EQ(stats.died[WormEigenschaften::kRound], 1);
}

TEST_F(WormWorld, PoisonAndHealingActOverTheRound) {
  auto w = Make(100.0f);
  const Vector2 at = Centre(*w);
  const DistanceRamp poison{5.0, 1.0, 0.0, 40.0};
  const DistanceRamp blast{30.0, 30.0, 0.0, 40.0};
  w->Heal(10.0, false, 2, false);
  w->Heal(50.0, false, 2, false);  // once per round
  w->ApplyPoison(at, &poison, -1);
  w->ApplyPoison(at, &poison, -1);  // once per round
  w->ApplyExplosion(&at, nullptr, &blast);
  ASSERT_EQ(w->healing.size(), 1u);
  ASSERT_EQ(w->poison.size(), 1u);
  ProcessRound(*w);
  EXPECT_DOUBLE_EQ(w->GetHealth(), 75.0);  // 100 + 10 - 30 - 5
  EXPECT_EQ(w->LabelText(), u"Vorlage\n75\nPoison -5 for \u221e\nHeal +10 for 1");

  // The next round the poison may come again: two poisons act; the healing is used up.
  w->ApplyPoison(at, &poison, 3);
  EXPECT_EQ(w->poison.size(), 2u);
  ProcessRound(*w);
  EXPECT_DOUBLE_EQ(w->GetHealth(), 75.0 - 10.0);
}

TEST_F(WormWorld, ImmediateHealingCuresAndTellsInTheTeamColour) {
  Mannschaft* team = Team(3, 0xFF00FF00);
  auto w = Make(100.0f, team);
  const Vector2 at = Centre(*w);
  const DistanceRamp poison{5.0, 5.0, 0.0, 40.0};
  w->ApplyPoison(at, &poison, 2);
  w->Heal(25.6, true, 1, true);
  EXPECT_DOUBLE_EQ(w->GetHealth(), 125.6);
  EXPECT_TRUE(w->poison.empty());
  ASSERT_EQ(globals->fadingTextList.Lines().size(), 1u);
  EXPECT_EQ(globals->fadingTextList.Lines()[0]->text, u"Vorlage heals by 25 %x%");
  EXPECT_EQ(globals->fadingTextList.Lines()[0]->colour, 0xFF00FF00u);
  ASSERT_EQ(globals->messagePanel1.Messages().size(), 1u);

  // A dead worm is not healed.
  w->SetHealth(0.0);
  ASSERT_TRUE(w->IsDead());
  w->Heal(50.0, false, 1, true);
  w->Heal(50.0, false, 1, false);
  EXPECT_DOUBLE_EQ(w->GetHealth(), 0.0);
  EXPECT_TRUE(w->healing.empty());
}

TEST(WormText, OnlyTheNameAndTheNumberAreFilledIn) {
  const struct {
    const char16_t* text;
    const char16_t* filled;
  } cases[] = {
      {u"%s: %d", u"Kurt: -7"},
      {u"%d for %s", u"-7 for Kurt"},
      {u"%s %s %d %d", u"Kurt %s -7 %d"},
      {u"100%% %n %x %f %", u"100% %n %x %f %"},
      {u"", u""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Worm::FillText(c.text, u"Kurt", -7), c.filled) << platform::U16ToUtf8(c.text);
}

TEST_F(WormWorld, LabelShowsHealthRoundedUpNeverBelowZeroAndTheAfflictions) {
  auto w = Make(100.0f);
  const struct {
    double health, poison, heal;
    int32_t poisonRounds, healRounds;
    const char16_t* label;
  } cases[] = {
      {12.2, 0.0, 0.0, 0, 0, u"Vorlage\n13"},
      {12.0, 0.0, 0.0, 0, 0, u"Vorlage\n12"},
      {12.0, 7.6, 0.0, -1, 0, u"Vorlage\n12\nPoison -7 for \u221e"},
      {12.0, 0.0, 3.9, 0, 4, u"Vorlage\n12\nHeal +3 for 4"},
      {-0.4, 0.0, 0.0, 0, 0, u"Vorlage\n0"},
      {-1000.0, 0.0, 0.0, 0, 0, u"Vorlage\n0"},
  };
  for (const auto& c : cases) {
    w->SetHealth(c.health);
    w->poisonPerRound = c.poison;
    w->poisonRoundsLeft = c.poisonRounds;
    w->healingPerRound = c.heal;
    w->healingRoundsLeft = c.healRounds;
    EXPECT_EQ(w->LabelText(), c.label);
  }
}

TEST_F(WormWorld, StatisticsMoveFromRoundToGameToTotal) {
  auto w = Make(100.0f);
  WormEigenschaften& s = w->GetEigenschaften();
  w->AddWalked(Vector2(3.0f, 4.0f));
  w->AddDamage(7.0);
  w->OnKilled();
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kRound], 5.0);
  EXPECT_DOUBLE_EQ(w->GetPendingDamage(), 7.0);
  w->EndRoundStatistics();
  w->ResetRound();
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kRound], 0.0);
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kGame], 5.0);
  w->AddWalked(Vector2(0.0f, 2.0f));
  w->EndGameStatistics();
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kTotal], 7.0);
  EXPECT_EQ(s.died[WormEigenschaften::kTotal], 1);
  EXPECT_DOUBLE_EQ(s.damageTaken[WormEigenschaften::kTotal], 7.0);
  w->ResetGame();
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kGame], 0.0);
  EXPECT_DOUBLE_EQ(s.walked[WormEigenschaften::kTotal], 7.0);
}

TEST_F(WormWorld, TheTeamFileEntryComesBackAsItWasWritten) {
  Mannschaft* team = Team(42, 0xFF123456);
  auto w = Make(100.0f, team);
  w->SetName(u"Gerda");
  WormEigenschaften& s = w->GetEigenschaften();
  s.timeOnTurn[0] = 12.75;
  s.walked[0] = 1234.5;
  s.weaponsUsed[0] = 17;
  s.died[0] = 3;
  s.enemiesKilled[0] = 9;
  s.damageDealt[0] = 400.25;
  s.damageTaken[0] = 321.0;
  s.walked[WormEigenschaften::kRound] = 99.0;  // only totals are kept
  s.healthRatio = 0.25;
  s.startHealthRange[0] = 60.0;
  s.startHealthRange[1] = 140.0;
  KVNode entry(u"WORM");
  w->Write(&entry);
  auto copy = Make(50.0f);
  copy->Read(&entry);
  const WormEigenschaften& r = copy->GetEigenschaften();
  EXPECT_EQ(copy->GetName(), u"Gerda");
  EXPECT_EQ(copy->GetTeam(), team);
  EXPECT_DOUBLE_EQ(r.timeOnTurn[0], 12.75);
  EXPECT_DOUBLE_EQ(r.walked[0], 1234.5);
  EXPECT_EQ(r.weaponsUsed[0], 17);
  EXPECT_EQ(r.died[0], 3);
  EXPECT_EQ(r.enemiesKilled[0], 9);
  EXPECT_DOUBLE_EQ(r.damageDealt[0], 400.25);
  EXPECT_DOUBLE_EQ(r.damageTaken[0], 321.0);
  EXPECT_DOUBLE_EQ(r.walked[WormEigenschaften::kRound], 0.0);
  EXPECT_DOUBLE_EQ(r.startHealth, 80.0);
  EXPECT_DOUBLE_EQ(copy->GetHealth(), 80.0);
  EXPECT_EQ(*copy->GetSize(), Vector2(20.0f, 30.0f));

  // Without a team no team id is written.
  KVNode lone(u"WORM");
  Make(10.0f)->Write(&lone);
  EXPECT_EQ(lone.GetChild(0, u"MANNSCHAFTS_ID"), nullptr);
}

TEST(WormEigenschaftenRead, RangesRatiosAndBadValues) {
  auto block = ParseBody(
      u"<RADIUS> \"12\" \"16\" <\\RADIUS> <SHOTPOS> \"4\" \"-20\" \"8\" \"-30\" <\\SHOTPOS>"
      u"<LEBENSENERGIE> \"60\" \"140\" <\\LEBENSENERGIE> <ROUNDTIME> \"0\" \"0.5\" <\\ROUNDTIME>"
      u"<LEBENS_VERH> \"0.75\" <\\LEBENS_VERH> <TIME_VERH> \"7\" <\\TIME_VERH> <SIZE_VERH> \"0.5\" "
      u"<\\SIZE_VERH>"
      u"<GESTORBEN> \"zwei\" <\\GESTORBEN> <GELAUFEN> \"12.5\" <\\GELAUFEN> <WAFFEN_BENUTZT> \"4.9\" "
      u"<\\WAFFEN_BENUTZT>",
      u"WORMEIGENSCHAFTEN");
  const WormEigenschaften e(block.get());
  EXPECT_DOUBLE_EQ(e.radius, 14.0);
  EXPECT_EQ(e.shotPos, Vector2(6.0f, -25.0f));
  EXPECT_DOUBLE_EQ(e.startHealth, 120.0);
  EXPECT_DOUBLE_EQ(e.timeRatio, 1.0) << "a ratio is held to 0 .. 1";
  EXPECT_DOUBLE_EQ(e.turnTime, 0.5);
  EXPECT_EQ(e.died[0], 0) << "a statistic that is no number reads as 0";
  EXPECT_DOUBLE_EQ(e.walked[0], 12.5);
  EXPECT_EQ(e.weaponsUsed[0], 4);

  // Ranges that fall or go below their floor keep the defaults.
  auto bad = ParseBody(u"<RADIUS> \"-3\" <\\RADIUS> <LEBENSENERGIE> \"200\" \"100\" <\\LEBENSENERGIE>", u"W");
  const WormEigenschaften f(bad.get());
  EXPECT_DOUBLE_EQ(f.radius, 25.0);
  EXPECT_DOUBLE_EQ(f.startHealth, 1000.0);
}

TEST_F(WormWorld, ACopyJoinsTheTeamWithItsOwnArrowsAndNoEffects) {
  Mannschaft* team = Team(5, 0xFF00FFFF);
  auto original = Make(100.0f, team);
  ASSERT_NE(original->GetArrowAnimation(), nullptr);
  const DistanceRamp ramp{1.0, 1.0, 0.0, 100.0};
  original->ApplyPostEffectRamp(Centre(*original), {u"nichts"}, ramp);
  Worm copy(*original);
  EXPECT_EQ(copy.GetTeam(), team);
  EXPECT_EQ(team->GetWormCount(), 2);
  EXPECT_NE(copy.GetArrowAnimation(), original->GetArrowAnimation());
  EXPECT_NE(copy.GetArrowAnimation(), nullptr);
  EXPECT_TRUE(copy.Effects().empty());
  EXPECT_NE(copy.GetId(), original->GetId());
}

TEST_F(WormWorld, ResetRestoresHealthAndArmsWithTheFirstWeapon) {
  auto w = Make(100.0f);
  w->SetHealth(3.0);
  w->SetPendingDamage(20.0);
  w->poison.push_back({5.0, 2, false});
  w->poisonPerRound = 5.0;
  w->Reset();
  EXPECT_DOUBLE_EQ(w->GetHealth(), 100.0);
  EXPECT_DOUBLE_EQ(w->GetPendingDamage(), 0.0);
  EXPECT_TRUE(w->poison.empty());
  EXPECT_EQ(w->GetWeapon(), nullptr) << "no weapon named Bazooka yet";
  auto file = ParseBody(u"<GRANATE> \"Granate\" <\\GRANATE> <BAZOOKA> \"Bazooka\" <\\BAZOOKA>", u"WAFFEN");
  globals->GetWaffenSet()->Load(file.get());
  w->Reset();
  ASSERT_NE(w->GetWeapon(), nullptr);
  EXPECT_EQ(w->GetWeapon()->GetName(), u"Bazooka");
}

TEST_F(WormWorld, AnimationFollowsTheMovementState) {
  const struct {
    int32_t state;
    int32_t entry;
  } cases[] = {{Person::kJetpack, Person::kAnimJetpack}, {Person::kWalking, Person::kAnimLaufen},
               {Person::kRunning, Person::kAnimRennen},  {Person::kFalling, Person::kAnimFallen},
               {Person::kThrown, Person::kAnimFallen},   {Person::kClimbing, Person::kAnimKlettern},
               {Person::kInWater, Person::kAnimErsoffen}};
  for (const auto& c : cases) {
    auto w = Make(100.0f);
    w->Command(c.state);
    w->UpdateAnimation();
    EXPECT_EQ(w->GetCurrentAnimation(), Entry(*w, c.entry)) << "state " << c.state;
    EXPECT_EQ(w->GetCurrentSecondAnimation(), w->GetSecondAnimation(c.entry));
  }
}

TEST_F(WormWorld, AWaitingWormFidgetsAndStandsAgain) {
  platform::SRand(7);
  auto w = Make(100.0f);
  w->UpdateAnimation();
  // The idle timer starts run out: the first frame already picks a fidget.
  const Animation* fidget = w->GetCurrentAnimation();
  bool isFidget = false;
  for (int i = Person::kAnimDaddel; i < Person::kAnimDaddel + 9; ++i)
    isFidget = isFidget || fidget == Entry(*w, i);
  EXPECT_TRUE(isFidget);
  // Two frames at 10 a second: after 0.2 s it stands for 3 to 5 seconds.
  for (int i = 0; i < 25; ++i) w->UpdateAnimation();
  EXPECT_EQ(w->GetCurrentAnimation(), Entry(*w, Person::kAnimStehen));
  EXPECT_GE(w->GetIdleTimer(), 2.9);
  EXPECT_LE(w->GetIdleTimer(), 5.0);

  // Poisoned, it stands sick and fidgets sick.
  w->poisonPerRound = 4.0;
  w->UpdateAnimation();
  EXPECT_EQ(w->GetCurrentAnimation(), Entry(*w, Person::kAnimKrank));
  for (int i = 0; i < 600 && w->GetCurrentAnimation() == Entry(*w, Person::kAnimKrank); ++i)
    w->UpdateAnimation();
  bool sick = false;
  for (int i = Person::kAnimKrank + 1; i < Person::kAnimKrank + 9; ++i)
    sick = sick || w->GetCurrentAnimation() == Entry(*w, i);
  EXPECT_TRUE(sick);
}

TEST_F(WormWorld, TheCurrentWormHoldsItsWeaponAtTheAim) {
  AnimationManager& animations = *globals->GetAnimationManager();
  auto hold = animations.CreateAnimation(u"A_STEHEN");
  auto hold2 = animations.CreateAnimation(u"B_STEHEN");
  StandInWeapon weapon;
  weapon.SetPose(true, hold.get(), hold2.get(), false);
  weapon.SetPoseAngles(-60.0, 60.0);
  Mannschaft* team = Team(1, 0xFF00FF00);
  weapon.AddTeamRecord(team);
  auto w = Make(100.0f, team);
  w->SetCurrent(true);
  w->SetWeapon(&weapon);
  const struct {
    double aim;
    int frame;
  } cases[] = {{60.0, 0}, {0.0, 0}, {-30.0, 0}, {-60.0, 1}, {-90.0, 1}};
  for (const auto& c : cases) {
    w->SetAimAngle(c.aim);
    w->UpdateAnimation();
    // The worm's own copies of the weapon's pose, standing at the aim's frame.
    ASSERT_NE(w->GetCurrentAnimation(), nullptr);
    EXPECT_NE(w->GetCurrentAnimation(), hold.get());
    EXPECT_EQ(w->GetCurrentAnimation()->GetName(), hold->GetName());
    EXPECT_EQ(w->GetCurrentSecondAnimation()->GetName(), hold2->GetName());
    EXPECT_EQ(w->GetCurrentAnimation()->GetCurrentFrame()->number, c.frame) << c.aim;
  }
  // Without a pose the worm stands.
  weapon.SetPose(true, nullptr, nullptr, false);
  w->UpdateAnimation();
  EXPECT_EQ(w->GetCurrentAnimation(), Entry(*w, Person::kAnimStehen));
}

TEST_F(WormWorld, DeathPlaysOnceThenLeavesTheCorpseInTheGround) {
  auto w = Make(100.0f, Team(9, 0xFFFF00FF));
  w->SetHealth(0.0);
  ASSERT_TRUE(w->IsDead());
  w->StartDeathAnimation();
  const size_t waiting = globals->GetCameraJobs()->Jobs().size();
  w->UpdateAnimation();
  bool dying = false;
  for (int i = Person::kAnimTot; i < Person::kAnimTot + 9; ++i)
    dying = dying || w->GetCurrentAnimation() == Entry(*w, i);
  EXPECT_TRUE(dying);
  EXPECT_EQ(globals->GetCameraJobs()->Jobs().size(), waiting + 1);
  int frames = 0;
  while (!w->IsDeathAnimationDone() && frames < 100) {
    w->UpdateAnimation();
    ++frames;
  }
  EXPECT_NEAR(frames, 20, 2);
  EXPECT_FALSE(w->IsVisible());
  // The grave is terrain now: the worm's box above its feet holds solid pixels.
  EXPECT_TRUE(world->GetGameLandschaft()->IsSolidAt(100, 70));
}

// A worm file without death, fidget or sick animations.
class SparseWorm : public WormWorld {
 protected:
  bool Wanted(int n) const override { return n < Person::kAnimDaddel; }
};

TEST_F(SparseWorm, MissingAnimationsFallBackWithoutHanging) {
  auto w = Make(100.0f);
  w->poisonPerRound = 2.0;
  for (int i = 0; i < 50; ++i) w->UpdateAnimation();
  EXPECT_EQ(w->GetCurrentAnimation(), Entry(*w, Person::kAnimStehen));
  EXPECT_GT(w->GetIdleTimer(), 0.0);
  w->SetHealth(0.0);
  ASSERT_TRUE(w->IsDead());
  w->StartDeathAnimation();
  w->UpdateAnimation();
  EXPECT_TRUE(w->IsDeathAnimationDone());
  EXPECT_TRUE(w->IsVisible()) << "no corpse without TOT_0";
}

}  // namespace
}  // namespace worm_test

namespace worm_test {
namespace {

class WormDrawing : public WormWorld {
 protected:
  const std::vector<platform::DrawRecord>& Draw(const std::function<void()>& draw) {
    platform::GraphicsDevice* device = graphics->GetDevice();
    device->ClearRecordedDraws();
    graphics->GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend);
    draw();
    graphics->GetSpriteRenderer()->End();
    return device->RecordedDraws();
  }
};

TEST_F(WormDrawing, TheTeamLayerGoesUnderTheBodyInTheTeamColour) {
  auto w = Make(100.0f, Team(1, 0xFF4080FF));
  w->UpdateAnimation();
  // Zoom 2, offset (10, 20): the feet at (210, 178), the frame 40 x 60 above them.
  const auto& draws =
      Draw([&] { w->DrawSprites(Vector2(10.0f, 20.0f), Vector2(2.0f, 2.0f), 0xFFFFFFFF, true); });
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].colour, 0xFF4080FFu);
  EXPECT_EQ(draws[1].colour, 0xFFFFFFFFu);
  EXPECT_EQ(draws[1].corners[0], Vector2(190.0f, 121.0f));
  EXPECT_EQ(draws[1].corners[3], Vector2(230.0f, 181.0f));

  // Facing left the frame is mirrored in the same place.
  w->SetFacingRight(false);
  const auto& mirrored =
      Draw([&] { w->DrawSprites(Vector2(10.0f, 20.0f), Vector2(2.0f, 2.0f), 0xFFFFFFFF, true); });
  ASSERT_EQ(mirrored.size(), 2u);
  EXPECT_EQ(mirrored[1].corners[0], Vector2(230.0f, 121.0f));
  EXPECT_EQ(mirrored[1].corners[3], Vector2(190.0f, 181.0f));

  // Invisible or held back, nothing is drawn.
  w->status = 2;
  EXPECT_TRUE(Draw([&] { w->DrawSprites(Vector2(), Vector2(1.0f, 1.0f), 0xFFFFFFFF, true); }).empty());
}

TEST_F(WormDrawing, TheAimShowsTheCrosshairAndTheChargeDots) {
  TexturPartDesc desc;
  const Rect whole{0, 0, 16, 16};
  desc.source = std::make_shared<platform::Texture>(16, 16);
  desc.sourceRect = &whole;
  TexturPart dot(graphics.get(), desc);
  Mannschaft* team = Team(1, 0xFF00FF00);
  auto w = Make(100.0f, team);
  w->SetChargeTexture(&dot);
  StandInWeapon weapon;
  weapon.AddTeamRecord(team);
  weapon.charges = true;
  w->SetWeapon(&weapon);
  w->UpdateAnimation();
  // Not its turn: no aim.
  EXPECT_TRUE(Draw([&] { w->DrawAim(Vector2(), Vector2(1.0f, 1.0f), 0xFFFFFFFF); }).empty());

  w->SetCurrent(true);
  globals->crosshairDistance = 100.0;
  // Aim straight ahead: the crosshair 100 to the right of the shot position (10, -30 from the feet).
  const auto& plain = Draw([&] { w->DrawAim(Vector2(), Vector2(1.0f, 1.0f), 0xFFFFFFFF); });
  ASSERT_EQ(plain.size(), 1u);
  EXPECT_EQ(plain[0].corners[0], Vector2(210.0f - 16.0f, 49.0f - 20.0f));

  // Half charged at zoom 1: 50 dots, the last half way out and greener.
  w->SetStrength(0.5);
  const auto& charged = Draw([&] { w->DrawAim(Vector2(), Vector2(1.0f, 1.0f), 0xFFFFFFFF); });
  ASSERT_EQ(charged.size(), 51u);
  EXPECT_EQ(charged[1].colour, 0x10FF0000u);
  EXPECT_EQ(charged[1].texture, dot.texture);
  const platform::DrawRecord& last = charged.back();
  EXPECT_NEAR((last.corners[0].x + last.corners[3].x) / 2.0f, 110.0f + 25.0f, 1.0f);
  EXPECT_GT(last.colour >> 24, 0x10u);
  EXPECT_GT(last.colour & 0x0000FF00u, 0u);

  // Any colour but plain draws everything in that colour.
  for (const auto& d : Draw([&] { w->DrawAim(Vector2(), Vector2(1.0f, 1.0f), 0x80FFFFFF); }))
    EXPECT_EQ(d.colour, 0x80FFFFFFu);
}

// Which worms show their label in each of the manager's five label modes: the worm at turn,
// another worm of its team and a worm of another team.
TEST_F(WormDrawing, TheLabelModeChoosesWhoseLabelsShow) {
  Mannschaft* atTurn = Team(1, 0xFFFF8000);
  Mannschaft* other = Team(2, 0xFF0080FF);
  auto current = Make(100.0f, atTurn);
  auto mate = Make(200.0f, atTurn);
  auto enemy = Make(300.0f, other);
  current->SetCurrent(true);
  Manager().SetCurrentTeam(atTurn);
  Manager().showArrows = false;
  const struct {
    int32_t mode;
    bool current, mate, enemy;
  } cases[] = {{WormManager::kNoLabels, false, false, false},
               {WormManager::kAllLabels, true, true, true},
               {WormManager::kCurrentTeam, true, true, false},
               {WormManager::kOtherTeams, false, false, true},
               {WormManager::kCurrentWorm, true, false, false}};
  for (const auto& c : cases) {
    Manager().labelMode = c.mode;
    auto shows = [&](Worm& w) { return !Draw([&] { w.DrawLabel(Vector2(), Vector2(1.0f, 1.0f)); }).empty(); };
    EXPECT_EQ(shows(*current), c.current) << "mode " << c.mode;
    EXPECT_EQ(shows(*mate), c.mate) << "mode " << c.mode;
    EXPECT_EQ(shows(*enemy), c.enemy) << "mode " << c.mode;
  }
  Manager().SetCurrentTeam(nullptr);
}

TEST_F(WormDrawing, TheCurrentWormHasItsArrowAboveTheLabel) {
  Mannschaft* team = Team(1, 0xFFFF8000);
  auto w = Make(100.0f, team);
  w->UpdateAnimation();
  Manager().labelMode = WormManager::kNoLabels;
  EXPECT_TRUE(Draw([&] { w->DrawLabel(Vector2(), Vector2(1.0f, 1.0f)); }).empty());
  w->SetCurrent(true);
  const auto& arrow = Draw([&] { w->DrawLabel(Vector2(), Vector2(1.0f, 1.0f)); });
  ASSERT_EQ(arrow.size(), 1u);
  EXPECT_EQ(arrow[0].colour, 0xFFFF8000u);
  // 100 x 50, its bottom 10 above the worm's top (79 - 30).
  EXPECT_EQ(arrow[0].corners[0], Vector2(50.0f, -11.0f));
  EXPECT_EQ(arrow[0].corners[3], Vector2(150.0f, 39.0f));

  // With the label the arrow moves up by the label's height; the label is measured once.
  Manager().labelMode = WormManager::kAllLabels;
  const auto& labelled = Draw([&] { w->DrawLabel(Vector2(), Vector2(1.0f, 1.0f)); });
  ASSERT_FALSE(labelled.empty());
  EXPECT_LT(labelled.back().corners[3].y, 39.0f);
}

}  // namespace
}  // namespace worm_test

namespace worm_test {
namespace {

// The shipped template worm: its preset, every animation of the table in both layers, the
// arrows and the charge dot, all from the archive.
TEST(WormContent, TheShippedTemplateWormIsComplete) {
  APIContext context;
  context.title = u"Krumbolt";
  context.configuration = std::make_unique<KVNode>(u"Config");
  DisplayEnvironment display;
  display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  graphics.UseNullDevice(true);
  ASSERT_EQ(graphics.Create(), kResultOk);
  context.graphics = &graphics;
  MyGlobals globals(&context);
  globals.LoadSettings();
  globals.CreateDeviceObjects();
  const DataArchive* archive = globals.GetArchive();
  ASSERT_NE(archive, nullptr) << "the archive (KRUMBOLT_GOB)";
  globals.GetAnimationManager()->LoadFile(LoadKVFromArchive(u"animationen.ani", archive).get(), archive);
  auto roster = LoadKVFromArchive(u"worms_default.wrm", archive);
  ASSERT_TRUE(roster);
  const KVNode* body = roster->GetChild(0, u"DEFAULT_WORM")->GetChild(0, u"PARTIKEL_INFO_DIREKT");
  ASSERT_NE(body, nullptr);
  EXPECT_TRUE(PartikelInfo::UnknownKeys(*body).empty());
  WormManager& manager = *globals.GetWormManager();
  testing::internal::CaptureStderr();
  manager.Load(roster.get());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const Worm* w = manager.GetDefaultWorm();
  ASSERT_NE(w, nullptr);
  const WormEigenschaften& e = w->GetEigenschaften();
  EXPECT_DOUBLE_EQ(e.startHealth, 100.0);
  EXPECT_DOUBLE_EQ(e.radius, 14.0);
  EXPECT_EQ(*const_cast<Worm*>(w)->GetSize(), Vector2(28.0f, 35.0f));
  EXPECT_NE(w->GetArrowAnimation(), nullptr);
  EXPECT_NE(w->GetSwitchArrowAnimation(), nullptr);
  for (int32_t n = 0; n < Person::kAnimationCount; ++n) {
    const std::u16string name = Person::AnimationName(n);
    const bool required = n <= Person::kAnimErsoffen && n != Person::kAnimFallen2 &&
                          n != Person::kAnimRutschen && n != Person::kAnimAufstehen;
    if (name.empty() ||
        !(required || n == Person::kAnimTot || n == Person::kAnimKrank || n == Person::kAnimDaddel))
      continue;
    SCOPED_TRACE(platform::U16ToUtf8(name));
    ASSERT_NE(w->GetAnimation(n), nullptr);
    ASSERT_NE(w->GetSecondAnimation(n), nullptr);
    const AnimationFrame* frame = w->GetAnimation(n)->GetCurrentFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_NE(frame->texture, nullptr);
    EXPECT_EQ(frame->rect.right - frame->rect.left, n == Person::kAnimFadenkreuz ? 32 : 64);
  }
  // The death ends on the grave: played once, and finished on its last frame.
  EXPECT_GT(w->GetAnimation(Person::kAnimTot)->GetFrameLimit(), 0);
  EXPECT_GT(w->GetAnimation(Person::kAnimDaddel)->GetFrameLimit(), 0);
  EXPECT_EQ(w->GetAnimation(Person::kAnimStehen)->GetFrameLimit(), 0);
  const std::u16string dot = Worm::kChargeTexture;
  EXPECT_NE(graphics.GetTexturDefCache()->Get(dot, nullptr, nullptr, archive), nullptr);

  // A render-effect ramp arms the poison wobble on a worm near enough, once per name.
  globals.GetPostEffects()->Load(LoadKVFromArchive(u"PostEffects.efx", archive).get(), archive);
  Worm copy(*w);
  const Vector2 centre = *copy.GetPosition();
  const DistanceRamp ramp{2.0, 0.0, 0.0, 50.0};
  const Vector2 far = centre + Vector2(0.0f, -200.0f);
  copy.ApplyPostEffectRamp(far, {u"GIFT_WOBBLE"}, ramp);
  EXPECT_TRUE(copy.Effects().empty());
  copy.ApplyPostEffectRamp(centre, {u"GIFT_WOBBLE", u"KEIN_EFFEKT"}, ramp);
  ASSERT_EQ(copy.Effects().size(), 1u);
  EXPECT_TRUE(copy.Effects()[0]->IsArmed());
  EXPECT_NE(copy.Effects()[0]->GetAnimator(), nullptr);
  copy.Effects()[0]->Stop();
  copy.ApplyPostEffectRamp(centre, {u"GIFT_WOBBLE"}, ramp);
  ASSERT_EQ(copy.Effects().size(), 1u);
  EXPECT_TRUE(copy.Effects()[0]->IsArmed());
}

}  // namespace
}  // namespace worm_test

namespace worm_test {
namespace {

TEST_F(WormDrawing, TheRenderExtraPassDrawsTheWormInItsEntrysColour) {
  auto doc = ParseBody(
      u"<EINTRAG> <NAME> \"SCHATTEN\" <\\NAME> <RENDERABLE> \"WORMS\" <\\RENDERABLE>"
      u" <COLORKEYS> \"WORMS\" <EINTRAG> \"0\" \"FF000000\" \"1\" <\\EINTRAG> <\\COLORKEYS> <\\EINTRAG>"
      u"<EINTRAG> <NAME> \"LEUCHTEN\" <\\NAME> <RENDERABLE> \"WORMS\" <\\RENDERABLE>"
      u" <COLORKEYS> \"WORMS\" <EINTRAG> \"0\" \"FF30FF30\" \"1\" <\\EINTRAG> <\\COLORKEYS> <\\EINTRAG>"
      u"<EINTRAG> <NAME> \"OHNE\" <\\NAME> <RENDERABLE> \"PARTIKEL\" <\\RENDERABLE> <\\EINTRAG>",
      u"RENDEREXTRAS");
  RenderExtraListe& extras = *globals->GetRenderExtras();
  extras.Load(doc.get());
  auto w = Make(100.0f, Team(1, 0xFFFF0000));
  w->UpdateAnimation();
  const struct {
    const char16_t* entry;
    bool reported;
    size_t draws;
    Argb colour;
  } cases[] = {
      {u"SCHATTEN", false, 2, 0xFF000000}, {u"LEUCHTEN", true, 2, 0xFF30FF30}, {u"OHNE", false, 0, 0}};
  for (const auto& c : cases) {
    const std::u16string name = c.entry;
    ASSERT_NE(extras.Find(&name), nullptr);
    bool reported = false;
    const auto& draws = Draw([&] { reported = w->DrawRenderExtra(Vector2(), Vector2(1.0f, 1.0f)); });
    EXPECT_EQ(reported, c.reported) << platform::U16ToUtf8(name);
    ASSERT_EQ(draws.size(), c.draws);
    // Both layers in the entry's colour, the team layer untinted.
    for (const auto& d : draws) EXPECT_EQ(d.colour, c.colour);
  }
}

}  // namespace
}  // namespace worm_test

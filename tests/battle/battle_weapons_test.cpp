// Every weapon of the shipped weapon file in a real battle: two scripted teams take turns on
// the menu level, each turn a worm takes the next weapon and plays it with the keys and the
// mouse as a player would (aim and charge, click a target, steer what was sent out, place
// gates and pictures, switch worms). Each weapon must do its work, and the battle must keep
// every rule the harness checks and go on to the next turn.
#include "battle_weapons.h"

#include "battle/waffen_nahkampf.h"
#include "posteffects/posteffectinstance.h"
#include "support/battle_harness.h"
#include "support/user_folder.h"

using namespace battle_weapons;

TEST(BattleWeapons, EveryWeaponOfTheFileWorksInABattleAndTheBattleGoesOn) {
  UserFolder folder;
  auto plan = std::make_shared<Plan>();

  HeadlessBattleConfig config = WeaponBattle(plan);
  BattleHarness harness(config);
  harness.requireDecision = false;
  HeadlessBattle& battle = harness.Battle();
  plan->battle = &battle;

  // Watch every frame of every weapon's turn (after the harness's own checks).
  auto checks = battle.onFrame;
  const PartikelInfo* flame = nullptr;
  battle.onFrame = [&, checks](HeadlessBattle& b) {
    if (checks) checks(b);
    if (!flame) flame = b.Globals().GetPartikelListe()->FindInfo(u"FLAMME");
    if (const auto* rausch = dynamic_cast<PostEffectWaffe*>(b.Globals().GetWaffenSet()->FindByName(u"Rausch")))
      for (const auto& instance : rausch->GetInstances()) plan->dazzled = plan->dazzled || instance->IsActive();
    Waffe* w = plan->weapon;
    if (!w || plan->turnOver) return;
    Seen& s = plan->seen[w->GetName()];
    MyGlobals& g = b.Globals();
    // A use that ends the turn ends it in the same frame: the hand-over has already reset
    // the turn's counts. A turn that ended well before its clock ran out was used.
    if (b.GetLevel().GetTurnCount() != plan->turn) {
      plan->turnOver = true;
      s.used = s.used || plan->clockLeft > 2.0;
      s.gatesAfter = g.GetTeleporterListe()->GetPlaced().size();
      s.end = At(*plan->firstWorm);
      return;
    }
    plan->clockLeft = b.GetLevel().GetTurnTimeLeft();
    s.active = s.active || w->IsActive();
    if (const auto* runners = dynamic_cast<const Selbstmoerder*>(w)) {
      std::map<uint32_t, double> now;
      for (const auto& r : runners->GetRunners()) now[r.person->GetId()] = r.lifeLeft;
      for (const auto& [id, life] : s.runnerLife)
        if (!now.count(id) && life > 1.0) s.runnerMetSomething = true;
      s.runnerLife = now;
    }
    s.dazzledInItsTurn = s.dazzledInItsTurn || (w->GetName() == u"Rausch" && plan->dazzled);
    s.used = s.used || w->GetUsesThisTurn() > 0;
    if (const Worm* worm = b.GetLevel().GetActiveWorm()) {
      s.highest = std::min(s.highest, At(*worm).y);
      s.switched = s.switched || worm != plan->firstWorm;
    }
    s.gatesAfter = g.GetTeleporterListe()->GetPlaced().size();
    s.fieldsAfter = g.GetKraftfeldListe()->GetActive().size();
    for (const auto& p : g.GetPartikelListe()->MainList()) s.flames += p->GetInfo() == flame;
    if (w->GetName() == u"Bauen") s.solidAfter = SolidAround(g, s.target, 40);
    if (w->GetName() == u"Erosion" && s.solidBefore == 0) s.solidBefore = SolidAround(g, s.target, 60);
    if (w->GetName() == u"Erosion") s.solidAfter = SolidAround(g, s.target, 60);
  };

  const HeadlessBattleResult result = harness.Play();
  ASSERT_TRUE(result.started) << U8(result.error);
  EXPECT_EQ(harness.Report(), "");
  EXPECT_GT(result.turns, int32_t(kWeapons)) << "the battle went on after the last weapon";
  EXPECT_FALSE(result.decided) << "nobody died: the worms had health to spare";

  for (const char16_t* name : kOrder) {
    SCOPED_TRACE(U8(name));
    const Seen& s = plan->seen[name];
    ASSERT_GE(s.turn, 0) << "its turn came";
    EXPECT_TRUE(s.selected);
    // The switch counts no use: it opens switching, and Tab then hands the turn on.
    if (std::u16string(name) == u"Wurmwechsel") {
      EXPECT_TRUE(s.switched) << "another worm of the team took the turn";
      continue;
    }
    EXPECT_TRUE(s.used) << "a use was counted";
  }
  const auto& seen = plan->seen;
  EXPECT_NEAR(seen.at(u"Teleport").end.x, seen.at(u"Teleport").target.x, 2.0f) << "it went where clicked";
  EXPECT_EQ(seen.at(u"Beamer").gatesAfter, seen.at(u"Beamer").gatesBefore + 3) << "a chain of three gates";
  EXPECT_GE(seen.at(u"Schild").fieldsAfter, 1u) << "the shield stands";
  EXPECT_LT(seen.at(u"Jetpack").highest, seen.at(u"Jetpack").start.y - 40.0f) << "the worm flew up";
  EXPECT_GT(seen.at(u"Bauen").solidAfter, seen.at(u"Bauen").solidBefore + 200) << "the picture was built in";
  EXPECT_LT(seen.at(u"Erosion").solidAfter, seen.at(u"Erosion").solidBefore - 100) << "the ground was eaten";
  EXPECT_GT(seen.at(u"Flammenwerfer").flames, 20) << "flames flew";
  EXPECT_TRUE(seen.at(u"Laeufer").runnerMetSomething) << "a runner went off where it met something";
  // The dazzle started when its turn ended, for the rounds the number key chose.
  const auto* rausch = dynamic_cast<PostEffectWaffe*>(battle.Globals().GetWaffenSet()->FindByName(u"Rausch"));
  ASSERT_NE(rausch, nullptr);
  ASSERT_FALSE(rausch->GetInstances().empty()) << "the effect weapon has its effects";
  EXPECT_EQ(rausch->GetRounds(), 3);
  EXPECT_TRUE(plan->dazzled);
  EXPECT_FALSE(seen.at(u"Rausch").dazzledInItsTurn) << "not before its turn ended";
}

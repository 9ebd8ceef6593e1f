// Gates, shields, crates and a poisoned worm's view in a battle on the menu level, played
// headless at 0.01 s a frame with the shipped content: crates fall only as the turn passes to
// the other team and come to rest on the ground, a worm that steps into a gate comes out of
// its partner, a shield turns a rocket away, and a worm hit by poison gas sees the world
// wobble during its own turn and not during the others'.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "battle_moments.h"
#include "objects/bonussettings.h"
#include "platform/text.h"
#include "world/collisionshape.h"

namespace {

using namespace battle_moments;

std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

TEST(BattleObjects, CratesFallAsTheTurnPassesToTheOtherTeamAndRestOnTheGround) {
  HeadlessBattle battle(IdleBattle(3, 3.0));
  ASSERT_TRUE(battle.Start()) << U8(battle.Result().error);
  Level& level = battle.GetLevel();
  BonusSettings& crates = *battle.Globals().GetBonusSettings();
  EXPECT_EQ(crates.GetCurrent().GetName(), u"DEFAULT") << "the level's set";
  size_t dropped = crates.GetCurrent().droppedIds.size();
  int32_t changes = level.GetTeamChangeCount();
  int drops = 0;
  while (level.GetTeamChangeCount() < 6 && battle.Step()) {
    const size_t now = crates.GetCurrent().droppedIds.size();
    if (now != dropped) {
      ++drops;
      EXPECT_EQ(level.GetTeamChangeCount(), changes + 1) << "only in the frame the turn passed over";
      EXPECT_GT(level.GetHoldTime(), 0.0) << "the players watch it fall";
    }
    dropped = now;
    changes = level.GetTeamChangeCount();
  }
  // The chance grows by a quarter with every change without a drop: by the fourth it is certain.
  EXPECT_GE(drops, 2);
  // They sail down slowly; those not picked up come to rest on the ground.
  const std::vector<uint32_t> ids = crates.GetCurrent().droppedIds;
  // At rest: none moved by a pixel in the last second (a new crate starts at rest, in the air).
  std::vector<Vector2> before;
  auto landed = [&] {
    std::vector<Vector2> now;
    for (uint32_t id : ids)
      if (Objekt* crate = battle.Globals().FindObject(id)) now.push_back(*crate->GetPosition());
    bool still = now.size() == before.size();
    for (size_t i = 0; still && i < now.size(); ++i) still = (now[i] - before[i]).Length() < 1.0f;
    before = now;
    return still;
  };
  bool rested = false;
  for (int second = 0; second < 60 && !rested; ++second) {
    StepUntil(battle, 100, [] { return false; });
    rested = landed();
  }
  EXPECT_TRUE(rested);
  int resting = 0;
  for (uint32_t id : ids) {
    Objekt* crate = battle.Globals().FindObject(id);
    if (!crate) continue;
    ++resting;
    const Vector2 p = *crate->GetPosition();
    SCOPED_TRACE(testing::Message() << "crate at " << p.x << ", " << p.y);
    // Its box as the world's collision test sees it: free a pixel higher (a crate on a slope
    // settles by less than a pixel into it), on ground two pixels lower.
    const Vector2 half = *crate->GetSize() * 0.5f;
    CollisionShape box;
    box.kind = CollisionShape::kBox;
    box.points[0] = p - half - Vector2(0.0f, 1.0f);
    box.points[1] = p + half - Vector2(0.0f, 1.0f);
    Vector2 hit;
    EXPECT_FALSE(battle.Globals().GetWelt()->TestCollision(box, hit)) << "never in the ground";
    box.points[0].y += 3.0f;
    box.points[1].y += 3.0f;
    EXPECT_TRUE(battle.Globals().GetWelt()->TestCollision(box, hit)) << "on it";
  }
  EXPECT_GT(resting, 0);
}

TEST(BattleObjects, AWormAtAGateComesOutOfItsPartner) {
  HeadlessBattle battle(IdleBattle(4, 30.0));
  ASSERT_TRUE(battle.Start()) << U8(battle.Result().error);
  ASSERT_TRUE(StepUntil(battle, 200, [&] { return battle.GetLevel().GetActiveWorm() != nullptr; }));
  Worm* worm = battle.GetLevel().GetActiveWorm();
  const Vector2 start = *worm->GetPosition();
  // The partner stands 500 pixels away, wherever that is on the ground.
  Vector2 far = start + Vector2(start.x < 0.0f ? 500.0f : -500.0f, -300.0f);
  ASSERT_TRUE(PlaceGates(battle, {start, far}));
  const auto& gates = battle.Globals().GetTeleporterListe()->GetPlaced();
  ASSERT_EQ(gates.size(), 2u);
  Teleporter* target = gates[1].get();
  EXPECT_EQ(gates[0]->GetLinked(), std::vector<Teleporter*>{target});
  ASSERT_TRUE(StepUntil(battle, 20, [&] { return !target->GetRecentIds().empty(); }));
  // The partner keeps the worm in mind while it is near; the first forgets it as it left.
  EXPECT_EQ(target->GetRecentIds(), std::vector<uint32_t>{worm->GetId()});
  EXPECT_TRUE(gates[0]->GetRecentIds().empty());
  EXPECT_NEAR(worm->GetPosition()->x, target->GetPosition()->x, 1.0f) << "sent to the partner";
  EXPECT_FALSE(target->IsReady());
  EXPECT_FALSE(gates[0]->IsReady());
  // Both rest, then take things again; the worm is not sent straight back.
  StepUntil(battle, 300, [] { return false; });
  EXPECT_GT(std::abs(worm->GetPosition()->x - start.x), 300.0f);
}

TEST(BattleObjects, AShieldTurnsARocketAway) {
  HeadlessBattle battle(IdleBattle(5, 30.0));
  ASSERT_TRUE(battle.Start()) << U8(battle.Result().error);
  ASSERT_TRUE(StepUntil(battle, 200, [&] { return battle.GetLevel().GetActiveWorm() != nullptr; }));
  // High above the worm, where the rocket's way is free.
  const Vector2 feet = *battle.GetLevel().GetActiveWorm()->GetPosition();
  Vector2 centre = feet + Vector2(0.0f, -250.0f);
  for (float up = 250.0f; up < 700.0f; up += 50.0f) {
    centre = feet + Vector2(0.0f, -up);
    bool free = true;
    for (float dx = -300.0f; dx <= 300.0f; dx += 10.0f)
      for (float dy = -100.0f; dy <= 100.0f; dy += 10.0f) free &= IsAir(battle, centre + Vector2(dx, dy));
    if (free) break;
  }
  Kraftfeld* shield = RaiseShield(battle, centre);
  ASSERT_NE(shield, nullptr);
  const uint32_t rocket = FireRocket(battle, centre - Vector2(200.0f, 0.0f), {700.0f, 0.0f});
  ASSERT_NE(rocket, 0u);
  float closest = 1e9f;
  bool turned = false;
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(battle.Step());
    Objekt* shell = battle.Globals().FindObject(rocket);
    ASSERT_NE(shell, nullptr) << "it flies on, frame " << i;
    closest = std::min(closest, (*shell->GetPosition() - centre).Length());
    turned |= shell->GetSpeed()->x < 0.0f;
  }
  EXPECT_TRUE(turned);
  EXPECT_GT(closest, float(shield->GetInnerRadius())) << "never inside";
  EXPECT_EQ(shield->GetHits(), 1);
}

TEST(BattleObjects, APoisonedWormsViewWobblesDuringItsOwnTurns) {
  HeadlessBattle battle(IdleBattle(6, 4.0));
  ASSERT_TRUE(battle.Start()) << U8(battle.Result().error);
  Level& level = battle.GetLevel();
  ASSERT_TRUE(StepUntil(battle, 200, [&] { return level.GetActiveWorm() != nullptr; }));
  Mannschaft* playing = level.GetActiveTeam();
  Mannschaft* poisoned = battle.Teams()[0] == playing ? battle.Teams()[1] : battle.Teams()[0];
  GasAt(battle, *poisoned);
  for (Worm* worm : poisoned->PlayOrder()) {
    ASSERT_EQ(worm->Effects().size(), 1u);
    EXPECT_EQ(worm->Effects()[0]->GetName(), u"GIFT_WOBBLE");
    EXPECT_TRUE(worm->Effects()[0]->IsArmed());
  }
  StepUntil(battle, 100, [] { return false; });
  EXPECT_EQ(ListedWobble(battle), nullptr) << "not in the other team's turn";

  ASSERT_TRUE(StepUntil(battle, 1000, [&] { return level.GetActiveTeam() == poisoned; }));
  Worm* worm = level.GetActiveWorm();
  ASSERT_FALSE(worm->Effects().empty());
  EXPECT_TRUE(worm->Effects()[0]->IsActive());
  ASSERT_NE(ListedWobble(battle), nullptr);
  StepUntil(battle, 100, [] { return false; });
  ASSERT_NE(ListedWobble(battle), nullptr);
  EXPECT_GT(ListedWobble(battle)->ParamF_1(), 0.002f) << "the picture sways";

  ASSERT_TRUE(StepUntil(battle, 1000, [&] { return level.GetActiveTeam() != poisoned; }));
  EXPECT_TRUE(StepUntil(battle, 150, [&] { return ListedWobble(battle) == nullptr; }))
      << "it blends out when the turn passes on";
}

}  // namespace

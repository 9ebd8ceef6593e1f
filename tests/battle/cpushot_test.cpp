// The computer control choosing a blow in a small battle: the damage it expects is the
// blow's within the reach of its body around its own feet, where the blow lands; the
// shooter itself is never counted among the hurt, and an enemy out of reach scores nothing.
#include <gtest/gtest.h>

#include "battle/cpusteuerung.h"
#include "battle/waffen_nahkampf.h"
#include "weapon_world.h"

namespace {

using weapon_test::WeaponWorld;

class CpuBlow : public WeaponWorld {
 protected:
  void TearDown() override {
    control.TakeOver(nullptr);
    WeaponWorld::TearDown();
  }
  // A turn without walking, up to the frame after the choice.
  void PlayToTheChoice() {
    control.SetThreaded(false);
    control.movement = 0.0;
    control.weapons = {u"Schlaeger"};
    shooter->SetCurrent(true);
    control.TakeOver(shooter);
    for (int frame = 0; frame < 200 && control.GetMode() == CPUSteuerung::kChooseShot; ++frame) control.Update();
  }

  CPUSteuerung control{u"CPU_TEST"};
};

TEST_F(CpuBlow, ScoresTheBlowAroundItsOwnFeetAndSparesItself) {
  MakeInSet<Nahkampfwaffe>(u"NAHKAMPFWAFFE", u"<NAME> \"Schlaeger\" <\\NAME> <STEUERUNGSTYP> \"4\" <\\STEUERUNGSTYP>"
                                             u"<MAX_SCHADEN> \"30\" <\\MAX_SCHADEN>");
  const struct {
    float enemyX;
    double enemyDamage;
  } cases[] = {{250.0f, 0.0}, {90.0f, 30.0}};
  AddWorm({200.0f, 149.0f}, own);  // a team mate out of reach
  size_t enemies = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(k.enemyX);
    // The enemies stay: the far one adds nothing to the near one's blow.
    AddWorm({k.enemyX, 149.0f}, enemy);
    ++enemies;
    PlayToTheChoice();
    ASSERT_EQ(control.GetMode(), CPUSteuerung::kAimAndFire);
    ASSERT_EQ(control.GetCandidates().size(), enemies);
    const ShotCandidate& c = control.GetCandidates()[size_t(control.GetChosenCandidate())];
    EXPECT_EQ(c.impact, *shooter->GetPosition());
    EXPECT_DOUBLE_EQ(c.enemyDamage, k.enemyDamage);
    EXPECT_DOUBLE_EQ(c.ownDamage, 0.0);
    EXPECT_DOUBLE_EQ(c.score, k.enemyDamage);
    EXPECT_EQ(shooter->GetWeapon(), active);
    control.TakeOver(nullptr);
  }
}

}  // namespace

// The display over a running battle: the weapon key opens the store through the battle and
// the display follows; taking a weapon from it arms the worm and closes the battle's store
// too; a new turn closes it; the pause button pauses and resumes the battle.
#include "battle/leveldisplay.h"

#include <gtest/gtest.h>

#include "battle/headlessbattle.h"
#include "battle/level.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/myglobals.h"
#include "objects/worm.h"
#include "support/user_folder.h"

namespace {

InputState MouseOn(const GUIElement* e) {
  InputState state;
  state.mouseX = e->GetRect().x + e->GetRect().width / 2;
  state.mouseY = e->GetRect().y + e->GetRect().height / 2;
  return state;
}

HeadlessBattleConfig IdleBattle() {
  HeadlessBattleConfig c;
  c.level = u"mainmenu.lvl";
  c.seed = 11;
  c.wormsPerTeam = 1;
  HeadlessBattleConfig::Team idle;
  idle.control = HeadlessBattleConfig::Control::kIdle;
  c.teams = {idle, idle};
  return c;
}

TEST(BattleWithDisplay, StoreFollowsTheBattleAndArmsTheWorm) {
  UserFolder folder;
  HeadlessBattle battle(IdleBattle());
  ASSERT_TRUE(battle.Start());
  Level& level = battle.GetLevel();
  MyGlobals& globals = battle.Globals();
  LevelDisplay display(level, &globals, &battle.Context());
  display.BeginRound();
  LevelHud& hud = display.GetHud();
  Worm* worm = level.GetActiveWorm();
  ASSERT_NE(worm, nullptr);
  EXPECT_TRUE(display.IsRoundStarted());
  EXPECT_TRUE(display.IsRunning());
  EXPECT_DOUBLE_EQ(display.GetTurnTimeLeft(), level.GetTurnTimeLeft());
  auto frames = [&](int n) {
    for (int i = 0; i < n; ++i) display.Update();
  };

  // The weapon key (a toggle request) opens the battle's store, and the display's with it.
  globals.panelRequest = 3;
  frames(1);
  EXPECT_NE(level.GetPanelAnimator().GetTarget(), 0.0);
  EXPECT_TRUE(hud.IsStoreOpening());
  frames(20);
  EXPECT_DOUBLE_EQ(hud.GetPanelAnimator().GetValue(), 1.0);

  // Taking the grenade arms the worm; the battle's store closes with the display's.
  Waffe* grenade = globals.GetWaffenSet()->FindByName(u"Granate");
  ASSERT_NE(grenade, nullptr);
  GUIElement* cell = nullptr;
  for (size_t i = 0; i < hud.GetStorePanel()->GetChildCount(); ++i)
    if (hud.GetCellWeapon(hud.GetStorePanel()->GetChild(i)->GetId().id) == grenade)
      cell = hud.GetStorePanel()->GetChild(i);
  ASSERT_NE(cell, nullptr);
  const InputState click = MouseOn(cell);
  hud.OnMouseMove(&click);
  hud.OnLeftButtonDown(&click);
  EXPECT_EQ(worm->GetWeapon(), grenade);
  EXPECT_FALSE(hud.IsStoreOpening());
  frames(1);
  EXPECT_DOUBLE_EQ(level.GetPanelAnimator().GetTarget(), 0.0);
  frames(20);
  EXPECT_FALSE(hud.IsStoreOpening());
  EXPECT_DOUBLE_EQ(hud.GetPanelAnimator().GetValue(), 0.0);

  // Open again, then the turn passes: the battle closes the store and the display follows.
  worm->SetWeapon(nullptr);
  globals.panelRequest = 1;
  frames(1);
  ASSERT_TRUE(hud.IsStoreOpening());
  level.SetTurnTimeLeft(-1.0);
  for (int i = 0; i < 2000 && level.GetActiveWorm() == worm; ++i) frames(1);
  ASSERT_NE(level.GetActiveWorm(), worm);
  frames(1);
  EXPECT_FALSE(hud.IsStoreOpening());

  // The pause button pauses the battle and a second press resumes it.
  const InputState pause = MouseOn(hud.FindElement(LevelHud::kPauseButton));
  hud.OnLeftButtonDown(&pause);
  EXPECT_FALSE(display.IsRunning());
  const double clock = level.GetTurnTimeLeft();
  frames(10);
  EXPECT_DOUBLE_EQ(level.GetTurnTimeLeft(), clock);
  hud.OnLeftButtonDown(&pause);
  EXPECT_TRUE(display.IsRunning());
}

}  // namespace

namespace {

// A battle played to its end: the result box holds the headline and eight label/value rows.
TEST(BattleWithDisplay, BookedRoundShowsItsHeadlineAndWhoStoodOut) {
  UserFolder folder;
  HeadlessBattleConfig config = IdleBattle();
  config.teams[0].control = config.teams[1].control = HeadlessBattleConfig::Control::kScripted;
  HeadlessBattle battle(config);
  ASSERT_TRUE(battle.Start());
  LevelDisplay display(battle.GetLevel(), &battle.Globals(), &battle.Context());
  display.BeginRound();
  std::u16string headline;
  const HeadlessBattleResult result = battle.Run();
  ASSERT_TRUE(result.decided) << result.cappedBy;
  battle.GetLevel().UpdateRoundStatistics();
  const auto lines = display.ResultLines(&headline);
  EXPECT_FALSE(headline.empty());
  ASSERT_EQ(lines.size(), 8u);
  for (const auto& line : lines) {
    EXPECT_FALSE(line.label.empty());
    EXPECT_FALSE(line.value.empty());
  }
  display.RenderResult();
}

}  // namespace

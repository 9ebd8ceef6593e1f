// The first scene's battles on OpenGL offscreen, played with the keyboard: H starts two players
// at one keyboard on the menu world, Space held fires the worm's bazooka, the turn passes to the
// other team with a message, a team wiped out ends the round with its result, and Enter
// starts the next battle. The pictures are written beside the build ("menubattle_*.png") for
// looking at.
#include <gtest/gtest.h>

#include "battle/cpusteuerung.h"
#include "battle/level.h"
#include "battle/steuerungliste.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "frontend/menubattle.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/input.h"
#include "platform/text.h"
#include "posteffects/posteffectlibrary.h"
#include "battle/cameramanager.h"
#include "support/gl_engine.h"

namespace {

constexpr uint8_t kHotSeatKey = 35, kEnter = 28, kSpace = 57;

bool Contains(const std::vector<std::u16string>& lines, const std::u16string& part) {
  for (const auto& line : lines)
    if (line.find(part) != std::u16string::npos) return true;
  return false;
}

TEST(MenuBattle, HStartsAHotSeatBattleThatPlaysToItsResultAndEnterTheNext) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  MyGlobals* game = engine.game;
  platform::ScriptedInputDevice* keys = engine.keys;
  MainMenu menu(&engine.context);
  ASSERT_NE(menu.GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  if (PostEffectLibrary* library = game->GetPostEffects()) library->StopLevelEffects();
  MenuBattle& battle = *menu.GetBattle();
  auto frames = [&](double seconds) {
    engine.Step(int(seconds * 100.0 + 0.5), [&] {
      engine.input->Update();
      menu.Update();
    });
  };
  platform::GraphicsDevice* device = engine.graphics->GetDevice();
  const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
  // The pictures look at the worm at turn (the test's pointer rests in a corner, where it
  // would scroll the view).
  auto picture = [&](const char* name) {
    if (const Worm* worm = battle.GetLevel().GetActiveWorm()) {
      const Vector2 at = *const_cast<Worm*>(worm)->GetPosition();
      game->GetCamera()->SetView({at.x - w / 2.0f, at.y - h / 2.0f, float(w), float(h)});
    }
    menu.Render();
    WritePngBesideBuild(name, device->ReadPixels(), w, h);
  };
  auto press = [&](uint8_t key) {
    keys->SetKey(key, true);
    frames(0.05);
    keys->SetKey(key, false);
    frames(0.05);
  };

  // Before Enter the scene says how to start.
  frames(0.3);
  menu.battleSeed = 7;
  // H: two players at one keyboard (Enter plays against the computer).
  EXPECT_FALSE(battle.IsRunning());
  EXPECT_TRUE(Contains(battle.OverlayLines(), u"Enter"));
  EXPECT_TRUE(Contains(battle.OverlayLines(), u"H: two players"));
  press(kHotSeatKey);
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  EXPECT_EQ(menu.GetShooter(), nullptr);
  Level& level = battle.GetLevel();
  const auto& teams = game->GetWormManager()->PlayingTeams();
  ASSERT_EQ(teams.size(), 2u);
  for (const Mannschaft* team : teams) {
    EXPECT_EQ(team->PlayOrder().size(), 3u) << "the menu level fields three worms a team";
    EXPECT_EQ(team->GetSteuerung(), u"DEFAULT");
  }
  Worm* first = level.GetActiveWorm();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(Contains(battle.OverlayLines(), first->GetName()));
  // The worms come down where they were set; the first takes aim once it stands.
  for (int i = 0; i < 50 && !first->IsStanding(); ++i) frames(0.1);
  ASSERT_TRUE(first->IsStanding());
  frames(0.5);
  picture("menubattle_turn.png");

  // Space held a second fires the bazooka at half strength; the turn then passes on.
  keys->SetKey(kSpace, true);
  frames(1.0);
  EXPECT_NEAR(first->GetStrength(), 0.5, 0.02);
  keys->SetKey(kSpace, false);
  frames(0.5);
  EXPECT_EQ(first->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 1);
  for (int i = 0; i < 200 && level.GetActiveWorm() == first; ++i) frames(0.1);
  Worm* second = level.GetActiveWorm();
  ASSERT_NE(second, first) << "the turn passed";
  EXPECT_NE(second->GetTeam(), first->GetTeam());
  bool told = false;
  for (const auto& line : game->fadingTextList.Lines())
    told = told || line->text.find(second->GetName()) != std::u16string::npos;
  EXPECT_TRUE(told) << "the turn change is announced";
  frames(0.5);
  picture("menubattle_next.png");

  // The team at turn wipes the other out: the round's result shows after the wait.
  Mannschaft* winner = second->GetTeam();
  for (Mannschaft* team : std::vector<Mannschaft*>(teams.begin(), teams.end()))
    if (team != winner)
      for (Worm* worm : team->PlayOrder()) worm->SetPendingDamage(worm->GetHealth() + 100.0);
  level.SetTurnTimeLeft(0.2);
  for (int i = 0; i < 300 && !battle.IsResultShown(); ++i) frames(0.1);
  ASSERT_TRUE(battle.IsResultShown());
  const std::vector<std::u16string> lines = battle.OverlayLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(winner->GetName()), std::u16string::npos) << platform::U16ToUtf8(lines[0]);
  EXPECT_EQ(winner->winsThisGame, 1);
  EXPECT_FALSE(battle.GetDisplay().IsListening()) << "the result has the screen";
  frames(1.2);
  picture("menubattle_result.png");

  // Enter: the next battle.
  press(kEnter);
  frames(0.2);
  EXPECT_EQ(battle.GetBattlesStarted(), 2);
  EXPECT_TRUE(battle.IsRunning());
  EXPECT_FALSE(battle.IsResultShown());
  EXPECT_NE(level.GetActiveWorm(), nullptr);
  EXPECT_TRUE(battle.GetDisplay().IsListening());
  for (const Mannschaft* team : game->GetWormManager()->PlayingTeams()) EXPECT_EQ(team->CountLivingWorms(), 3);
}

}  // namespace

namespace {

// The scene's own battle: the player's team against the computer, which plays its turns;
// the player's turn shows the HUD, and the weapon key opens the store over the world.
TEST(MenuBattle, ThePlayerFacesTheComputerWhichTakesItsTurns) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  MyGlobals* game = engine.game;
  MainMenu menu(&engine.context);
  ASSERT_NE(menu.GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  if (PostEffectLibrary* library = game->GetPostEffects()) library->StopLevelEffects();
  MenuBattle& battle = *menu.GetBattle();
  auto frames = [&](double seconds) {
    engine.Step(int(seconds * 100.0 + 0.5), [&] {
      engine.input->Update();
      menu.Update();
    });
  };
  frames(0.2);
  menu.battleSeed = 3;
  // In the game the computer plans on its own thread in wall-clock time; the frames here come
  // far faster than the game's pace, so it plans inline, in step with them.
  auto* opponent = dynamic_cast<CPUSteuerung*>(game->GetSteuerungListe()->FindByName(MenuBattle::kOpponent));
  ASSERT_NE(opponent, nullptr);
  opponent->SetThreaded(false);

  engine.keys->SetKey(kEnter, true);
  frames(0.05);
  engine.keys->SetKey(kEnter, false);
  frames(0.05);
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  Level& level = battle.GetLevel();
  const auto& teams = game->GetWormManager()->PlayingTeams();
  ASSERT_EQ(teams.size(), 2u);
  int computers = 0;
  Mannschaft* computer = nullptr;
  for (Mannschaft* team : teams)
    if (team->GetSteuerung() == MenuBattle::kOpponent) ++computers, computer = team;
  ASSERT_EQ(computers, 1);
  EXPECT_TRUE(battle.GetDisplay().IsListening()) << "the mouse goes to the battle's display";

  // The player's turn: the weapon key (the right button's request) opens the store.
  for (int i = 0; i < 100 && level.GetActiveWorm() && level.GetActiveWorm()->GetTeam() == computer; ++i) {
    level.SetTurnTimeLeft(-1.0);
    frames(0.5);
  }
  Worm* player = level.GetActiveWorm();
  ASSERT_NE(player, nullptr);
  ASSERT_NE(player->GetTeam(), computer);
  for (int i = 0; i < 50 && !player->IsStanding(); ++i) frames(0.1);
  game->panelRequest = 3;
  frames(0.5);
  EXPECT_TRUE(battle.GetDisplay().GetHud().IsStoreOpening());
  platform::GraphicsDevice* device = engine.graphics->GetDevice();
  menu.Render();
  WritePngBesideBuild("menubattle_store.png", device->ReadPixels(), device->BackBufferWidth(),
                      device->BackBufferHeight());

  // The turn passes to the computer, which uses a weapon before its clock runs out.
  level.SetTurnTimeLeft(-1.0);
  for (int i = 0; i < 100 && level.GetActiveWorm() == player; ++i) frames(0.1);
  Worm* cpu = level.GetActiveWorm();
  ASSERT_NE(cpu, nullptr);
  ASSERT_EQ(cpu->GetTeam(), computer);
  for (int i = 0; i < 600 && cpu->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound] == 0 &&
                  level.GetActiveWorm() == cpu;
       ++i)
    frames(0.1);
  EXPECT_GE(cpu->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 1) << "the computer fired";
}

}  // namespace

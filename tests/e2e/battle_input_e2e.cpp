// The first scene's battle played as a person plays it, on OpenGL offscreen: the pointer is
// moved and its buttons pressed through SDL's own events, which the window turns into
// messages that the input manager takes and hands to the battle's display; the keys go
// through the keyboard the input manager polls. The right button opens the weapon store at
// the pointer, a click on a cell arms the worm, the arrow keys aim, Space fires, the
// computer takes its turn and the round ends with its result. Pictures of the moments a
// player sees are written beside the build ("battleplay_*.png") for looking at.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "battle/cameramanager.h"
#include "battle/cpusteuerung.h"
#include "battle/level.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "frontend/mainmenu.h"
#include "frontend/menubattle.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/input.h"
#include "platform/text.h"
#include "platform/window.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"

namespace {

constexpr uint8_t kEscape = 1, kEnter = 28, kSpace = 57, kUp = 200, kShowcaseLanguage = 0x3C;

// The pointer and its buttons as SDL reports them to the window.
class Pointer {
 public:
  explicit Pointer(platform::Window& window)
      : m_window(window), m_native(static_cast<SDL_Window*>(window.Native())) {}

  // Moves the pointer there: SDL's own position and a motion event for the window.
  void MoveTo(int32_t x, int32_t y) {
    SDL_WarpMouseInWindow(m_native, x, y);
    m_x = x;
    m_y = y;
  }
  // A press and a release of the button (SDL_BUTTON_LEFT, ...), at the pointer.
  void Press(uint8_t button) { Send(SDL_MOUSEBUTTONDOWN, button); }
  void Release(uint8_t button) { Send(SDL_MOUSEBUTTONUP, button); }
  // Notches of the wheel, away from the user when positive.
  void Wheel(int notches) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = m_window.Id();
    e.wheel.y = notches;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&e);
  }

 private:
  void Send(uint32_t type, uint8_t button) {
    SDL_Event e{};
    e.type = type;
    e.button.windowID = m_window.Id();
    e.button.button = button;
    e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = m_x;
    e.button.y = m_y;
    SDL_PushEvent(&e);
  }

  platform::Window& m_window;
  SDL_Window* m_native;
  int32_t m_x = 0, m_y = 0;
};

// The first scene on OpenGL offscreen with its level effects stopped, and the pointer over
// its window. A frame runs as the main loop runs one: the waiting messages dispatched, then
// the input manager's frame and the scene's.
struct PlayedScene {
  explicit PlayedScene(int32_t width = 1024, int32_t height = 768, std::string prefix = "")
      : engine(width, height), picturePrefix(std::move(prefix)) {
    if (!engine.Ready()) return;
    menu = std::make_unique<MainMenu>(&engine.context);
    if (PostEffectLibrary* library = engine.game->GetPostEffects()) library->StopLevelEffects();
    platform::ClearMessages();
    pointer = std::make_unique<Pointer>(*engine.window);
    w = engine.graphics->GetDevice()->BackBufferWidth();
    h = engine.graphics->GetDevice()->BackBufferHeight();
  }
  void Frames(double seconds) {
    engine.Step(int(seconds * 100.0 + 0.5), [&] {
      platform::WindowMessage message;
      while (platform::GetMessage(message)) platform::DispatchMessage(message);
      engine.input->Update();
      menu->Update();
    });
  }
  void Click(uint8_t button) {
    pointer->Press(button);
    Frames(0.05);
    pointer->Release(button);
    Frames(0.05);
  }
  // "battleplay_<prefix><name>.png" beside the build.
  void Picture(const std::string& name) {
    menu->Render();
    platform::GraphicsDevice* device = engine.graphics->GetDevice();
    WritePngBesideBuild(("battleplay_" + picturePrefix + name + ".png").c_str(), device->ReadPixels(), w, h);
  }

  GlEngine engine;
  std::string picturePrefix;
  std::unique_ptr<MainMenu> menu;
  std::unique_ptr<Pointer> pointer;
  int32_t w = 0, h = 0;
};

TEST(BattlePlay, MouseAndKeysPlayTheFirstSceneAgainstTheComputerToItsResult) {
  PlayedScene scene;
  ASSERT_TRUE(scene.engine.Ready()) << scene.engine.error;
  ASSERT_NE(scene.menu->GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  GlEngine& engine = scene.engine;
  MyGlobals* game = engine.game;
  MainMenu& menu = *scene.menu;
  MenuBattle& battle = *menu.GetBattle();
  Pointer& pointer = *scene.pointer;
  const int w = scene.w, h = scene.h;
  auto frames = [&](double seconds) { scene.Frames(seconds); };
  auto picture = [&](const std::string& name) { scene.Picture(name); };
  auto click = [&](uint8_t button) { scene.Click(button); };
  pointer.MoveTo(w / 2, h / 2);
  frames(0.3);
  menu.battleSeed = 5;
  // The computer plans in step with the test's frames, which come far faster than the game's.
  auto* computer = dynamic_cast<CPUSteuerung*>(game->GetSteuerungListe()->FindByName(MenuBattle::kOpponent));
  ASSERT_NE(computer, nullptr);
  computer->SetThreaded(false);

  picture("0_scene");
  // Enter: the player against the computer.
  engine.keys->SetKey(kEnter, true);
  frames(0.05);
  engine.keys->SetKey(kEnter, false);
  frames(0.05);
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  Level& level = battle.GetLevel();
  LevelHud& hud = battle.GetDisplay().GetHud();
  Mannschaft* cpuTeam = nullptr;
  for (Mannschaft* team : game->GetWormManager()->PlayingTeams())
    if (team->GetSteuerung() == MenuBattle::kOpponent) cpuTeam = team;
  ASSERT_NE(cpuTeam, nullptr);
  picture("1_start");
  // The first scene's showcase is not shown in the battle, and its language key does nothing.
  const std::u16string language = engine.context.language->GetActiveLanguageName();
  engine.keys->SetKey(kShowcaseLanguage, true);
  frames(0.05);
  engine.keys->SetKey(kShowcaseLanguage, false);
  frames(0.05);
  EXPECT_EQ(engine.context.language->GetActiveLanguageName(), language);

  // Until the player's turn, the computer plays its own.
  for (int i = 0; i < 900 && (!level.GetActiveWorm() || level.GetActiveWorm()->GetTeam() == cpuTeam); ++i)
    frames(0.1);
  Worm* player = level.GetActiveWorm();
  ASSERT_NE(player, nullptr);
  ASSERT_NE(player->GetTeam(), cpuTeam);
  for (int i = 0; i < 50 && !player->IsStanding(); ++i) frames(0.1);
  ASSERT_TRUE(player->IsStanding());
  frames(0.3);
  picture("2_turn");

  // The buttons of the bar, clicked.
  auto clickOn = [&](int32_t id) {
    GUIElement* e = hud.FindElement(id);
    ASSERT_NE(e, nullptr);
    pointer.MoveTo(e->GetRect().x + e->GetRect().width / 2, e->GetRect().y + e->GetRect().height / 2);
    frames(0.05);
    click(SDL_BUTTON_LEFT);
  };
  // The message button hides the message list and shows it again.
  clickOn(LevelHud::kMessageButton);
  EXPECT_FALSE(hud.MessagesShown());
  picture("2c_no_messages");
  clickOn(LevelHud::kMessageButton);
  EXPECT_TRUE(hud.MessagesShown());
  // The help button shows the keys and hides them again; the pause button stops the battle
  // and goes on.
  clickOn(LevelHud::kHelpButton);
  EXPECT_TRUE(battle.GetDisplay().IsHelpShown());
  picture("2a_help");
  clickOn(LevelHud::kHelpButton);
  EXPECT_FALSE(battle.GetDisplay().IsHelpShown());
  clickOn(LevelHud::kPauseButton);
  EXPECT_FALSE(battle.GetDisplay().IsRunning()) << "the pause button pauses";
  const double paused = level.GetTurnTimeLeft();
  frames(0.5);
  EXPECT_EQ(level.GetTurnTimeLeft(), paused) << "the clock stands while paused";
  picture("2b_pause");
  clickOn(LevelHud::kPauseButton);
  EXPECT_TRUE(battle.GetDisplay().IsRunning()) << "and goes on";
  // Escape pauses too, and does not end the game.
  auto key = [&](uint8_t code) {
    engine.keys->SetKey(code, true);
    frames(0.05);
    engine.keys->SetKey(code, false);
    frames(0.05);
  };
  key(kEscape);
  EXPECT_FALSE(battle.GetDisplay().IsRunning()) << "Escape pauses the battle";
  EXPECT_TRUE(engine.context.running) << "and leaves the game running";
  clickOn(LevelHud::kPauseButton);
  EXPECT_TRUE(battle.GetDisplay().IsRunning());
  pointer.MoveTo(w / 2, h / 2);
  frames(0.1);

  // The wheel zooms the camera.
  const float viewWidth = game->GetCamera()->GetView().width;
  pointer.Wheel(-2);
  frames(0.5);
  EXPECT_NE(game->GetCamera()->GetView().width, viewWidth) << "the wheel reaches the camera";
  pointer.Wheel(2);
  frames(0.5);
  // The middle button held drags the view along with the pointer.
  pointer.MoveTo(w / 2, h / 2);
  frames(0.1);
  const float viewX = game->GetCamera()->GetView().x;
  pointer.Press(SDL_BUTTON_MIDDLE);
  frames(0.02);
  for (int step = 1; step <= 5; ++step) {
    pointer.MoveTo(w / 2 - 20 * step, h / 2);
    frames(0.02);
  }
  pointer.Release(SDL_BUTTON_MIDDLE);
  frames(0.05);
  EXPECT_GT(game->GetCamera()->GetView().x, viewX + 50.0f) << "dragging left shows more to the right";
  pointer.MoveTo(w / 2, h / 2);
  frames(0.1);

  // The right button opens the weapon store at the pointer.
  pointer.MoveTo(w / 2 + 40, h / 2 - 30);
  frames(0.05);
  click(SDL_BUTTON_RIGHT);
  frames(0.4);
  ASSERT_TRUE(hud.IsStoreOpening()) << "the right button opens the store";
  EXPECT_EQ(level.GetPanelAnimator().GetTarget(), 1.0);
  picture("3_store");

  // Over the grenade's cell, its description shows; a click takes it.
  Waffe* grenade = game->GetWaffenSet()->FindByName(u"Granate");
  ASSERT_NE(grenade, nullptr);
  ASSERT_TRUE(grenade->HasAmmoFor(*player));
  GUIElement* cell = nullptr;
  GUIElement* store = hud.GetStorePanel();
  for (size_t i = 0; i < store->GetChildCount(); ++i)
    if (hud.GetCellWeapon(store->GetChild(i)->GetId().id) == grenade) cell = store->GetChild(i);
  ASSERT_NE(cell, nullptr);
  pointer.MoveTo(cell->GetRect().x + cell->GetRect().width / 2, cell->GetRect().y + cell->GetRect().height / 2);
  frames(0.3);
  EXPECT_EQ(hud.GetHoveredWeapon(), grenade);
  picture("4_hover");
  click(SDL_BUTTON_LEFT);
  frames(0.3);
  EXPECT_EQ(player->GetWeapon(), grenade) << "the click on the cell arms the worm";
  EXPECT_EQ(hud.GetSelectedWeapon(), grenade);
  EXPECT_FALSE(hud.IsStoreOpening());
  EXPECT_EQ(level.GetPanelAnimator().GetTarget(), 0.0) << "the battle's store closes with the display's";

  // Up aims higher; Space held charges, and letting go throws.
  const double aim = player->GetAimAngle();
  engine.keys->SetKey(kUp, true);
  frames(0.4);
  engine.keys->SetKey(kUp, false);
  EXPECT_LT(player->GetAimAngle(), aim) << "up aims higher";
  engine.keys->SetKey(kSpace, true);
  frames(0.5);
  picture("5_aiming");
  engine.keys->SetKey(kSpace, false);
  frames(0.1);
  EXPECT_EQ(player->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 1) << "the grenade was thrown";
  frames(0.3);
  picture("6_flight");
  // The fuse burns down: the grenade goes off.
  frames(5.0);
  picture("7_explosion");

  // The turn passes to the computer, which uses a weapon of its own.
  for (int i = 0; i < 300 && level.GetActiveWorm() && level.GetActiveWorm()->GetTeam() != cpuTeam; ++i) frames(0.1);
  Worm* cpu = level.GetActiveWorm();
  ASSERT_NE(cpu, nullptr);
  ASSERT_EQ(cpu->GetTeam(), cpuTeam);
  frames(1.0);
  // No description of the player's weapon hangs over the computer's turn.
  EXPECT_EQ(hud.GetHoveredWeapon(), nullptr);
  EXPECT_EQ(hud.GetSelectedWeapon(), nullptr);
  picture("8_computer");
  for (int i = 0; i < 600 && cpu->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound] == 0 &&
                  level.GetActiveWorm() == cpu;
       ++i)
    frames(0.1);
  EXPECT_GE(cpu->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 1) << "the computer fired";
  frames(1.2);
  picture("9_computer_shot");

  // The computer's team falls: the round ends with the player's team's result.
  Mannschaft* winner = player->GetTeam();
  for (Worm* worm : cpuTeam->PlayOrder()) worm->SetPendingDamage(worm->GetHealth() + 100.0);
  for (int i = 0; i < 600 && !battle.IsResultShown(); ++i) frames(0.1);
  ASSERT_TRUE(battle.IsResultShown());
  EXPECT_EQ(winner->winsThisGame, 1);
  frames(1.2);
  picture("10_result");

  // Enter: the next battle. Escape pauses it, and Escape while paused ends the game.
  key(kEnter);
  frames(0.2);
  ASSERT_EQ(battle.GetBattlesStarted(), 2);
  ASSERT_TRUE(battle.GetDisplay().IsRunning());
  key(kEscape);
  EXPECT_FALSE(battle.GetDisplay().IsRunning());
  EXPECT_TRUE(engine.context.running);
  picture("11_paused");
  key(kEscape);
  EXPECT_FALSE(engine.context.running) << "Escape while paused ends the game";
}

// Two people at one keyboard: a weapon that needs a target takes it from a left click on the
// world, after the click that picked it from the store.
TEST(BattlePlay, TheLeftButtonPicksTheTargetOfAGuidedWeapon) {
  PlayedScene scene;
  ASSERT_TRUE(scene.engine.Ready()) << scene.engine.error;
  ASSERT_NE(scene.menu->GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  GlEngine& engine = scene.engine;
  MyGlobals* game = engine.game;
  MainMenu& menu = *scene.menu;
  MenuBattle& battle = *menu.GetBattle();
  Pointer& pointer = *scene.pointer;
  const int w = scene.w, h = scene.h;
  auto frames = [&](double seconds) { scene.Frames(seconds); };
  auto picture = [&](const std::string& name) { scene.Picture(name); };
  auto click = [&](uint8_t button) { scene.Click(button); };
  constexpr uint8_t kHotSeat = 35;
  pointer.MoveTo(w / 2, h / 2);
  frames(0.3);
  menu.battleSeed = 9;
  engine.keys->SetKey(kHotSeat, true);
  frames(0.05);
  engine.keys->SetKey(kHotSeat, false);
  frames(0.05);
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  Level& level = battle.GetLevel();
  LevelHud& hud = battle.GetDisplay().GetHud();
  Worm* worm = level.GetActiveWorm();
  ASSERT_NE(worm, nullptr);
  for (int i = 0; i < 50 && !worm->IsStanding(); ++i) frames(0.1);
  ASSERT_TRUE(worm->IsStanding());

  click(SDL_BUTTON_RIGHT);
  frames(0.4);
  ASSERT_TRUE(hud.IsStoreOpening());
  Waffe* missile = game->GetWaffenSet()->FindByName(u"Lenkrakete");
  ASSERT_NE(missile, nullptr);
  ASSERT_TRUE(missile->NeedsTarget());
  ASSERT_TRUE(missile->HasAmmoFor(*worm));
  GUIElement* store = hud.GetStorePanel();
  GUIElement* cell = nullptr;
  for (size_t i = 0; i < store->GetChildCount(); ++i)
    if (hud.GetCellWeapon(store->GetChild(i)->GetId().id) == missile) cell = store->GetChild(i);
  ASSERT_NE(cell, nullptr);
  pointer.MoveTo(cell->GetRect().x + cell->GetRect().width / 2, cell->GetRect().y + cell->GetRect().height / 2);
  frames(0.1);
  click(SDL_BUTTON_LEFT);
  frames(0.3);
  ASSERT_EQ(worm->GetWeapon(), missile);

  // A click on the world: the target is the world's point under the pointer.
  const int32_t tx = w / 4, ty = h / 3;
  pointer.MoveTo(tx, ty);
  frames(0.1);
  const platform::Vector2 aimed = game->GetCamera()->ScreenToWorld(tx, ty);
  click(SDL_BUTTON_LEFT);
  frames(0.1);
  EXPECT_TRUE(worm->IsTargetReady());
  EXPECT_NEAR(worm->GetTarget().x, aimed.x, 2.0f);
  EXPECT_NEAR(worm->GetTarget().y, aimed.y, 2.0f);
  EXPECT_EQ(engine.context.language->GetActiveLanguageName(), u"ENGLISCH") << "no click reached the showcase";
  picture("t1_target");
  engine.keys->SetKey(kSpace, true);
  frames(0.4);
  engine.keys->SetKey(kSpace, false);
  frames(0.3);
  EXPECT_EQ(worm->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound], 1) << "the missile left";
  picture("t2_missile");
  frames(1.0);
  picture("t3_missile");
}

// On the game's shortest and its largest screen, the store opened with the pointer in a
// corner lies whole on the screen between the clock and the team panels, and a click on a
// cell takes its weapon.
TEST(BattlePlay, TheStoreOpensAndPicksOnTheShortestAndTheLargestScreen) {
  struct Screen {
    int32_t w, h;
  };
  for (const Screen screen : {Screen{1280, 720}, Screen{1920, 1080}}) {
    const int32_t w = screen.w, h = screen.h;
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    PlayedScene scene(w, h, std::to_string(w) + "x" + std::to_string(h) + "_");
    ASSERT_TRUE(scene.engine.Ready()) << scene.engine.error;
    ASSERT_NE(scene.menu->GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    GlEngine& engine = scene.engine;
    MainMenu& menu = *scene.menu;
    MenuBattle& battle = *menu.GetBattle();
    Pointer& pointer = *scene.pointer;
    auto frames = [&](double seconds) { scene.Frames(seconds); };
    auto picture = [&](const std::string& name) { scene.Picture(name); };
    auto click = [&](uint8_t button) { scene.Click(button); };
    ASSERT_EQ(engine.graphics->GetDevice()->BackBufferWidth(), w);
    pointer.MoveTo(w / 2, h / 2);
    frames(0.3);
    menu.battleSeed = 9;
    engine.keys->SetKey(35, true);  // H: two people at one keyboard
    frames(0.05);
    engine.keys->SetKey(35, false);
    frames(0.05);
    ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
    Worm* worm = battle.GetLevel().GetActiveWorm();
    ASSERT_NE(worm, nullptr);
    for (int i = 0; i < 50 && !worm->IsStanding(); ++i) frames(0.1);
    LevelHud& hud = battle.GetDisplay().GetHud();

    pointer.MoveTo(w - 40, h - 120);
    frames(0.05);
    click(SDL_BUTTON_RIGHT);
    frames(0.4);
    ASSERT_TRUE(hud.IsStoreOpening());
    const GUIRect store = hud.GetStorePanel()->GetRect();
    const GUIRect clock = hud.FindElement(LevelHud::kTurnTime)->GetRect();
    const GUIRect team = hud.FindElement(LevelHud::TeamPanelId(0))->GetRect();
    EXPECT_GE(store.x - LevelHud::kStoreFrame, 0);
    EXPECT_LE(store.x + store.width + LevelHud::kStoreFrame, w);
    EXPECT_GE(store.y - LevelHud::kStoreFrame, clock.y + clock.height);
    EXPECT_LE(store.y + store.height + LevelHud::kStoreFrame, team.y - LevelHud::kTeamBarRise);
    Waffe* grenade = engine.game->GetWaffenSet()->FindByName(u"Granate");
    GUIElement* cell = nullptr;
    for (size_t i = 0; i < hud.GetStorePanel()->GetChildCount(); ++i)
      if (hud.GetCellWeapon(hud.GetStorePanel()->GetChild(i)->GetId().id) == grenade)
        cell = hud.GetStorePanel()->GetChild(i);
    ASSERT_NE(cell, nullptr);
    pointer.MoveTo(cell->GetRect().x + cell->GetRect().width / 2, cell->GetRect().y + cell->GetRect().height / 2);
    frames(0.3);
    EXPECT_EQ(hud.GetHoveredWeapon(), grenade);
    picture("store");
    click(SDL_BUTTON_LEFT);
    frames(0.3);
    EXPECT_EQ(worm->GetWeapon(), grenade);
    picture("picked");
  }
}

}  // namespace

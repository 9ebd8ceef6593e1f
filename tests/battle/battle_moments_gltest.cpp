// The battle moments of the object tests drawn on OpenGL offscreen through the battle's own
// drawing pass and post effects, written beside the build for looking at: a worm and two
// gates before and after it is sent through (a gate shows from its first frame on), a shield
// with a rocket turned off it, a poisoned worm's turn (the wobble moves the picture against
// the same frame without it), and a crate sailing down after a turn passed to the other team.
#include <gtest/gtest.h>

#include <algorithm>

#include "battle/cameramanager.h"
#include "battle/levelrender.h"
#include "battle_moments.h"
#include "engine/apigraphics.h"
#include "frontend/mainmenu.h"
#include "frontend/menubattle.h"
#include "objects/bonussettings.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/text.h"
#include "support/gl_engine.h"

namespace {

using namespace battle_moments;

class Camera {
 public:
  Camera(HeadlessBattle& battle, LevelRenderer& renderer) : m_battle(battle), m_renderer(renderer) {}
  // The frame centred on the point, through the post effects when any are on; written as
  // `name` beside the build.
  std::vector<uint32_t> Shoot(const char* name, const Vector2& centre) {
    m_battle.Globals().GetCamera()->SetView(ViewRect{centre.x - 512.0f, centre.y - 384.0f, 1024.0f, 768.0f});
    platform::GraphicsDevice* device = m_battle.Context().graphics->GetDevice();
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF000000,
                  1.0f, 0);
    PostEffectLibrary* effects = m_battle.Globals().GetPostEffects();
    effects->SetLevel(&m_renderer);
    if (effects->HasActiveEffects()) {
      effects->RenderActive();
    } else if (device->BeginScene()) {
      m_renderer.RenderPass();
      device->EndScene();
    }
    std::vector<uint32_t> pixels = device->ReadPixels();
    WritePngBesideBuild(name, pixels, 1024, 768);
    return pixels;
  }

 private:
  HeadlessBattle& m_battle;
  LevelRenderer& m_renderer;
};

TEST(BattleMoments, GatesShieldPoisonAndCratesAsTheyAreSeen) {
  HeadlessBattle battle(IdleBattle(7, 20.0, true));
  ASSERT_TRUE(battle.Start()) << platform::U16ToUtf8(battle.Result().error);
  LevelRenderer renderer(&battle.Context(), &battle.Globals(), nullptr, nullptr);
  Camera camera(battle, renderer);
  Level& level = battle.GetLevel();
  ASSERT_TRUE(StepUntil(battle, 200, [&] { return level.GetActiveWorm() != nullptr; }));
  StepUntil(battle, 100, [] { return false; });

  // Gates at the worm and 400 pixels away.
  Worm* worm = level.GetActiveWorm();
  const Vector2 start = *worm->GetPosition();
  const Vector2 far = start + Vector2(start.x < 0.0f ? 400.0f : -400.0f, -200.0f);
  ASSERT_TRUE(PlaceGates(battle, {start + Vector2(0.0f, -30.0f), far}));
  const Vector2 middle = (start + far) * 0.5f;
  camera.Shoot("battle_gates_before.png", middle);
  StepUntil(battle, 60, [] { return false; });
  camera.Shoot("battle_gates_after.png", middle);
  // The worm stands in the partner gate (gates draw over worms).
  Teleporter* partner = battle.Globals().GetTeleporterListe()->GetPlaced()[1].get();
  EXPECT_NEAR(worm->GetPosition()->x, partner->GetPosition()->x, 1.0f);

  // A shield high above, a rocket turning off it.
  const Vector2 shieldAt = *worm->GetPosition() + Vector2(0.0f, -320.0f);
  ASSERT_NE(RaiseShield(battle, shieldAt), nullptr);
  FireRocket(battle, shieldAt - Vector2(220.0f, 0.0f), {600.0f, 0.0f});
  StepUntil(battle, 30, [] { return false; });
  camera.Shoot("battle_shield.png", shieldAt);

  // The waiting team breathes gas; in its turn its worm's view sways.
  Mannschaft* playing = level.GetActiveTeam();
  Mannschaft* poisoned = battle.Teams()[0] == playing ? battle.Teams()[1] : battle.Teams()[0];
  GasAt(battle, *poisoned);
  ASSERT_TRUE(StepUntil(battle, 4000, [&] { return level.GetActiveTeam() == poisoned; }));
  StepUntil(battle, 150, [] { return false; });
  MyPostEffect* wobble = ListedWobble(battle);
  ASSERT_NE(wobble, nullptr);
  const Vector2 seen = *level.GetActiveWorm()->GetPosition() + Vector2(0.0f, -150.0f);
  const std::vector<uint32_t> swaying = camera.Shoot("battle_poisoned.png", seen);
  PostEffectLibrary& effects = *battle.Globals().GetPostEffects();
  effects.DeactivateEffect(wobble);
  const std::vector<uint32_t> steady = camera.Shoot("battle_poisoned_steady.png", seen);
  effects.ActivateEffect(wobble);
  size_t moved = 0;
  for (size_t i = 0; i < swaying.size(); ++i) moved += swaying[i] != steady[i];
  EXPECT_GT(moved, swaying.size() / 10) << "the wobble moves the picture";

  // Crates at the next turn changes, sailing down.
  BonusSettings& crates = *battle.Globals().GetBonusSettings();
  const size_t before = crates.GetCurrent().droppedIds.size();
  ASSERT_TRUE(StepUntil(battle, 20000, [&] { return crates.GetCurrent().droppedIds.size() > before; }));
  StepUntil(battle, 250, [] { return false; });
  Objekt* crate = battle.Globals().FindObject(crates.GetCurrent().droppedIds.back());
  ASSERT_NE(crate, nullptr);
  camera.Shoot("battle_crate.png", *crate->GetPosition() + Vector2(0.0f, 200.0f));
  effects.SetLevel(nullptr);
}

// The first scene's hot-seat battle shows the gates and the shield its weapons put up: the
// frame with them differs from the same frame once they are gone, where they stand.
TEST(BattleMoments, TheFirstScenesBattleShowsGatesAndShields) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  MainMenu menu(&engine.context);
  ASSERT_NE(menu.GetBattle(), nullptr) << "the menu world (KRUMBOLT_GOB)";
  MyGlobals& game = *engine.game;
  if (PostEffectLibrary* library = game.GetPostEffects()) library->StopLevelEffects();
  auto frames = [&](int n) {
    engine.Step(n, [&] {
      engine.input->Update();
      menu.Update();
    });
  };
  constexpr uint8_t kEnter = 28;
  frames(30);
  menu.battleSeed = 7;
  engine.keys->SetKey(kEnter, true);
  frames(5);
  engine.keys->SetKey(kEnter, false);
  frames(5);
  MenuBattle& battle = *menu.GetBattle();
  ASSERT_TRUE(battle.IsRunning()) << platform::U16ToUtf8(battle.GetError());
  Level& level = battle.GetLevel();
  ASSERT_NE(level.GetActiveWorm(), nullptr);
  frames(200);

  platform::GraphicsDevice* device = engine.graphics->GetDevice();
  Vector2 at = *level.GetActiveWorm()->GetPosition();
  const Vector2 gate = at + Vector2(-150.0f, -60.0f), shield = at + Vector2(150.0f, -150.0f);
  ASSERT_TRUE(PlaceGates(level, game, {gate, at + Vector2(200.0f, -400.0f)}));
  ASSERT_NE(RaiseShield(level, game, shield), nullptr);
  frames(20);
  auto picture = [&](const char* name) {
    game.GetCamera()->SetView(ViewRect{at.x - 512.0f, at.y - 384.0f, 1024.0f, 768.0f});
    menu.Render();
    std::vector<uint32_t> pixels = device->ReadPixels();
    WritePngBesideBuild(name, pixels, 1024, 768);
    return pixels;
  };
  const std::vector<uint32_t> with = picture("menubattle_gates_shield.png");
  const Vector2 gateNow = *game.GetTeleporterListe()->GetPlaced()[0]->GetPosition();
  game.GetTeleporterListe()->Clear();
  game.GetKraftfeldListe()->Clear();
  const std::vector<uint32_t> without = picture("menubattle_without.png");
  // Pixels that changed within a box around a point of the world.
  auto changed = [&](const Vector2& p, int half) {
    const int cx = int(p.x - at.x) + 512, cy = int(p.y - at.y) + 384;
    int n = 0;
    for (int y = std::max(0, cy - half); y < std::min(768, cy + half); ++y)
      for (int x = std::max(0, cx - half); x < std::min(1024, cx + half); ++x)
        n += with[size_t(y) * 1024 + size_t(x)] != without[size_t(y) * 1024 + size_t(x)];
    return n;
  };
  EXPECT_GT(changed(gateNow + Vector2(0.0f, -44.0f), 20), 200) << "the gate shows";
  EXPECT_GT(changed(shield, 70), 2000) << "the shield shows";

  // The waiting team breathes gas: in its turn the scene sways (the level's own effects are
  // off here, so the wobble is the only effect).
  const auto& teams = game.GetWormManager()->PlayingTeams();
  ASSERT_EQ(teams.size(), 2u);
  const Mannschaft* poisoned = teams[0] == level.GetActiveTeam() ? teams[1] : teams[0];
  GasAt(game, *poisoned);
  for (int i = 0; i < 120 && level.GetActiveTeam() != poisoned; ++i) frames(50);
  ASSERT_EQ(level.GetActiveTeam(), poisoned);
  frames(150);
  MyPostEffect* wobble = ListedWobble(game);
  ASSERT_NE(wobble, nullptr);
  at = *level.GetActiveWorm()->GetPosition();
  const std::vector<uint32_t> swaying = picture("menubattle_poisoned.png");
  PostEffectLibrary& effects = *game.GetPostEffects();
  effects.DeactivateEffect(wobble);
  const std::vector<uint32_t> steady = picture("menubattle_poisoned_steady.png");
  effects.ActivateEffect(wobble);
  size_t moved = 0;
  for (size_t i = 0; i < swaying.size(); ++i) moved += swaying[i] != steady[i];
  EXPECT_GT(moved, swaying.size() / 10) << "the wobble moves the picture";
}

}  // namespace

// A battle on the menu level with its display on OpenGL offscreen, looked at as a player
// sees it: the first turn with the HUD, the weapon store opened by the weapon key, the help
// box, and the round's result once one team has lost its worms. The pictures are written
// beside the build ("battle_turn.png", "battle_store.png", "battle_help.png",
// "battle_result.png").
#include <gtest/gtest.h>

#include "battle/battledata.h"
#include "battle/leveldisplay.h"
#include "battle/level.h"
#include "battle/waffenteams.h"
#include "engine/kvnode.h"
#include "engine/sprache.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/graphics.h"
#include "platform/random.h"
#include "platform/text.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"
#include "world/levelinfo.h"

namespace {

TEST(BattleOnScreen, TurnStoreHelpAndResultAsAPlayerSeesThem) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  APIContext& context = engine.context;
  MyGlobals* game = engine.game;
  game->RegisterFonts();
  context.language->LoadArchiveFile(u"sprache.lng", game->GetArchive());
  context.language->SetLanguage(u"ENGLISCH");
  BattleDataOptions options;
  options.playerRoster = false;
  LoadBattleData(*game, context, options);
  auto document = LoadKVFromArchive(u"mainmenu.lvl", game->GetArchive());
  ASSERT_TRUE(document);
  LevelInfo info(document.get(),
                 LevelSources{game->GetLayerProperties(), game->GetSettingKatalog(), game->GetArchive()});
  platform::SRand(4);
  game->newTeamWormCount = 3;
  WormManager& manager = *game->GetWormManager();
  std::vector<Level::TeamEntry> teams;
  for (const char16_t* control : {u"DEFAULT", u"CPU_MITTEL"})
    teams.push_back({manager.AddTeam(std::make_unique<Mannschaft>(manager, true)), control});
  {
    Level level(game, &context);
    std::u16string error;
    ASSERT_TRUE(level.Start(info, 4, teams, true, &error)) << platform::U16ToUtf8(error);
    if (PostEffectLibrary* effects = game->GetPostEffects()) effects->StopLevelEffects();
    LevelDisplay display(level, game, &context);
    display.BeginRound();
    platform::GraphicsDevice* device = engine.graphics->GetDevice();
    auto shoot = [&](const char* name) {
      device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF1B2230, 1.0f,
                    0);
      ASSERT_TRUE(device->BeginScene());
      display.RenderPass();
      display.RenderOverlay();
      display.RenderResult();
      device->EndScene();
      WritePngBesideBuild(name, device->ReadPixels(), 1024, 768);
    };
    engine.Step(150, [&] { display.Update(); });
    ASSERT_NE(level.GetActiveWorm(), nullptr);
    shoot("battle_turn.png");

    game->panelRequest = 3;
    engine.Step(30, [&] { display.Update(); });
    EXPECT_TRUE(display.GetHud().IsStoreOpening());
    shoot("battle_store.png");
    game->panelRequest = 2;
    engine.Step(30, [&] { display.Update(); });
    EXPECT_FALSE(display.GetHud().IsStoreOpening());

    display.OpenHelpScreen();
    shoot("battle_help.png");
    display.OpenHelpScreen();

    // The computer's team loses every worm at the end of the turn; the round is decided.
    for (Worm* w : teams[1].team->PlayOrder()) w->SetPendingDamage(w->GetHealth() + 1000.0);
    level.SetTurnTimeLeft(-1.0);
    for (int i = 0; i < 3000 && !level.IsRoundDecided(); ++i) engine.Step(1, [&] { display.Update(); });
    ASSERT_TRUE(level.IsRoundDecided());
    level.UpdateRoundStatistics();
    shoot("battle_result.png");
    EXPECT_FALSE(level.GetRanking().empty());
    display.EndRound();
    level.EndRoundTeardown();
  }
  WaffenTeams::Install(nullptr);
}

}  // namespace

// A battle frame on OpenGL offscreen: the world pass with the worms, then the overlay with
// the HUD bar, the team panels and the open weapon store with a weapon's description under
// the mouse, compared with a stored picture. The frame is also written beside the build
// ("battle_frame.png") for looking at.
#include <gtest/gtest.h>

#include "battle/battle_display.h"
#include "battle/cameramanager.h"
#include "battle/levelhud.h"
#include "battle/levelrender.h"
#include "platform/graphics.h"
#include "support/gl_engine.h"
#include "support/golden.h"
#include "world/wind.h"

namespace display_test {
namespace {

TEST(BattleFrame, WorldWormsHudAndStoreLookAsStored) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  BattleSetup setup;
  setup.Load(engine.context, engine.game);
  setup.Play(2, 3);
  platform::SRand(5);
  engine.game->GetWindManager()->NewRound(1.0);
  for (int i = 0; i < 200; ++i) engine.game->GetWindManager()->Update(0.01);
  {
    CameraSpy camera;
    LevelHud hud(&engine.context, engine.game, &setup.battle, &camera);
    hud.Reset();
    LevelRenderer renderer(&engine.context, engine.game, &setup.battle, &hud);
    engine.game->GetCamera()->SetView(ViewRect{0.0f, 0.0f, 1024.0f, 768.0f});
    // The store open at the middle, the mouse on the bazooka's cell.
    InputState mouse = MouseAt(512, 384);
    hud.HandlePanelRequest(1, &mouse);
    for (int i = 0; i < 20; ++i) hud.Update(&mouse, 0.01);
    GUIElement* store = hud.GetStorePanel();
    GUIElement* cell = store->GetChild(0);
    mouse = MouseOn(cell);
    hud.OnMouseMove(&mouse);
    for (int i = 0; i < 30; ++i) hud.Update(&mouse, 0.01);

    platform::GraphicsDevice* device = engine.graphics->GetDevice();
    device->Clear(platform::kClearTarget | platform::kClearZBuffer | platform::kClearStencil, 0xFF6FA8DC, 1.0f, 0);
    ASSERT_TRUE(device->BeginScene());
    renderer.RenderPass();
    renderer.RenderOverlay();
    device->EndScene();
    const std::vector<uint32_t> pixels = device->ReadPixels();
    WritePngBesideBuild("battle_frame.png", pixels, 1024, 768);
    EXPECT_TRUE(MatchesGolden(pixels, 1024, {0, 0, 1024, 768}, "battle_frame", 4));
  }
  WaffenTeams::Install(nullptr);
}

}  // namespace
}  // namespace display_test

// The first scene's worms on OpenGL offscreen: they stand on the menu world in their team
// colours; a blast beside one throws it and, once it has come to rest, costs it health; a
// worm without health plays its death and leaves its grave in the ground. The pictures are
// written beside the build ("menuworms.png", "menuworms_blast.png") for looking at.
#include <gtest/gtest.h>

#include <fstream>

#include "battle/cameramanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "frontend/menucraters.h"
#include "frontend/menuworms.h"
#include "objects/worm.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"
#include "support/user_folder.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

TEST(MenuWorms, SoldiersStandFidgetAndReactToBlasts) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  APIContext& context = engine.context;
  ManualClock& clock = engine.clock;
  MyGlobals* game = engine.game;
  APIGraphics* graphics = engine.graphics.get();
  {
    MainMenu menu(&context);
    ASSERT_NE(menu.GetWorms(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    const auto& worms = menu.GetWorms()->Worms();
    ASSERT_GE(worms.size(), 4u);
    if (PostEffectLibrary* library = game->GetPostEffects()) library->StopLevelEffects();
    auto frames = [&](double seconds) {
      for (int i = 0, n = int(seconds * 100.0 + 0.5); i < n; ++i) {
        clock.counter += 10000;
        context.timer->Tick();
        menu.Update();
      }
    };
    frames(1.0);
    // Every worm stands on the ground, in its team's colour.
    Worm& target = *worms[1];
    for (const auto& w : worms) {
      EXPECT_EQ(w->GetMoveState(), Person::kStanding);
      EXPECT_FALSE(w->IsDead());
      EXPECT_NE(w->GetColour(), 0xFFFFFFFFu);
    }
    // The camera looks at the second worm, close up.
    CameraManager* camera = game->GetCamera();
    const Vector2 at = *target.GetPosition();
    camera->SetView({at.x - 256.0f, at.y - 250.0f, 512.0f, 384.0f});
    camera->SetZoomLimits(4.0f, 0.1f);
    platform::GraphicsDevice* device = graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    menu.Render();
    WritePngBesideBuild("menuworms.png", device->ReadPixels(), w, h);

    // Three blasts beside it: thrown, then hurt once at rest, then dead with a grave.
    const double health = target.GetHealth();
    const Vector2 beside = at + Vector2(-25.0f, 5.0f);
    ASSERT_TRUE(menu.GetCraters()->Blast(beside));
    menu.GetWorms()->Blast(beside);
    EXPECT_EQ(target.GetMoveState(), Person::kThrown);
    frames(5.0);
    EXPECT_LT(target.GetHealth(), health);
    for (int i = 0; i < 6 && !target.IsDead(); ++i) {
      const Vector2 now = *target.GetPosition() + Vector2(0.0f, -10.0f);
      menu.GetCraters()->Blast(now);
      menu.GetWorms()->Blast(now);
      frames(5.0);
    }
    ASSERT_TRUE(target.IsDead());
    frames(3.0);
    const Vector2 grave = *target.GetPosition();
    camera->SetView({grave.x - 256.0f, grave.y - 250.0f, 512.0f, 384.0f});
    menu.Render();
    WritePngBesideBuild("menuworms_blast.png", device->ReadPixels(), w, h);
    if (target.GetDeathKind() == Person::kKilled) {
      EXPECT_FALSE(target.IsVisible());
      EXPECT_TRUE(game->GetWelt()->GetGameLandschaft()->IsSolidAt(int32_t(grave.x), int32_t(grave.y) - 8))
          << "the grave is terrain";
    }
  }
}

}  // namespace

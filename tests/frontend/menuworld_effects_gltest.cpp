// The first scene on OpenGL offscreen: the menu level's own effects run over the panning
// world. The frame with them and the same frame without them are written beside the build
// ("menuworld_effects.png", "menuworld_plain.png") for looking at, and compared.
#include <gtest/gtest.h>

#include <cmath>

#include "frontend/mainmenu.h"
#include "posteffects/leveleffects.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectlibrary.h"
#include "support/gl_engine.h"

TEST(MenuWorldEffects, TheMenuLevelsEffectsShowOverTheWorld) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  APIContext& context = engine.context;
  MyGlobals* game = engine.game;
  {
    MainMenu menu(&context);
    ASSERT_NE(menu.GetMenuWorld(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    PostEffectLibrary* library = game->GetPostEffects();
    // The camera switched on the level's bloom (which also strengthens the colours), the
    // backdrop's light rays and its depth of field.
    EXPECT_EQ(library->GetLevelEffects().Effects().size(), 1u);
    EXPECT_NE(library->GetScatter(), nullptr);
    EXPECT_NE(library->GetDepthOfField(), nullptr);
    EXPECT_EQ(library->GetActiveList().size(), 3u);
    engine.Step(3, [&] { menu.Update(); });
    platform::GraphicsDevice* device = engine.graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    menu.Render();
    const std::vector<uint32_t> withEffects = device->ReadPixels();
    for (MyPostEffect* effect : library->GetActiveList())
      EXPECT_TRUE(effect->WasRendered()) << "every level effect ran";

    library->StopLevelEffects();
    EXPECT_FALSE(library->HasActiveEffects());
    menu.Render();
    const std::vector<uint32_t> plain = device->ReadPixels();
    WritePngBesideBuild("menuworld_effects.png", withEffects, w, h);
    WritePngBesideBuild("menuworld_plain.png", plain, w, h);

    // The glow and the stronger colours change the world below the corner panel and the
    // wind meter; the panel itself is drawn over both alike.
    double difference = 0.0;
    int counted = 0;
    for (int y = h / 2; y < h; y += 4)
      for (int x = 0; x < w; x += 4) {
        const uint32_t a = withEffects[size_t(y) * w + x], b = plain[size_t(y) * w + x];
        for (int shift : {16, 8, 0})
          difference += std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        ++counted;
      }
    EXPECT_GT(difference / counted, 3.0) << "mean channel difference per pixel";
    const int px = 24 + 40, py = 72 + 40;
    EXPECT_EQ(withEffects[size_t(py) * w + px], plain[size_t(py) * w + px]) << "the panel over the effects";
  }
}

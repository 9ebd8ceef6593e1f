// The first scene on OpenGL offscreen with a crater carved into its world: what the blast
// throws stays around it, and the moments before, while the earth flies and after it settled
// are written beside the build for looking at ("menucraters_crater.png" side by side around
// the crater, "menucraters_landing.png" and "menucraters_settled.png" whole).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "battle/cameramanager.h"
#include "frontend/mainmenu.h"
#include "frontend/menucraters.h"
#include "objects/partikelliste.h"
#include "support/gl_engine.h"
#include "world/welt.h"

TEST(MenuCratersFrame, EarthFliesOutOfTheCraterAndSettlesBack) {
  GlEngine engine;
  ASSERT_TRUE(engine.Ready()) << engine.error;
  APIContext& context = engine.context;
  MyGlobals* game = engine.game;
  {
    MainMenu menu(&context);
    ASSERT_NE(menu.GetMenuWorld(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    platform::GraphicsDevice* device = engine.graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    auto step = [&](int frames) { engine.Step(frames, [&] { menu.Update(); }); };
    step(3);
    // The first ground under a point right of the middle of the screen, 20 pixels deep.
    constexpr int kX = 620;
    CameraManager* camera = game->GetCamera();
    Landschaft& land = *game->GetWelt()->GetGameLandschaft();
    int sy = 0;
    for (; sy < h; sy += 2) {
      const Vector2 p = camera->ScreenToWorld(kX, sy);
      if (land.IsSolidAt(int32_t(p.x), int32_t(p.y) + 20)) break;
    }
    ASSERT_LT(sy, h) << "no ground under the middle of the screen";
    const Vector2 point = camera->ScreenToWorld(kX, sy + 10);
    menu.Render();
    const std::vector<uint32_t> before = device->ReadPixels();
    ASSERT_TRUE(menu.GetCraters()->Blast(point));
    PartikelListe& particles = *game->GetPartikelListe();
    const size_t thrown = particles.GetCount();
    step(8);
    menu.Render();
    const std::vector<uint32_t> flying = device->ReadPixels();
    step(22);
    menu.Render();
    const std::vector<uint32_t> falling = device->ReadPixels();
    step(70);
    menu.Render();
    const std::vector<uint32_t> landing = device->ReadPixels();
    step(500);
    menu.Render();
    const std::vector<uint32_t> settled = device->ReadPixels();
    // The five moments side by side, around the crater at three times the size.
    const int cw = 160, ch = 120, zoom = 3;
    const int x0 = std::clamp(kX - cw / 2, 0, w - cw), y0 = std::clamp(sy + 10 - ch / 2, 0, h - ch);
    const std::vector<uint32_t>* moments[] = {&before, &flying, &falling, &landing, &settled};
    std::vector<uint32_t> strip(size_t(cw * zoom * 5) * size_t(ch * zoom));
    for (int i = 0; i < 5; ++i)
      for (int y = 0; y < ch * zoom; ++y)
        for (int x = 0; x < cw * zoom; ++x)
          strip[size_t(y) * size_t(cw * zoom * 5) + size_t(i * cw * zoom + x)] =
              (*moments[i])[size_t(y0 + y / zoom) * size_t(w) + size_t(x0 + x / zoom)];
    WritePngBesideBuild("menucraters_crater.png", strip, cw * zoom * 5, ch * zoom);
    WritePngBesideBuild("menucraters_flying.png", flying, w, h);
    WritePngBesideBuild("menucraters_landing.png", landing, w, h);
    WritePngBesideBuild("menucraters_settled.png", settled, w, h);
    EXPECT_GT(thrown, 20u);
    // What the blast throws stays near it: away from the crater, a third of a second later,
    // the picture is much the same as before (the camera pans on slowly meanwhile).
    auto difference = [&](const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int x0, int y0,
                          int x1, int y1) {
      double sum = 0.0;
      int n = 0;
      for (int y = std::max(y0, 0); y < std::min(y1, h); y += 2)
        for (int x = std::max(x0, 0); x < std::min(x1, w); x += 2) {
          for (int shift : {16, 8, 0})
            sum += std::abs(int((a[size_t(y) * w + x] >> shift) & 0xFF) -
                            int((b[size_t(y) * w + x] >> shift) & 0xFF));
          ++n;
        }
      return sum / std::max(n, 1);
    };
    const double away = difference(falling, before, 0, 420, w, h);
    const double near = difference(falling, before, kX - 40, sy - 60, kX + 40, sy + 40);
    EXPECT_LT(away, 20.0) << "mean channel difference per pixel away from the crater";
    EXPECT_GT(near, 8.0) << "the crater and its earth show";
  }
}

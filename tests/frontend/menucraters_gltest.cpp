// The first scene on OpenGL offscreen with a crater carved into its world: what the blast
// throws stays around it, and the moments before, while the earth flies and after it settled
// are written beside the build for looking at ("menucraters_crater.png" side by side around
// the crater, "menucraters_landing.png" and "menucraters_settled.png" whole).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include "battle/cameramanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "frontend/menucraters.h"
#include "objects/partikelliste.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "support/png.h"
#include "support/user_folder.h"
#include "world/welt.h"

namespace {

class FixedClock final : public TimerClock {
 public:
  uint64_t counter = 0;
  bool QueryFrequency(uint64_t& f) override {
    f = 1000000;
    return true;
  }
  uint64_t QueryCounter() override { return counter; }
  uint32_t TickCount() override { return 0; }
};

void WritePng(const char* name, const std::vector<uint32_t>& pixels, int w, int h) {
  const std::vector<uint8_t> png = MakePng(w, h, [&](int x, int y) { return pixels[size_t(y) * w + x]; });
  std::ofstream(std::string(KRUMBOLT_BINARY_DIR) + "/" + name, std::ios::binary)
      .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
}

TEST(MenuCratersFrame, EarthFliesOutOfTheCraterAndSettlesBack) {
  UserFolder folder;
  FixedClock clock;
  APIContext context;
  context.title = u"Krumbolt";
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<APIInput> input;
  std::unique_ptr<APISound> sound;
  auto globals = std::make_unique<MyGlobals>(&context);
  MyGlobals* game = globals.get();
  context.globals = std::move(globals);
  context.graphicsFactory = [&](APIContext& c) {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(c, env);
    return graphics.get();
  };
  context.inputFactory = [&](APIContext& c) {
    input = std::make_unique<APIInput>(&c);
    return input.get();
  };
  context.soundFactory = [&](APIContext& c) {
    sound = std::make_unique<APISound>(c.GetConfig());
    return sound.get();
  };
  context.Init();
  context.timer = std::make_unique<FrameTimer>(&clock);
  std::string error;
  auto window = platform::Window::Create(u"menu", 1024, 768, &error);
  ASSERT_NE(window, nullptr) << error;
  context.mainWindow = window.get();
  ASSERT_EQ(graphics->Create(), kResultOk);
  input->Init(std::make_unique<platform::ScriptedInputDevice>());
  sound->Init(std::make_unique<platform::NullSoundDevice>());
  {
    MainMenu menu(&context);
    ASSERT_NE(menu.GetMenuWorld(), nullptr) << "the menu world (KRUMBOLT_GOB)";
    platform::GraphicsDevice* device = graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    auto step = [&](int frames) {
      for (int i = 0; i < frames; ++i) {
        clock.counter += 10000;
        context.timer->Tick();
        menu.Update();
      }
    };
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
    WritePng("menucraters_crater.png", strip, cw * zoom * 5, ch * zoom);
    WritePng("menucraters_flying.png", flying, w, h);
    WritePng("menucraters_landing.png", landing, w, h);
    WritePng("menucraters_settled.png", settled, w, h);
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
  context.globals.reset();
  graphics->Release();
}

}  // namespace

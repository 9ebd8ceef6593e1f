// The first scene on OpenGL offscreen: the menu level's own effects run over the panning
// world. The frame with them and the same frame without them are written beside the build
// ("menuworld_effects.png", "menuworld_plain.png") for looking at, and compared.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/apisound.h"
#include "engine/myglobals.h"
#include "frontend/mainmenu.h"
#include "platform/input.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "posteffects/leveleffects.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectlibrary.h"
#include "support/png.h"
#include "support/user_folder.h"

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

TEST(MenuWorldEffects, TheMenuLevelsEffectsShowOverTheWorld) {
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
    PostEffectLibrary* library = game->GetPostEffects();
    // The camera switched on the level's bloom and colour, the backdrop's light rays and its
    // depth of field.
    EXPECT_EQ(library->GetLevelEffects().Effects().size(), 2u);
    EXPECT_NE(library->GetScatter(), nullptr);
    EXPECT_NE(library->GetDepthOfField(), nullptr);
    EXPECT_EQ(library->GetActiveList().size(), 4u);
    for (int i = 0; i < 3; ++i) {
      clock.counter += 10000;
      context.timer->Tick();
      menu.Update();
    }
    platform::GraphicsDevice* device = graphics->GetDevice();
    const int w = device->BackBufferWidth(), h = device->BackBufferHeight();
    menu.Render();
    const std::vector<uint32_t> withEffects = device->ReadPixels();
    for (MyPostEffect* effect : library->GetActiveList())
      EXPECT_TRUE(effect->WasRendered()) << "every level effect ran";

    library->StopLevelEffects();
    EXPECT_FALSE(library->HasActiveEffects());
    menu.Render();
    const std::vector<uint32_t> plain = device->ReadPixels();
    WritePng("menuworld_effects.png", withEffects, w, h);
    WritePng("menuworld_plain.png", plain, w, h);

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
  context.globals.reset();
  graphics->Release();
}

}  // namespace

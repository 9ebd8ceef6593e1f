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
#include "support/png.h"
#include "support/user_folder.h"
#include "world/landschaft.h"
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

TEST(MenuWorms, SoldiersStandFidgetAndReactToBlasts) {
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
    WritePng("menuworms.png", device->ReadPixels(), w, h);

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
    WritePng("menuworms_blast.png", device->ReadPixels(), w, h);
    if (target.GetDeathKind() == Person::kKilled) {
      EXPECT_FALSE(target.IsVisible());
      EXPECT_TRUE(game->GetWelt()->GetGameLandschaft()->IsSolidAt(int32_t(grave.x), int32_t(grave.y) - 8))
          << "the grave is terrain";
    }
  }
  context.globals.reset();
  graphics->Release();
}

}  // namespace

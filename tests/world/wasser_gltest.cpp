// Water drawn on OpenGL: the crest, the body down to the world's bottom edge and the mirrored
// water below it all reach the frame, with no seam between strips.
#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"
#include "support/kv_fixture.h"
#include "support/png.h"
#include "support/temp_dir.h"
#include "world/wassermanager.h"
#include "world/worldbounds.h"

namespace {

constexpr Argb kClear = 0xFF101010;
constexpr Argb kWater = 0xFF20A040;

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    if (d < -2 || d > 2) return false;
  }
  return true;
}

}  // namespace

TEST(WaterFrame, CrestBodyAndMirroredDepthsReachTheFrame) {
  TempDir dir;
  // Two 64 x 16 crest cells, clear above row 8 and white below; a white 32 x 32 body.
  ASSERT_TRUE(WriteDataArchive(
      dir.File("w.gob"),
      {{u"w\\waves.png", MakePng(128, 16, [](int, int y) { return y < 8 ? 0u : 0xFFFFFFFFu; })},
       {u"w\\body.png", MakePng(32, 32, [](int, int) { return 0xFFFFFFFFu; })}}));
  auto archive = DataArchive::Open(dir.File("w.gob"));
  APIContext context;
  context.timer = std::make_unique<FrameTimer>();
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  auto window = platform::Window::Create(u"water", 1024, 768);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  ASSERT_EQ(graphics.Create(), kResultOk);
  context.graphics = &graphics;

  AnimationManager animations(&graphics);
  animations.LoadFile(
      ParseBody(
          u"<ANIMATION_FRAMES> <NAME> \"W\" <\\NAME> <ANIMATIONFILE> <SEARCHPATH> \"w\" <\\SEARCHPATH>"
          u" <TEXTUR_FILE> \"waves.png\" <\\TEXTUR_FILE> <FIRST_FRAME> \"0\" \"0\" \"64\" \"16\" "
          u"<\\FIRST_FRAME>"
          u" <ANZAHL> \"2\" \"1\" <\\ANZAHL> <\\ANIMATIONFILE> <\\ANIMATION_FRAMES>"
          u"<ANIMATION_FRAMES> <NAME> \"K\" <\\NAME> <FRAME> \"w\" <TEXTUR_FILE> \"body.png\" <\\TEXTUR_FILE>"
          u" <\\FRAME> <\\ANIMATION_FRAMES>"
          u"<ANIMATION> <NAME> \"W\" <\\NAME> <ANIMATION_FRAME_NAME> \"W\" <\\ANIMATION_FRAME_NAME> "
          u"<\\ANIMATION>"
          u"<ANIMATION> <NAME> \"K\" <\\NAME> <ANIMATION_FRAME_NAME> \"K\" <\\ANIMATION_FRAME_NAME> "
          u"<\\ANIMATION>",
          u"ANI")
          .get(),
      archive.get());
  FixedWorldBounds world{Rect{0, 0, 1024, 400}};
  {
    WasserManager water(&context);
    water.SetSources({&animations, nullptr, &world});
    water.Load(
        ParseBody(u"<WASSER> <NAME> \"T\" <\\NAME> <WASSER_ANIMATION> \"K\" <\\WASSER_ANIMATION>"
                  u" <WELLEN_ANIMATION> \"W\" <\\WELLEN_ANIMATION> <WELLENSIZE> \"64\" \"16\" <\\WELLENSIZE>"
                  u" <WASSERFARBE> \"FF20A040\" <\\WASSERFARBE> <\\WASSER>"
                  u"<GEWAESSER> <NAME> \"B\" <\\NAME> <WASSER> \"T\" <\\WASSER> <\\GEWAESSER>",
                  u"WASSERDATEN")
            .get());
    const std::u16string body = u"B";
    water.SetLevelWater(water.FindByName(&body));
    water.Update();

    platform::GraphicsDevice* device = graphics.GetDevice();
    device->Clear(platform::kClearTarget, kClear, 1.0f, 0);
    ASSERT_EQ(graphics.GetSpriteRenderer()->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    // The world's bottom edge at screen row 500: surface at 400, crest from 384 (clear above
    // its row 8, so the water shows from 392), mirrored water down to 700.
    water.Draw({0.0f, 100.0f}, {1.0f, 1.0f}, 0xFFFFFFFF, 0);
    ASSERT_EQ(graphics.GetSpriteRenderer()->End(), kResultOk);
    const std::vector<uint32_t> pixels = device->ReadPixels();
    auto at = [&](int x, int y) { return pixels[size_t(y) * 1024 + size_t(x)] | 0xFF000000u; };

    const struct {
      int y;
      Argb colour;
    } rows[] = {{380, kClear}, {388, kClear}, {396, kWater}, {450, kWater}, {499, kWater},
                {501, kWater}, {600, kWater}, {698, kWater}, {702, kClear}};
    for (const auto& r : rows)
      for (int x : {5, 63, 64, 65, 300, 511, 512, 1000})
        EXPECT_TRUE(Near(at(x, r.y), r.colour)) << x << ", " << r.y << ": " << std::hex << at(x, r.y);
  }
  graphics.Release();
  context.graphics = nullptr;
}

// Text drawn through the font manager on OpenGL, compared with a stored picture
// (tests/golden/text.png): the default font, the game's three font files from the archive,
// a haloed label, centred and word-wrapped text.
#include <gtest/gtest.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"
#include "support/golden.h"

TEST(TextFrame, MatchesTheStoredPicture) {
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  context.graphics = &graphics;
  auto window = platform::Window::Create(u"text", 1024, 768);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  ASSERT_EQ(graphics.Create(), kResultOk);
  MyGlobals globals(&context);
  globals.RegisterFonts();
  FontManager* fonts = graphics.GetFontManager();
  const int serif = fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"DejaVu Serif", 22), &graphics));
  const int heavy = fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Roboto Black", 26), &graphics));
  const int condensed =
      fonts->AddFont(std::make_unique<MyFont>(FontDesc(u"Roboto Condensed", 18, false, 0, true), &graphics));

  platform::GraphicsDevice* device = graphics.GetDevice();
  SpriteRenderer* sprites = graphics.GetSpriteRenderer();
  device->Clear(platform::kClearTarget, 0xFF1B2230, 1.0f, 0);
  ASSERT_EQ(sprites->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  const std::u16string lines[] = {u"Krumbolt: Wurm 1", u"Größe Съешь ça", u"BAZOOKA 100", u"Runde 3 von 5"};
  const int order[] = {0, serif, heavy, condensed};
  for (int i = 0; i < 4; ++i) {
    Rect rect{8, 6 + i * 30, 312, 36 + i * 30};
    fonts->DrawText(order[i], &lines[i], &rect, 0, 0xFFF2E6C8);
  }
  const std::u16string label = u"Haloed label";
  const Rect labelRect{8, 128, 312, 160};
  const Vector2 shadow(2.0f, 2.0f);
  fonts->DrawTextOffset(heavy, &label, &labelRect, &shadow, 2.0, kDtCenter, 0x90000000);
  Rect labelTop = labelRect;
  fonts->DrawText(heavy, &label, &labelTop, kDtCenter, 0xFF50AE1E);
  const std::u16string wrapped = u"A longer line of text that wraps at blanks inside its box";
  Rect box{8, 166, 200, 236};
  fonts->DrawText(condensed, &wrapped, &box, kDtWordBreak | kDtCenter, 0xC0FFFFFF);
  ASSERT_EQ(sprites->End(), kResultOk);

  EXPECT_TRUE(MatchesGolden(device->ReadPixels(), 1024, {0, 0, 320, 240}, "text"));
  fonts = nullptr;
  graphics.Release();
}

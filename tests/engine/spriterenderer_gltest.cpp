// A frame drawn through the sprite renderer on OpenGL, compared with a stored picture
// (tests/golden/sprites.png); a differing frame is written beside it as sprites.actual.png.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdlib>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"

namespace {

std::shared_ptr<platform::Texture> Checker() {
  auto t = std::make_shared<platform::Texture>(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      t->MutablePixels()[y * 16 + x] = ((x / 4 + y / 4) & 1) ? 0xFFD9A441 : 0xFF6B3F1D;
  return t;
}

std::shared_ptr<platform::Texture> Ball() {
  auto t = std::make_shared<platform::Texture>(32, 32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      float dx = x - 15.5f, dy = y - 15.5f, d = std::sqrt(dx * dx + dy * dy);
      uint32_t a = d < 14.0f ? 255 : d < 16.0f ? uint32_t((16.0f - d) * 127.0f) : 0;
      uint32_t shade = uint32_t(255 - std::min(200.0f, (dx + dy + 32.0f) * 3.0f));
      t->MutablePixels()[y * 32 + x] = (a << 24) | (shade << 16) | ((shade / 2) << 8) | 40;
    }
  return t;
}

}  // namespace

TEST(SpriteFrame, MatchesTheStoredPicture) {
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  auto window = platform::Window::Create(u"frame", 1024, 768);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  ASSERT_EQ(graphics.Create(), kResultOk);
  platform::GraphicsDevice* device = graphics.GetDevice();
  SpriteRenderer* sprites = graphics.GetSpriteRenderer();
  auto checker = Checker();
  auto ball = Ball();

  device->Clear(platform::kClearTarget, 0xFF1B2230, 1.0f, 0);
  ASSERT_EQ(sprites->Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  Rect whole{0, 0, 16, 16}, tiled{8, 8, 108, 58};
  sprites->DrawRect(checker.get(), &whole, &tiled, SpriteRenderer::kTile, SpriteRenderer::kTile, 0xFFFFFFFF);
  Rect ballSrc{0, 0, 32, 32}, fit{120, 8, 40, 48};  // mirrored, fit
  sprites->DrawRect(ball.get(), &ballSrc, &fit, SpriteRenderer::kFit, SpriteRenderer::kFit, 0xFFFFFFFF);
  Rect stretch{8, 64, 120, 88};
  sprites->DrawRect(checker.get(), &whole, &stretch, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                    0x80FFFFFF);
  Vector2 scale(1.5f, 1.5f), centre(24, 24), pos(40, 40);
  sprites->DrawTransformed(ball.get(), &ballSrc, &scale, &centre, 0.6, &pos, 0xC080FF80);
  ASSERT_EQ(sprites->End(), kResultOk);

  // The picture is the top-left 128x96 of the frame.
  auto all = device->ReadPixels();
  const int w = 128, h = 96;
  std::vector<uint8_t> rgba;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t p = all[size_t(y) * 1024 + size_t(x)];
      rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
    }
  std::string golden = std::string(KRUMBOLT_GOLDEN) + "/sprites.png";
  int gw = 0, gh = 0, gc = 0;
  unsigned char* expected = stbi_load(golden.c_str(), &gw, &gh, &gc, 4);
  int worst = expected ? 0 : 256;
  if (expected && gw == w && gh == h)
    for (size_t i = 0; i < rgba.size(); ++i)
      worst = std::max(worst, std::abs(int(rgba[i]) - int(expected[i])));
  else
    worst = 256;
  if (expected) stbi_image_free(expected);
  if (worst > 2) {
    std::string actual = std::string(KRUMBOLT_GOLDEN) + "/sprites.actual.png";
    stbi_write_png(actual.c_str(), w, h, 4, rgba.data(), w * 4);
    FAIL() << "frame differs from " << golden << " by up to " << worst << "; wrote " << actual;
  }
  graphics.Release();
}

// A landscape layer drawn on OpenGL: ground, a rock stamped across a tile border and a
// crater at a tile corner, compared with a stored picture (tests/golden/terrain.png; a
// differing frame is written beside it as terrain.actual.png). A crater made after the
// first draw must show in the next one: changed tiles reach the GPU copy.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cmath>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"
#include "world/landstamp.h"
#include "world/welt.h"

namespace {

constexpr Rect kRect{-64, -32, 448, 288};  // 2 x 2 tiles, the lower ones 64 rows high
constexpr int kW = 512, kH = 320;
constexpr uint32_t kSky = 0xFF5A8FC8;

std::unique_ptr<Landschaft> Ground(APIGraphics* graphics) {
  auto land = std::make_unique<Landschaft>(kRect);
  land->SetGraphics(graphics);
  land->CreateTiles();
  for (int32_t x = kRect.left; x < kRect.right; ++x) {
    int32_t top = 150 + int32_t(40.0 * std::sin(x * 0.015) + 12.0 * std::sin(x * 0.11));
    for (int32_t y = std::max(top, kRect.top); y < kRect.bottom; ++y) {
      uint32_t depth = uint32_t(std::min(y - top, 120));
      uint32_t r = 150 - depth / 2, g = 105 - depth / 3, b = 60 - depth / 4;
      bool grass = y - top < 6;
      *land->LockedPixel(x, y) = grass ? 0xFF3F9A36u : (0xFF000000u | (r << 16) | (g << 8) | b);
    }
  }
  land->UnlockAll();
  return land;
}

std::unique_ptr<platform::Texture> Rock() {
  auto t = std::make_unique<platform::Texture>(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      float dx = x - 31.5f, dy = (y - 31.5f) * 1.4f, d = std::sqrt(dx * dx + dy * dy);
      if (d >= 30.0f) continue;
      uint32_t shade = uint32_t(200.0f - std::min(120.0f, (dx + dy + 40.0f) * 1.5f));
      t->MutablePixels()[y * 64 + x] = 0xFF000000u | (shade << 16) | (shade << 8) | (shade * 9 / 10);
    }
  return t;
}

std::vector<uint8_t> Frame(platform::GraphicsDevice& device, SpriteRenderer& sprites, Landschaft& land) {
  device.Clear(platform::kClearTarget, kSky, 1.0f, 0);
  EXPECT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  // Camera (64, 32) puts the world's corner (-64, -32) at the screen's corner.
  land.Draw(Vector2(64.0f, 32.0f), Vector2(1.0f, 1.0f), 0xFFFFFFFF);
  EXPECT_EQ(sprites.End(), kResultOk);
  auto all = device.ReadPixels();
  std::vector<uint8_t> rgba;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      uint32_t p = all[size_t(y) * 1024 + size_t(x)];
      rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
    }
  return rgba;
}

uint32_t At(const std::vector<uint8_t>& rgba, int x, int y) {
  const uint8_t* p = &rgba[(size_t(y) * kW + size_t(x)) * 4];
  return 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

}  // namespace

TEST(LandscapeFrame, MatchesTheStoredPictureAndShowsLaterCraters) {
  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  auto window = platform::Window::Create(u"terrain", 1024, 768);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  ASSERT_EQ(graphics.Create(), kResultOk);
  platform::GraphicsDevice* device = graphics.GetDevice();
  SpriteRenderer* sprites = graphics.GetSpriteRenderer();

  Rect r = kRect;
  Welt world(&r);
  world.SetGameLayers(Ground(&graphics), 0, 0.0f, 0.0f, 0xFFFFFFFF);
  Landschaft& land = *world.GetGameLandschaft();
  auto rock = Rock();
  Vector2 centre(40.0f, 40.0f);
  double angle = 30.0;
  LandStamp stamp(rock.get(), {0, 0, 64, 64}, {150, 160, 230, 240}, &centre, &angle, true, 0xFFFFFFFF, 9, 11,
                  true);
  ASSERT_TRUE(land.StampTexture(stamp, nullptr));
  std::vector<RemovedPixel> removed;
  world.CarveCrater(Vector2(192.0f, 224.0f), 34.0, &removed, -1, false);
  EXPECT_GT(removed.size(), 1000u);
  world.UnlockGameLayers();

  auto rgba = Frame(*device, *sprites, land);
  std::string golden = std::string(KRUMBOLT_GOLDEN) + "/terrain.png";
  int gw = 0, gh = 0, gc = 0;
  unsigned char* expected = stbi_load(golden.c_str(), &gw, &gh, &gc, 4);
  int worst = 256;
  if (expected && gw == kW && gh == kH) {
    worst = 0;
    for (size_t i = 0; i < rgba.size(); ++i)
      worst = std::max(worst, std::abs(int(rgba[i]) - int(expected[i])));
  }
  if (expected) stbi_image_free(expected);
  if (worst > 2) {
    std::string actual = std::string(KRUMBOLT_GOLDEN) + "/terrain.actual.png";
    stbi_write_png(actual.c_str(), kW, kH, 4, rgba.data(), kW * 4);
    ADD_FAILURE() << "frame differs from " << golden << " by up to " << worst << "; wrote " << actual;
  }

  // Ground before, sky after a crater made once the tiles had their GPU copies.
  const int sx = 360 + 64, sy = 260 + 32;
  EXPECT_NE(At(rgba, sx, sy), kSky);
  world.CarveCrater(Vector2(360.0f, 260.0f), 12.0, nullptr, -1, false);
  world.UnlockGameLayers();
  auto after = Frame(*device, *sprites, land);
  EXPECT_EQ(At(after, sx, sy), kSky);
  EXPECT_EQ(At(after, 20, 300), At(rgba, 20, 300));
  graphics.Release();
}

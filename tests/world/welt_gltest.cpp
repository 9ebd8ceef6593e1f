// A composed world drawn on OpenGL: the meadow backdrop of the shipped catalogue with its
// clouds, two hand-made background layers at their parallax, the terrain filled with the
// shipped soil and grass and its two darker copies behind it, and a foreground layer,
// compared with a stored picture (tests/golden/world.png; a differing frame is written
// beside it as world.actual.png). A second frame with the camera moved shows the terrain
// sliding with it.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "engine/animationmanager.h"
#include "engine/bewegteanimation.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/window.h"
#include "support/golden.h"
#include "world/levelinfo.h"
#include "world/ebenenhintergrund.h"
#include "world/settingkatalog.h"
#include "world/welt.h"

namespace {

constexpr int kW = 1024, kH = 768;
constexpr Rect kWorld{-1024, -512, 1024, 512};

// The ground line of a layer at column x: a base height with two waves.
int32_t Ground(int32_t x, double base, double a1, double f1, double a2, double f2) {
  return int32_t(base + a1 * std::sin(x * f1) + a2 * std::sin(x * f2 + 1.3));
}

std::unique_ptr<Landschaft> Layer(APIGraphics* graphics, int32_t depth, float parallax) {
  auto land = std::make_unique<Landschaft>(kWorld);
  land->SetGraphics(graphics);
  land->CreateTiles();
  land->SetDepth(depth);
  Vector2 p(parallax, parallax);
  land->SetParallax(&p);
  return land;
}

// A silhouette of hills in one colour, darker towards its foot.
std::unique_ptr<Landschaft> Hills(APIGraphics* graphics, int32_t depth, float parallax, double base,
                                  uint32_t rgb, double phase) {
  auto land = Layer(graphics, depth, parallax);
  for (int32_t x = kWorld.left; x < kWorld.right; ++x) {
    const int32_t top = Ground(int32_t(x + phase), base, 70.0, 0.004, 25.0, 0.013);
    for (int32_t y = std::max(top, kWorld.top); y < kWorld.bottom; ++y) {
      const double shade = 1.0 - std::min(0.35, (y - top) / 900.0);
      uint32_t r = uint32_t(((rgb >> 16) & 255) * shade), g = uint32_t(((rgb >> 8) & 255) * shade),
               b = uint32_t((rgb & 255) * shade);
      *land->LockedPixel(x, y) = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  }
  land->UnlockAll();
  return land;
}

// Terrain: the soil pattern below a band of the grass cover, with a cave cut into it.
std::unique_ptr<Landschaft> Terrain(APIGraphics* graphics, const platform::Texture& soil,
                                    const platform::Texture& grass) {
  auto land = Layer(graphics, 0, 1.0f);
  for (int32_t x = kWorld.left; x < kWorld.right; ++x) {
    const int32_t top = Ground(x, 140.0, 90.0, 0.0035, 30.0, 0.011);
    for (int32_t y = std::max(top, kWorld.top); y < kWorld.bottom; ++y) {
      const double cx = (x - 150) / 160.0, cy = (y - 330) / 70.0;
      if (cx * cx + cy * cy < 1.0) continue;
      const int32_t depth = y - top;
      const int32_t u = ((x % 256) + 256) % 256;
      uint32_t pixel =
          depth < 14 ? grass.PixelAt(u, (depth * 9) % 256) : soil.PixelAt(u, ((y % 256) + 256) % 256);
      *land->LockedPixel(x, y) = 0xFF000000u | (pixel & 0xFFFFFF);
    }
  }
  land->UnlockAll();
  return land;
}

// Two dark boulders at the foot of the screen, in front of everything.
std::unique_ptr<Landschaft> Boulders(APIGraphics* graphics) {
  auto land = Layer(graphics, 1, 1.1f);
  for (const auto [cx, cy, rx, ry] : {std::array<double, 4>{-420, 300, 150, 110}, {400, 320, 120, 90}})
    for (int32_t y = int32_t(cy - ry); y < int32_t(cy + ry) && y < kWorld.bottom; ++y)
      for (int32_t x = int32_t(cx - rx); x < int32_t(cx + rx); ++x) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (dx * dx + dy * dy >= 1.0) continue;
        const uint32_t v = uint32_t(38 + 22 * (1.0 - dy) / 2);
        *land->LockedPixel(x, y) = 0xFF000000u | (v << 16) | (v << 8) | (v * 8 / 10);
      }
  land->UnlockAll();
  return land;
}

std::vector<uint32_t> Frame(APIGraphics& graphics, Welt& world, const Vector2& camera,
                            const Vector2& fraction, const Vector2& zoom = Vector2(1.0f, 1.0f)) {
  platform::GraphicsDevice& device = *graphics.GetDevice();
  SpriteRenderer& sprites = *graphics.GetSpriteRenderer();
  device.Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  EXPECT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
  world.DrawBackground(camera, zoom, fraction, 0xFFFFFFFF, true, true);
  world.DrawGameLayers(camera, zoom, 0xFFFFFFFF);
  world.DrawForegroundLayers(camera, zoom, 0xFFFFFFFF);
  EXPECT_EQ(sprites.End(), kResultOk);
  return device.ReadPixels();
}

}  // namespace

TEST(WorldFrame, AComposedWorldMatchesTheStoredPicture) {
  const char* gob = std::getenv("KRUMBOLT_GOB");
  auto archive = DataArchive::Open(platform::Utf8ToU16(gob ? gob : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
  ASSERT_TRUE(archive) << "the content archive is built with the tests";

  APIContext context;
  DisplayEnvironment env;
  env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, env);
  auto window = platform::Window::Create(u"world", kW, kH);
  ASSERT_NE(window, nullptr);
  context.mainWindow = window.get();
  context.graphics = &graphics;
  ASSERT_EQ(graphics.Create(), kResultOk);

  // A level description seeds the generator from the clock; it is made before the seed.
  const LevelInfo level(nullptr, LevelSources{});
  // The meadow backdrop as the main scene loads it; the clouds' paths are drawn at random.
  platform::SRand(7);
  AnimationManager animations(&graphics);
  for (const char16_t* file : {u"animationen.ani", u"ebenen_animationen.ani"})
    animations.LoadFile(LoadKVFromArchive(file, archive.get()).get(), archive.get());
  GameCatalogueAssets assets(graphics.GetTexturDefCache(), &animations, archive.get());
  SettingKatalog katalog;
  katalog.Load(LoadKVFromArchive(u"WorldSetting.wst", archive.get()).get(), &assets, &graphics);
  const std::u16string meadow = u"HIMMEL_WIESE", soilName = u"ERDE", grassName = u"GRAS";
  EbenenHintergrund* backdrop = katalog.FindHintergrund(&meadow);
  ASSERT_NE(backdrop, nullptr);
  const SettingMuster* soil = katalog.FindMuster(&soilName);
  const SettingMuster* grass = katalog.FindMuster(&grassName);
  ASSERT_TRUE(soil && soil->texture && grass && grass->texture);
  // The backdrops' pictures hold no memory until drawn; the ground patterns, stamped into
  // the terrain on the CPU, keep theirs.
  for (const auto& picture : backdrop->GetBackground()) EXPECT_FALSE(picture.texture->texture->HasCpuCopy());
  EXPECT_TRUE(soil->texture->texture->HasCpuCopy());

  Welt world;
  world.Setup(level, &context);
  world.SetWorldRect(kWorld);
  world.SetBackdrop(backdrop);
  world.AddLayer(Hills(&graphics, -1, 0.9f, 40.0, 0x5E7F6A, 0.0), Welt::kBackground);
  world.AddLayer(Hills(&graphics, -2, 0.8f, -40.0, 0x8FA8B8, 400.0), Welt::kBackground);
  world.SetGameLayers(Terrain(&graphics, *soil->texture->texture, *grass->texture->texture), 2, -0.0025f,
                      -0.0025f, 0xFFAFAFAF);
  world.AddLayer(Boulders(&graphics), Welt::kForeground);
  FrameTimer timer;
  timer.gameStep = 0.01;
  for (int i = 0; i < 300; ++i) world.Update(timer);

  // The world's centre at the screen's centre.
  const Vector2 camera(kW / 2.0f, kH / 2.0f);
  const auto frame = Frame(graphics, world, camera, {0.5f, 0.5f});
  const int pitch = graphics.GetDevice()->BackBufferWidth();
  // Stored at half size: each pixel the mean of a 2 x 2 block.
  std::vector<uint32_t> half(size_t(kW / 2) * size_t(kH / 2));
  for (int y = 0; y < kH / 2; ++y)
    for (int x = 0; x < kW / 2; ++x) {
      uint32_t mean = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        uint32_t sum = 0;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            sum += (frame[size_t(2 * y + dy) * size_t(pitch) + size_t(2 * x + dx)] >> shift) & 0xFF;
        mean |= ((sum + 2) / 4) << shift;
      }
      half[size_t(y) * size_t(kW / 2) + size_t(x)] = mean;
    }
  EXPECT_TRUE(MatchesGolden(half, kW / 2, {0, 0, kW / 2, kH / 2}, "world", 3));
  // Drawn, the pictures were read again, and are measured from their pixels.
  for (const auto& picture : backdrop->GetBackground()) EXPECT_TRUE(picture.texture->texture->HasCpuCopy());

  // The backdrop leaves out the pictures' transparent rows and the rows a later picture
  // covers: the picture is the one every picture drawn whole gives.
  platform::GraphicsDevice& device = *graphics.GetDevice();
  SpriteRenderer& sprites = *graphics.GetSpriteRenderer();
  for (const auto& [zoom, fraction] : {std::pair{Vector2(1.0f, 1.0f), Vector2(0.5f, 0.5f)},
                                       std::pair{Vector2(0.35f, 0.35f), Vector2(0.0f, 1.0f)},
                                       std::pair{Vector2(1.5f, 1.5f), Vector2(1.0f, 0.0f)}}) {
    device.Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    world.DrawBackdrop(zoom, fraction, 0xFFFFFFFF);
    ASSERT_EQ(sprites.End(), kResultOk);
    const auto trimmed = device.ReadPixels();
    device.Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(sprites.Begin(SpriteRenderer::kAlphaBlend), kResultOk);
    const auto& pictures = backdrop->GetBackground();
    for (size_t j = 0; j < pictures.size(); ++j) {
      const TexturePartRecord* picture = pictures[j].texture;
      const float w = float(picture->rect.Width()), h = float(picture->rect.Height());
      const float ox = w * float(pictures[j].parallax) * zoom.x, oy = h * float(pictures[j].parallax) * zoom.y;
      const Vector2 scale((kW + ox) / w, (kH + oy) / h), at(-ox * fraction.x, -oy * fraction.y);
      sprites.DrawTransformed(picture->texture, &picture->rect, &scale, nullptr, 0.0, &at, 0xFFFFFFFF);
      if (BewegteAnimation* clouds = backdrop->GetAnimation(j))
        clouds->RenderTransformed(Vector2(0.0f, 0.0f), Vector2(1.0f, 1.0f), 0xFFFFFFFF);
    }
    ASSERT_EQ(sprites.End(), kResultOk);
    const auto whole = device.ReadPixels();
    int largest = 0;
    for (size_t i = 0; i < whole.size(); ++i)
      for (int shift : {16, 8, 0})
        largest = std::max(largest, std::abs(int((whole[i] >> shift) & 0xFF) - int((trimmed[i] >> shift) & 0xFF)));
    EXPECT_LE(largest, 2) << "zoom " << zoom.x << ", scrolled " << fraction.x << ", " << fraction.y;
  }

  // What the opaque layers in front hide is left out (the terrain hides the hills and most of
  // the backdrop behind it), and so are the clear parts of every picture: the picture is the
  // one every layer drawn whole gives, but for rounding, at any zoom and with the camera
  // between pixels. The device's 8-bit path for rectangles weighs the filter's texels in 8 bits
  // from where each piece starts: a piece drawn in other pieces is a step off over much of it,
  // two where such a pixel is blended on again, more than two on few pixels; a part left out
  // that shows would differ by far more.
  for (const auto& [at, zoom] : {std::pair{camera, Vector2(1.0f, 1.0f)},
                                 std::pair{Vector2(camera.x + 37.37f, camera.y - 80.61f), Vector2(1.0f, 1.0f)},
                                 std::pair{Vector2(camera.x - 311.8f, camera.y + 45.25f), Vector2(0.6f, 0.6f)},
                                 // Shrunk by less than half a mip level: level 0 alone is read.
                                 std::pair{Vector2(camera.x - 55.3f, camera.y + 20.7f), Vector2(0.8f, 0.8f)},
                                 std::pair{Vector2(camera.x + 120.5f, camera.y + 150.5f), Vector2(1.7f, 1.7f)}}) {
    world.SetLeavesOutHidden(false);
    const auto whole = Frame(graphics, world, at, {0.3f, 0.6f}, zoom);
    world.SetLeavesOutHidden(true);
    const auto leftOut = Frame(graphics, world, at, {0.3f, 0.6f}, zoom);
    int largest = 0;
    size_t differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
      int d = 0;
      for (int shift : {24, 16, 8, 0})
        d = std::max(d, std::abs(int((whole[i] >> shift) & 0xFF) - int((leftOut[i] >> shift) & 0xFF)));
      largest = std::max(largest, d);
      differing += d > 2;
    }
    EXPECT_LE(largest, 4) << "camera " << at.x << ", " << at.y << " zoom " << zoom.x;
    EXPECT_LT(differing, whole.size() / 1000) << "camera " << at.x << ", " << at.y << " zoom " << zoom.x;
  }

  // Moving the camera 100 pixels slides the terrain by 100 pixels: a row of soil comes
  // along whole (and differs from the row slid by the far hills' 90).
  const auto moved = Frame(graphics, world, {camera.x + 100.0f, camera.y}, {0.5f, 0.5f});
  auto row = [&](const std::vector<uint32_t>& f, int x, int y) {
    std::vector<uint32_t> out;
    for (int i = 0; i < 64; ++i) out.push_back(f[size_t(y) * size_t(pitch) + size_t(x + i)] & 0xFFFFFF);
    return out;
  };
  EXPECT_EQ(row(moved, 400, 650), row(frame, 300, 650));
  EXPECT_NE(row(moved, 390, 650), row(frame, 300, 650));
  graphics.Release();
}

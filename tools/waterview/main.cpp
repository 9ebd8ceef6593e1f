// waterview: renders the content's bodies of water offscreen into one PNG, to look at them.
//
//   waterview OUT.png [--time SECONDS] [--zoom FACTOR]
//
// Each body of "wasser.was" gets a band of its own over a sky gradient, as it stands after
// the given time (default 2 s) of its motion: the layers of depth -1 first, then a dark post
// standing in the water where the worms would be, then the layers of depth 0 and 1. The
// zoom scales the world about the band's top-left corner. Runs without a display (SDL's
// offscreen driver).
#include <stb/stb_image_write.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "platform/random.h"
#include "platform/window.h"
#include "world/wassermanager.h"
#include "world/worldbounds.h"

namespace {

// One of the display modes the graphics manager offers.
constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 1024;
constexpr double kStep = 1.0 / 60.0;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: waterview OUT.png [--time SECONDS] [--zoom FACTOR]\n");
    return 2;
  }
  std::string out = argv[1];
  double seconds = 2.0;
  float zoom = 1.0f;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string arg = argv[i];
    if (arg == "--time")
      seconds = std::strtod(argv[i + 1], nullptr);
    else if (arg == "--zoom")
      zoom = std::strtof(argv[i + 1], nullptr);
  }
  setenv("SDL_VIDEODRIVER", "offscreen", 0);

  auto archive = DataArchive::Open(DataArchive::Locate());
  if (!archive) {
    std::fprintf(stderr, "waterview: no krumbolt.gob found\n");
    return 1;
  }
  auto waterFile = LoadKVFromArchive(u"wasser.was", archive.get());
  auto animationFile = LoadKVFromArchive(u"animationen.ani", archive.get());
  const int32_t bands = waterFile ? int32_t(waterFile->CountChildren(u"GEWAESSER")) : 0;
  if (bands == 0) {
    std::fprintf(stderr, "waterview: no bodies of water in wasser.was\n");
    return 1;
  }
  const int32_t band = kHeight / bands;

  APIContext context;
  context.timer = std::make_unique<FrameTimer>();
  DisplayEnvironment display;
  display.adapterModes.push_back({uint32_t(kWidth), uint32_t(kHeight), 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  context.graphics = &graphics;
  auto window = platform::Window::Create(u"waterview", kWidth, kHeight);
  if (!window) {
    std::fprintf(stderr, "waterview: no window\n");
    return 1;
  }
  context.mainWindow = window.get();
  if (Failed(graphics.Create())) {
    std::fprintf(stderr, "waterview: no graphics device\n");
    return 1;
  }

  platform::SRand(1);
  AnimationManager animations(&graphics);
  animations.LoadFile(animationFile.get(), archive.get());
  FixedWorldBounds world;
  WasserManager water(&context);
  water.SetSources({&animations, nullptr, &world});
  water.Load(waterFile.get());

  auto white = std::make_unique<platform::Texture>(1, 1);
  white->MutablePixels()[0] = 0xFFFFFFFF;
  platform::GraphicsDevice* device = graphics.GetDevice();
  SpriteRenderer& sprites = *graphics.GetSpriteRenderer();
  auto fill = [&](const Rect& r, Argb colour) {
    const Rect src{0, 0, 1, 1};
    sprites.DrawRect(white.get(), &src, &r, SpriteRenderer::kStretch, SpriteRenderer::kStretch, colour);
  };

  device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  device->BeginScene();
  sprites.Begin(SpriteRenderer::kAlphaBlend);
  for (int32_t index = 0; index < bands; ++index) {
    const int32_t top = index * band;
    // A sky growing lighter towards the horizon, in strips.
    for (int32_t y = 0; y < band; y += 4) {
      const uint32_t shade = uint32_t(90 + y * 120 / band);
      fill({0, top + y, kWidth, top + y + 4}, 0xFF000000 | (shade / 2) << 16 | (shade * 3 / 4) << 8 | shade);
    }
    // The world is the band's width at the zoom, its bottom the band's bottom.
    world.rect = Rect{0, 0, int32_t(float(kWidth) / zoom), int32_t(float(band) / zoom)};
    water.SetLevelWater(water.GetBodies()[size_t(index)].get());
    context.timer->realStep = context.timer->gameStep = kStep;
    for (double t = 0.0; t < seconds; t += kStep) water.Update();

    const Vector2 offset{0.0f, float(top)}, scale{zoom, zoom};
    for (int32_t depth : {-2, -1}) water.Draw(offset, scale, 0xFFFFFFFF, depth);
    const int32_t surface = top + int32_t(float(water.GetSurfaceY()) * zoom);
    fill({kWidth / 2 - 12, surface - 50, kWidth / 2 + 12, surface + 30}, 0xFF30231A);
    for (int32_t depth : {0, 1}) water.Draw(offset, scale, 0xFFFFFFFF, depth);
  }
  sprites.End();
  device->EndScene();
  water.SetLevelWater(nullptr);

  std::vector<uint32_t> pixels = device->ReadPixels();
  std::vector<uint8_t> rgba;
  rgba.reserve(pixels.size() * 4);
  for (uint32_t p : pixels) rgba.insert(rgba.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), 255});
  const bool ok = stbi_write_png(out.c_str(), kWidth, kHeight, 4, rgba.data(), kWidth * 4) != 0;
  graphics.Release();
  if (!ok) {
    std::fprintf(stderr, "waterview: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

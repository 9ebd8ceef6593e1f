// krumbolt-world: builds the world of a level file with a seed, as the game builds it, and
// shows what came out.
//
//   krumbolt-world LEVEL [SEED] [--seed-text TEXT] [--png FILE] [--hash] [--times]
//
// LEVEL is an archive name ("rand_level.lvl", "kampagne/level01.lvl") or a file on disk.
// SEED reseeds the level as a number; --seed-text reseeds it from a typed text as the game
// reads one (the sum of its characters); without either the level's own seed stands.
// --hash prints one fingerprint per layer and one for the world; --png writes every layer
// composed over the backdrop, the world's size; --times prints each stage's time.
// Runs without a display: the graphics manager's null device loads the pictures.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/image.h"
#include "platform/text.h"
#include "world/ebenenhintergrund.h"
#include "world/landschaft.h"
#include "world/levelinfo.h"
#include "world/welt.h"
#include "world/worlddata.h"
#include "world/worldhash.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: krumbolt-world LEVEL [SEED] [--seed-text TEXT] [--png FILE] [--hash] [--times]\n");
  return 2;
}

// A picture stretched over the whole canvas (nearest texel), blended over it.
void DrawStretched(platform::Image& canvas, const TexturePartRecord& part) {
  // A backdrop picture holds its pixels only once asked to read them again.
  if (!part.texture || !part.texture->Refill()) return;
  const Rect& r = part.rect;
  const int32_t w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return;
  for (int32_t y = 0; y < canvas.height; ++y) {
    const int32_t sy = r.top + int32_t(int64_t(y) * h / canvas.height);
    for (int32_t x = 0; x < canvas.width; ++x) {
      const int32_t sx = r.left + int32_t(int64_t(x) * w / canvas.width);
      canvas.At(x, y) = platform::BlendStraightAlpha(canvas.At(x, y), part.texture->PixelAt(sx, sy));
    }
  }
}

void DrawLayer(platform::Image& canvas, const Rect& world, const Landschaft& layer) {
  const Rect r = layer.GetRect();
  for (int32_t y = std::max(r.top, world.top); y < std::min(r.bottom, world.bottom); ++y)
    for (int32_t x = std::max(r.left, world.left); x < std::min(r.right, world.right); ++x)
      if (const uint32_t* p = layer.PeekPixel(x, y))
        canvas.At(x - world.left, y - world.top) =
            platform::BlendStraightAlpha(canvas.At(x - world.left, y - world.top), *p);
}

// Background layers, then the game layers, then the foreground layers, each group from its
// last layer to its first, as the battle draws them.
platform::Image Compose(const Welt& world) {
  const Rect r = world.GetWorldRect();
  platform::Image canvas(std::max(r.right - r.left, 1), std::max(r.bottom - r.top, 1), 0xFF6F9FD8);
  if (const EbenenHintergrund* backdrop = world.GetBackdrop())
    for (const auto& picture : backdrop->GetBackground())
      if (picture.texture) DrawStretched(canvas, *picture.texture);
  for (const auto* group : {&world.BackgroundLayers(), &world.GameLayers(), &world.ForegroundLayers()})
    for (size_t i = group->size(); i-- > 0;) DrawLayer(canvas, r, *(*group)[i]);
  return canvas;
}

void PrintLayer(const char* group, size_t index, const Landschaft& layer) {
  const Rect r = layer.GetRect();
  std::printf("%-10s %zu depth %3d rect %d,%d,%d,%d parallax %.4f,%.4f hash %016llx\n", group, index,
              layer.GetDepth(), r.left, r.top, r.right, r.bottom, double(layer.GetParallax().x),
              double(layer.GetParallax().y), static_cast<unsigned long long>(LayerHash(layer)));
}

}  // namespace

int main(int argc, char** argv) {
  std::string levelName, seedText, pngPath;
  bool haveSeed = false, haveSeedText = false, printHash = false, printTimes = false;
  uint32_t seed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--png" && i + 1 < argc) {
      pngPath = argv[++i];
    } else if (arg == "--seed-text" && i + 1 < argc) {
      seedText = argv[++i];
      haveSeedText = true;
    } else if (arg == "--hash") {
      printHash = true;
    } else if (arg == "--times") {
      printTimes = true;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage();
    } else if (levelName.empty()) {
      levelName = arg;
    } else if (!haveSeed) {
      char* end = nullptr;
      seed = uint32_t(std::strtoul(arg.c_str(), &end, 10));
      if (!end || *end) return Usage();
      haveSeed = true;
    } else {
      return Usage();
    }
  }
  if (levelName.empty()) return Usage();

  auto archive = DataArchive::Open(DataArchive::Locate());
  if (!archive) {
    std::fprintf(stderr, "krumbolt-world: no krumbolt.gob found\n");
    return 1;
  }
  APIContext& context = *APIContext::Get();
  DisplayEnvironment display;
  display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  APIGraphics graphics(context, display);
  graphics.UseNullDevice(true);
  if (Failed(graphics.Create())) {
    std::fprintf(stderr, "krumbolt-world: no graphics device\n");
    return 1;
  }
  context.graphics = &graphics;

  const WorldData data(graphics, archive.get());

  std::u16string name = platform::Utf8ToU16(levelName);
  for (char16_t& c : name)
    if (c == u'/') c = u'\\';
  std::unique_ptr<KVNode> document = LoadKVFromArchive(name, archive.get());
  if (!document) document = LoadKVFile(platform::Utf8ToU16(levelName));
  if (!document) {
    std::fprintf(stderr, "krumbolt-world: no level %s\n", levelName.c_str());
    return 1;
  }
  std::unique_ptr<LevelInfo> levelInfo = data.Level(document.get());
  LevelInfo& level = *levelInfo;
  if (haveSeedText)
    level.SetSeedFromText(platform::Utf8ToU16(seedText));
  else if (haveSeed)
    level.Reseed(seed);

  std::vector<std::pair<std::u16string, double>> times;
  WorldBuildServices services = data.Services(&context);
  services.stageTimes = &times;
  std::unique_ptr<Welt> world = level.BuildWorld(nullptr, services);

  const Rect r = world->GetWorldRect();
  std::printf("level %s seed %u setting %s world %d,%d,%d,%d\n", levelName.c_str(), level.seed,
              platform::U16ToUtf8(level.GetSettingOrEmpty().GetNameId()).c_str(), r.left, r.top, r.right,
              r.bottom);
  if (printHash) {
    for (size_t i = 0; i < world->BackgroundLayers().size(); ++i)
      PrintLayer("background", i, *world->BackgroundLayers()[i]);
    for (size_t i = 0; i < world->GameLayers().size(); ++i) PrintLayer("game", i, *world->GameLayers()[i]);
    for (size_t i = 0; i < world->ForegroundLayers().size(); ++i)
      PrintLayer("foreground", i, *world->ForegroundLayers()[i]);
    std::printf("world hash %016llx\n", static_cast<unsigned long long>(WorldHash(*world)));
  }
  if (printTimes) {
    double total = 0.0;
    for (const auto& [stage, seconds] : times) {
      std::printf("  %-22s %8.1f ms\n", platform::U16ToUtf8(stage).c_str(), seconds * 1000.0);
      total += seconds;
    }
    std::printf("  %-22s %8.1f ms\n", "stages", total * 1000.0);
  }
  if (!pngPath.empty() && !platform::WritePng(pngPath, Compose(*world))) {
    std::fprintf(stderr, "krumbolt-world: cannot write %s\n", pngPath.c_str());
    return 1;
  }
  world.reset();
  context.graphics = nullptr;
  graphics.Release();
  return 0;
}

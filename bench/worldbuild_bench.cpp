// The world build: whole worlds of the free-game level at three sizes (S 1024 x 512,
// M 2048 x 1024, L 4096 x 2048) and of every shipped level at its own size, on 1 and 8
// workers with the time of each stage kind as counters; the rim stage on L over worker
// counts, and the noise-line stage on L.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <map>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/random.h"
#include "platform/text.h"
#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/lfc_stages.h"
#include "world/welt.h"
#include "world/worlddata.h"

namespace {

// The archive's world data on the null device, loaded once for every benchmark.
struct Pack {
  Pack() : graphics(*APIContext::Get(), Display()) {
    const char* env = std::getenv("KRUMBOLT_GOB");
    archive = DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
    graphics.UseNullDevice(true);
    graphics.Create();
    APIContext::Get()->graphics = &graphics;
    data = std::make_unique<WorldData>(graphics, archive.get());
    level = LoadKVFromArchive(u"rand_level.lvl", archive.get());
  }
  static DisplayEnvironment Display() {
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    return display;
  }
  // A shipped level as it is (the free-game level with a fixed seed).
  std::unique_ptr<LevelInfo> Shipped(std::u16string_view name) const {
    auto document = LoadKVFromArchive(name, archive.get());
    auto info = data->Level(document.get());
    if (!document || !document->GetChild(0, u"RANDOM_SEED")) info->Reseed(1234);
    return info;
  }
  // The free-game level with a fixed seed and world size.
  std::unique_ptr<LevelInfo> Level(int32_t halfWidth) const {
    auto info = data->Level(level.get());
    info->Reseed(1234);
    info->worldRect = {-halfWidth, -halfWidth / 2, halfWidth, halfWidth / 2};
    return info;
  }

  std::unique_ptr<DataArchive> archive;
  APIGraphics graphics;
  std::unique_ptr<WorldData> data;
  std::unique_ptr<KVNode> level;
};

Pack& TheTestPack() {
  static Pack pack;
  return pack;
}

constexpr int32_t kHalfWidths[3] = {512, 1024, 2048};
constexpr const char16_t* kLevels[] = {
    u"rand_level.lvl",        u"mainmenu.lvl",          u"kampagne\\level01.lvl", u"kampagne\\level02.lvl",
    u"kampagne\\level03.lvl", u"kampagne\\level04.lvl", u"kampagne\\level05.lvl"};

// Builds the level's world once per iteration; the stage times go into counters.
void RunBuilds(benchmark::State& state, const LevelInfo& levelInfo);

void BM_BuildWorld(benchmark::State& state) {
  Pack& pack = TheTestPack();
  platform::SetProcessorCountOverride(int(state.range(1)));
  RunBuilds(state, *pack.Level(kHalfWidths[state.range(0)]));
  platform::SetProcessorCountOverride(0);
}
BENCHMARK(BM_BuildWorld)
    ->ArgNames({"size", "workers"})
    ->ArgsProduct({{0, 1, 2}, {1, 8}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_BuildLevel(benchmark::State& state) {
  Pack& pack = TheTestPack();
  platform::SetProcessorCountOverride(int(state.range(1)));
  const char16_t* name = kLevels[state.range(0)];
  auto level = pack.Shipped(name);
  const Rect r = level->worldRect;
  state.SetLabel(platform::U16ToUtf8(name) + " " + std::to_string(r.right - r.left) + "x" +
                 std::to_string(r.bottom - r.top));
  RunBuilds(state, *level);
  platform::SetProcessorCountOverride(0);
}
BENCHMARK(BM_BuildLevel)
    ->ArgNames({"level", "workers"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {1, 8}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void RunBuilds(benchmark::State& state, const LevelInfo& levelInfo) {
  Pack& pack = TheTestPack();
  const LevelInfo* level = &levelInfo;
  std::vector<std::pair<std::u16string, double>> times;
  WorldBuildServices services = pack.data->Services(APIContext::Get());
  services.stageTimes = &times;
  for (auto _ : state) {
    auto world = level->BuildWorld(nullptr, services);
    benchmark::DoNotOptimize(world.get());
    state.PauseTiming();
    world.reset();
    state.ResumeTiming();
  }
  // Seconds per build in each kind of stage.
  std::map<std::string, double> byKind;
  for (const auto& [kind, seconds] : times) byKind[platform::U16ToUtf8(kind)] += seconds;
  for (const auto& [kind, seconds] : byKind)
    state.counters[kind.substr(4) + "_ms"] = seconds * 1000.0 / double(state.iterations());
}

// An L layer with a large shape in its mask, as the game layer's hills leave it.
struct RimCanvas {
  RimCanvas() : layer(std::make_unique<Landschaft>(kRect)), mask(std::make_unique<Landschaft>(kRect)) {
    layer->CreateTiles();
    mask->CreateTiles();
    LFC_EleptikScanLine hill(nullptr, nullptr, 0, 1.0);
    platform::SRand(3);
    hill.Randomize(0);
    hill.SetRand({600, 300, 600, 0});
    hill.Apply(*layer, *mask, nullptr);
  }
  static constexpr Rect kRect{-2048, -1024, 2048, 1024};
  std::unique_ptr<Landschaft> layer, mask;
};

void BM_SobelL(benchmark::State& state) {
  static RimCanvas canvas;
  platform::SetProcessorCountOverride(int(state.range(0)));
  LFC_Sobel rim(nullptr, nullptr, 0, 1.0);
  platform::SRand(5);
  rim.Randomize(0);
  rim.SetRand({0, 0, 0, 0});
  for (auto _ : state) rim.Apply(*canvas.layer, *canvas.mask, nullptr);
  platform::SetProcessorCountOverride(0);
}
BENCHMARK(BM_SobelL)->ArgName("workers")->DenseRange(1, 8)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NoiseL(benchmark::State& state) {
  auto layer = std::make_unique<Landschaft>(RimCanvas::kRect);
  auto mask = std::make_unique<Landschaft>(RimCanvas::kRect);
  layer->CreateTiles();
  mask->CreateTiles();
  LFC_Noise noise(nullptr, nullptr, 0, 1.0);
  platform::SRand(7);
  noise.Randomize(0);
  noise.SetRand({0, 0, 0, 0});
  for (auto _ : state) noise.Apply(*layer, *mask, nullptr);
}
BENCHMARK(BM_NoiseL)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

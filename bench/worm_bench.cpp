// Worms per frame: 30 copies of the shipped template worm of three teams on flat ground,
// stepped (movement and animation choice, with their fidgets), and drawn on the null device
// (bodies with the team layer, then labels). The label's text is measured once and kept;
// the baseline measures it anew for every worm every frame, as a label without the cache
// would. The null device records the quads, so the figures are the CPU side of drawing.
// The collection of the game's living worms runs once per frame for every particle that can
// hit a worm, and for every blast.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "objects/mannschaft.h"
#include "objects/simservices.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

constexpr int kWorms = 30;

struct Scene {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<MyGlobals> globals;
  Rect rect{0, 0, 2048, 1024};
  std::unique_ptr<Welt> world;
  FrameTimer timer;
  SimServices services;
  std::vector<std::unique_ptr<Mannschaft>> teams;
  std::vector<std::unique_ptr<Worm>> worms;
  bool ok = false;

  Scene() {
    std::filesystem::current_path(KRUMBOLT_BINARY_DIR);
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    DisplayEnvironment display;
    display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    if (graphics->Create() != kResultOk) return;
    context.graphics = graphics.get();
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    globals->CreateDeviceObjects();
    globals->RegisterFonts();
    const DataArchive* archive = globals->GetArchive();
    if (!archive) return;
    globals->GetAnimationManager()->LoadFile(LoadKVFromArchive(u"animationen.ani", archive).get(), archive);
    globals->GetWormManager()->Load(LoadKVFromArchive(u"worms_default.wrm", archive).get());
    const Worm* templateWorm = globals->GetWormManager()->GetDefaultWorm();
    if (!templateWorm) return;

    auto land = std::make_unique<Landschaft>(rect);
    land->SetGraphics(nullptr);
    land->CreateTiles();
    for (int32_t x = rect.left; x < rect.right; ++x)
      for (int32_t y = 700; y < rect.bottom; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2B;
    land->UnlockAll();
    world = std::make_unique<Welt>(&rect);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    timer.gameStep = 0.01;
    services.timer = &timer;
    services.world = world.get();
    SimServices::Install(&services);
    platform::SRand(3);
    for (int t = 0; t < 3; ++t) {
      teams.push_back(std::make_unique<Mannschaft>());
      teams.back()->SetColour(globals->teamColours[t * 3]);
    }
    for (int i = 0; i < kWorms; ++i) {
      auto w = std::make_unique<Worm>(*templateWorm);
      w->SetWorld(world.get());
      *w->GetPosition() = Vector2(float(40 + i * 65), 699.0f);
      w->SetTeam(teams[size_t(i % 3)].get());
      w->Reset();
      worms.push_back(std::move(w));
    }
    ok = true;
  }
  ~Scene() {
    worms.clear();
    SimServices::Install(nullptr);
  }

  void Draw(bool remeasure) {
    SpriteRenderer* renderer = graphics->GetSpriteRenderer();
    graphics->GetDevice()->ClearRecordedDraws();
    renderer->Begin(SpriteRenderer::kAlphaBlend);
    const Vector2 offset(0.0f, -300.0f), zoom(1.0f, 1.0f);
    for (auto& w : worms) w->DrawSprites(offset, zoom, 0xFFFFFFFF, true);
    for (auto& w : worms) {
      // A new name drops the kept measurement.
      if (remeasure) w->SetName(w->GetName());
      w->DrawLabel(offset, zoom);
    }
    renderer->End();
  }
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void BM_WormStep(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("no archive (KRUMBOLT_GOB) or template worm");
  for (auto _ : state)
    for (auto& w : s.worms) w->MoveStep();
  state.SetItemsProcessed(state.iterations() * kWorms);
}
BENCHMARK(BM_WormStep);

void BM_WormDraw(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("no archive (KRUMBOLT_GOB) or template worm");
  for (auto _ : state) s.Draw(false);
  state.SetItemsProcessed(state.iterations() * kWorms);
}
BENCHMARK(BM_WormDraw);

void BM_WormDrawMeasuringEveryLabel(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("no archive (KRUMBOLT_GOB) or template worm");
  for (auto _ : state) s.Draw(true);
  state.SetItemsProcessed(state.iterations() * kWorms);
}
BENCHMARK(BM_WormDrawMeasuringEveryLabel);

void BM_CollectLivingWorms(benchmark::State& state) {
  Scene& s = TheScene();
  if (!s.ok) return state.SkipWithError("no archive (KRUMBOLT_GOB) or template worm");
  WormManager& manager = *s.globals->GetWormManager();
  manager.ClearSelection();
  for (auto& team : s.teams) team->ResetForGame();
  for (auto& w : s.worms) {
    const Vector2 at = *w->GetPosition();
    w->GetTeam()->AddWormToPlayOrder(w.get(), nullptr, nullptr);
    w->SetWorld(s.world.get());
    *w->GetPosition() = at;
  }
  for (auto& team : s.teams) manager.AddTeamToGame(team.get());
  std::vector<Objekt*> out;
  for (auto _ : state) {
    out.clear();
    manager.CollectWorms(out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kWorms);
  manager.ClearSelection();
}
BENCHMARK(BM_CollectLivingWorms);

}  // namespace

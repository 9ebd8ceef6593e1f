// Water per frame: the content's lake updated and drawn at the four depths on the Null
// device, over a 4096-pixel world seen at its left edge and at its far right. The baseline
// draws the same number of quads straight through the sprite renderer.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "platform/random.h"
#include "world/wassermanager.h"
#include "world/worldbounds.h"

namespace {

struct Scene {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<AnimationManager> animations;
  FixedWorldBounds world{Rect{-2048, -1024, 2048, 1024}};
  std::unique_ptr<WasserManager> water;

  ~Scene() {
    water.reset();
    context.graphics = nullptr;
  }
  // False without the content archive.
  bool Build() {
    archive = DataArchive::Open(u"" KRUMBOLT_BINARY_DIR "/krumbolt.gob");
    if (!archive) return false;
    DisplayEnvironment display;
    display.desktop = {1280, 1024};
    display.adapterModes.push_back({1280, 1024, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, display);
    graphics->UseNullDevice(true);
    if (Failed(graphics->Create())) return false;
    context.graphics = graphics.get();
    context.timer = std::make_unique<FrameTimer>();
    context.timer->realStep = context.timer->gameStep = 1.0 / 60.0;
    platform::SRand(1);
    animations = std::make_unique<AnimationManager>(graphics.get());
    animations->LoadFile(LoadKVFromArchive(u"animationen.ani", archive.get()).get(), archive.get());
    water = std::make_unique<WasserManager>(&context);
    water->SetSources({animations.get(), nullptr, &world});
    water->Load(LoadKVFromArchive(u"wasser.was", archive.get()).get());
    const std::u16string lake = u"SEE";
    water->SetLevelWater(water->FindByName(&lake));
    return water->GetLevelWater() != nullptr;
  }
  // The camera's offset with the view's left edge at world x; the screen's bottom row is the
  // world's bottom edge.
  static Vector2 ViewAt(float x) { return {-x, 0.0f}; }
};

void DrawWater(benchmark::State& state, float viewLeft) {
  Scene scene;
  if (!scene.Build()) {
    state.SkipWithError("no content archive");
    return;
  }
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  size_t quads = 0;
  for (auto _ : state) {
    device->ClearRecordedDraws();
    scene.water->Update();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    for (int32_t depth = -2; depth <= 1; ++depth)
      scene.water->Draw(Scene::ViewAt(viewLeft), {1.0f, 1.0f}, 0xFFFFFFFF, depth);
    sprites->End();
    quads = device->RecordedDraws().size();
  }
  state.counters["quads"] = double(quads);
}

void BM_WaterAtTheLeftEdge(benchmark::State& state) { DrawWater(state, -2048.0f); }
void BM_WaterAtTheFarRight(benchmark::State& state) { DrawWater(state, 2048.0f - 1280.0f); }

// The same number of quads as a frame of water, drawn directly.
void BM_BaselineQuads(benchmark::State& state) {
  Scene scene;
  if (!scene.Build()) {
    state.SkipWithError("no content archive");
    return;
  }
  const Wasser& type = *scene.water->GetLevelWater()->GetTypes()[0];
  const AnimationFrame* frame = type.GetWaveAnimation()->GetCurrentFrame();
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  const int quads = int(state.range(0));
  const Vector2 scale{1.0f, 0.75f};
  for (auto _ : state) {
    device->ClearRecordedDraws();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    for (int i = 0; i < quads; ++i) {
      const Vector2 at{float(i % 12) * 126.0f, 900.0f};
      sprites->DrawTransformed(frame->texture->texture, &frame->rect, &scale, nullptr, 0.0, &at, 0xA04BB0D1);
    }
    sprites->End();
  }
  state.counters["quads"] = double(quads);
}

}  // namespace

BENCHMARK(BM_WaterAtTheLeftEdge);
BENCHMARK(BM_WaterAtTheFarRight);
BENCHMARK(BM_BaselineQuads)->Arg(44);
BENCHMARK_MAIN();

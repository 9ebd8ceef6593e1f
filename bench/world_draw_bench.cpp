// The world's per-frame work on a 4096 x 2048 world of six layers (two background, the
// terrain with two copies, one foreground) and a three-picture backdrop, on the Null
// device: drawing every group (the same sprite draws made directly are the baseline), a
// tinted pass, the per-frame unlock after a crater, and making the terrain's copies at
// level start.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/renderextralookup.h"
#include "engine/spriterenderer.h"
#include "world/ebenenhintergrund.h"
#include "world/welt.h"

namespace {

constexpr Rect kWorld{-2048, -1024, 2048, 1024};

class Pictures : public CatalogueAssets {
 public:
  Pictures() {
    for (int i = 0; i < 3; ++i) {
      m_textures.push_back(std::make_unique<platform::Texture>(1024 >> i, 512 >> i));
      m_records.push_back({m_textures.back().get(), Rect{0, 0, 1024 >> i, 512 >> i}});
    }
  }
  const TexturePartRecord* GetTexture(const std::u16string& file, const SearchPath&,
                                      const std::u16string*) override {
    return &m_records[size_t(file[0] - u'0')];
  }
  std::unique_ptr<BewegteAnimation> CreateBewegteAnimation(std::u16string_view) override { return nullptr; }

 private:
  std::vector<std::unique_ptr<platform::Texture>> m_textures;
  std::vector<TexturePartRecord> m_records;
};

class WhiteForEveryGroup : public RenderExtraLookup {
 public:
  bool GetLayerEntry(int32_t, Argb& colour, int32_t) const override {
    colour = 0xFFFFFFFF;
    return true;
  }
};

std::unique_ptr<Landschaft> Layer(APIGraphics* graphics, int32_t depth, float parallax) {
  auto land = std::make_unique<Landschaft>(kWorld);
  land->SetGraphics(graphics);
  land->CreateTiles();
  land->SetDepth(depth);
  Vector2 p(parallax, parallax);
  land->SetParallax(&p);
  for (int32_t y = 0; y < kWorld.bottom; ++y)
    for (int32_t x = kWorld.left; x < kWorld.right; ++x) *land->LockedPixel(x, y) = 0xFF8B5A2Bu;
  land->UnlockAll();
  return land;
}

// A world, its graphics and its backdrop, made once.
struct Scene {
  Scene() {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    graphics->Create();
    context.graphics = graphics.get();
    auto node = ParseKVText(
        u"<>\n \t<\\>\n<HINTERGRUND> <HINTERGRUND>"
        u"<TEXTUR_EBENE> \"0.0\" <TEXTUR_DIREKT> \"0\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
        u"<TEXTUR_EBENE> \"0.03\" <TEXTUR_DIREKT> \"1\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
        u"<TEXTUR_EBENE> \"0.06\" <TEXTUR_DIREKT> \"2\" <\\TEXTUR_DIREKT> <\\TEXTUR_EBENE>"
        u"<\\HINTERGRUND> <\\HINTERGRUND>");
    backdrop = std::make_unique<EbenenHintergrund>(node.get(), &pictures, graphics.get());
    world = std::make_unique<Welt>();
    world->SetWorldRect(kWorld);
    world->SetBackdrop(backdrop.get());
    world->AddLayer(Layer(graphics.get(), -1, 0.9f), Welt::kBackground);
    world->AddLayer(Layer(graphics.get(), -2, 0.85f), Welt::kBackground);
    world->SetGameLayers(Layer(graphics.get(), 0, 1.0f), 2, -0.0025f, -0.0025f, 0xFFAFAFAF);
    world->AddLayer(Layer(graphics.get(), 1, 1.1f), Welt::kForeground);
  }
  ~Scene() {
    world.reset();
    backdrop.reset();
  }

  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  Pictures pictures;
  std::unique_ptr<EbenenHintergrund> backdrop;
  std::unique_ptr<Welt> world;
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

const Vector2 kCamera(512.0f, 384.0f);
const Vector2 kZoom(0.5f, 0.5f);

void WorldFrame(benchmark::State& state) {
  Scene& scene = SharedScene();
  SpriteRenderer& sprites = *scene.graphics->GetSpriteRenderer();
  for (auto _ : state) {
    scene.graphics->GetDevice()->ClearRecordedDraws();
    sprites.Begin(SpriteRenderer::kAlphaBlend);
    scene.world->DrawBackground(kCamera, kZoom, {0.5f, 0.5f}, 0xFFFFFFFF, true);
    scene.world->DrawGameLayers(kCamera, kZoom, 0xFFFFFFFF);
    scene.world->DrawForegroundLayers(kCamera, kZoom, 0xFFFFFFFF);
    sprites.End();
  }
  state.counters["draws"] = double(scene.graphics->GetDevice()->RecordedDraws().size());
}
BENCHMARK(WorldFrame)->Unit(benchmark::kMicrosecond);

// The same sprite draws, their places worked out beforehand.
void SameDrawsDirect(benchmark::State& state) {
  Scene& scene = SharedScene();
  SpriteRenderer& sprites = *scene.graphics->GetSpriteRenderer();
  struct Draw {
    platform::Texture* texture;
    Rect source;
    Vector2 scale, position;
  };
  std::vector<Draw> draws;
  scene.graphics->GetDevice()->ClearRecordedDraws();
  sprites.Begin(SpriteRenderer::kAlphaBlend);
  scene.world->DrawBackground(kCamera, kZoom, {0.5f, 0.5f}, 0xFFFFFFFF, true);
  scene.world->DrawGameLayers(kCamera, kZoom, 0xFFFFFFFF);
  scene.world->DrawForegroundLayers(kCamera, kZoom, 0xFFFFFFFF);
  sprites.End();
  for (const auto& d : scene.graphics->GetDevice()->RecordedDraws()) {
    const float w = float(d.source.Width()), h = float(d.source.Height());
    draws.push_back({const_cast<platform::Texture*>(d.texture), d.source,
                     Vector2((d.corners[3].x - d.corners[0].x) / w, (d.corners[3].y - d.corners[0].y) / h),
                     d.corners[0]});
  }
  for (auto _ : state) {
    scene.graphics->GetDevice()->ClearRecordedDraws();
    sprites.Begin(SpriteRenderer::kAlphaBlend);
    for (const Draw& d : draws)
      sprites.DrawTransformed(d.texture, &d.source, &d.scale, nullptr, 0.0, &d.position, 0xFFFFFFFF);
    sprites.End();
  }
  state.counters["draws"] = double(draws.size());
}
BENCHMARK(SameDrawsDirect)->Unit(benchmark::kMicrosecond);

void TintedPasses(benchmark::State& state) {
  Scene& scene = SharedScene();
  SpriteRenderer& sprites = *scene.graphics->GetSpriteRenderer();
  WhiteForEveryGroup lookup;
  RenderExtraLookup::Install(&lookup);
  for (auto _ : state) {
    scene.graphics->GetDevice()->ClearRecordedDraws();
    sprites.Begin(SpriteRenderer::kAlphaBlend);
    benchmark::DoNotOptimize(scene.world->DrawBackgroundTinted(kCamera, kZoom));
    benchmark::DoNotOptimize(scene.world->DrawGameLayersTinted(kCamera, kZoom));
    benchmark::DoNotOptimize(scene.world->DrawForegroundTinted(kCamera, kZoom));
    sprites.End();
  }
  RenderExtraLookup::Install(nullptr);
}
BENCHMARK(TintedPasses)->Unit(benchmark::kMicrosecond);

// A 30-pixel crater through the three game layers, then the frame's unlock.
void CraterThenUnlock(benchmark::State& state) {
  Scene& scene = SharedScene();
  for (auto _ : state) {
    scene.world->CarveCrater({100.0f, 100.0f}, 30.0, nullptr, -1, true);
    scene.world->UnlockGameLayers();
  }
}
BENCHMARK(CraterThenUnlock)->Unit(benchmark::kMicrosecond);

// The terrain and its two tinted copies as a level start makes them.
void GameLayersWithTwoCopies(benchmark::State& state) {
  Scene& scene = SharedScene();
  const Landschaft& terrain = *scene.world->GameLayers()[0];
  Welt world;
  for (auto _ : state) world.SetGameLayers(Landschaft::Create(terrain), 2, -0.0025f, -0.0025f, 0xFFAFAFAF);
}
BENCHMARK(GameLayersWithTwoCopies)->Unit(benchmark::kMillisecond);

}  // namespace

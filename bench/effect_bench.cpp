// Effect throughput on OpenGL offscreen: full-screen passes of the copy effect against the
// device's own full-screen quad (the baseline), and sprites through the sprite renderer's
// effect mode (one draw per sprite) against its batched sprite mode.
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/effect.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"

namespace {

constexpr int kPasses = 20;
constexpr int kSprites = 2000;

struct Scene {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<DataArchive> archive;
  std::shared_ptr<platform::Texture> targets[2];
  std::shared_ptr<platform::Texture> sprite;

  bool Open() {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    window = platform::Window::Create(u"bench", 1024, 768);
    if (!window) return false;
    context.mainWindow = window.get();
    if (graphics->Create() != kResultOk) return false;
    archive = DataArchive::Open(u"" KRUMBOLT_BINARY_DIR "/krumbolt.gob");
    for (auto& t : targets)
      t = std::make_shared<platform::Texture>(1024, 768, 1, platform::kUsageRenderTarget);
    sprite = std::make_shared<platform::Texture>(16, 16);
    for (int p = 0; p < 256; ++p) sprite->MutablePixels()[p] = 0x80000000u | uint32_t(p * 0x010203);
    return archive != nullptr;
  }
  ~Scene() {
    if (graphics) graphics->Release();
  }
};

platform::SpriteQuad FullQuad() {
  platform::SpriteQuad q;
  for (int i = 0; i < 4; ++i) {
    q.v[i].x = (i & 1) ? 1023.5f : -0.5f;
    q.v[i].y = (i >> 1) ? 767.5f : -0.5f;
    q.v[i].u = q.v[i].s = float(i & 1);
    q.v[i].v = q.v[i].t = float(i >> 1);
  }
  return q;
}

void FullScreenPasses(benchmark::State& state, bool throughEffect) {
  Scene scene;
  if (!scene.Open()) {
    state.SkipWithError("no device or archive");
    return;
  }
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  platform::Effect* copy =
      scene.graphics->GetEffectCache()->Get(u"pe_copy.fx", nullptr, scene.archive.get())->GetEffect();
  if (!copy) {
    state.SkipWithError("no copy effect");
    return;
  }
  platform::EffectHandle src = copy->GetParameterByName("g_Textur_SRC");
  const platform::SpriteQuad quad = FullQuad();
  for (auto _ : state) {
    for (int i = 0; i < kPasses; ++i) {
      platform::Texture* from = scene.targets[i & 1].get();
      device->SetRenderTarget(scene.targets[(i + 1) & 1].get());
      if (throughEffect) {
        uint32_t passes = 0;
        copy->SetTexture(src, from);
        copy->Begin(&passes);
        copy->BeginPass(0);
        device->DrawPreTransformedQuad(nullptr, quad, copy->PassState(), 0);
        copy->EndPass();
        copy->End();
      } else {
        device->DrawPreTransformedQuad(from, quad, {false, false}, -1);
      }
    }
    benchmark::DoNotOptimize(device->ReadPixels());
    device->SetRenderTarget(nullptr);
  }
  state.SetItemsProcessed(state.iterations() * kPasses);
}

void Sprites(benchmark::State& state, bool throughEffect) {
  Scene scene;
  if (!scene.Open()) {
    state.SkipWithError("no device or archive");
    return;
  }
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  Effect* extra = scene.graphics->GetEffectCache()->Get(u"sprite_extra.fx", nullptr, scene.archive.get());
  if (!extra->GetEffect()) {
    state.SkipWithError("no sprite effect");
    return;
  }
  Rect src{0, 0, 16, 16};
  for (auto _ : state) {
    device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    uint32_t passes = 0;
    if (throughEffect) {
      sprites->effect = extra;
      extra->GetEffect()->Begin(&passes);
      extra->GetEffect()->BeginPass(0);
    }
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    for (int i = 0; i < kSprites; ++i) {
      Vector2 pos(float((i * 37) % 1000), float((i * 53) % 740));
      sprites->DrawTransformed(scene.sprite.get(), &src, nullptr, nullptr, 0.0, &pos, 0xFFFFFFFF);
    }
    sprites->End();
    if (throughEffect) {
      extra->GetEffect()->EndPass();
      extra->GetEffect()->End();
      sprites->effect = nullptr;
    }
    benchmark::DoNotOptimize(device->ReadPixels());
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

void BM_FullScreenQuadDevice(benchmark::State& state) { FullScreenPasses(state, false); }
void BM_FullScreenQuadCopyEffect(benchmark::State& state) { FullScreenPasses(state, true); }
void BM_SpritesBatched(benchmark::State& state) { Sprites(state, false); }
void BM_SpritesThroughEffect(benchmark::State& state) { Sprites(state, true); }

}  // namespace

BENCHMARK(BM_FullScreenQuadDevice)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullScreenQuadCopyEffect)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpritesBatched)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SpritesThroughEffect)->Unit(benchmark::kMillisecond)->UseRealTime();

// The post-effect frame chain on OpenGL offscreen at 1024 x 768 and 1920 x 1080, with the
// shipped "PostEffects.efx": a scene drawn straight to the screen (the baseline), the chain
// with nothing active (capture and copy to the screen), each kind alone, bloom and depth of
// field whole, and the heaviest level effects (a volcano level's bloom, heat shimmer and
// colour, with the backdrop's light rays and depth of field). Every frame ends with a read
// of the screen, so each figure includes the same read-back.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "engine/spriterenderer.h"
#include "platform/window.h"
#include "posteffects/mype_effectcombination.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectlibrary.h"
#include "posteffects/posteffectscene.h"

namespace {

constexpr int kSprites = 400;
constexpr int32_t kSizes[2][2] = {{1024, 768}, {1920, 1080}};

// A stand-in battle frame: a full-screen backdrop and a few hundred sprites; render extras
// draw the sprites flat.
class BenchScene : public PostEffectScene {
 public:
  explicit BenchScene(APIGraphics* graphics) : m_graphics(graphics), m_backdrop(256, 256), m_sprite(32, 32) {
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        m_backdrop.MutablePixels()[y * 256 + x] = 0xFF000000u | uint32_t(x << 16) | uint32_t(y << 8) |
                                                  uint32_t(((x ^ y) & 0x3F) + 0xC0 * ((x / 32 + y / 32) & 1));
    for (int p = 0; p < 32 * 32; ++p) m_sprite.MutablePixels()[p] = (p % 7) ? 0xFFF0E0A0u : 0x00000000u;
  }
  void RenderPass() override { Draw(0xFFFFFFFF, true); }
  bool RenderForEffect(const std::u16string&) override {
    Draw(0xFF000000, false);
    return true;
  }

 private:
  void Draw(uint32_t colour, bool backdrop) {
    SpriteRenderer* sprites = m_graphics->GetSpriteRenderer();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    const Rect screen = m_graphics->GetScreenRect();
    const Rect all{0, 0, 256, 256};
    if (backdrop)
      sprites->DrawRect(&m_backdrop, &all, &screen, SpriteRenderer::kStretch, SpriteRenderer::kStretch,
                        0xFFFFFFFF);
    const Rect src{0, 0, 32, 32};
    for (int i = 0; i < kSprites; ++i) {
      Vector2 pos(float((i * 37) % (screen.right - 32)), float((i * 53) % (screen.bottom - 32)));
      sprites->DrawTransformed(&m_sprite, &src, nullptr, nullptr, 0.0, &pos, colour);
    }
    sprites->End();
  }
  APIGraphics* m_graphics;
  platform::Texture m_backdrop;
  platform::Texture m_sprite;
};

struct Bench {
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<DataArchive> archive;
  std::unique_ptr<PostEffectLibrary> library;
  std::unique_ptr<BenchScene> scene;
  std::unique_ptr<KVNode> document;

  bool Open(int size) {
    const int32_t w = kSizes[size][0], h = kSizes[size][1];
    DisplayEnvironment env;
    env.desktop = {w, h};
    env.workArea = {0, 0, w, h};
    env.adapterModes.push_back({uint32_t(w), uint32_t(h), 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    window = platform::Window::Create(u"bench", w, h);
    if (!window) return false;
    context.mainWindow = window.get();
    if (graphics->Create() != kResultOk) return false;
    context.graphics = graphics.get();
    archive = DataArchive::Open(u"" KRUMBOLT_BINARY_DIR "/krumbolt.gob");
    if (!archive) return false;
    library = std::make_unique<PostEffectLibrary>(&context);
    document = LoadKVFromArchive(u"PostEffects.efx", archive.get());
    library->Load(document.get(), archive.get());
    scene = std::make_unique<BenchScene>(graphics.get());
    library->SetLevel(scene.get());
    return int32_t(graphics->GetScreenWidth()) == w;
  }
  MyPostEffect* On(const char16_t* name) {
    MyPostEffect* effect = library->CreateEffect(name).release();
    library->ActivateEffect(effect);
    return effect;
  }
  ~Bench() {
    library.reset();
    if (graphics) graphics->Release();
  }
};

void Frames(benchmark::State& state, Bench& bench, bool direct) {
  platform::GraphicsDevice* device = bench.graphics->GetDevice();
  for (auto _ : state) {
    device->Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
    if (direct) {
      device->BeginScene();
      bench.scene->RenderPass();
      device->EndScene();
    } else {
      bench.library->RenderActive();
    }
    benchmark::DoNotOptimize(device->ReadPixels());
  }
  state.SetLabel(std::to_string(kSizes[state.range(0)][0]) + "x" + std::to_string(kSizes[state.range(0)][1]));
}

#define KRUMBOLT_OPEN(bench, state)              \
  Bench bench;                                   \
  if (!bench.Open(int(state.range(0)))) {        \
    state.SkipWithError("no device or archive"); \
    return;                                      \
  }

void BM_SceneDirect(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  Frames(state, bench, true);
}

void BM_ChainNothingActive(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  Frames(state, bench, false);
}

// Each kind alone, by its shipped template.
const char16_t* const kKinds[] = {u"LevelFarbe",    u"BloomBright", u"BlurH",         u"BloomCombine",
                                  u"Hitzeflimmern", u"Licht",       u"Lichtstrahlen", u"DofMix"};

void BM_Kind(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  const char16_t* name = kKinds[state.range(1)];
  MyPostEffect* effect = bench.On(name);
  // The depth of field runs only with some blur.
  if (dynamic_cast<MyPE_DOF*>(effect)) effect->CallSetParamF_2(2.0f, nullptr);
  Frames(state, bench, false);
  std::string label;
  for (const char16_t* c = name; *c; ++c) label += char(*c);
  state.SetLabel(label + " " + std::to_string(kSizes[state.range(0)][0]));
}

void BM_BloomWhole(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  MyPostEffect* bloom = bench.On(u"Bloom");
  bloom->CallSetParamF_1(0.6f, nullptr);
  bloom->CallSetParamF_2(0.7f, nullptr);
  Frames(state, bench, false);
}

void BM_DepthOfFieldWhole(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  auto* dof = static_cast<MyPE_EffectCombination*>(bench.On(u"Tiefenschaerfe"));
  if (MyPE_DOF* child = dof->FindDOF()) child->CallSetParamF_2(2.0f, nullptr);
  Frames(state, bench, false);
}

void BM_HeaviestLevelEffects(benchmark::State& state) {
  KRUMBOLT_OPEN(bench, state);
  MyPostEffect* bloom = bench.On(u"Bloom");
  bloom->CallSetParamF_1(0.55f, nullptr);
  bloom->CallSetParamF_2(0.8f, nullptr);
  bench.On(u"Hitzeflimmern");
  bench.On(u"VulkanFarbe");
  bench.On(u"Lichtstrahlen");
  auto* dof = static_cast<MyPE_EffectCombination*>(bench.On(u"Tiefenschaerfe"));
  if (MyPE_DOF* child = dof->FindDOF()) child->CallSetParamF_2(2.0f, nullptr);
  Frames(state, bench, false);
}

BENCHMARK(BM_SceneDirect)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChainNothingActive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Kind)->ArgsProduct({{0, 1}, {0, 1, 2, 3, 4, 5, 6, 7}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BloomWhole)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DepthOfFieldWhole)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeaviestLevelEffects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

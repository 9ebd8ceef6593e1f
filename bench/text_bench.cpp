// Text drawn through the font manager into the Null device (layout, atlas texture, sprite
// batch), against the bare layout of the same paragraph as the in-run baseline; and a halo,
// which draws its text twenty times.
#include <benchmark/benchmark.h>

#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/fontmanager.h"
#include "engine/spriterenderer.h"
#include "platform/font.h"
#include "platform/text.h"

namespace {

const std::u16string& Paragraph() {
  static const std::u16string text = platform::Utf8ToU16(
      "Die Würmer graben sich tiefer in die Erde, während über ihnen die Granaten pfeifen. "
      "The worms dig deeper into the ground while the grenades whistle above them. "
      "Черви закапываются глубже в землю, пока над ними свистят гранаты.");
  return text;
}

constexpr uint32_t kFormat = kDtWordBreak | kDtCenter;

void BM_LayoutOnly(benchmark::State& state) {
  std::unique_ptr<platform::Font> font =
      platform::FontLibrary::Process().CreateFont({u"Arial", 20, 0, 700, false});
  std::vector<platform::GlyphQuad> quads;
  for (auto _ : state) {
    quads.clear();
    Rect rect{0, 0, 400, 600};
    benchmark::DoNotOptimize(font->DrawText(Paragraph(), rect, kFormat, &quads));
  }
  state.counters["glyphs/s"] =
      benchmark::Counter(double(quads.size()) * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LayoutOnly)->Unit(benchmark::kMicrosecond);

struct NullScene {
  NullScene() {
    DisplayEnvironment env;
    env.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
    graphics = std::make_unique<APIGraphics>(context, env);
    graphics->UseNullDevice(true);
    graphics->Create();
  }
  APIContext context;
  std::unique_ptr<APIGraphics> graphics;
};

void Draw(benchmark::State& state, double halo) {
  NullScene scene;
  FontManager* fonts = scene.graphics->GetFontManager();
  SpriteRenderer* sprites = scene.graphics->GetSpriteRenderer();
  platform::GraphicsDevice* device = scene.graphics->GetDevice();
  size_t glyphs = 0;
  for (auto _ : state) {
    device->ClearRecordedDraws();
    sprites->Begin(SpriteRenderer::kAlphaBlend);
    Rect rect{0, 0, 400, 600};
    Vector2 offset(2.0f, 2.0f);
    fonts->DrawTextOffset(0, &Paragraph(), &rect, &offset, halo, kFormat, 0xFFFFFFFF);
    sprites->End();
    glyphs = device->RecordedDraws().size();
  }
  state.counters["glyphs/s"] =
      benchmark::Counter(double(glyphs) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DrawText(benchmark::State& state) { Draw(state, 0.0); }
BENCHMARK(BM_DrawText)->Unit(benchmark::kMicrosecond);

void BM_DrawTextHalo(benchmark::State& state) { Draw(state, 2.0); }
BENCHMARK(BM_DrawTextHalo)->Unit(benchmark::kMicrosecond);

}  // namespace

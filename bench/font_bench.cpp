// Text layout with the CPU font engine: a wrapped paragraph whose glyphs must first be
// rendered into a fresh atlas, and the same paragraph once its glyphs are cached.
#include <benchmark/benchmark.h>

#include "platform/font.h"
#include "platform/text.h"

namespace {

const std::u16string& Paragraph() {
  static const std::u16string text = platform::Utf8ToU16(
      "Die Würmer graben sich tiefer in die Erde, während über ihnen die Granaten pfeifen. "
      "The worms dig deeper into the ground while the grenades whistle above them. "
      "Черви закапываются глубже в землю, пока над ними свистят гранаты. "
      "Les vers s'enfoncent plus profondément dans la terre pendant que les grenades sifflent "
      "au-dessus d'eux. Wer zuletzt lacht, hat die meisten Äpfel, Öfen und Übungsstunden gehabt.");
  return text;
}

void Layout(benchmark::State& state, bool cached) {
  platform::FontLibrary library;
  std::unique_ptr<platform::Font> font = library.CreateFont({u"Arial", 20, 0, 700, false});
  std::vector<platform::GlyphQuad> quads;
  platform::Rect rect{0, 0, 400, 600};
  if (cached) font->DrawText(Paragraph(), rect, platform::kTextWordBreak, &quads);
  for (auto _ : state) {
    if (!cached) {
      state.PauseTiming();
      font = library.CreateFont({u"Arial", 20, 0, 700, false});
      state.ResumeTiming();
    }
    quads.clear();
    rect = {0, 0, 400, 600};
    benchmark::DoNotOptimize(
        font->DrawText(Paragraph(), rect, platform::kTextWordBreak | platform::kTextCenter, &quads));
  }
  state.counters["glyphs/s"] = benchmark::Counter(double(Paragraph().size()) * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_LayoutParagraphFillingAtlas(benchmark::State& state) { Layout(state, false); }
BENCHMARK(BM_LayoutParagraphFillingAtlas)->Unit(benchmark::kMicrosecond);

void BM_LayoutParagraphCached(benchmark::State& state) { Layout(state, true); }
BENCHMARK(BM_LayoutParagraphCached)->Unit(benchmark::kMicrosecond);

}  // namespace

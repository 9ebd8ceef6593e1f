// The world's data side: weighted picks against the bare generator draw, and reading the
// shipped setting catalogue and a level description against parsing their text alone.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/levelinfo.h"
#include "world/settingkatalog.h"
#include "world/weightedlist.h"

namespace {

std::unique_ptr<DataArchive> OpenArchive() {
  const char* env = std::getenv("KRUMBOLT_GOB");
  return DataArchive::Open(platform::Utf8ToU16(env ? env : KRUMBOLT_BINARY_DIR "/krumbolt.gob"));
}

std::u16string EntryText(const DataArchive& archive, std::u16string_view name) {
  auto bytes = archive.ReadEntry(name);
  return bytes ? DecodeKVBytes(bytes->data(), bytes->size(), false) : std::u16string();
}

void BM_GeneratorDraw(benchmark::State& state) {
  platform::SRand(1);
  for (auto _ : state) benchmark::DoNotOptimize(platform::RandFraction());
}
BENCHMARK(BM_GeneratorDraw);

void BM_WeightedPick(benchmark::State& state) {
  std::vector<double> weights(size_t(state.range(0)), 1.0);
  MakeCumulative(weights);
  platform::SRand(1);
  for (auto _ : state) benchmark::DoNotOptimize(PickWeightedIndex(weights));
}
BENCHMARK(BM_WeightedPick)->Arg(4)->Arg(64);

void BM_ParseWorldSetting(benchmark::State& state) {
  auto archive = OpenArchive();
  if (!archive) return state.SkipWithError("no archive");
  const std::u16string text = EntryText(*archive, u"WorldSetting.wst");
  for (auto _ : state) benchmark::DoNotOptimize(ParseKVText(text));
}
BENCHMARK(BM_ParseWorldSetting)->Unit(benchmark::kMicrosecond);

void BM_ParseAndLoadCatalogue(benchmark::State& state) {
  auto archive = OpenArchive();
  if (!archive) return state.SkipWithError("no archive");
  const std::u16string text = EntryText(*archive, u"WorldSetting.wst");
  for (auto _ : state) {
    SettingKatalog katalog;
    katalog.Load(ParseKVText(text).get());
    benchmark::DoNotOptimize(katalog.GetSettingCount());
  }
}
BENCHMARK(BM_ParseAndLoadCatalogue)->Unit(benchmark::kMicrosecond);

void BM_LevelDescription(benchmark::State& state) {
  auto archive = OpenArchive();
  if (!archive) return state.SkipWithError("no archive");
  SettingKatalog katalog;
  katalog.Load(LoadKVFromArchive(u"WorldSetting.wst", archive.get()).get());
  EbenenEigenschaften properties;
  properties.Load(LoadKVFromArchive(u"eigenschaften.egs", archive.get()).get());
  const auto document = ParseKVText(EntryText(*archive, u"rand_level.lvl"));
  const LevelSources sources{&properties, &katalog, archive.get()};
  for (auto _ : state) {
    LevelInfo level(document.get(), sources);
    benchmark::DoNotOptimize(level.setting);
  }
}
BENCHMARK(BM_LevelDescription)->Unit(benchmark::kMicrosecond);

}  // namespace

// Key/value parsing and writing of a large document, and archive lookups.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "engine/dataarchive.h"
#include "engine/kvnode.h"
#include "platform/text.h"

namespace {

std::unique_ptr<KVNode> BigDocument() {
  auto root = std::make_unique<KVNode>(u"ROOT");
  for (int i = 0; i < 2000; ++i) {
    KVNode* n = root->AddChild(u"PARTIKEL");
    n->AddChildWith(u"NAME", platform::FormatW(u"Partikel_%d", i));
    n->AddChildWith(u"SPEED", i * 0.5, -i * 0.25);
    n->AddChildWith(u"FARBE", 0x7f00ff00 + i);
    KVNode* events = n->AddChild(u"EVENTS");
    for (int k = 0; k < 4; ++k) events->AddChildWith(u"EVENT", u"EXPLOSION", k, true);
  }
  return root;
}

void BM_ParseLargeDocument(benchmark::State& state) {
  std::u16string text = WriteKVText(*BigDocument());
  for (auto _ : state) benchmark::DoNotOptimize(ParseKVText(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_ParseLargeDocument)->Unit(benchmark::kMillisecond);

void BM_WriteLargeDocument(benchmark::State& state) {
  auto doc = BigDocument();
  for (auto _ : state) benchmark::DoNotOptimize(WriteKVText(*doc));
}
BENCHMARK(BM_WriteLargeDocument)->Unit(benchmark::kMillisecond);

void BM_ArchiveLookup(benchmark::State& state) {
  std::vector<std::pair<std::u16string, std::vector<uint8_t>>> entries;
  for (int i = 0; i < state.range(0); ++i) entries.emplace_back(platform::FormatW(u"folder\\entry_%d.png", i), std::vector<uint8_t>(16));
  auto path = std::filesystem::temp_directory_path() / "kv_bench.gob";
  WriteDataArchive(platform::Utf8ToU16(path.string()), entries);
  auto archive = DataArchive::Open(platform::Utf8ToU16(path.string()));
  std::u16string last = platform::FormatW(u"FOLDER\\ENTRY_%d.PNG", int(state.range(0) - 1));
  for (auto _ : state) benchmark::DoNotOptimize(archive->ReadEntry(last));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ArchiveLookup)->Arg(100)->Arg(1000)->Arg(5000);

}  // namespace

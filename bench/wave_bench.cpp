// Parsing a 1 MB WAV sound, against copying the same bytes (the least any reader costs).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/wavefile.h"

namespace {

std::vector<uint8_t> MakeWav(size_t dataBytes) {
  std::vector<uint8_t> b;
  b.reserve(dataBytes + 128);
  auto u32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  auto u16 = [&](uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  };
  auto id = [&](const char* s) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(s[i]));
  };
  id("RIFF");
  u32(uint32_t(4 + 8 + 16 + 8 + 26 + 8 + dataBytes));
  id("WAVE");
  id("fmt ");
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  id("LIST");
  u32(26);
  b.insert(b.end(), 26, 'x');
  id("data");
  u32(uint32_t(dataBytes));
  for (size_t i = 0; i < dataBytes; ++i) b.push_back(uint8_t(i * 7));
  return b;
}

const std::vector<uint8_t>& File() {
  static const std::vector<uint8_t> file = MakeWav(1 << 20);
  return file;
}

void BM_CopyBaseline(benchmark::State& state) {
  const auto& file = File();
  std::vector<uint8_t> copy(file.size()), samples(1 << 20);
  for (auto _ : state) {
    std::memcpy(copy.data(), file.data(), file.size());
    std::memcpy(samples.data(), copy.data() + 70, samples.size());
    benchmark::DoNotOptimize(samples.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_CopyBaseline);

void BM_ParseAndReadWav(benchmark::State& state) {
  const auto& file = File();
  std::vector<uint8_t> samples(1 << 20);
  for (auto _ : state) {
    WaveFile wave;
    wave.OpenMemory(file.data(), file.size());
    uint32_t n = 0;
    wave.Read(samples.data(), uint32_t(samples.size()), &n);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ParseAndReadWav);

}  // namespace

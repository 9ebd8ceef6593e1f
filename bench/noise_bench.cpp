// Value noise over a 1024 x 1024 field: the bare lattice hash as the baseline, one
// interpolated sample per pixel (and the same composed from its parts), and the octave mean that the
// per-pixel grey fill asks for; and a 50-octave noise line over 4096 columns, as the noise landscape stage
// draws it.
#include <benchmark/benchmark.h>

#include "world/valuenoise.h"

namespace {

constexpr int kSide = 1024;
constexpr double kScale = 0.03;

void BM_LatticeField(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0.0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) sum += Noise2(x, y, 7);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_LatticeField)->Unit(benchmark::kMillisecond);

void BM_InterpolatedField(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0.0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) sum += InterpolatedNoise2(x * kScale, y * kScale, 7);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_InterpolatedField)->Unit(benchmark::kMillisecond);

// The same samples composed from four SmoothedNoise2 and three CosineInterpolate calls
// (36 hashes and 3 cosines, against 16 and 2): what sharing the lattice block saves.
void BM_ComposedField(benchmark::State& state) {
  for (auto _ : state) {
    double sum = 0.0;
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const double fx = x * kScale, fy = y * kScale;
        const int ix = int(fx), iy = int(fy);
        const double top =
            CosineInterpolate(SmoothedNoise2(ix, iy, 7), SmoothedNoise2(ix + 1, iy, 7), fx - ix);
        const double bottom =
            CosineInterpolate(SmoothedNoise2(ix, iy + 1, 7), SmoothedNoise2(ix + 1, iy + 1, 7), fx - ix);
        sum += CosineInterpolate(top, bottom, fy - iy);
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ComposedField)->Unit(benchmark::kMillisecond);

void BM_OctaveField(benchmark::State& state) {
  const int octaves = int(state.range(0));
  for (auto _ : state) {
    double sum = 0.0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) sum += NoiseOctaves2(x * kScale, y * kScale, 0.5, octaves, 0);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_OctaveField)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_NoiseLine50Octaves(benchmark::State& state) {
  constexpr int kColumns = 4096;
  for (auto _ : state) {
    double sum = 0.0;
    for (int i = 0; i < kColumns; ++i) sum += NoiseOctaves1(double(i) / kColumns * 30.0, 0.6, 50, 1234);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kColumns);
}
BENCHMARK(BM_NoiseLine50Octaves)->Unit(benchmark::kMillisecond);

}  // namespace

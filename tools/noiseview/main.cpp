// noiseview: renders value noise to a PNG to look at: one interpolated sample per pixel,
// the octave mean used for grey fills, and a 50-octave noise line filled like a landscape.
//
//   noiseview OUT.png [SEED]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/image.h"
#include "platform/numeric.h"
#include "world/valuenoise.h"

namespace {

uint32_t Grey(double v) {
  const uint32_t g = uint32_t(std::clamp(platform::TruncToInt(v * 255.0), 0, 255));
  return 0xFF000000u | (g << 16) | (g << 8) | g;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: noiseview OUT.png [SEED]\n");
    return 2;
  }
  const int32_t seed = argc > 2 ? int32_t(std::strtol(argv[2], nullptr, 10)) : 1;
  constexpr int kWidth = 1024, kBand = 256;
  platform::Image image(kWidth, 3 * kBand, 0xFF000000);

  for (int y = 0; y < kBand; ++y)
    for (int x = 0; x < kWidth; ++x) image.At(x, y) = Grey(InterpolatedNoise2(x / 16.0, y / 16.0, seed));
  for (int y = 0; y < kBand; ++y)
    for (int x = 0; x < kWidth; ++x)
      image.At(x, kBand + y) = Grey(NoiseOctaves2(x * 0.02, y * 0.02, 0.5, 4, seed));

  std::vector<double> line(kWidth);
  for (int i = 0; i < kWidth; ++i) line[i] = NoiseOctaves1(double(i) / kWidth * 30.0, 0.5, 50, seed);
  const auto [lo, hi] = std::minmax_element(line.begin(), line.end());
  for (int x = 0; x < kWidth; ++x) {
    const double v = *hi > *lo ? (line[x] - *lo) / (*hi - *lo) : 0.0;
    const int top = 2 * kBand + 16 + platform::TruncToInt((1.0 - v) * (kBand - 32));
    for (int y = 2 * kBand; y < 3 * kBand; ++y) image.At(x, y) = y >= top ? 0xFF8A6A3C : 0xFF8FB8DE;
  }

  if (!platform::WritePng(argv[1], image)) {
    std::fprintf(stderr, "noiseview: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}

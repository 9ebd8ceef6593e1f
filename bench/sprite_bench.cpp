// Sprite throughput: 10,000 small sprites per frame through the sprite batch, on OpenGL
// offscreen (read back once per frame so the GPU work is counted) and, as the baseline of
// the batching itself, on the Null device.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/graphics.h"
#include "platform/spritebatch.h"
#include "platform/window.h"

namespace {

constexpr int kSprites = 10000;

std::vector<std::shared_ptr<platform::Texture>> Textures(int count) {
  std::vector<std::shared_ptr<platform::Texture>> textures;
  for (int i = 0; i < count; ++i) {
    auto t = std::make_shared<platform::Texture>(16, 16);
    for (int p = 0; p < 256; ++p) t->MutablePixels()[p] = 0x80000000u | uint32_t(p * 0x010203 * (i + 1));
    textures.push_back(t);
  }
  return textures;
}

void DrawFrame(platform::GraphicsDevice& device, platform::SpriteBatch& batch,
               const std::vector<std::shared_ptr<platform::Texture>>& textures, bool runOfSame) {
  device.Clear(platform::kClearTarget, 0xFF000000, 1.0f, 0);
  batch.Begin(platform::SpriteBatch::kAlphaBlend);
  for (int i = 0; i < kSprites; ++i) {
    size_t which = runOfSame ? size_t(i * int(textures.size()) / kSprites) : size_t(i) % textures.size();
    platform::Vector2 pos(float((i * 37) % 620), float((i * 53) % 460));
    batch.Draw(textures[which].get(), nullptr, nullptr, &pos, 0xFFFFFFFF);
  }
  batch.End();
}

void Run(benchmark::State& state, bool gl, bool runOfSame) {
  std::unique_ptr<platform::Window> window;
  std::unique_ptr<platform::GraphicsDevice> device;
  if (gl) {
    window = platform::Window::Create(u"bench", 640, 480);
    if (window) device = platform::GraphicsDevice::CreateOpenGL(*window, 640, 480);
  } else {
    device = platform::GraphicsDevice::CreateNull(640, 480);
  }
  if (!device) {
    state.SkipWithError("no device");
    return;
  }
  platform::SpriteBatch batch(*device);
  auto textures = Textures(int(state.range(0)));
  for (auto _ : state) {
    DrawFrame(*device, batch, textures, runOfSame);
    if (gl) benchmark::DoNotOptimize(device->ReadPixels());
    device->ClearRecordedDraws();
  }
  state.SetItemsProcessed(state.iterations() * kSprites);
}

// A scene's first frame: 170 new 256 x 256 textures with mip chains (a world's tiles) sent to
// the device and drawn once onto 32 x 32 pixels: a corner at their own size (level 0 alone)
// or the whole shrunk to an eighth (their chains made too). Per iteration, new textures.
void BM_FreshTilesOpenGL(benchmark::State& state) {
  auto window = platform::Window::Create(u"bench", 640, 480);
  auto device = window ? platform::GraphicsDevice::CreateOpenGL(*window, 640, 480) : nullptr;
  if (!device) {
    state.SkipWithError("no device");
    return;
  }
  platform::SpriteBatch batch(*device);
  const bool shrunk = state.range(0) != 0;
  constexpr int kTiles = 170;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::shared_ptr<platform::Texture>> tiles;
    for (int i = 0; i < kTiles; ++i) {
      auto t = std::make_shared<platform::Texture>(256, 256, 0);
      for (int p = 0; p < 256 * 256; ++p) t->MutablePixels()[p] = uint32_t(p * 2654435761u) | 0xFF000000u;
      tiles.push_back(std::move(t));
    }
    state.ResumeTiming();
    batch.Begin(0);
    const platform::Vector2 eighth(0.125f, 0.125f), whole(1.0f, 1.0f);
    const platform::Rect corner{0, 0, 32, 32};
    for (int i = 0; i < kTiles; ++i) {
      const platform::Vector2 pos(float(i % 16) * 40.0f, float(i / 16) * 40.0f);
      batch.SetTransform(platform::Transformation2D(nullptr, 0, shrunk ? &eighth : &whole, nullptr, 0, &pos));
      batch.Draw(tiles[size_t(i)].get(), shrunk ? nullptr : &corner, nullptr, nullptr, 0xFFFFFFFF);
    }
    batch.End();
    benchmark::DoNotOptimize(device->ReadPixels());
    state.PauseTiming();
    tiles.clear();
    state.ResumeTiming();
  }
}

void BM_SpritesNull(benchmark::State& state) { Run(state, false, true); }
void BM_SpritesOpenGL(benchmark::State& state) { Run(state, true, true); }
void BM_SpritesOpenGLAlternating(benchmark::State& state) { Run(state, true, false); }

}  // namespace

BENCHMARK(BM_SpritesNull)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpritesOpenGL)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpritesOpenGLAlternating)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreshTilesOpenGL)->ArgName("shrunk")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

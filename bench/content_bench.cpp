// Generation cost of the content tools: textures, sounds, a song, an intro frame and PNG
// encoding, against a baseline of writing a flat 256 x 256 image pixel by pixel.
#include <benchmark/benchmark.h>

#include "content/image.h"
#include "content/intro.h"
#include "content/music.h"
#include "content/sounds.h"
#include "content/textures.h"

namespace {

void BM_BaselineFlatImage(benchmark::State& state) {
  for (auto _ : state) {
    content::Image img(256, 256);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) img.Set(x, y, content::Rgb{0.5, 0.25, 0.125});
    benchmark::DoNotOptimize(img.Bytes().data());
  }
}
BENCHMARK(BM_BaselineFlatImage)->Unit(benchmark::kMillisecond);

void BM_Texture(benchmark::State& state, const char* name) {
  const content::TextureInfo* info = content::FindTexture(name);
  for (auto _ : state) benchmark::DoNotOptimize(content::MakeTexture(*info).Bytes().data());
}
BENCHMARK_CAPTURE(BM_Texture, soil_256, "texturen/terrain/soil.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Texture, rock_256, "texturen/terrain/rock.png")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Texture, night_sky_1024x512, "texturen/sky/night.png")->Unit(benchmark::kMillisecond);

void BM_PngEncodeSky(benchmark::State& state) {
  content::Image sky = content::MakeTexture(*content::FindTexture("texturen/sky/day.png"));
  for (auto _ : state) benchmark::DoNotOptimize(content::EncodePng(sky).data());
}
BENCHMARK(BM_PngEncodeSky)->Unit(benchmark::kMillisecond);

void BM_LargeExplosion(benchmark::State& state) {
  const content::SoundInfo* info = content::FindSound("sounds/explosionen/explo6.wav");
  for (auto _ : state) benchmark::DoNotOptimize(content::MakeSound(*info).data());
}
BENCHMARK(BM_LargeExplosion)->Unit(benchmark::kMillisecond);

void BM_SongRender(benchmark::State& state) {
  const content::SongInfo* song = content::FindSong("Titlesong1.mp3");
  for (auto _ : state) benchmark::DoNotOptimize(content::RenderSong(*song).data());
}
BENCHMARK(BM_SongRender)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_IntroFrame(benchmark::State& state) {
  content::IntroRenderer renderer(content::IntroSettings{}, {});
  int i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(renderer.Frame(i++ % 100).Bytes().data());
}
BENCHMARK(BM_IntroFrame)->Unit(benchmark::kMillisecond);

}  // namespace

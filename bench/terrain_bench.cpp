// The terrain's hot paths on a 4096 x 2048 layer: solid tests (sequential and random
// positions; a plain array read of the same pixels is the baseline), a 200-pixel segment
// trace, the collision test of each shape kind, the free-direction search, stamps with 1,
// 2 and 8 workers, craters, the surface scan, tint and copy.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "battle/navnode.h"
#include "platform/random.h"
#include "platform/workers.h"
#include "world/landschaft.h"
#include "world/landstamp.h"
#include "world/welt.h"

namespace {

constexpr Rect kWorld{-2048, -1024, 2048, 1024};

// Rolling ground: solid below a wavy line around y = 0, with caves.
std::unique_ptr<Landschaft> Ground() {
  auto land = std::make_unique<Landschaft>(kWorld);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = kWorld.left; x < kWorld.right; ++x) {
    int32_t top = int32_t(120.0 * std::sin(x * 0.004) + 40.0 * std::sin(x * 0.031));
    for (int32_t y = top; y < kWorld.bottom; ++y) {
      bool cave = std::fmod(std::abs(x * 0.37 + y * 0.61), 97.0) < 9.0;
      *land->LockedPixel(x, y) = cave ? 0x00000000u : 0xFF8B5A2Bu;
    }
  }
  land->UnlockAll();
  return land;
}

const Landschaft& SharedGround() {
  static std::unique_ptr<Landschaft> land = Ground();
  return *land;
}

std::vector<Vector2> RandomPositions(size_t n) {
  platform::SRand(3);
  std::vector<Vector2> out(n);
  for (Vector2& p : out)
    p = Vector2(float(platform::RandFraction() * 4095.9 + kWorld.left),
                float(platform::RandFraction() * 2047.9 + kWorld.top));
  return out;
}

void SolidTestSequential(benchmark::State& state) {
  auto land = Ground();
  int64_t solid = 0;
  for (auto _ : state) {
    for (int32_t y = kWorld.top; y < kWorld.bottom; ++y)
      for (int32_t x = kWorld.left; x < kWorld.right; ++x) {
        PixelRef ref;
        ref.x = float(x);
        ref.y = float(y);
        solid += land->PixelAt(ref) && Landschaft::IsSolid(ref);
      }
    land->UnlockAll();
  }
  benchmark::DoNotOptimize(solid);
  state.SetItemsProcessed(state.iterations() * 4096 * 2048);
}
BENCHMARK(SolidTestSequential)->Unit(benchmark::kMillisecond);

void SolidTestRandom(benchmark::State& state) {
  auto land = Ground();
  auto positions = RandomPositions(1 << 20);
  int64_t solid = 0;
  for (auto _ : state) {
    for (const Vector2& p : positions) {
      PixelRef ref;
      ref.x = p.x;
      ref.y = p.y;
      solid += land->PixelAt(ref) && Landschaft::IsSolid(ref);
    }
    land->UnlockAll();
  }
  benchmark::DoNotOptimize(solid);
  state.SetItemsProcessed(state.iterations() * int64_t(positions.size()));
}
BENCHMARK(SolidTestRandom)->Unit(benchmark::kMillisecond);

// The read-only test the searches and the collision test use.
void SolidPeekRandom(benchmark::State& state) {
  const Landschaft& land = SharedGround();
  auto positions = RandomPositions(1 << 20);
  int64_t solid = 0;
  for (auto _ : state)
    for (const Vector2& p : positions) solid += land.IsSolidAt(p.x, p.y);
  benchmark::DoNotOptimize(solid);
  state.SetItemsProcessed(state.iterations() * int64_t(positions.size()));
}
BENCHMARK(SolidPeekRandom)->Unit(benchmark::kMillisecond);

// Baselines: the same pixels as one flat array of 32-bit words, read at the same
// positions with the same bounds test.
std::vector<uint32_t> FlatCopy() {
  const Landschaft& land = SharedGround();
  std::vector<uint32_t> flat(size_t(4096) * 2048);
  for (int32_t y = 0; y < 2048; ++y)
    for (int32_t x = 0; x < 4096; ++x)
      flat[size_t(y) * 4096 + size_t(x)] = *land.PeekPixel(x + kWorld.left, y + kWorld.top);
  return flat;
}

void SolidArraySequentialBaseline(benchmark::State& state) {
  auto flat = FlatCopy();
  int64_t solid = 0;
  for (auto _ : state)
    for (int32_t y = kWorld.top; y < kWorld.bottom; ++y)
      for (int32_t x = kWorld.left; x < kWorld.right; ++x) {
        float fx = float(x), fy = float(y);
        if (!(fx >= -2048.0f && fx < 2048.0f && fy >= -1024.0f && fy < 1024.0f)) continue;
        solid += flat[size_t(int32_t(fy) + 1024) * 4096 + size_t(int32_t(fx) + 2048)] > 0xC0FFFFFFu;
      }
  benchmark::DoNotOptimize(solid);
  state.SetItemsProcessed(state.iterations() * 4096 * 2048);
}
BENCHMARK(SolidArraySequentialBaseline)->Unit(benchmark::kMillisecond);

void SolidArrayRandomBaseline(benchmark::State& state) {
  auto flat = FlatCopy();
  auto positions = RandomPositions(1 << 20);
  int64_t solid = 0;
  for (auto _ : state)
    for (const Vector2& p : positions) {
      if (!(p.x >= -2048.0f && p.x < 2048.0f && p.y >= -1024.0f && p.y < 1024.0f)) continue;
      solid += flat[size_t(int32_t(p.y) + 1024) * 4096 + size_t(int32_t(p.x) + 2048)] > 0xC0FFFFFFu;
    }
  benchmark::DoNotOptimize(solid);
  state.SetItemsProcessed(state.iterations() * int64_t(positions.size()));
}
BENCHMARK(SolidArrayRandomBaseline)->Unit(benchmark::kMillisecond);

void Trace200(benchmark::State& state) {
  const Landschaft& land = SharedGround();
  auto positions = RandomPositions(4096);
  size_t i = 0;
  int64_t hits = 0;
  for (auto _ : state) {
    const Vector2& p = positions[i++ & 4095];
    Vector2 end(p.x + 141.0f, p.y - 141.0f);
    hits += land.TraceSegment(p, end, false, nullptr, nullptr, false);
  }
  benchmark::DoNotOptimize(hits);
}
BENCHMARK(Trace200);

void TraceLine200(benchmark::State& state) {
  const Landschaft& land = SharedGround();
  auto positions = RandomPositions(4096);
  size_t i = 0;
  for (auto _ : state) {
    const Vector2& p = positions[i++ & 4095];
    int32_t pixels = 0, blocked = 0;
    land.TraceLine(p, Vector2(p.x + 200.0f, p.y + 17.0f), pixels, blocked, true, nullptr);
    benchmark::DoNotOptimize(blocked);
  }
}
BENCHMARK(TraceLine200);

struct CollisionWorld {
  CollisionWorld() : world(&kWorld) {
    world.SetGameLayers(Ground(), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    for (int32_t y = 0; y < 32; ++y)
      for (int32_t x = 0; x < 32; ++x) {
        int32_t dx = x - 16, dy = y - 16;
        frame.MutablePixels()[y * 32 + x] = dx * dx + dy * dy < 200 ? 0xFFFFFFFF : 0;
      }
  }
  Welt world;
  platform::Texture frame{32, 32};
};

// Shapes in the air just above the ground, so that each test scans its whole area.
void Collision(benchmark::State& state) {
  static CollisionWorld cw;
  const int kind = int(state.range(0));
  auto positions = RandomPositions(4096);
  size_t i = 0;
  int64_t hits = 0;
  for (auto _ : state) {
    Vector2 p = positions[i++ & 4095];
    p.y = -220.0f;
    Rect box{int32_t(p.x) - 16, int32_t(p.y) - 16, int32_t(p.x) + 16, int32_t(p.y) + 16};
    CollisionShape shape;
    switch (kind) {
      case 1:
        shape = CollisionShape::MakePoint(p);
        break;
      case 2:
        shape = CollisionShape::MakeBox(box);
        break;
      case 3:
        shape = CollisionShape::MakeFrameMask(box, &cw.frame, {0, 0, 32, 32});
        break;
      default:
        shape = CollisionShape::MakeTransformedMask({32, 32}, &cw.frame, {0, 0, 32, 32},
                                                    platform::Matrix::Translation(-16, -16) *
                                                        platform::Matrix::RotationZ(0.7f) *
                                                        platform::Matrix::Translation(p.x, p.y));
    }
    Vector2 hit;
    hits += cw.world.TestCollision(shape, hit);
  }
  benchmark::DoNotOptimize(hits);
}
BENCHMARK(Collision)->Arg(1)->Arg(2)->Arg(3)->Arg(4);

void FreeDirection(benchmark::State& state) {
  const Landschaft& land = SharedGround();
  int32_t x = -1500;
  for (auto _ : state) {
    int32_t row = 0;
    land.FindSurfaceY(x, -300, 2048, row);
    benchmark::DoNotOptimize(land.FreeDirectionAt(Vector2(float(x), float(row)), 50, 20));
    x = x >= 1500 ? -1500 : x + 7;
  }
}
BENCHMARK(FreeDirection)->Unit(benchmark::kMicrosecond);

void Stamp(benchmark::State& state) {
  platform::SetProcessorCountOverride(int(state.range(0)));
  auto land = Ground();
  platform::Texture image(256, 256);
  for (int32_t i = 0; i < 256 * 256; ++i)
    image.MutablePixels()[i] = 0xC0000000u | uint32_t(i * 2654435761u >> 8);
  Vector2 centre(100, 100);
  double angle = 23.0;
  int32_t x = -1800;
  for (auto _ : state) {
    LandStamp stamp(&image, {0, 0, 256, 256}, {x, -100, x + 200, 100}, &centre, &angle, true, 0xFFFFFFFF, 9,
                    11, true);
    land->StampTexture(stamp, nullptr);
    x = x >= 1500 ? -1800 : x + 97;
  }
  platform::SetProcessorCountOverride(0);
}
BENCHMARK(Stamp)->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Craters in the same place, the square refilled between them (outside the timing):
// the work of one crater on memory the frame has touched.
void Crater(benchmark::State& state) {
  const double radius = double(state.range(0));
  const int32_t layers = int32_t(state.range(1));
  Welt world(&kWorld);
  world.SetGameLayers(Ground(), layers - 1, -0.0025f, -0.0025f, 0xFFAFAFAF);
  const int32_t r = int32_t(radius) + 1;
  std::vector<RemovedPixel> removed;
  for (auto _ : state) {
    removed.clear();
    world.CarveCrater(Vector2(300.5f, 400.5f), radius, &removed, -1, true);
    benchmark::DoNotOptimize(removed.data());
    state.PauseTiming();
    for (const auto& layer : world.GameLayers())
      for (int32_t y = 400 - r; y <= 400 + r; ++y)
        for (int32_t x = 300 - r; x <= 300 + r; ++x) *layer->LockedPixel(x, y) = 0xFF8B5A2Bu;
    state.ResumeTiming();
  }
  state.counters["removed"] = double(removed.size());
}
BENCHMARK(Crater)->Args({40, 1})->Args({40, 3})->Args({100, 1})->Args({100, 3})->Unit(
    benchmark::kMicrosecond);

// Craters in fresh places all over the layer: each one reads memory no one touched lately.
void CraterColdMemory(benchmark::State& state) {
  const double radius = double(state.range(0));
  const int32_t step = int32_t(radius * 2.0) + 2;
  auto fresh = [&] {
    auto world = std::make_unique<Welt>(&kWorld);
    world->SetGameLayers(Ground(), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    return world;
  };
  auto world = fresh();
  int32_t x = kWorld.left + step, y = 200;
  std::vector<RemovedPixel> removed;
  for (auto _ : state) {
    removed.clear();
    world->CarveCrater(Vector2(float(x), float(y)), radius, &removed, -1, true);
    benchmark::DoNotOptimize(removed.data());
    x += step;
    if (x + step >= kWorld.right) {
      x = kWorld.left + step;
      y += step;
      if (y + step >= kWorld.bottom) {
        state.PauseTiming();
        world = fresh();
        y = 200;
        state.ResumeTiming();
      }
    }
  }
}
BENCHMARK(CraterColdMemory)->Arg(40)->Unit(benchmark::kMicrosecond);

void SurfaceScan(benchmark::State& state) {
  platform::SetProcessorCountOverride(int(state.range(0)));
  const Landschaft& land = SharedGround();
  for (auto _ : state) {
    std::vector<NavNode> nodes;
    land.FindSurfacePoints(nodes);
    benchmark::DoNotOptimize(nodes.data());
  }
  platform::SetProcessorCountOverride(0);
}
BENCHMARK(SurfaceScan)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

void TintLayer(benchmark::State& state) {
  auto land = Ground();
  for (auto _ : state) land->Tint(0xFFFEFEFE);
}
BENCHMARK(TintLayer)->Unit(benchmark::kMillisecond);

void CloneLayer(benchmark::State& state) {
  const Landschaft& land = SharedGround();
  for (auto _ : state) benchmark::DoNotOptimize(Landschaft::Create(land));
}
BENCHMARK(CloneLayer)->Unit(benchmark::kMillisecond);

}  // namespace

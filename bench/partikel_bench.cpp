// Particles on a 2048 x 1024 store, 60 % solid, stepping 0.01 s: earth falling, bouncing and
// settling; fast 8 x 8 boxes; id lookups; a crater of radius 50 with its earth and their
// first update over three game layers. A plain pass over the same number of particles'
// positions is the baseline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/distanceramp.h"
#include "objects/partikelliste.h"
#include "objects/simservices.h"
#include "platform/random.h"
#include "world/welt.h"

namespace {

constexpr Rect kRect{0, 0, 2048, 1024};

std::unique_ptr<Welt> World(int32_t copies) {
  auto land = std::make_unique<Landschaft>(kRect);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  // Solid below a wavy line around 40 % of the height: 60 % of the store.
  for (int32_t x = kRect.left; x < kRect.right; ++x) {
    const int32_t top = int32_t(410 + 60.0 * std::sin(x * 0.01) + 15.0 * std::sin(x * 0.07));
    for (int32_t y = top; y < kRect.bottom; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2Bu;
  }
  land->UnlockAll();
  auto world = std::make_unique<Welt>(&kRect);
  world->SetGameLayers(std::move(land), copies, 0.0f, 0.0f, 0xFFFFFFFF);
  return world;
}

std::unique_ptr<PartikelInfo> Type(const char16_t* keys) {
  auto root = ParseKVText(std::u16string(u"<>\n \t<\\>\n<T>") + keys + u"<\\T>");
  return std::make_unique<PartikelInfo>(root.get());
}

struct Bench {
  explicit Bench(int32_t copies = 0) : world(World(copies)) {
    timer.gameStep = 0.01;
    services.timer = &timer;
    services.world = world.get();
    services.particles = &list;
    SimServices::Install(&services);
    list.SetSettings(&earthStep, &maximum);
    platform::SRand(1);
  }
  ~Bench() {
    list.Clear();
    SimServices::Install(nullptr);
  }
  Vector2 InAir() const {
    return Vector2(float(20 + platform::RandFraction() * 2000), float(20 + platform::RandFraction() * 300));
  }
  FrameTimer timer;
  std::unique_ptr<Welt> world;
  SimServices services;
  int32_t earthStep = 10, maximum = 100000;
  PartikelListe list;
};

void BM_EarthFallsBouncesSettles(benchmark::State& state) {
  Bench b;
  auto earth = Type(
      u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" "
      u"<\\TYP><\\DEATH_PARAM>"
      u"<REIBUNG_COLLISION> \"0.55\" \"0.2\" <\\REIBUNG_COLLISION><SIZE> \"3\" \"3\" \"1\" \"1\" <\\SIZE>"
      u"<INIT_SPEED> \"0\" \"-150\" \"250\" \"150\" <\\INIT_SPEED>");
  const size_t count = size_t(state.range(0));
  for (auto _ : state) {
    // Settled earth is replaced, so the list keeps its size.
    while (b.list.GetCount() < count) {
      const Vector2 at = b.InAir();
      b.list.Add(std::make_unique<Partikel>(earth.get(), &at, nullptr, 0xFFFFFFFF, 0));
    }
    b.list.Update();
  }
}
BENCHMARK(BM_EarthFallsBouncesSettles)->Arg(500)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_FastBoxes(benchmark::State& state) {
  Bench b;
  auto box = Type(
      u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE><GRAVITATION> \"0\" <\\GRAVITATION>"
      u"<REIBUNG_COLLISION> \"0\" <\\REIBUNG_COLLISION><SIZE> \"8\" \"8\" \"0\" \"0\" <\\SIZE>"
      u"<DEATH_PARAM><TYP> \"WORLD\" <\\TYP><\\DEATH_PARAM>");
  for (auto _ : state) {
    while (b.list.GetCount() < 2000) {
      const Vector2 at = b.InAir();
      const double a = platform::RandFraction() * 6.283185307179586;
      const Vector2 v(float(600.0 * std::cos(a)), float(600.0 * std::sin(a)));
      b.list.Add(std::make_unique<Partikel>(box.get(), &at, &v, 0xFFFFFFFF, 0));
    }
    b.list.Update();
  }
}
BENCHMARK(BM_FastBoxes)->Unit(benchmark::kMillisecond);

void BM_FindById(benchmark::State& state) {
  Bench b;
  auto still = Type(u"<GRAVITATION> \"0\" <\\GRAVITATION>");
  std::vector<uint32_t> ids;
  for (int i = 0; i < 2000; ++i) {
    const Vector2 at = b.InAir();
    auto p = std::make_unique<Partikel>(still.get(), &at, &at, 0xFFFFFFFF, 0);
    ids.push_back(p->GetId());
    b.list.Add(std::move(p));
  }
  for (auto _ : state) {
    for (int i = 0; i < 500; ++i) benchmark::DoNotOptimize(b.list.FindById(ids[size_t(i * 4 + 1)]));
  }
}
BENCHMARK(BM_FindById)->Unit(benchmark::kMicrosecond);

void BM_CraterWithEarth(benchmark::State& state) {
  Bench b(2);
  auto root = ParseKVText(
      u"<>\n \t<\\>\n<P><PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
      u"<DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><\\DEATH_PARAM><\\PARTIKEL_INFO>"
      u"<ERDE_PARTIKEL> \"Erde\" <\\ERDE_PARTIKEL><\\P>");
  PartikelInfo::LoadAll(root.get(), b.list, nullptr);
  const DistanceRamp ramp{420.0, 120.0, 0.0, 50.0};
  std::vector<RemovedPixel> removed;
  int spot = 0;
  for (auto _ : state) {
    // A fresh place on the ground each time, deep enough to be solid all round.
    const Vector2 centre(float(60 + (spot * 97) % 1920), float(560 + (spot / 20) % 8 * 50));
    ++spot;
    removed.clear();
    b.world->CarveCrater(centre, 50.0, &removed, -1, true);
    b.list.SpawnErdePartikel(removed, centre, ramp);
    b.list.Update();
    state.PauseTiming();
    state.counters["earth"] = double(b.list.GetCount());
    b.list.Clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CraterWithEarth)->Unit(benchmark::kMillisecond)->Iterations(150);

// The baseline: one pass adding a speed to 2000 positions.
void BM_BaselinePositionPass(benchmark::State& state) {
  std::vector<Vector2> p(2000), v(2000, Vector2(1.0f, 2.0f));
  for (auto _ : state) {
    for (size_t i = 0; i < p.size(); ++i) p[i] += v[i] * 0.01f;
    benchmark::DoNotOptimize(p.data());
  }
}
BENCHMARK(BM_BaselinePositionPass)->Unit(benchmark::kMicrosecond);

}  // namespace

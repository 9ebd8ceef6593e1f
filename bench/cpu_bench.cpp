// The computer opponent's costs on fixed rolling worlds of 1024 x 768, 2048 x 1024 and
// 4096 x 2048 with caves, two teams of six: the terrain snapshot the main thread takes
// for the planner, the navigation graph's preparation (surface, links, shelter rays, views)
// and, after a crater, its preparation again with a plan made on it,
// the route search over 5k to 50k nodes, and the shot choice over 17, 59, 181 and 1801
// angles with one ballistic flight on its own.
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "battle/navgraph.h"
#include "battle/shotchoice.h"
#include "battle/terrainsnapshot.h"
#include "world/landschaft.h"

namespace {

int32_t GroundTop(int32_t x, int32_t height) {
  return int32_t(height * 0.55 + 90.0 * std::sin(x * 0.006) + 30.0 * std::sin(x * 0.031));
}

std::unique_ptr<Landschaft> World(int32_t width, int32_t height) {
  auto land = std::make_unique<Landschaft>(Rect{0, 0, width, height});
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = std::max(0, GroundTop(x, height)); y < height; ++y) {
      const bool cave = std::fmod(std::abs(x * 0.37 + y * 0.61), 97.0) < 9.0;
      *land->LockedPixel(x, y) = cave ? 0x00000000u : 0xFF8B5A2Bu;
    }
  land->UnlockAll();
  return land;
}

struct Scene {
  std::unique_ptr<Landschaft> land;
  TerrainSnapshot terrain;
  PlanSnapshot plan;
  ShotSetup shots;
};

const Scene& SceneOf(int32_t width) {
  static std::map<int32_t, std::unique_ptr<Scene>> scenes;
  auto& s = scenes[width];
  if (s) return *s;
  s = std::make_unique<Scene>();
  const int32_t height = width == 1024 ? 768 : width / 2;
  s->land = World(width, height);
  s->terrain = TerrainSnapshot::Take(*s->land);
  auto ground = [&](float x) { return float(GroundTop(int32_t(x), height) - 1); };
  const float x0 = float(width) * 0.1f;
  s->plan.person = Vector2(x0, ground(x0));
  s->plan.shotOffset = Vector2(10.0f, -25.0f);
  const float j = 100.0f;
  const Vector2 right[4] = {{j, -j}, {0.5f * j, -2.0f * j}, {-0.5f * j, -0.5f * j}, {-0.2f * j, -3.0f * j}};
  for (int i = 0; i < 4; ++i) {
    s->plan.jumps[size_t(i)] = right[i];
    s->plan.jumps[size_t(i + 4)] = Vector2(-right[i].x, right[i].y);
  }
  s->shots.shooter = 0;
  for (int team = 0; team < 2; ++team)
    for (int k = 0; k < 6; ++k) {
      const float x = float(width) * (team == 0 ? 0.1f + 0.06f * k : 0.55f + 0.07f * k);
      ShotWorm w;
      w.position = Vector2(x, ground(x));
      w.shotPosition = w.position + Vector2(10.0f, -25.0f);
      w.centre = w.position + Vector2(0.0f, -12.0f);
      w.radius = 12.0;
      w.enemy = team == 1;
      w.shooter = team == 0 && k == 0;
      s->shots.worms.push_back(w);
      if (w.shooter) continue;
      (w.enemy ? s->plan.enemies : s->plan.friends).push_back(w.shotPosition);
    }
  ShotWeapon bazooka, grenade;
  bazooka.speed = 500.0;
  grenade.speed = 400.0;
  s->shots.weapons = {bazooka, grenade};
  return *s;
}

void Snapshot(benchmark::State& state) {
  const Scene& s = SceneOf(int32_t(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(TerrainSnapshot::Take(*s.land));
}
BENCHMARK(Snapshot)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

void PrepareGraph(benchmark::State& state) {
  const Scene& s = SceneOf(int32_t(state.range(0)));
  size_t nodes = 0, reachable = 0;
  for (auto _ : state) {
    NavGraph g;
    g.Build(s.terrain, s.plan);
    nodes = g.Nodes().size();
    reachable = 0;
    for (const auto& n : g.Nodes()) reachable += n.reachable;
  }
  state.counters["nodes"] = double(nodes);
  state.counters["reachable"] = double(reachable);
}
BENCHMARK(PrepareGraph)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

void PrepareGraphAfterACrater(benchmark::State& state) {
  // The graph kept and built again after each crater of radius 40 (the craters, 200
  // pixels apart along the ground, and the copy taken again are not timed).
  const int32_t width = int32_t(state.range(0));
  const int32_t height = width == 1024 ? 768 : width / 2;
  const Scene& s = SceneOf(width);
  std::unique_ptr<Landschaft> land = World(width, height);
  TerrainSnapshot terrain = TerrainSnapshot::Take(*land);
  NavGraph g;
  g.Build(terrain, s.plan);
  size_t worked = 0, builds = 0;
  int32_t cx = 100;
  for (auto _ : state) {
    state.PauseTiming();
    cx = cx + 200 < width - 100 ? cx + 200 : 100;
    const int32_t cy = GroundTop(cx, height);
    for (int32_t y = std::max(0, cy - 40); y < std::min(height, cy + 40); ++y)
      for (int32_t x = cx - 40; x < cx + 40; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 1600) *land->LockedPixel(x, y) = 0;
    land->UnlockAll();
    terrain.Retake(*land);
    state.ResumeTiming();
    g.Build(terrain, s.plan);
    worked += g.FeaturesWorkedOut();
    ++builds;
  }
  state.counters["worked_out"] = builds ? double(worked) / double(builds) : 0.0;
}
BENCHMARK(PrepareGraphAfterACrater)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

void BuildAndPlanAfterACrater(benchmark::State& state) {
  // A turn's planning as the game does it: the kept graph built again after a crater of
  // radius 40 and a route planned on it, with the views of every reached node worked out
  // in the build (0) or traced only as the choice of target needs them (1).
  const int32_t width = int32_t(state.range(0));
  const int32_t height = width == 1024 ? 768 : width / 2;
  const Scene& s = SceneOf(width);
  std::unique_ptr<Landschaft> land = World(width, height);
  TerrainSnapshot terrain = TerrainSnapshot::Take(*land);
  NavGraph g;
  g.SetLazyViews(state.range(1) != 0);
  g.Build(terrain, s.plan);
  int32_t cx = 100;
  size_t steps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    cx = cx + 200 < width - 100 ? cx + 200 : 100;
    const int32_t cy = GroundTop(cx, height);
    for (int32_t y = std::max(0, cy - 40); y < std::min(height, cy + 40); ++y)
      for (int32_t x = cx - 40; x < cx + 40; ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) < 1600) *land->LockedPixel(x, y) = 0;
    land->UnlockAll();
    terrain.Retake(*land);
    state.ResumeTiming();
    g.Build(terrain, s.plan);
    steps = g.Plan(s.plan).size();
  }
  state.counters["route_steps"] = double(steps);
}
BENCHMARK(BuildAndPlanAfterACrater)
    ->ArgsProduct({{1024, 2048, 4096}, {0, 1}})
    ->ArgNames({"width", "lazy"})
    ->Unit(benchmark::kMillisecond);

void FindPath(benchmark::State& state) {
  // A bumpy strip with a jump every few nodes, so the open set stays wide.
  const int32_t n = int32_t(state.range(0));
  NavGraph g;
  for (int32_t x = 0; x < n; ++x) g.AddNode(x, int32_t(20.0 * std::sin(x * 0.05)));
  for (int32_t x = 0; x < n; ++x) {
    if (x + 1 < n) g.SetLink(x, 0, x + 1), g.SetLink(x + 1, 5, x);
    if (x + 37 < n) g.SetLink(x, 1, x + 37);
    if (x >= 53) g.SetLink(x, 6, x - 53);
  }
  g.BuildColumnIndex();
  for (auto _ : state) {
    g.Reset({});
    benchmark::DoNotOptimize(g.FindPath(0, n - 1, {}));
  }
  state.counters["closed"] = double(g.ClosedOrder().size());
}
BENCHMARK(FindPath)->Arg(5000)->Arg(20000)->Arg(50000)->Unit(benchmark::kMillisecond);

void PlanRoute(benchmark::State& state) {
  const Scene& s = SceneOf(int32_t(state.range(0)));
  NavGraph g;
  g.Build(s.terrain, s.plan);
  size_t steps = 0;
  for (auto _ : state) steps = g.Plan(s.plan).size();
  state.counters["route_steps"] = double(steps);
}
BENCHMARK(PlanRoute)->Arg(1024)->Arg(2048)->Arg(4096)->Unit(benchmark::kMillisecond);

void ChooseShot(benchmark::State& state) {
  const Scene& s = SceneOf(2048);
  ShotSetup setup = s.shots;
  const double angles = double(state.range(0));
  setup.angles = {-90.0, 90.0, 180.0 / (angles - 1.0)};
  ShotStats stats;
  for (auto _ : state) {
    stats = ShotStats{};
    benchmark::DoNotOptimize(EvaluateShots(s.terrain, setup, nullptr, &stats));
  }
  state.counters["flights"] = double(stats.flights);
  state.counters["steps"] = double(stats.steps);
}
BENCHMARK(ChooseShot)->Arg(17)->Arg(59)->Arg(181)->Arg(1801)->Unit(benchmark::kMillisecond);

void SimulateOneFlight(benchmark::State& state) {
  const Scene& s = SceneOf(2048);
  ShotCandidate c;
  c.from = s.shots.worms[0].shotPosition;
  c.to = s.shots.worms[8].position;
  c.angle = 50.0;
  c.strength = 1.0;
  ShotStats stats;
  for (auto _ : state) {
    ShotCandidate t = c;
    SimulateFlight(t, s.shots.weapons[0], 100.0, s.terrain, s.shots, &stats);
    benchmark::DoNotOptimize(t.error);
  }
}
BENCHMARK(SimulateOneFlight)->Unit(benchmark::kMicrosecond);

}  // namespace

// Person movement per frame: 30 persons walking, running and jumping over rolling hills of
// a 2048 x 1024 world, turned round at walls and sent off again when they stop. The
// baseline is the plain particle step of 30 bodies of the same type falling through air.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/partikelinfo.h"
#include "objects/person.h"
#include "objects/simservices.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

constexpr int kPersons = 30;

std::unique_ptr<KVNode> BodyType() {
  auto node = std::make_unique<KVNode>(u"PARTIKEL_INFO");
  node->AddChildWith(u"NAME", u"Body");
  node->AddChildWith(u"COLLISION_EBENE", u"1");
  node->AddChildWith(u"SIZE", u"20", u"30", u"0", u"0");
  node->AddChildWith(u"REIBUNG_COLLISION", u"1", u"0");
  return node;
}

// Hills of two waves with steep flanks here and there, solid below the line.
std::unique_ptr<Landschaft> Hills(const Rect& rect) {
  auto land = std::make_unique<Landschaft>(rect);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = rect.left; x < rect.right; ++x) {
    const double t = double(x - rect.left);
    const int32_t top = int32_t(620.0 + 90.0 * std::sin(t / 170.0) + 30.0 * std::sin(t / 23.0));
    for (int32_t y = std::max(top, rect.top); y < rect.bottom; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2B;
  }
  land->UnlockAll();
  return land;
}

struct Scene {
  Rect rect{0, 0, 2048, 1024};
  Welt world{&rect};
  FrameTimer timer;
  SimServices services;
  std::unique_ptr<PartikelInfo> type;
  std::vector<std::unique_ptr<Person>> persons;

  Scene() {
    world.SetGameLayers(Hills(rect), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    timer.gameStep = 0.01;
    services.timer = &timer;
    services.world = &world;
    SimServices::Install(&services);
    type = std::make_unique<PartikelInfo>(BodyType().get());
    platform::SRand(5);
    for (int i = 0; i < kPersons; ++i) {
      auto p = std::make_unique<Person>(type.get(), nullptr, nullptr, nullptr);
      PersonEigenschaften& props = p->GetProperties();
      props.walkRange[0] = props.walkRange[1] = 40.0;
      props.runRange[0] = props.runRange[1] = 110.0;
      props.jumpRange[0] = props.jumpRange[1] = 220.0;
      props.SetSpeedRatio(0.5);
      p->SetWorld(&world);
      Place(*p, i);
      persons.push_back(std::move(p));
    }
  }
  ~Scene() { SimServices::Install(nullptr); }

  static void Place(Person& p, int i) {
    *p.GetPosition() = Vector2(float(40 + i * 65), 300.0f);
    p.ResetMovement();
    p.SetHealth(100.0);
  }

  // Keeps everyone busy: a third walk, a third run, a third jump whenever they stand.
  void Direct() {
    for (int i = 0; i < kPersons; ++i) {
      Person& p = *persons[size_t(i)];
      if (p.GetDeathKind() != Person::kAlive) Place(p, i);
      if (p.GetMoveState() != Person::kStanding) continue;
      CommandParam param;
      param.flag = p.IsFacingRight() ? 0 : 1;  // turn round
      switch (i % 3) {
        case 0:
          p.Command(Person::kWalking, &param);
          break;
        case 1:
          p.Command(Person::kWalking, &param);
          p.Command(Person::kRunning);
          break;
        default:
          param.vector = Vector2(0.4f, 1.0f);
          p.Command(Person::kJumping, &param);
          break;
      }
    }
  }
};

void BM_PersonsMoveStep(benchmark::State& state) {
  Scene scene;
  for (int i = 0; i < 300; ++i) {  // settle on the ground first
    scene.Direct();
    for (auto& p : scene.persons) p->MoveStep();
  }
  int64_t moving = 0, deaths = 0;
  for (auto _ : state) {
    scene.Direct();
    for (auto& p : scene.persons) {
      deaths += p->MoveStep();
      moving += p->GetMoveState() != Person::kStanding;
    }
  }
  state.SetItemsProcessed(state.iterations() * kPersons);
  // How much of the time the persons were under way, and how often one was lost.
  state.counters["moving"] = double(moving) / double(state.iterations() * kPersons);
  state.counters["deaths"] = double(deaths);
}
BENCHMARK(BM_PersonsMoveStep)->Unit(benchmark::kMicrosecond);

void BM_BaselineParticleUpdate(benchmark::State& state) {
  Scene scene;
  std::vector<std::unique_ptr<Partikel>> bodies;
  for (int i = 0; i < kPersons; ++i) {
    const Vector2 at(float(40 + i * 65), 100.0f), still(0.0f, 0.0f);
    bodies.push_back(std::make_unique<Partikel>(scene.type.get(), &at, &still, 0xFFFFFFFF, 0));
  }
  int frames = 0;
  for (auto _ : state) {
    // Back to the sky before they reach the hills, so every update is a fall through air.
    if (++frames % 200 == 0)
      for (int i = 0; i < kPersons; ++i) {
        *bodies[size_t(i)]->GetPosition() = Vector2(float(40 + i * 65), 100.0f);
        *bodies[size_t(i)]->GetSpeed() = Vector2(0.0f, 0.0f);
      }
    for (auto& b : bodies) b->Update(false);
  }
  state.SetItemsProcessed(state.iterations() * kPersons);
}
BENCHMARK(BM_BaselineParticleUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace

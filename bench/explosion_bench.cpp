// Explosions on a 2048 x 1024 store, 60 % solid, with two graded copies of the game layer
// (three layers cut), stepping 0.01 s: one explosion of radius 25, 50 and 100 with earth
// strides 5, 10 and 15 (crater, earth, blast and the first update of the list); twenty
// explosions in one frame with the list thinned to 750, 1500 and 2000; and a settle storm
// of 1000 earth crumbs stamping themselves back into the ground in one update. A plain pass
// over 2000 positions is the baseline.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/eventhost.h"
#include "objects/eventtable.h"
#include "objects/explosionsevent.h"
#include "objects/partikelliste.h"
#include "objects/simservices.h"
#include "platform/random.h"
#include "support/frame_animations.h"
#include "world/welt.h"

namespace {

constexpr Rect kRect{0, 0, 2048, 1024};

int32_t GroundTop(int32_t x) { return int32_t(410 + 60.0 * std::sin(x * 0.01) + 15.0 * std::sin(x * 0.07)); }

std::unique_ptr<Landschaft> Ground() {
  auto land = std::make_unique<Landschaft>(kRect);
  land->SetGraphics(nullptr);
  land->CreateTiles();
  for (int32_t x = kRect.left; x < kRect.right; ++x)
    for (int32_t y = GroundTop(x); y < kRect.bottom; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2Bu;
  land->UnlockAll();
  return land;
}

std::unique_ptr<KVNode> Parse(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n<R>") + std::u16string(body) + u"<\\R>");
}

// The explosions' host: the world, the list, the tables; no sounds, no worms, no camera.
class Host final : public EventHost {
 public:
  Host() : world(std::make_unique<Welt>(&kRect)) {
    Restore();
    auto crumb = std::make_shared<platform::Texture>(4, 4);
    for (int i = 0; i < 16; ++i) crumb->MutablePixels()[i] = 0xFFFFFFFFu;
    pictures.Add(u"KRUME", crumb);
    timer.gameStep = timer.realStep = 0.01;
    services.timer = &timer;
    services.world = world.get();
    services.particles = &list;
    services.events = &events;
    SimServices::Install(&services);
    list.SetSettings(&earthStep, &maximum);
    PartikelInfo::LoadAll(
        Parse(u"<PARTIKEL_INFO><NAME> \"Erde\" <\\NAME><COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
              u"<CHANGES_EBENE> \"1\" <\\CHANGES_EBENE><ANIMATIONEN> \"KRUME\" <\\ANIMATIONEN><SIZE> \"3\" "
              u"\"3\" \"1\" \"1\" <\\SIZE>"
              u"<DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><\\DEATH_PARAM><\\PARTIKEL_INFO>"
              u"<PARTIKEL_INFO><NAME> \"Blitz\" <\\NAME><GRAVITATION> \"0\" <\\GRAVITATION><LEBENSDAUER> "
              u"\"0.5\" "
              u"<\\LEBENSDAUER><DEATH_PARAM><TYP> \"ALTER\" <\\TYP><\\DEATH_PARAM><\\PARTIKEL_INFO>"
              u"<ERDE_PARTIKEL> \"Erde\" <\\ERDE_PARTIKEL>")
            .get(),
        list, pictures.Manager());
    explosions.Load(
        Parse(u"<EXPLOSION><NAME> \"B\" <\\NAME><PARTIKEL_NAMEN> \"Blitz\" <\\PARTIKEL_NAMEN><\\EXPLOSION>")
            .get(),
        &list);
    platform::SRand(1);
  }
  ~Host() override {
    list.Clear();
    SimServices::Install(nullptr);
  }
  // An explosion of that radius named "E<radius>".
  void AddExplosion(int radius) {
    const std::u16string r = std::u16string(u"\"") + char16_t(u'0' + radius / 100) +
                             char16_t(u'0' + radius / 10 % 10) + char16_t(u'0' + radius % 10) + u"\"";
    events.Load(Parse(u"<EXPLOSION_EVENT><NAME> \"E\" <\\NAME><SCHADEN> \"50\" \"10\" \"0\" " + r +
                      u" <\\SCHADEN><IMPULS> \"350\" \"50\" \"0\" " + r +
                      u" <\\IMPULS><EXPLOSION_NAME> \"B\" <\\EXPLOSION_NAME><\\EXPLOSION_EVENT>")
                    .get(),
                *this);
  }
  // Fresh ground in every layer, as it was before any explosion.
  void Restore() { world->SetGameLayers(Ground(), 2, 0.0f, 0.0f, 0xFFFFFFFF); }
  // A point deep in the ground, a different one each call.
  Vector2 NextSpot() {
    const int32_t x = 120 + (m_spot * 211) % 1800;
    const int32_t y = GroundTop(x) + 130 + (m_spot / 9) % 4 * 110;
    ++m_spot;
    return Vector2(float(x), float(y));
  }

  SoundSet* FindSound(const std::u16string&, const SearchPath&) override { return nullptr; }
  std::unique_ptr<Animation> CreateAnimation(const std::u16string&) override { return nullptr; }
  void PlaySound(SoundSet*, int) override {}
  EventTable* GetEventTable() override { return &events; }
  ExplosionTable* GetExplosionTable() override { return &explosions; }
  PartikelListe* GetPartikelListe() override { return &list; }
  Welt* GetWelt() override { return world.get(); }
  int32_t GetEarthStep() override { return earthStep; }
  void CollectObjects(std::vector<Objekt*>& out) override { list.CollectAll(out); }
  void CollectWorms(std::vector<Objekt*>&) override {}
  bool ContainsPoint(const Objekt&, const Vector2&) override { return false; }
  void FollowWithCamera(uint32_t) override {}
  void HoldTurnFor(uint32_t) override {}
  bool AddAmmo(const std::u16string&, Objekt&, int32_t) override { return false; }

  FrameAnimations pictures;
  FrameTimer timer;
  std::unique_ptr<Welt> world;
  SimServices services;
  EventTable events;
  ExplosionTable explosions;
  int32_t earthStep = 10, maximum = 1000000;
  PartikelListe list;

 private:
  int m_spot = 0;
};

// What explodes: a point in no list.
class Point final : public Objekt {
 public:
  explicit Point(Vector2 at) : m_p(at) {}
  Vector2* GetPosition() override { return &m_p; }
  Vector2* GetSize() override { return &m_s; }
  Vector2* GetSpeed() override { return &m_s; }

 private:
  Vector2 m_p, m_s{0.0f, 0.0f};
};

// Args: radius, earth stride.
void BM_Explosion(benchmark::State& state) {
  Host host;
  host.AddExplosion(int(state.range(0)));
  host.earthStep = int32_t(state.range(1));
  for (auto _ : state) {
    Point target(host.NextSpot());
    host.events.Run(u"E", target);
    host.list.Update();
    state.PauseTiming();
    state.counters["particles"] = double(host.list.GetCount());
    host.list.Clear();
    host.Restore();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Explosion)
    ->ArgsProduct({{25, 50, 100}, {5, 10, 15}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(36);

// Arg: the particle maximum the frame thins to.
void BM_TwentyExplosionsInOneFrame(benchmark::State& state) {
  Host host;
  host.AddExplosion(40);
  host.maximum = int32_t(state.range(0));
  for (auto _ : state) {
    for (int i = 0; i < 20; ++i) {
      Point target(host.NextSpot());
      host.events.Run(u"E", target);
    }
    host.list.Update();
    state.PauseTiming();
    state.counters["left"] = double(host.list.GetCount());
    host.list.Clear();
    host.Restore();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_TwentyExplosionsInOneFrame)
    ->Arg(750)
    ->Arg(1500)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// 1000 crumbs just above the ground, falling slowly: in one update every one lands, rests
// and stamps itself into the terrain.
void BM_SettleStorm(benchmark::State& state) {
  Host host;
  const PartikelInfo* earth = host.list.FindInfo(u"Erde");
  int round = 0;
  for (auto _ : state) {
    for (int i = 0; i < 1000; ++i) {
      const int32_t x = 20 + (i * 2 + round * 7) % 2000;
      const Vector2 at(float(x) + 0.5f, float(GroundTop(x)) - 0.3f);
      const Vector2 speed(0.0f, 60.0f);
      host.list.Add(std::make_unique<Partikel>(earth, &at, &speed, 0xFF8B5A2Bu, 0));
    }
    ++round;
    const auto start = std::chrono::steady_clock::now();
    host.list.Update();
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    state.counters["left"] = double(host.list.GetCount());
    host.list.Clear();
    host.Restore();
  }
}
// Timed by hand around the update alone: the crumbs and the fresh ground are made outside.
BENCHMARK(BM_SettleStorm)->Unit(benchmark::kMillisecond)->Iterations(40)->UseManualTime();

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

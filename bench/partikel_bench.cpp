// Particles on a 2048 x 1024 store, 60 % solid, stepping 0.01 s: earth falling, bouncing and
// settling back into the ground; fast 4 x 4 and 8 x 8 boxes; rotating 32 x 32 mask
// projectiles; the point walk alone; id lookups; a crater of radius 50 with its earth and their first update over
// three game layers. A plain pass over the same number of particles' positions is the
// baseline.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
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

// One-frame animations over generated pictures: "KRUME", a white 4 x 4 crumb (what earth
// stamps back into the ground), and "GESCHOSS", a 32 x 32 shell, round at the nose and with
// fins, whose solid texels the mask shapes test.
class Pictures {
 public:
  Pictures() : m_animations(nullptr) {
    Add(u"KRUME", 4, 4, [](int, int) { return true; });
    Add(u"GESCHOSS", 32, 32, [](int x, int y) {
      const int dy = y - 16;
      const bool body = x >= 4 && x < 24 && dy * dy <= 36;
      const bool nose = x >= 24 && (x - 24) * (x - 24) + dy * dy <= 36;
      const bool fins = x < 8 && dy * dy <= (8 - x) * (8 - x) + 36;
      return body || nose || fins;
    });
  }
  const AnimationManager* Manager() const { return &m_animations; }

 private:
  template <class Solid>
  void Add(const char16_t* name, int w, int h, Solid solid) {
    auto texture = std::make_shared<platform::Texture>(w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) texture->MutablePixels()[y * w + x] = solid(x, y) ? 0xFFFFFFFFu : 0u;
    m_rects.push_back(std::make_unique<Rect>(Rect{0, 0, w, h}));
    TexturPartDesc desc;
    desc.source = texture;
    desc.sourceRect = m_rects.back().get();
    m_parts.push_back(std::make_unique<TexturPart>(nullptr, desc));
    auto frames = std::make_unique<AnimationFrames>(name);
    auto frame = std::make_unique<AnimationFrame>();
    frame->texture = m_parts.back().get();
    frame->rect = *m_rects.back();
    frames->AddFrame(std::move(frame));
    m_animations.AddFrames(std::move(frames));
    auto node = ParseKVText(std::u16string(u"<>\n \t<\\>\n<A><NAME> \"") + name +
                            u"\" <\\NAME><ANIMATION_FRAME_NAME> \"" + name +
                            u"\" <\\ANIMATION_FRAME_NAME><FRAMES> \"0\" <\\FRAMES><\\A>");
    m_animations.AddAnimation(std::make_unique<Animation>(node.get(), nullptr, m_animations));
  }
  std::vector<std::unique_ptr<Rect>> m_rects;
  std::vector<std::unique_ptr<TexturPart>> m_parts;
  AnimationManager m_animations;
};

std::unique_ptr<PartikelInfo> Type(const char16_t* keys, const AnimationManager* animations = nullptr) {
  auto root = ParseKVText(std::u16string(u"<>\n \t<\\>\n<T>") + keys + u"<\\T>");
  return std::make_unique<PartikelInfo>(root.get(), animations);
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
  Pictures pictures;
  FrameTimer timer;
  std::unique_ptr<Welt> world;
  SimServices services;
  int32_t earthStep = 10, maximum = 100000;
  PartikelListe list;
};

void BM_EarthFallsBouncesSettles(benchmark::State& state) {
  Bench b;
  // The shipped earth: a crumb that stamps itself into the ground where it comes to rest.
  auto earth = Type(
      u"<DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><\\DEATH_PARAM><ANIMATIONEN> \"KRUME\" <\\ANIMATIONEN>"
      u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE><CHANGES_EBENE> \"1\" <\\CHANGES_EBENE>"
      u"<REIBUNG_COLLISION> \"0.55\" \"0.2\" <\\REIBUNG_COLLISION><MAXSPEED> \"900\" <\\MAXSPEED>"
      u"<REIBUNG_LUFT> \"1\" <\\REIBUNG_LUFT><SIZE> \"3\" \"3\" \"1\" \"1\" <\\SIZE>"
      u"<INIT_SPEED> \"0\" \"-150\" \"250\" \"150\" <\\INIT_SPEED>",
      b.pictures.Manager());
  const size_t count = size_t(state.range(0));
  size_t settled = 0;
  for (auto _ : state) {
    // Settled earth is replaced, so the list keeps its size.
    settled += count - b.list.GetCount();
    while (b.list.GetCount() < count) {
      const Vector2 at = b.InAir();
      b.list.Add(std::make_unique<Partikel>(earth.get(), &at, nullptr, 0xFFFFFFFF, 0));
    }
    b.list.Update();
  }
  state.counters["settled/step"] = benchmark::Counter(double(settled) / double(state.iterations()));
}
BENCHMARK(BM_EarthFallsBouncesSettles)->Arg(500)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_FastBoxes(benchmark::State& state) {
  Bench b;
  const int64_t side = state.range(0);
  const std::u16string size = u"<SIZE> \"" + std::u16string(side == 4 ? u"4" : u"8") + u"\" \"" +
                              std::u16string(side == 4 ? u"4" : u"8") + u"\" \"0\" \"0\" <\\SIZE>";
  auto box = Type((u"<COLLISION_EBENE> \"2\" <\\COLLISION_EBENE><GRAVITATION> \"0\" <\\GRAVITATION>"
                   u"<REIBUNG_COLLISION> \"0\" <\\REIBUNG_COLLISION>" +
                   size + u"<DEATH_PARAM><TYP> \"WORLD\" <\\TYP><\\DEATH_PARAM>")
                      .c_str());
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
BENCHMARK(BM_FastBoxes)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// Shells turned by their spin, each move tested with the frame's mask turned by the angle.
// They are thrown from the air at 300 to 700 px/s, bounce off the ground and are replaced
// when they come to rest or leave the world.
void BM_RotatingMaskProjectiles(benchmark::State& state) {
  Bench b;
  auto shell = Type(
      u"<ANIMATIONEN> \"GESCHOSS\" <\\ANIMATIONEN><COLLISION_EBENE> \"4\" <\\COLLISION_EBENE>"
      u"<SIZE> \"32\" \"32\" \"0\" \"0\" <\\SIZE><INIT_ROATION> \"0\" \"360\" <\\INIT_ROATION>"
      u"<INIT_ROATION_SPEED> \"360\" \"180\" <\\INIT_ROATION_SPEED>"
      u"<REIBUNG_COLLISION> \"0.4\" <\\REIBUNG_COLLISION>"
      u"<DEATH_PARAM><TYP> \"SPEED\" \"WORLD\" <\\TYP><\\DEATH_PARAM>",
      b.pictures.Manager());
  const size_t count = size_t(state.range(0));
  for (auto _ : state) {
    while (b.list.GetCount() < count) {
      const Vector2 at = b.InAir();
      const double a = platform::RandFraction() * 6.283185307179586;
      const double speed = 300.0 + platform::RandFraction() * 400.0;
      const Vector2 v(float(speed * std::cos(a)), float(speed * std::sin(a)));
      b.list.Add(std::make_unique<Partikel>(shell.get(), &at, &v, 0xFFFFFFFF, 0));
    }
    b.list.Update();
  }
}
BENCHMARK(BM_RotatingMaskProjectiles)->Arg(50)->Arg(200)->Unit(benchmark::kMillisecond);

// The walk alone: 4000 moves of earth-like points, 1 to 9 pixels a frame, half of them in
// open air high above the ground and half near the ground line, where most blocks hold ground.
void BM_PointWalks(benchmark::State& state) {
  Bench b;
  auto point = Type(u"<COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>");
  auto p = std::make_unique<Partikel>(point.get(), nullptr, nullptr, 0xFFFFFFFF, 0);
  std::vector<std::pair<Vector2, Vector2>> moves;
  for (int i = 0; i < 4000; ++i) {
    const float x = float(20 + platform::RandFraction() * 2000);
    const float y = i % 2 ? float(20 + platform::RandFraction() * 250) : float(330 + platform::RandFraction() * 160);
    const double a = platform::RandFraction() * 6.283185307179586, d = 1.0 + platform::RandFraction() * 8.0;
    moves.emplace_back(Vector2(x, y), Vector2(float(x + d * std::cos(a)), float(y + d * std::sin(a))));
  }
  int64_t hits = 0;
  for (auto _ : state) {
    for (const auto& [from, to] : moves) {
      Vector2 contact, lastFree;
      hits += p->MoveWithCollision(from, to, contact, lastFree);
    }
  }
  state.counters["hits/pass"] = benchmark::Counter(double(hits) / double(state.iterations()));
}
BENCHMARK(BM_PointWalks)->Unit(benchmark::kMicrosecond);

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

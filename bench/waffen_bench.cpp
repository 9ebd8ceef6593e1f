// Weapons per frame: a mine field of 200 armed mines watched against 30 worms (each mine
// finds its particle by id and measures its distance to every worm), against the baseline
// of the particle list's own step of the same 200 mines lying still; and the shot position
// looked up by aim angle in a table of five entries.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "battle/waffen_geschosse.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

constexpr int kMines = 200;
constexpr int kWorms = 30;

std::unique_ptr<KVNode> Block(const std::u16string& root,
                              const std::vector<std::pair<std::u16string, std::u16string>>& keys) {
  auto node = std::make_unique<KVNode>(root);
  for (const auto& [key, value] : keys) node->AddChildWith(key, value.c_str());
  return node;
}

struct StandIn : Partikel {
  explicit StandIn(Vector2 at) : Partikel(nullptr, &at, &kStill, 0xFFFFFFFF, 0) {}
  static constexpr Vector2 kStill{0.0f, 0.0f};
};

struct Range {
  APIContext context;
  std::unique_ptr<MyGlobals> globals;
  std::unique_ptr<Waffe> mine;

  Range() {
    setenv("XDG_DATA_HOME", "/tmp/krumbolt-waffen-bench", 0);
    context.title = u"Krumbolt";
    context.configuration = std::make_unique<KVNode>(u"Config");
    context.timer = std::make_unique<FrameTimer>();
    context.timer->gameStep = context.timer->realStep = 0.01;
    globals = std::make_unique<MyGlobals>(&context);
    globals->LoadSettings();
    const Rect rect{0, 0, 2048, 1024};
    auto land = std::make_unique<Landschaft>(rect);
    land->SetGraphics(nullptr);
    land->CreateTiles();
    for (int32_t x = 0; x < 2048; ++x)
      for (int32_t y = 800; y < 1024; ++y) *land->LockedPixel(x, y) = 0xFF8B5A2B;
    land->UnlockAll();
    auto world = std::make_unique<Welt>(&rect);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    globals->SetWelt(std::move(world));
    globals->GetPartikelListe()->AddInfo(std::make_unique<PartikelInfo>(
        Block(u"PARTIKEL_INFO",
              {{u"NAME", u"MINE"}, {u"COLLISION_EBENE", u"1"}, {u"REIBUNG_COLLISION", u"1"}})
            .get()));
    // The worms stand far above the mines: every mine measures, none goes off.
    for (int i = 0; i < kWorms; ++i)
      globals->GetWormManager()->AddWorm(std::make_unique<StandIn>(Vector2(float(30 + 65 * i), 100.0f)));
    mine = WaffenSet::Create(u"MINE",
                             Block(u"MINE", {{u"PARTIKELINFO", u"MINE"},
                                             {u"AUFSCHALT_TIME", u"0"},
                                             {u"AUFSCHALT_DIST", u"60"},
                                             {u"USES_PER_GAME", u"-1"}})
                                 .get(),
                             globals.get(), &context);
    mine->AddTeamRecord(reinterpret_cast<Mannschaft*>(1));
    StandIn layer({0.0f, 0.0f});
    for (int i = 0; i < kMines; ++i) {
      mine->NewTurn();
      mine->Fire(layer, Vector2(float(10 + 10 * i), 799.0f), {1.0f, 0.0f}, 1.0, {0.0f, 0.0f});
    }
  }
  ~Range() {
    mine.reset();
    globals->GetPartikelListe()->Clear();
  }
};

// Every mine is its team's: the range hands out ammunition freely.
struct AnyTeam final : WaffenTeams {
  Mannschaft* TeamOf(const Objekt&) const override { return reinterpret_cast<Mannschaft*>(1); }
  Argb TeamColour(const Mannschaft*) const override { return 0xFFFFFFFF; }
  int32_t RoundNumber() const override { return 0; }
};

void BM_MineFieldWatch(benchmark::State& state) {
  AnyTeam teams;
  WaffenTeams::Install(&teams);
  {
    platform::SRand(3);
    Range range;
    for (auto _ : state) range.mine->Update(0.01);
    state.counters["mines"] = double(dynamic_cast<Mine&>(*range.mine).GetMines().size());
  }
  WaffenTeams::Install(nullptr);
}

void BM_MineFieldParticleStep(benchmark::State& state) {
  AnyTeam teams;
  WaffenTeams::Install(&teams);
  {
    platform::SRand(3);
    Range range;
    for (auto _ : state) range.globals->GetPartikelListe()->Update();
    state.counters["particles"] = double(range.globals->GetPartikelListe()->GetCount());
  }
  WaffenTeams::Install(nullptr);
}

void BM_ShotPosition(benchmark::State& state) {
  auto block = std::make_unique<KVNode>(u"BAZOOKA");
  for (const char16_t* angle : {u"-90", u"-45", u"0", u"45", u"90"}) {
    KVNode* entry = block->AddChild(u"SHOTPOS_CENTER");
    entry->AddChildWith(u"SHOT_POS", u"0.3", u"0.5");
    entry->AddChildWith(u"WINKEL", angle);
  }
  Bazooka weapon(block.get(), nullptr, nullptr);
  double angle = -90.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        weapon.GetShotPosition({100.0f, 200.0f}, {20.0f, 30.0f}, angle > 0.0, angle, false));
    angle = angle >= 90.0 ? -90.0 : angle + 0.7;
  }
}

}  // namespace

BENCHMARK(BM_MineFieldWatch);
BENCHMARK(BM_MineFieldParticleStep);
BENCHMARK(BM_ShotPosition);

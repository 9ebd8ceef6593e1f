// Teleporters and force fields in a busy frame: 30 persons walking, running and jumping over
// rolling hills of a 2048 x 1024 world, each offered to 10 gates (five linked pairs standing
// on the ground) every frame as a worm is, the gates stepped with their physics and their
// memory of who came through, and 3 force fields (two shields and a kill field) stepped
// while 10 shells fly through them. The baseline is the same persons walking without gates,
// fields or shells.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/kraftfeldliste.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/simservices.h"
#include "objects/teleporterliste.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

constexpr int kPersons = 30;
constexpr int kShells = 10;

std::unique_ptr<KVNode> ParseRoot(std::u16string_view body) {
  return ParseKVText(std::u16string(u"<>\n \t<\\>\n<ROOT>") + std::u16string(body) + u"<\\ROOT>");
}

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

struct PersonFinder final : ObjectFinder {
  std::vector<Objekt*> objects;
  Objekt* FindObject(uint32_t id) const override {
    for (Objekt* o : objects)
      if (o->GetId() == id) return o;
    return nullptr;
  }
};

struct Scene {
  Rect rect{0, 0, 2048, 1024};
  Welt world{&rect};
  FrameTimer timer;
  SimServices services;
  PersonFinder finder;
  PartikelListe particles;
  TeleporterListe gates;
  KraftfeldListe fields;
  const PartikelInfo* body = nullptr;
  const PartikelInfo* shell = nullptr;
  std::vector<std::unique_ptr<Person>> persons;
  std::vector<std::unique_ptr<Partikel>> shells;

  explicit Scene(bool withGatesAndFields) {
    world.SetGameLayers(Hills(rect), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    timer.gameStep = timer.realStep = 0.01;
    services.timer = &timer;
    services.world = &world;
    services.particles = &particles;
    services.objects = &finder;
    if (withGatesAndFields) {
      services.teleporters = &gates;
      services.forceFields = &fields;
    }
    SimServices::Install(&services);
    auto types = ParseRoot(
        u"<PARTIKEL_INFO> <NAME> \"Body\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"  <SIZE> \"20\" \"30\" \"0\" \"0\" <\\SIZE> <REIBUNG_COLLISION> \"1\" <\\REIBUNG_COLLISION> "
        u"<\\PARTIKEL_INFO>"
        u"<PARTIKEL_INFO> <NAME> \"Tor\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE> <DRAW> \"0\" "
        u"<\\DRAW>"
        u"  <SIZE> \"44\" \"88\" \"0\" \"0\" <\\SIZE> <REIBUNG_COLLISION> \"1\" <\\REIBUNG_COLLISION> "
        u"<\\PARTIKEL_INFO>"
        u"<PARTIKEL_INFO> <NAME> \"Granate\" <\\NAME> <COLLISION_EBENE> \"1\" <\\COLLISION_EBENE>"
        u"  <GRAVITATION> \"0\" <\\GRAVITATION> <PARTIKELTYP> \"2\" <\\PARTIKELTYP> <\\PARTIKEL_INFO>");
    PartikelInfo::LoadAll(types.get(), particles, nullptr);
    body = particles.FindInfo(u"Body");
    shell = particles.FindInfo(u"Granate");
    platform::SRand(5);
    for (int i = 0; i < kPersons; ++i) {
      auto p = std::make_unique<Person>(body, nullptr, nullptr, nullptr);
      PersonEigenschaften& props = p->GetProperties();
      props.walkRange[0] = props.walkRange[1] = 40.0;
      props.runRange[0] = props.runRange[1] = 110.0;
      props.jumpRange[0] = props.jumpRange[1] = 220.0;
      props.SetSpeedRatio(0.5);
      p->SetWorld(&world);
      Place(*p, i);
      finder.objects.push_back(p.get());
      persons.push_back(std::move(p));
    }
    auto gateFile = ParseRoot(
        u"<COLORS> \"FFFF5050\" \"FF50A0FF\" <\\COLORS>"
        u"<TELEPORTER> <PARTIKEL_INFO> \"Tor\" <\\PARTIKEL_INFO> <NAME> \"Teleporter\" <\\NAME>"
        u"  <MAX_DIST> \"50\" \"50\" <\\MAX_DIST> <TIME_OUT> \"1.5\" <\\TIME_OUT> <\\TELEPORTER>");
    gates.Load(gateFile.get(), LoadSources{&particles, nullptr, nullptr, nullptr});
    const std::u16string gateName = u"Teleporter";
    for (int pair = 0; pair < 5; ++pair) {
      for (int end = 0; end < 2; ++end) {
        auto gate = gates.Place(&gateName);
        gate->SetPosition(Vector2(float(100 + pair * 190 + end * 950), 300.0f));
        gates.AddPending(std::move(gate));
      }
      gates.CommitPending();
    }
    auto fieldFile = ParseRoot(
        u"<KILL_KRAFTFELD> <NAME> \"Flak\" <\\NAME> <RADIUS> \"0\" \"0\" \"0\" \"90\" <\\RADIUS> <TYPEN> "
        u"\"2\" <\\TYPEN> "
        u"<\\KILL_KRAFTFELD>"
        u"<SCHUBS_KRAFTFELD> <NAME> \"SCHILD\" <\\NAME> <RADIUS> \"0\" \"60\" \"0\" \"75\" <\\RADIUS> "
        u"<TYPEN> \"2\" <\\TYPEN>"
        u"  <REIBUNG> \"0.2\" <\\REIBUNG> <\\SCHUBS_KRAFTFELD>");
    fields.Create(fieldFile.get(), LoadSources{});
    const std::u16string flak = u"Flak", schild = u"SCHILD";
    const Vector2 centres[3] = {{500.0f, 400.0f}, {1000.0f, 400.0f}, {1500.0f, 400.0f}};
    for (int f = 0; f < 3; ++f) {
      auto field = fields.CreateByName(f == 1 ? &flak : &schild);
      *field->GetPosition() = centres[f];
      fields.Add(std::move(field));
    }
    for (int i = 0; i < kShells; ++i) {
      const Vector2 at(float(100 + i * 190), 400.0f), v(300.0f, 0.0f);
      shells.push_back(std::make_unique<Partikel>(shell, &at, &v, 0xFFFFFFFF, 0));
    }
  }
  ~Scene() {
    gates.Clear();
    fields.Clear();
    SimServices::Install(nullptr);
  }

  static void Place(Person& p, int i) {
    *p.GetPosition() = Vector2(float(40 + i * 65), 300.0f);
    p.ResetMovement();
    p.SetHealth(100.0);
  }

  void Direct() {
    for (int i = 0; i < kPersons; ++i) {
      Person& p = *persons[size_t(i)];
      if (p.GetDeathKind() != Person::kAlive) Place(p, i);
      if (p.GetMoveState() != Person::kStanding) continue;
      CommandParam param;
      param.flag = p.IsFacingRight() ? 0 : 1;
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

  // Shells that flew out of the band go back to its left end, alive again.
  void ReturnShells() {
    for (int i = 0; i < kShells; ++i) {
      Partikel& s = *shells[size_t(i)];
      const Vector2 p = *s.GetPosition();
      if (s.IsMarkedDead() || p.x < 0.0f || p.x > 2048.0f || p.y < 200.0f || p.y > 600.0f) {
        *s.GetPosition() = Vector2(float(20 + i * 7), 400.0f + float(i % 5) * 12.0f);
        *s.GetSpeed() = Vector2(300.0f, 0.0f);
        s.Revive(nullptr, 0);
      }
    }
  }

  void Step(bool withGatesAndFields) {
    Direct();
    for (auto& p : persons) p->MoveStep();
    if (!withGatesAndFields) return;
    ReturnShells();
    for (auto& s : shells) s->Update(true);
    for (auto& p : persons) gates.TryTeleport(*p);
    fields.Update(0.01);
    gates.Update(0.01);
  }
};

void Run(benchmark::State& state, bool withGatesAndFields) {
  Scene scene(withGatesAndFields);
  for (int i = 0; i < 300; ++i) scene.Step(withGatesAndFields);  // gates and persons settle on the ground
  int64_t teleports = 0;
  for (auto _ : state) {
    scene.Step(withGatesAndFields);
    for (const auto& gate : scene.gates.GetPlaced()) teleports += gate->IsReady() ? 0 : 1;
  }
  state.SetItemsProcessed(state.iterations());
  int64_t hits = 0;
  for (const auto& field : scene.fields.GetActive()) hits += field->GetHits();
  // How often a gate was resting after a teleport, and what the fields took.
  state.counters["resting_gates"] = double(teleports) / double(state.iterations());
  state.counters["field_hits"] = double(hits);
}

void BM_PersonsWithGatesAndFields(benchmark::State& state) { Run(state, true); }
BENCHMARK(BM_PersonsWithGatesAndFields)->Unit(benchmark::kMicrosecond);

void BM_BaselinePersonsAlone(benchmark::State& state) { Run(state, false); }
BENCHMARK(BM_BaselinePersonsAlone)->Unit(benchmark::kMicrosecond);

}  // namespace

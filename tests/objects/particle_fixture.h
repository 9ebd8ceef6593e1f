// A small simulation for the particle tests: a world from ASCII art (see
// world/terrain_art.h), a frame timer stepping 0.01 s, the particle list, and recording
// stand-ins for the events, the worms and the water, installed as the particles' services.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/simservices.h"
#include "platform/random.h"
#include "support/kv_fixture.h"
#include "world/terrain_art.h"
#include "world/watersurface.h"
#include "world/welt.h"

namespace particle_test {

// Every event run, by name and the id of its target.
struct EventLog final : EventRunner {
  std::vector<std::pair<std::u16string, uint32_t>> runs;
  // Called for each run, after it is logged (tests that need an event to act).
  std::function<void(const std::u16string&, Objekt&)> action;
  void Run(const std::u16string& name, Objekt& target) override {
    runs.emplace_back(name, target.GetId());
    if (action) action(name, target);
  }
  std::vector<std::u16string> Names() const {
    std::vector<std::u16string> out;
    for (const auto& r : runs) out.push_back(r.first);
    return out;
  }
};

struct FixedWater final : WaterSurface {
  double y = 1e9;
  double GetSurfaceY() const override { return y; }
};

// Worms as circles.
struct CircleWorms final : WormContacts {
  struct Circle {
    Objekt* object;
    Vector2 centre;
    float radius;
  };
  std::vector<Circle> circles;
  void CollectWorms(std::vector<Objekt*>& out) const override {
    for (const Circle& c : circles) out.push_back(c.object);
  }
  bool ContainsPoint(const Objekt& worm, const Vector2& p) const override {
    for (const Circle& c : circles)
      if (c.object == &worm) return (p - c.centre).Length() <= c.radius;
    return false;
  }
};

class Sim {
 public:
  explicit Sim(const std::vector<std::string>& art, int32_t left = 0, int32_t top = 0) {
    auto land = terrain_test::ArtStore(art, left, top);
    const Rect r = land->GetRect();
    world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    Init();
  }
  explicit Sim(std::unique_ptr<Landschaft> land) {
    const Rect r = land->GetRect();
    world = std::make_unique<Welt>(&r);
    world->SetGameLayers(std::move(land), 0, 0.0f, 0.0f, 0xFFFFFFFF);
    Init();
  }
  ~Sim() {
    list.Clear();
    SimServices::Install(nullptr);
  }
  Sim(const Sim&) = delete;
  Sim& operator=(const Sim&) = delete;

  // A type from the keys of one "PARTIKEL_INFO" block, kept by the list.
  const PartikelInfo& Type(std::u16string_view keys) {
    auto root = ParseBody(std::u16string(u"<PARTIKEL_INFO>") + std::u16string(keys) + u"<\\PARTIKEL_INFO>");
    list.AddInfo(std::make_unique<PartikelInfo>(root->GetChild(0, u"PARTIKEL_INFO")));
    return *list.GetInfos().back();
  }
  // A particle of the type at p with speed v, not in the list.
  std::unique_ptr<Partikel> Make(const PartikelInfo& type, Vector2 p, Vector2 v = {0.0f, 0.0f}) {
    return std::make_unique<Partikel>(&type, &p, &v, 0xFFFFFFFF, 0);
  }
  Partikel* Add(const PartikelInfo& type, Vector2 p, Vector2 v = {0.0f, 0.0f}) {
    auto particle = Make(type, p, v);
    Partikel* raw = particle.get();
    list.Add(std::move(particle));
    return raw;
  }

  FrameTimer timer;
  std::unique_ptr<Welt> world;
  EventLog events;
  FixedWater water;
  CircleWorms worms;
  SimServices services;
  PartikelListe list;

 private:
  void Init() {
    // The world pulls with (0, 100) px/s²; types that should fly straight say GRAVITATION 0.
    timer.gameStep = 0.01;
    timer.realStep = 0.01;
    services.timer = &timer;
    services.world = world.get();
    services.water = &water;
    services.events = &events;
    services.worms = &worms;
    services.particles = &list;
    SimServices::Install(&services);
    platform::SRand(1);
  }
};

}  // namespace particle_test

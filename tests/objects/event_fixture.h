// The event tests' host: a particle simulation (particle_fixture.h) with its world and
// list, an event and an explosion table, worms as recording persons, and a record of every
// sound, camera job and ammunition request the events made.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "objects/distanceramp.h"
#include "objects/eventhost.h"
#include "objects/eventtable.h"
#include "objects/explosiontable.h"
#include "objects/particle_fixture.h"
#include "objects/person.h"

namespace event_test {

// A person that records what events and explosions ask of it.
class SpyWorm final : public Person {
 public:
  SpyWorm(const PartikelInfo* type, Vector2 at) : Person(type, nullptr, nullptr, nullptr) {
    *GetPosition() = at;
  }

  struct Explosion {
    Vector2 centre;
    DistanceRamp impulse;
    DistanceRamp damage;
  };
  struct Poison {
    Vector2 centre;
    DistanceRamp ramp;
    int32_t rounds;
  };
  struct Healing {
    double amount;
    bool cures;
    int32_t rounds;
    bool immediate;
  };
  struct Effects {
    Vector2 centre;
    std::vector<std::u16string> names;
    DistanceRamp ramp;
  };

  void ApplyExplosion(const Vector2* centre, const DistanceRamp* impulse,
                      const DistanceRamp* damage) override {
    explosions.push_back({*centre, *impulse, *damage});
  }
  void ApplyPoison(const Vector2& centre, const DistanceRamp* ramp, int32_t rounds) override {
    poisons.push_back({centre, *ramp, rounds});
  }
  void Heal(double amount, bool cures, int32_t rounds, bool immediate) override {
    heals.push_back({amount, cures, rounds, immediate});
  }
  void ApplyPostEffectRamp(const Vector2& centre, const std::vector<std::u16string>& names,
                           const DistanceRamp& ramp) override {
    effects.push_back({centre, names, ramp});
  }

  std::vector<Explosion> explosions;
  std::vector<Poison> poisons;
  std::vector<Healing> heals;
  std::vector<Effects> effects;
};

class Host final : public EventHost {
 public:
  explicit Host(particle_test::Sim& sim) : m_sim(sim) {}

  SoundSet* FindSound(const std::u16string& file, const SearchPath& path) override {
    soundLookups.push_back(path.GetFolder(0).empty() ? file : path.GetFolder(0) + u"\\" + file);
    // Sets without a sound manager: nothing plays, but they are told apart by name.
    m_sounds.push_back(std::make_unique<SoundSet>(nullptr, 1, SoundKey{&file, nullptr, nullptr}));
    return m_sounds.back().get();
  }
  std::unique_ptr<Animation> CreateAnimation(const std::u16string& name) override {
    if (manager) return manager->CreateAnimation(name);
    auto it = animations.find(name);
    return it != animations.end() ? it->second->Clone() : nullptr;
  }
  void PlaySound(SoundSet* sound, int volume) override { played.emplace_back(sound->FileName(), volume); }
  EventTable* GetEventTable() override { return &events; }
  ExplosionTable* GetExplosionTable() override { return &explosions; }
  PartikelListe* GetPartikelListe() override { return &m_sim.list; }
  Welt* GetWelt() override { return m_sim.world.get(); }
  int32_t GetEarthStep() override { return earthStep; }
  void CollectObjects(std::vector<Objekt*>& out) override {
    m_sim.list.CollectAll(out);
    CollectWorms(out);
  }
  void CollectWorms(std::vector<Objekt*>& out) override {
    for (const auto& worm : worms) out.push_back(worm.get());
  }
  bool ContainsPoint(const Objekt& worm, const Vector2& point) override {
    const Vector2 d = point - *const_cast<Objekt&>(worm).GetPosition();
    return d.Length() < wormRadius;
  }
  void FollowWithCamera(uint32_t id) override { followed.push_back(id); }
  void HoldTurnFor(uint32_t id) override { held.push_back(id); }
  bool AddAmmo(const std::u16string& weapon, Objekt& worm, int32_t rounds) override {
    ammo.emplace_back(weapon, worm.GetId(), rounds);
    return weapons.count(weapon) > 0;
  }

  // Loads the sections (a body without its syntax header) into the event table.
  void Load(std::u16string_view body) { events.Load(ParseBody(body).get(), *this); }
  Event* Find(const std::u16string& name) { return events.Find(&name); }
  SpyWorm& AddWorm(Vector2 at) {
    worms.push_back(std::make_unique<SpyWorm>(&m_sim.Type(u""), at));
    return *worms.back();
  }
  std::vector<std::u16string> PlayedNames() const {
    std::vector<std::u16string> out;
    for (const auto& p : played) out.push_back(p.first);
    return out;
  }

  EventTable events;
  ExplosionTable explosions;
  int32_t earthStep = 10;
  float wormRadius = 10.0f;
  std::vector<std::unique_ptr<SpyWorm>> worms;
  std::map<std::u16string, std::unique_ptr<Animation>> animations;
  // Asked instead of the map when set.
  const AnimationManager* manager = nullptr;
  std::set<std::u16string> weapons;
  std::vector<std::u16string> soundLookups;
  std::vector<std::pair<std::u16string, int>> played;
  std::vector<uint32_t> followed;
  std::vector<uint32_t> held;
  std::vector<std::tuple<std::u16string, uint32_t, int32_t>> ammo;

 private:
  particle_test::Sim& m_sim;
  std::vector<std::unique_ptr<SoundSet>> m_sounds;
};

}  // namespace event_test

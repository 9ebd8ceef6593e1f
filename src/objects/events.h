// The event kinds of "events.evt" besides the explosions: entering water, kill and unkill,
// particle creation, a new id, poison, render effects, setting the speed, ammunition and
// medikits. Each reads its own keys after the base's and does its work on the target
// before the base plays its sound and runs the follow-up event.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/distanceramp.h"
#include "objects/event.h"

class PartikelInfo;

// A particle reaching the water: fast and flat enough it skips off the surface, else it is
// slowed for the water. Plays no sound and chains nothing.
class EntersWaterEvent final : public Event {
 public:
  EntersWaterEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  double maxSkipAngle = 45.0;
  double minSkipSpeed = 100.0;
  double speedChange = 1.0;
  // The negation of "TURN_SPAWNING_OFF".
  bool spawning = true;
  double maxSpeed = 100.0;
  double friction = 10.0;
};

// Kills the target so that its kill event fires.
class KillEvent final : public Event {
 public:
  KillEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  // Read and kept; the kill fires the target's kill event either way.
  bool doKillEvents = true;
};

// Kills the target too (without any parameter record), so its kill event fires.
class UnKillEvent final : public Event {
 public:
  using Event::Event;
  void Execute(Objekt& target) override;
};

// Makes particles of weighted types at the target, optionally followed by the camera and
// holding the turn.
class PartikelCreateEvent final : public Event {
 public:
  PartikelCreateEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;
  // The picked type; null when the draw lands on no resolved type.
  const PartikelInfo* PickInfo() const;

  int32_t maxParticles = 0;
  bool centerCamera = false;
  bool pauseObject = false;
  std::vector<const PartikelInfo*> types;
  // Cumulative; there may be more weights than types (a draw on one of those makes none).
  std::vector<double> weights;
};

// Gives the target the next id of the run-wide counter.
class CreateNewIDEvent final : public Event {
 public:
  using Event::Event;
  void Execute(Objekt& target) override;
};

// Poisons every person by its distance from the target.
class VergiftungsEvent final : public Event {
 public:
  VergiftungsEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  bool killSource = false;
  DistanceRamp poison;
  // Rounds; -1 without end.
  int32_t rounds = -1;
};

// Starts post-effect instances on every worm by its distance from the target.
class RenderEffectEvent final : public Event {
 public:
  RenderEffectEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  bool killSource = false;
  DistanceRamp radius;
  std::vector<std::u16string> instances;
};

// Sets the target's speed to a random point between two vectors, optionally as a
// direction scaled by the target's own speed.
class SetSpeedToEvent final : public Event {
 public:
  SetSpeedToEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  bool normalize = false;
  bool useSourceSpeed = false;
  Vector2 speed0{0.0f, 0.0f};
  Vector2 speed1{0.0f, 0.0f};
};

// An ammunition crate: the first worm that holds the target's position gets rounds of
// weighted weapons.
class AddMunEvent final : public Event {
 public:
  struct MuniEntry {
    std::u16string weapon;
    int32_t minimum = 1;
    int32_t maximum = 2;
    // Cumulative after reading.
    double weight = 1.0;
  };

  AddMunEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;
  // The first entry whose cumulative weight exceeds a draw; null when none does.
  const MuniEntry* PickMuni() const;

  bool killSource = false;
  // Kept squared; the pick-up tests the worm's own radius.
  double searchRadiusSquared = 1600.0;
  int32_t countMin = 1;
  int32_t countMax = 1;
  std::vector<MuniEntry> entries;

 private:
  // Weapon names already reported as unknown.
  std::unordered_set<std::u16string> m_reportedWeapons;
};

// A medikit crate: the first worm that holds the target's position is healed.
class AddMedikitEvent final : public Event {
 public:
  AddMedikitEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  bool killSource = false;
  double searchRadiusSquared = 1600.0;
  double healthMin = 40.0;
  double healthMax = 50.0;
  int32_t rounds = 1;
  bool curesPoison = false;
  bool immediate = true;
};

// The first worm of the host that contains the point; null when none does.
Objekt* FindWormAt(EventHost& host, const Vector2& point);

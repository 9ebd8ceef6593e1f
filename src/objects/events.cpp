// The event kinds besides the explosions.
#include "objects/events.h"

#include <algorithm>
#include <cmath>

#include "engine/kvnode.h"
#include "objects/eventhost.h"
#include "objects/eventkeys.h"
#include "objects/objekt.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

// Particles one creation event makes, and weapons one ammunition event picks, at most: a
// count from the file in the millions would stall the game in one frame.
constexpr int32_t kMaxPerRun = 1000;

void KillWithEvent(Objekt& target) { target.Kill(nullptr, 0); }

// Objects collected by the host, from the last to the first.
template <class Action>
void ForEachObjectFromBack(EventHost& host, Action action) {
  std::vector<Objekt*> objects;
  host.CollectObjects(objects);
  for (size_t i = objects.size(); i-- > 0;)
    if (objects[i]) action(*objects[i]);
}

Vector2 ReadVector(const KVNode* section, std::u16string_view key, Vector2 fallback,
                   const std::u16string& event) {
  double x = fallback.x, y = fallback.y;
  if (!eventkeys::ReadTwo(section, key, x, y, event)) return fallback;
  return Vector2(float(x), float(y));
}

// The keys both crate kinds share; the search radius is kept squared.
void ReadCrateKeys(const KVNode* section, bool& killSource, double& searchRadiusSquared) {
  eventkeys::Read(section, u"KILL_SRC", killSource);
  double radius = 40.0;
  if (eventkeys::Read(section, u"RADIUS_SUCHE", radius)) searchRadiusSquared = radius * radius;
}

}  // namespace

Objekt* FindWormAt(EventHost& host, const Vector2& point) {
  std::vector<Objekt*> worms;
  host.CollectWorms(worms);
  for (Objekt* worm : worms)
    if (worm && host.ContainsPoint(*worm, point)) return worm;
  return nullptr;
}

EntersWaterEvent::EntersWaterEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"MAX_DITSCH_WINKEL", maxSkipAngle);
  eventkeys::Read(section, u"MIN_DITSCH_SPEED", minSkipSpeed);
  eventkeys::Read(section, u"SPEED_CHANGE", speedChange);
  bool off = false;
  if (eventkeys::Read(section, u"TURN_SPAWNING_OFF", off)) spawning = !off;
  eventkeys::Read(section, u"MAX_SPEED", maxSpeed);
  eventkeys::Read(section, u"REIBUNG", friction);
}

void EntersWaterEvent::Execute(Objekt& target) {
  Vector2* speed = target.GetSpeed();
  if (!speed) return;
  const double s = speed->Length();
  // The angle from the +x direction, 0 .. 180 degrees: only objects moving rightwards can
  // meet the water flat enough to skip. A standing object has no angle and never skips.
  const bool skips =
      s > 0.0 && s >= minSkipSpeed &&
      maxSkipAngle > std::acos(std::clamp(double(speed->x) / s, -1.0, 1.0)) * Partikel::kRadToDeg;
  if (skips) {
    speed->y = -speed->y;
    *speed *= float(speedChange);
  } else if (auto* particle = dynamic_cast<Partikel*>(&target)) {
    particle->SetMaxSpeed(maxSpeed);
    particle->SetAirFriction(friction);
    particle->SetSpawning(spawning);
  } else {
    speed->x = 0.0f;
  }
}

KillEvent::KillEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"DO_KILL_EVENTS", doKillEvents);
}

void KillEvent::Execute(Objekt& target) {
  CommandParam fire;
  fire.flag = 1;
  target.Kill(&fire, 1);
  Event::Execute(target);
}

void UnKillEvent::Execute(Objekt& target) {
  KillWithEvent(target);
  Event::Execute(target);
}

PartikelCreateEvent::PartikelCreateEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"MAX_PARTIKEL", maxParticles);
  eventkeys::Read(section, u"CENTER_CAMERA", centerCamera);
  eventkeys::Read(section, u"PAUSE_OBJEKT", pauseObject);
  PartikelListe* list = host.GetPartikelListe();
  for (const std::u16string& name : eventkeys::ReadTexts(section, u"PARTIKEL_INFOS")) {
    if (const PartikelInfo* type = list ? list->FindInfo(name) : nullptr)
      types.push_back(type);
    else
      eventkeys::Report(GetName(), u"names no particle type", name);
  }
  std::vector<double> props = eventkeys::ReadWeights(section, u"PARTIKEL_PROP", SIZE_MAX);
  const size_t count = std::max(props.size(), types.size());
  weights = CumulativeWeights(std::move(props), count);
}

const PartikelInfo* PartikelCreateEvent::PickInfo() const {
  const int32_t i = PickCumulative(weights, platform::RandFraction());
  return i >= 0 && size_t(i) < types.size() ? types[size_t(i)] : nullptr;
}

void PartikelCreateEvent::Execute(Objekt& target) {
  PartikelListe* list = Host().GetPartikelListe();
  const int32_t count = std::min(maxParticles, kMaxPerRun);
  for (int32_t i = 0; i < count && list; ++i) {
    const PartikelInfo* type = PickInfo();
    if (!type) continue;
    // Read afresh each time: a particle made here may have run events on the target.
    const Vector2* at = target.GetPosition();
    auto particle = std::make_unique<Partikel>(type, at, nullptr, 0xFFFFFFFF, 0, Partikel::kTypeLayer);
    const uint32_t id = particle->GetId();
    list->Add(std::move(particle));
    if (centerCamera) Host().FollowWithCamera(id);
    if (pauseObject) Host().HoldTurnFor(id);
  }
  Event::Execute(target);
}

void CreateNewIDEvent::Execute(Objekt& target) {
  target.AssignNewId();
  Event::Execute(target);
}

VergiftungsEvent::VergiftungsEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"KILL_SRC", killSource);
  poison = eventkeys::ReadRamp(section, u"GIFT_SCHADEN");
  eventkeys::Read(section, u"DAUER", rounds);
}

void VergiftungsEvent::Execute(Objekt& target) {
  const Vector2 centre = target.GetPosition() ? *target.GetPosition() : Vector2(0.0f, 0.0f);
  ForEachObjectFromBack(Host(), [&](Objekt& object) {
    if (auto* person = dynamic_cast<Person*>(&object)) person->ApplyPoison(centre, &poison, rounds);
  });
  if (killSource) KillWithEvent(target);
  Event::Execute(target);
}

RenderEffectEvent::RenderEffectEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"KILL_SRC", killSource);
  radius = eventkeys::ReadRamp(section, u"RADIUS");
  // The key is spelled so in the files.
  instances = eventkeys::ReadTexts(section, u"REDNEREFFECT_ISTANZEN");
}

void RenderEffectEvent::Execute(Objekt& target) {
  const Vector2 centre = target.GetPosition() ? *target.GetPosition() : Vector2(0.0f, 0.0f);
  ForEachObjectFromBack(Host(), [&](Objekt& object) {
    if (auto* person = dynamic_cast<Person*>(&object)) person->ApplyPostEffectRamp(centre, instances, radius);
  });
  if (killSource) KillWithEvent(target);
  Event::Execute(target);
}

SetSpeedToEvent::SetSpeedToEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"NORMALIZE", normalize);
  eventkeys::Read(section, u"USESRCSPEED", useSourceSpeed);
  speed0 = ReadVector(section, u"SPEED_0", speed0, GetName());
  speed1 = ReadVector(section, u"SPEED_1", speed1, GetName());
}

void SetSpeedToEvent::Execute(Objekt& target) {
  const double r = platform::RandFraction();
  Vector2 v(float(speed0.x + (double(speed1.x) - speed0.x) * r),
            float(speed0.y + (double(speed1.y) - speed0.y) * r));
  // A zero vector has no direction and stays zero.
  if (normalize && v.Length() > 0.0f) v = v / v.Length();
  if (Vector2* speed = target.GetSpeed()) {
    if (useSourceSpeed) v *= speed->Length();
    *speed = v;
  }
  Event::Execute(target);
}

AddMunEvent::AddMunEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  ReadCrateKeys(section, killSource, searchRadiusSquared);
  eventkeys::ReadTwo(section, u"ANZAHL", countMin, countMax, GetName());
  double sum = 0.0;
  for (unsigned i = 0, n = section ? section->CountChildren(u"MUNI") : 0; i < n; ++i) {
    const KVNode* block = section->GetChild(i, u"MUNI");
    MuniEntry entry;
    eventkeys::Read(block, u"NAME_WAFFE", entry.weapon);
    eventkeys::ReadTwo(block, u"ANZAHL_MUN", entry.minimum, entry.maximum, GetName());
    eventkeys::Read(block, u"PROP", entry.weight);
    sum += entry.weight;
    entries.push_back(std::move(entry));
  }
  double running = 0.0;
  for (MuniEntry& entry : entries) {
    running += entry.weight / sum;
    entry.weight = running;
  }
}

const AddMunEvent::MuniEntry* AddMunEvent::PickMuni() const {
  const double r = platform::RandFraction();
  for (const MuniEntry& entry : entries)
    if (entry.weight > r) return &entry;
  return nullptr;
}

void AddMunEvent::Execute(Objekt& target) {
  const Vector2 at = target.GetPosition() ? *target.GetPosition() : Vector2(0.0f, 0.0f);
  Objekt* worm = FindWormAt(Host(), at);
  if (!worm) return;
  const double r = platform::RandFraction();
  const int32_t picks = platform::TruncToInt(countMin + (double(countMax) - countMin) * r);
  for (int32_t i = 0; i < std::min(picks, kMaxPerRun); ++i) {
    const MuniEntry* entry = PickMuni();
    if (!entry) continue;
    const double s = platform::RandFraction();
    const int32_t rounds =
        platform::TruncToInt(entry->minimum + (double(entry->maximum) - entry->minimum) * s);
    if (!Host().AddAmmo(entry->weapon, *worm, rounds) && m_reportedWeapons.insert(entry->weapon).second)
      eventkeys::Report(GetName(), u"names no weapon", entry->weapon);
  }
  if (killSource) KillWithEvent(target);
  Event::Execute(target);
}

AddMedikitEvent::AddMedikitEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  ReadCrateKeys(section, killSource, searchRadiusSquared);
  eventkeys::ReadTwo(section, u"HEALTH", healthMin, healthMax, GetName());
  eventkeys::Read(section, u"ANZ_RUNDEN", rounds);
  eventkeys::Read(section, u"HEALS_GIFT", curesPoison);
  eventkeys::Read(section, u"HEALS_SOFORT", immediate);
}

void AddMedikitEvent::Execute(Objekt& target) {
  const Vector2 at = target.GetPosition() ? *target.GetPosition() : Vector2(0.0f, 0.0f);
  Objekt* worm = FindWormAt(Host(), at);
  if (!worm) return;
  const double amount = healthMin + (healthMax - healthMin) * platform::RandFraction();
  if (auto* person = dynamic_cast<Person*>(worm)) person->Heal(amount, curesPoison, rounds, immediate);
  if (killSource) KillWithEvent(target);
  Event::Execute(target);
}

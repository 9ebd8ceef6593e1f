// Fuzz target: the event and explosion readers on whatever tree the key/value reader makes of
// arbitrary bytes. The tree is read as "explosionen.exp" and as "events.evt"; then every event
// is looked up by its name and run on a plain object, every event's update runs, and the
// tables are emptied. There is no world, particle list, sound or animation: every event must
// skip what it would do with them, follow its chain within the nesting limit and end.
// fuzz-sources: src/objects/event.cpp src/objects/events.cpp src/objects/eventkeys.cpp
// fuzz-sources: src/objects/eventtable.cpp src/objects/explosionsevent.cpp src/objects/explosiontable.cpp
// fuzz-sources: src/objects/distanceramp.cpp src/objects/soundchoice.cpp src/objects/objekt.cpp
// fuzz-sources: src/objects/partikelinfo.cpp src/world/collisionshape.cpp src/engine/searchpath.cpp
// fuzz-sources: src/platform/random.cpp src/platform/math2d.cpp src/engine/frametimer.cpp src/platform/clock.cpp
// fuzz-sources: src/platform/texture.cpp src/platform/zeropages.cpp
// fuzz-flags: -fno-sanitize=vptr
// fuzz-seeds: data/events.evt data/explosionen.exp
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apisound.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/soundset.h"
#include "objects/eventhost.h"
#include "objects/eventtable.h"
#include "objects/explosionsevent.h"
#include "objects/explosiontable.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "platform/random.h"
#include "world/landstamp.h"
#include "world/welt.h"

// What the events would reach through the world, the particle list, sounds and animations.
// The host below hands none of them out, so none of these may ever run.
const Animation* AnimationManager::FindAnimation(std::u16string_view) const { std::abort(); }
std::unique_ptr<Animation> Animation::Clone() const { std::abort(); }
const AnimationFrame* AnimationFrames::GetFrame(int32_t) const { std::abort(); }
const AnimationFrame* Animation::GetCurrentFrame() const { std::abort(); }
void APISound::Play(SoundSet*, int) { std::abort(); }
SoundSet* SoundCache::FindOrCreate(const SoundKey&) { std::abort(); }
void PartikelListe::AddInfo(std::unique_ptr<PartikelInfo>) { std::abort(); }
const PartikelInfo* PartikelListe::FindInfo(const std::u16string&) const { std::abort(); }
void PartikelListe::SetEarthTypes(std::vector<const PartikelInfo*>, std::vector<double>) { std::abort(); }
void PartikelListe::Add(std::unique_ptr<Partikel>) { std::abort(); }
void PartikelListe::SpawnErdePartikel(const std::vector<RemovedPixel>&, const Vector2&, const DistanceRamp&,
                                      const double*, int32_t) {
  std::abort();
}
void Welt::CarveCrater(const Vector2&, double, std::vector<RemovedPixel>*, int32_t, bool) { std::abort(); }
void Welt::CarveShape(LandStamp&, std::vector<RemovedPixel>*, int32_t, bool) { std::abort(); }
LandStamp::LandStamp(platform::Texture*, const Rect&, const Rect&, const Vector2*, const double*, bool, Argb,
                     int32_t, int32_t, bool) {
  std::abort();
}
Partikel::Partikel(const PartikelInfo*, const Vector2*, const Vector2*, Argb, int32_t, int32_t, const KVNode*) {
  std::abort();
}
Partikel::~Partikel() { std::abort(); }
void Partikel::ScaleSize(double) { std::abort(); }
void Partikel::Kill(const CommandParam*, int32_t) { std::abort(); }
void Partikel::Revive(const CommandParam*, int32_t) { std::abort(); }
bool Partikel::IsDead() const { std::abort(); }
void Partikel::OnIdChanged(uint32_t) { std::abort(); }
Person::~Person() { std::abort(); }
bool Person::IsDead() const { std::abort(); }
void Person::ResetMovement() { std::abort(); }
bool Person::Command(int32_t, const CommandParam*) { std::abort(); }
void Person::UpdateAnimation() { std::abort(); }

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

// A point that can be killed: the events' target, and a worm stand-in for the pick-ups.
class Target final : public Objekt {
 public:
  Vector2* GetPosition() override { return &m_position; }
  Vector2* GetSize() override { return &m_size; }
  Vector2* GetSpeed() override { return &m_speed; }
  void Kill(const CommandParam*, int32_t) override { ++kills; }
  int kills = 0;

 private:
  Vector2 m_position{100.0f, 40.0f}, m_size{8.0f, 8.0f}, m_speed{40.0f, 30.0f};
};

class Host final : public EventHost {
 public:
  SoundSet* FindSound(const std::u16string&, const SearchPath&) override { return nullptr; }
  std::unique_ptr<Animation> CreateAnimation(const std::u16string&) override { return nullptr; }
  void PlaySound(SoundSet*, int) override { std::abort(); }
  EventTable* GetEventTable() override { return &events; }
  ExplosionTable* GetExplosionTable() override { return &explosions; }
  PartikelListe* GetPartikelListe() override { return nullptr; }
  Welt* GetWelt() override { return nullptr; }
  int32_t GetEarthStep() override { return 10; }
  void CollectObjects(std::vector<Objekt*>& out) override { out.push_back(&worm); }
  void CollectWorms(std::vector<Objekt*>& out) override { out.push_back(&worm); }
  bool ContainsPoint(const Objekt&, const Vector2&) override { return true; }
  void FollowWithCamera(uint32_t) override {}
  void HoldTurnFor(uint32_t) override {}
  bool AddAmmo(const std::u16string&, Objekt&, int32_t) override { return true; }

  EventTable events;
  ExplosionTable explosions;
  Target worm;
};

void CheckCumulative(const std::vector<double>& weights, size_t count) { Check(weights.size() == count); }

void CheckRamp(const DistanceRamp& r) {
  Check(std::isfinite(r.nearValue) && std::isfinite(r.farValue) && std::isfinite(r.nearDistance) &&
        std::isfinite(r.farDistance));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = DecodeKVBytes(data, size, false);
  std::unique_ptr<KVNode> root = ParseKVText(text);
  if (!root) return 0;
  platform::SRand(uint32_t(size));
  Host host;
  host.explosions.Load(root.get(), nullptr);
  host.events.Load(root.get(), host);
  FrameTimer timer;
  timer.gameStep = timer.realStep = 0.01;
  for (const auto& event : host.events.Events()) {
    CheckCumulative(event->GetEventWeights(), event->GetEventNames().size());
    CheckCumulative(event->GetSoundWeights(), event->GetSounds().size());
    if (const auto* explosion = dynamic_cast<const ExplosionsEvent*>(event.get())) {
      CheckRamp(explosion->damage);
      CheckRamp(explosion->wormDamage);
      CheckRamp(explosion->impulse);
      Check(std::isfinite(explosion->density) && std::isfinite(explosion->earthSize));
      for (int32_t step : {-5, 0, 1, 10, 1000}) Check(explosion->EarthStride(step) >= 0);
    }
    // The last event of a name is the one found.
    const std::u16string& name = event->GetName();
    const Event* found = host.events.Find(&name);
    Check(found != nullptr && found->GetName() == name);
    Target target;
    host.events.Run(name, target);
    Check(std::isfinite(target.GetPosition()->x) && std::isfinite(target.GetPosition()->y));
  }
  host.events.UpdateAll(timer);
  host.events.Clear();
  host.explosions.Clear();
  return 0;
}

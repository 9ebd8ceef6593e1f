// The base of everything placed in a battle's world: a name, a run-wide unique id, health,
// render-extra settings and extra animations, and the operations through which events,
// explosions, the camera and the weapons treat every object alike. Owned by whichever list
// holds the object (the particle list, the worm manager, the teleporter or force-field list).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/animation.h"
#include "engine/gfxtypes.h"

class KVNode;
struct DistanceRamp;

// The parameter record of Kill, Revive and a person's command: objects of this subsystem
// read only the flag.
struct CommandParam {
  uint32_t flag = 0;
  double value = 0.0;
  Vector2 vector;
  uint32_t extra = 0;
};

class Objekt {
 public:
  // Takes the next id of the run-wide counter, then reads "NAME", "HEALTH",
  // "RENDER_EXTRA_ID" and "RENDER_EXTRA_TYPEN" from the node when there is one. A key
  // without a value counts as absent.
  explicit Objekt(const KVNode* node = nullptr);
  // A copy is a new object: it takes a fresh id, clones the extra animations (null stays
  // null) and copies everything else.
  Objekt(const Objekt& other);
  Objekt& operator=(const Objekt&) = delete;
  virtual ~Objekt();

  // Pointers into the object itself; callers read and write through them (a teleporter
  // moves an object by writing its position).
  virtual Vector2* GetPosition() = 0;
  virtual Vector2* GetSize() = 0;
  virtual Vector2* GetSpeed() = 0;
  virtual void Kill(const CommandParam* params, int32_t count);
  virtual void Revive(const CommandParam* params, int32_t count);
  virtual void ApplyExplosion(const Vector2* centre, const DistanceRamp* impulse, const DistanceRamp* damage);

  uint32_t GetId() const { return m_id; }
  bool HasId(uint32_t id) const { return m_id == id; }
  const std::u16string& GetName() const { return m_name; }
  void SetName(std::u16string name) { m_name = std::move(name); }
  // A fresh id from the counter, as the create-new-id event gives one; whatever held the
  // old id no longer finds the object under it. Returns the new id.
  uint32_t AssignNewId();

  double GetHealth() const { return m_health; }
  void SetHealth(double health) { m_health = health; }
  int32_t GetRenderExtraId() const { return m_renderExtraId; }
  const std::vector<std::u16string>& GetRenderExtraTypes() const { return m_renderExtraTypes; }
  // Subclasses fill the extra animations (owned; an entry may be null) with the
  // render-extra type name each is drawn under.
  std::vector<std::unique_ptr<Animation>>& ExtraAnimations() { return m_extraAnimations; }
  std::vector<std::u16string>& ExtraAnimationNames() { return m_extraAnimationNames; }

  // The run-wide counter: the id the next object takes. Tests set it to start from a
  // known value; the game never resets it, so ids stay unique over battles.
  static uint32_t PeekNextId();
  static void SetNextId(uint32_t next);

 protected:
  // The id changed from oldId (AssignNewId): lists that index their objects by id follow.
  virtual void OnIdChanged(uint32_t oldId);

 private:
  std::u16string m_name;
  uint32_t m_id;
  double m_health = 100.0;
  int32_t m_renderExtraId = -1;
  std::vector<std::unique_ptr<Animation>> m_extraAnimations;
  std::vector<std::u16string> m_extraAnimationNames;
  std::vector<std::u16string> m_renderExtraTypes;
};

// Teleporters: gates placed in groups whose members are linked with one another and share a
// colour. An object that comes within a ready gate's reach is moved to the centre of a
// randomly chosen ready partner; both gates then rest for their time-out, and both remember
// the object until it has left their reach, so it is not sent straight back. The types are
// read from "Teleporter.tpt"; the gates of a battle are copies of a type, owned by the
// teleporter list that the game-wide object keeps for the whole run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/partikel.h"
#include "objects/simservices.h"
#include "objects/soundchoice.h"

class Animation;

class Teleporter : public Partikel {
 public:
  static constexpr Argb kDefaultPairColour = 0xFFFF7F7F;
  static constexpr double kDefaultMaxDistance = 2500.0;
  static constexpr int kAnimationCount = 3;
  // The animation slots: the gate at rest, the overlay drawn in the pair colour, the gate
  // while it rests after a teleport.
  enum Slot { kIdle = 0, kOverlay = 1, kResting = 2 };

  // A type: a particle of the gate's particle type with the keys of a "TELEPORTER" section.
  // Types are templates read before there is a world, so the particle type's create event
  // does not fire.
  Teleporter(const PartikelInfo* type, const KVNode& section, const LoadSources& sources);
  // A gate of a type: a fresh id, the name with "_Copy", the animations cloned, no links,
  // no remembered objects, ready.
  Teleporter(const Teleporter& other);
  ~Teleporter() override;
  Teleporter& operator=(const Teleporter&) = delete;

  void SetPosition(const Vector2& position) { *GetPosition() = position; }
  // Links two gates both ways; nothing for a null or the same gate, or when already linked.
  static void Link(Teleporter* a, Teleporter* b);

  // Sends the object to a ready partner when it is within reach of this ready gate and not
  // remembered here. True when it was moved.
  bool TryTeleport(Objekt& object);
  // The particle step when the gate uses physics, the animations, forgetting objects that
  // are gone or out of reach, and the rest counting down.
  void Update(double dt);
  // The gate with its bottom middle on its position; the overlay in the pair colour.
  void Render(const Vector2& offset, const Vector2& scale);
  // The extra animations of the current render-extra entry, in its teleporter colour; false
  // when nothing was drawn for it.
  bool RenderExtra(const Vector2& offset, const Vector2& scale);

  // Half its height above its position.
  Vector2 GetCentre();
  bool IsReady() const { return !(m_timeOutTimer > 0.0); }
  Argb GetPairColour() const { return m_pairColour; }
  void SetPairColour(Argb colour) { m_pairColour = colour; }
  double GetMaxDistance() const { return m_maxDistance; }
  double GetTimeOut() const { return m_timeOut; }
  double GetTimeOutTimer() const { return m_timeOutTimer; }
  bool UsesPhysics() const { return m_usesPhysics; }
  const Animation* GetAnimation(int slot) const { return m_animations[slot].get(); }
  const std::vector<Teleporter*>& GetLinked() const { return m_linked; }
  const std::vector<uint32_t>& GetRecentIds() const { return m_recentIds; }
  const SoundChoice& GetSounds() const { return m_sounds; }

 private:
  Rect ScreenRect(const Vector2& offset, const Vector2& scale);

  APISound* m_sound = nullptr;
  Argb m_pairColour = kDefaultPairColour;
  double m_maxDistance = kDefaultMaxDistance;
  std::unique_ptr<Animation> m_animations[kAnimationCount];
  bool m_usesPhysics = true;
  std::vector<Teleporter*> m_linked;
  std::vector<uint32_t> m_recentIds;
  double m_timeOutTimer = 0.0;
  double m_timeOut = 0.0;
  SoundChoice m_sounds;
};

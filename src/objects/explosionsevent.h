// Explosions: events that cut a crater into every game layer, throw the removed terrain
// up as earth, spawn the visible blast, hand every object the impulse and worm-damage
// ramps and may destroy their source, before the base's sound and follow-up event. The
// animated kind cuts the shape of its animation's current frame instead of a disc.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/distanceramp.h"
#include "objects/event.h"

class Animation;
struct RemovedPixel;

class ExplosionsEvent : public Event {
 public:
  // The base keys, then "DESTROY_SRC", "SCHADEN" (also copied into the worm damage),
  // "SCHADEN_WORMS", "IMPULS", "EXPLOSION_NAME", "ERDE_SIZE_MULTIPLIER" and
  // "PARTIKEL_DICHTE" (density, stride minimum, stride maximum).
  ExplosionsEvent(const KVNode* section, EventHost& host);
  void Execute(Objekt& target) override;

  // The damage ramp's far distance: the crater's radius and the blast's scale.
  double GetRadius() const { return damage.farDistance; }
  // Every how-many-th removed pixel becomes earth, for the game's setting P.
  virtual int32_t EarthStride(int32_t earthStep) const;

  bool destroySource = false;
  DistanceRamp wormDamage;
  DistanceRamp damage;
  DistanceRamp impulse;
  std::u16string explosionName;
  double earthSize = 1.0;
  double density = 1.0;
  int32_t strideMin = 0;
  // Below 0: 25 times the game's setting.
  int32_t strideMax = -1;

 protected:
  // Cuts the crater, appending the removed pixels.
  virtual void Cut(const Vector2& centre, std::vector<RemovedPixel>& removed);
  // Destroys the source: silently here, with its kill event in the animated kind.
  virtual void DestroySource(Objekt& target);
};

class AnimiertesExplosionsEvent final : public ExplosionsEvent {
 public:
  // All of the explosion's keys, then "ANIMATIONEN": a copy of each named animation (a
  // name the manager does not hold is left out and reported).
  AnimiertesExplosionsEvent(const KVNode* section, EventHost& host);
  ~AnimiertesExplosionsEvent() override;

  // Advances every animation by the frame's real step, so a blast cuts whichever frame
  // its animation has reached.
  void Update(const FrameTimer& timer) override;
  // The stride maximum as it stands, with no substitute for a negative one.
  int32_t EarthStride(int32_t earthStep) const override;

  const std::vector<std::unique_ptr<Animation>>& GetAnimations() const { return m_animations; }

 protected:
  void Cut(const Vector2& centre, std::vector<RemovedPixel>& removed) override;
  void DestroySource(Objekt& target) override;

 private:
  std::vector<std::unique_ptr<Animation>> m_animations;
};

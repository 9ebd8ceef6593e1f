// Force fields: circular ring zones that act on particles and persons of chosen kinds. A kill
// field destroys what lies between its two circles; a shield bounces back whatever crosses
// either circle, with friction. A field ends when its time, its rounds or its hits are used
// up, and draws an animation that fades with the hits it has taken. The types are read from
// "kraftfelder.kft"; the fields of a battle are clones, owned by the force-field list.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/gfxtypes.h"
#include "objects/objekt.h"
#include "objects/soundchoice.h"

class Animation;
class Partikel;
struct SimServices;

class Kraftfeld : public Objekt {
 public:
  // The defaults, the object keys, then "RADIUS", "POSITION", "TIMER", "ROUND", "HITS",
  // "EXTRA_ANIMATIONEN" and the create, destroy and hit sounds. A key with too few values
  // counts as absent.
  Kraftfeld(const KVNode* node, const LoadSources& sources);
  Kraftfeld(const Kraftfeld& other);
  // Releases the render-extra uses the field took when it was added.
  ~Kraftfeld() override;
  Kraftfeld& operator=(const Kraftfeld&) = delete;

  Vector2* GetPosition() override { return &m_position; }
  Vector2* GetSize() override { return nullptr; }
  Vector2* GetSpeed() override { return nullptr; }

  // A create sound, and one more user of each render-extra entry the field names.
  void OnCreate();
  void OnDestroy();
  // Out to about 1.155 times the outer radius: outer² > 0.75 |p - position|².
  bool Contains(const Vector2& p) const;
  virtual void ApplyTo(Partikel& object) = 0;
  virtual std::unique_ptr<Kraftfeld> Clone() const = 0;
  bool IsFinished() const;
  // Counts the time of a time-limited field.
  virtual void Update(double dt);
  virtual void Render(const Vector2& offset, const Vector2& scale);
  virtual bool RenderExtra(const Vector2& offset, const Vector2& scale);
  void OnNewRound() { m_rounds += 1.0; }
  void SetRoundLimit(int32_t rounds) { m_roundLimit = double(rounds); }

  double GetInnerRadius() const { return m_radius[1]; }
  double GetOuterRadius() const { return m_radius[3]; }
  int32_t GetHits() const { return m_hits; }
  int32_t GetHitLimit() const { return m_hitLimit; }
  double GetElapsed() const { return m_elapsed; }
  double GetRounds() const { return m_rounds; }
  double GetRoundLimit() const { return m_roundLimit; }
  double GetTimeLimit() const { return m_timeLimit; }
  bool HasTimeLimit() const { return m_timeLimited; }
  bool HasRoundLimit() const { return m_roundLimited; }
  bool HasHitLimit() const { return m_hitLimited; }

 protected:
  void CountHit() { ++m_hits; }
  void PlayHitSound();
  SimServices& Services() const { return *m_services; }
  APISound* Sound() const { return m_sound; }

 private:
  SimServices* m_services;
  APISound* m_sound = nullptr;
  // The four values of "RADIUS": the second is the inner radius, the fourth the outer one.
  double m_radius[4] = {0.0, 0.0, 0.0, 0.0};
  Vector2 m_position{0.0f, 0.0f};
  bool m_timeLimited = false;
  bool m_roundLimited = false;
  bool m_hitLimited = false;
  double m_elapsed = 0.0;
  double m_timeLimit = 0.0;
  double m_rounds = 0.0;
  double m_roundLimit = 0.0;
  int32_t m_hits = 0;
  int32_t m_hitLimit = 1;
  SoundChoice m_createSounds;
  SoundChoice m_destroySounds;
  SoundChoice m_hitSounds;
  bool m_usesTaken = false;
};

// Kills every object of its kinds between its two circles.
class KillKraftfeld : public Kraftfeld {
 public:
  // The field keys, then "TYPEN", "ANIMATION" and "COLORKEY".
  KillKraftfeld(const KVNode* node, const LoadSources& sources);
  KillKraftfeld(const KillKraftfeld& other);
  ~KillKraftfeld() override;

  void ApplyTo(Partikel& object) override;
  std::unique_ptr<Kraftfeld> Clone() const override;
  // The time, then the animations.
  void Update(double dt) override;
  void Render(const Vector2& offset, const Vector2& scale) override;
  bool RenderExtra(const Vector2& offset, const Vector2& scale) override;

  uint32_t GetKinds() const { return m_kinds; }
  Argb GetColour() const { return m_colour; }
  const Animation* GetAnimation() const { return m_animation.get(); }
  // The drawing's alpha: it fades by the share of the hit limit used; full when hits do not
  // end the field; 0 for a hit limit of 0.
  int32_t DrawAlpha() const;

 protected:
  bool MatchesKind(const Partikel& object) const;

 private:
  Rect ScreenRect(const Vector2& offset, const Vector2& scale);

  uint32_t m_kinds = 0;
  std::unique_ptr<Animation> m_animation;
  Argb m_colour = 0xFFFFFFFF;
};

// A shield: whatever of its kinds crosses one of its circles this frame is mirrored across
// the circle's tangent, slowed by the friction and put back on the side it came from.
class SchubsKraftfeld : public KillKraftfeld {
 public:
  // The kill field's keys, then "REIBUNG".
  SchubsKraftfeld(const KVNode* node, const LoadSources& sources);
  SchubsKraftfeld(const SchubsKraftfeld& other) = default;

  void ApplyTo(Partikel& object) override;
  std::unique_ptr<Kraftfeld> Clone() const override;

  double GetFriction() const { return m_friction; }

 private:
  double m_friction = 0.0;
};

// The weapons that act on an area or on the worms around the shooter: the melee blow, the
// flame thrower, the surface erosion and the walking runners that explode. The weapon set
// makes them from their blocks of "waffen.waf".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battle/waffe.h"

class Person;

// True when the animation stops after a number of frames; a missing or looping one never
// finishes, so whoever waits for it goes on at once instead.
bool PlaysToAnEnd(const Animation* animation);

// Hits every worm within reach of the shot position at once, each with the full impulse
// and damage; the use counts when the swing's fire animation has played.
class Nahkampfwaffe final : public Waffe {
 public:
  Nahkampfwaffe(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~Nahkampfwaffe() override;

  bool FireTest(const Objekt&) const override { return !m_active; }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetImpulse() const { return m_impulse; }
  double GetDamage() const { return m_damage; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  double m_impulse = 500.0;
  double m_damage = 100.0;
  bool m_fixedGiven = false;
  Vector2 m_fixed{0.0f, 0.0f};
  // The weapon's own copy of the swing, timed alongside the worm's.
  std::unique_ptr<Animation> m_swing;
};

// Sprays SPAWNSPEED particles a second along the nozzle for MAX_TIME seconds; the worm
// keeps aiming meanwhile.
class Flammenwerfer final : public Waffe {
 public:
  Flammenwerfer(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool FiresContinuously() const override { return true; }
  double GetStrength() const override { return m_speed; }
  void SetAim(const Vector2& position, const Vector2& direction) override;
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  void Cancel() override { m_active = 0; }
  std::optional<std::u16string> DescriptionText(bool details) const override;

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  void Spray(const Vector2& velocity);

  const PartikelInfo* m_type = nullptr;
  double m_speed = 500.0;
  double m_sprayTime = 1.0;
  Vector2 m_scatter{0.0f, 0.0f};
  double m_rate = 10.0;
  double m_elapsed = 0.0;
  double m_spawnTimer = 0.0;
  Vector2 m_nozzle{0.0f, 0.0f};
  Vector2 m_nozzleDirection{1.0f, 0.0f};
  std::optional<uint32_t> m_wormId;
};

// Eats the terrain's surface around the chosen point for MAX_TIMER seconds, throwing up
// crumbs, shaking the view and tossing the worms that stand there.
class Erosion final : public Waffe {
 public:
  static constexpr double kDefaultRadius = 40.0;
  Erosion(const KVNode* block, MyGlobals* globals, APIContext* context);

  bool NeedsTarget() const override { return true; }
  bool FireTest(const Objekt&) const override { return !m_active; }
  const PartikelInfo* GetProjectile() const override { return m_type; }
  void Update(double step) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;

  double GetRadius() const { return m_radius; }
  int32_t GetBites() const { return m_bites; }
  // Bites per crumb: the earth step times the density, within the least and most, at least 1.
  int32_t BitesPerParticle() const;

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  void Bite(const Vector2& at, int32_t perParticle);
  void TossStandingWorms();

  const PartikelInfo* m_type = nullptr;
  double m_radius = kDefaultRadius;
  double m_biteRadius = 1.0;
  double m_density = 1.0;
  int32_t m_least = 0;
  int32_t m_most = 100;
  double m_elapsed = 0.0;
  double m_duration = 3.0;
  Vector2 m_centre{0.0f, 0.0f};
  int32_t m_bites = 0;
  double m_amplitude = 5.0;
  bool m_softEdge = false;
  double m_toss[2] = {50.0, 100.0};
};

// Sends ANZ_PERSONEN walkers, SPAWN_DELAY apart, from the worm's feet in the aim's
// direction; each explodes when its time runs out, at an obstacle (or turns there) and, with
// CAN_KILL, all together on the action key. The walkers belong to the weapon and are found
// by id like every object.
class Selbstmoerder final : public Waffe {
 public:
  struct Runner {
    std::unique_ptr<Person> person;
    int32_t direction = 1;
    double lifeLeft = 0.0;
    int32_t lastState = 2;
  };

  Selbstmoerder(const KVNode* block, MyGlobals* globals, APIContext* context);
  ~Selbstmoerder() override;

  bool TakesSteering() const override { return true; }
  void OnAction() override;
  bool FireTest(const Objekt&) const override { return !m_active; }
  void Update(double step) override;
  void Cancel() override;
  void DrawAim(const Vector2& offset, const Vector2& scale, bool flag) override;
  bool DrawExtra(const Vector2& offset, const Vector2& scale) override;
  std::optional<std::u16string> DescriptionText(bool details) const override;
  Objekt* FindOwnedObject(uint32_t id) const override;

  const std::vector<Runner>& GetRunners() const { return m_runners; }
  int32_t GetSent() const { return m_sent; }

 protected:
  int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
                   const Vector2& target) override;

 private:
  const Person* Template();
  void Send();
  void Walk(Runner& runner);
  // Back to the firing worm: the camera and the turn follow it for 2 s.
  void ReturnToWorm();
  void DrawRunner(const Person& runner, const Vector2& offset, const Vector2& scale) const;

  std::vector<Runner> m_runners;
  // Runners killed on command, freed at the next update.
  std::vector<std::unique_ptr<Person>> m_spent;
  std::u16string m_templateName;
  const Person* m_template = nullptr;
  std::optional<uint32_t> m_wormId;
  double m_life = 10.0;
  bool m_towardsRight = true;
  Vector2 m_start{0.0f, 0.0f};
  bool m_killOnObstacle = true;
  bool m_canKill = false;
  int32_t m_sent = 0;
  int32_t m_count = 1;
  double m_spawnTimer = 0.0;
  double m_spawnDelay = 1.0;
};

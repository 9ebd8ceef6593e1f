// The moving object of the game: projectiles, earth thrown up by explosions, smoke, sparks,
// leaves and crates. A particle draws its start values from its type, and each frame applies
// gravity, wind and friction, walks its move pixel by pixel against the terrain, bounces,
// fades, spawns children, fires its type's events and keeps the state bits its type's death
// condition reads. Ordinary particles are owned by the particle list; persons and worms
// derive from it and belong to their own managers.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/objekt.h"

class Animation;
class Landschaft;
class PartikelInfo;
class PartikelListe;
struct CollisionShape;
struct SimServices;

// A worm the particle does not meet for a while (the shooter, while its shot leaves it).
struct CollisionIgnore {
  Objekt* object = nullptr;
  double seconds = 0.0;
};

class Partikel : public Objekt {
 public:
  // Draw layer argument meaning "the type's own".
  static constexpr int32_t kTypeLayer = 0x7FFFFFFF;
  // Create events run inside constructors; a chain of particles whose create events make
  // further particles stops firing create events this deep.
  static constexpr int32_t kMaxCreateDepth = 32;
  // Degrees to radians, in the single precision the drawing and the masks use.
  static constexpr double kDegToRad = 0.01745329238474369;
  static constexpr double kRadToDeg = 57.2957763671875;

  // Position and speed null: drawn from the type. Colour multiplies the type's drawn one.
  // The create event runs last, before the particle is in any list.
  Partikel(const PartikelInfo* type, const Vector2* position, const Vector2* speed, Argb colour,
           int32_t generation, int32_t drawLayer = kTypeLayer, const KVNode* node = nullptr);
  // While one lives, particles made on this thread fire no create event: templates read
  // at start-up, before there is a world for an event to act on, are made under one.
  class QuietCreation {
   public:
    QuietCreation();
    ~QuietCreation();
    QuietCreation(const QuietCreation&) = delete;
    QuietCreation& operator=(const QuietCreation&) = delete;

   private:
    int32_t m_saved;
  };

  // Copies every field; a fresh id, its own animation clone; no event.
  Partikel(const Partikel& other);
  ~Partikel() override;

  Vector2* GetPosition() override { return &m_position; }
  Vector2* GetSize() override { return &m_size; }
  Vector2* GetSpeed() override { return &m_speed; }
  // Flag of the first record 0: no kill event; a second record sets whether the particle
  // changes the terrain when it dies.
  void Kill(const CommandParam* params, int32_t count) override;
  void Revive(const CommandParam* params, int32_t count) override;
  virtual bool IsDead() const;

  // The per-frame step (the list calls it with animate = true).
  void Update(bool animate);
  // Once, just before the list deletes a dead particle: the terrain stamp of a settling
  // particle, then the delete event.
  void OnDeath();

  // Movement and collision.
  bool CollidesAt(const Vector2& p, Vector2& contact);
  bool MoveWithCollision(const Vector2& from, const Vector2& to, Vector2& contact, Vector2& lastFree);
  void OnCollide(bool useFreeDirection, const Vector2& point, const Vector2* direction);

  // Drawing: screen = world * scale + offset per axis.
  bool Render(const Vector2& offset, const Vector2& scale, Argb colour, int32_t layer, float pivot);
  bool RenderExtra(const Vector2& offset, const Vector2& scale, int32_t layer);
  void ActivateRenderExtras();

  void ScaleSize(double factor);
  // The size now and the one the particle's fading returns to.
  void SetSize(const Vector2& size) { m_size = m_baseSize = size; }
  void SetMaxSpeed(double speed) { m_maxSpeed = speed; }
  void SetAirFriction(double friction) { m_airFriction = friction; }
  void SetSpawning(bool on) { m_spawning = on; }
  int32_t GetPartikelTyp() const;
  static CollisionIgnore MakeCollisionIgnore(Objekt* object, double seconds) { return {object, seconds}; }
  void AddCollisionIgnore(const CollisionIgnore& record) { m_ignore.push_back(record); }

  const PartikelInfo* GetInfo() const { return m_type; }
  uint32_t GetState() const { return m_state; }
  bool IsMarkedDead() const { return m_dead; }
  bool CanBeDeleted() const { return m_canBeDeleted; }
  bool HasCollided() const { return m_collided; }
  int32_t GetDrawLayer() const { return m_drawLayer; }
  int32_t GetGeneration() const { return m_generation; }
  int32_t GetChildrenSpawned() const { return m_childrenSpawned; }
  int32_t GetCollisionShape() const { return m_shape; }
  double GetAngle() const { return m_angle; }
  double GetSpin() const { return m_spin; }
  double GetAge() const { return m_age; }
  double GetLifetimeLeft() const { return m_lifetimeLeft; }
  double GetMaxSpeed() const { return m_maxSpeed; }
  double GetAirFriction() const { return m_airFriction; }
  bool IsVisible() const { return m_visible; }
  void SetVisible(bool visible) { m_visible = visible; }
  double GetSizeScale() const { return m_sizeScale; }
  Argb GetColour() const { return m_colour; }
  Argb GetCurrentColour() const { return m_currentColour; }
  const Vector2& GetPreviousPosition() const { return m_previousPosition; }
  const Vector2& GetImpactSpeed() const { return m_impactSpeed; }
  const Vector2& GetContact() const { return m_contact; }
  Vector2& ExtraAcceleration() { return m_extraAcceleration; }
  const Animation* GetAnimation() const { return m_animation.get(); }
  const std::vector<CollisionIgnore>& GetCollisionIgnores() const { return m_ignore; }

  // The list that owns the particle follows its id changes.
  void SetOwner(PartikelListe* owner) { m_owner = owner; }

 protected:
  void OnIdChanged(uint32_t oldId) override;
  SimServices& Services() const { return *m_services; }
  void RunEvent(const std::u16string& name);
  double Step() const;
  void SpawnChildren(double dt);

 private:
  // The children whose time has come (the spawn rate is above 0).
  void SpawnDue();
  void Bounce(double s);
  bool BuildShape(const Vector2& p, CollisionShape& shape) const;
  // False when no pixel of the terrain that the walk from `from` to `to` could test is
  // solid, so the walk may skip its tests.
  bool SweepMayHit(const Vector2& from, const Vector2& to) const;
  // The Bresenham walk from the truncated start to the target with one step beyond it,
  // then the exact target; `collides` tests one point.
  template <class Collides>
  static bool WalkPoints(int32_t fx, int32_t fy, int32_t tx, int32_t ty, const Vector2& to, Vector2& lastFree,
                         Collides collides);
  // The same walk for a point against the store's pixels, passing over stretches known to
  // be clear; the ends must be well inside the range where floats hold every integer.
  static bool WalkPointsSkippingClear(const Landschaft& land, int32_t fx, int32_t fy, int32_t tx, int32_t ty,
                                      const Vector2& to, Vector2& lastFree, Vector2& contact);

  SimServices* m_services;
  PartikelListe* m_owner = nullptr;
  Vector2 m_position;
  Vector2 m_previousPosition;
  Vector2 m_speed;
  Vector2 m_size;
  Vector2 m_baseSize;
  double m_angle = 0.0;
  double m_startAngle = 0.0;
  double m_gravity = 1.0;
  Vector2 m_extraAcceleration;
  double m_maxSpeed = 0.0;
  double m_airFriction = 0.0;
  double m_spin = 0.0;
  double m_startSpin = 0.0;
  double m_collisionFriction = 0.0;
  double m_windFactor = 0.0;
  double m_lifetimeLeft = 0.0;
  bool m_hasLifetime = false;
  double m_fadeIn = 0.0;
  double m_fadeOut = 0.0;
  double m_age = 0.0;
  int32_t m_shape = 0;
  bool m_changesTerrain = false;
  bool m_canBeDeleted = true;
  bool m_collided = false;
  Vector2 m_impactSpeed;
  Vector2 m_contact;
  std::unique_ptr<Animation> m_animation;
  uint32_t m_state = 0;
  Argb m_colour = 0xFFFFFFFF;
  Argb m_currentColour = 0xFFFFFFFF;
  const PartikelInfo* m_type;
  int32_t m_childBudget = -1;
  int32_t m_childrenSpawned = 0;
  bool m_hasChildBudget = false;
  double m_spawnRate = 0.0;
  bool m_visible = true;
  double m_spawnTimer = 0.0;
  int32_t m_generation = 0;
  bool m_spawning = true;
  int32_t m_drawLayer = 0;
  bool m_dead = false;
  double m_sizeScale = 1.0;
  std::vector<CollisionIgnore> m_ignore;
  bool m_renderExtrasPending = true;
};

// A walking character: a particle that stands, walks, runs, jumps, falls, climbs out of the
// terrain, flies with a jetpack and floats in water, moved pixel by pixel by a small state
// machine that its owner drives with numbered commands. Worms derive from it; weapons send
// plain persons (the remote car, the walking bomb) made from the person manager's templates.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/partikel.h"
#include "objects/personeigenschaften.h"

class Animation;
class AnimationManager;
class KVNode;
class PersonenManager;
class Welt;
struct DistanceRamp;

class Person : public Partikel {
 public:
  // Movement states; 4 and 5 only name animations and are never stored by a command.
  enum State : int32_t {
    kJetpack = 0,
    kStanding = 1,
    kWalking = 2,
    kRunning = 3,
    kJumping = 4,
    kJumpingBack = 5,
    kFalling = 6,
    kThrown = 7,
    kClimbing = 8,
    kInWater = 9,
  };
  // How the person died.
  enum DeathKind : int32_t { kAlive = 0, kKilled = 1, kLeftWorld = 2, kDrowned = 3 };

  // Both animation tables have this many entries, numbered as below.
  static constexpr int kAnimationCount = 50;
  enum AnimationNumber : int32_t {
    kAnimStehen = 0,
    kAnimLaufen = 1,
    kAnimRennen = 2,
    kAnimSpringen = 3,
    kAnimFallen = 4,
    kAnimFallen2 = 5,
    kAnimRutschen = 6,
    kAnimJetpack = 7,
    kAnimFadenkreuz = 8,
    kAnimKlettern = 9,
    kAnimAufstehen = 10,
    kAnimErsoffen = 11,
    kAnimDaddel = 20,  // 20 .. 28
    kAnimTot = 30,     // 30 .. 38
    kAnimKrank = 40,   // 40 .. 48
  };
  // The entry name of an animation number ("STEHEN", "TOT_3"); empty for unused numbers.
  static std::u16string AnimationName(int32_t number);

  // A poison or healing effect: so much per round for so many rounds (kUnlimited: for
  // ever); in a healing entry the flag means it cures poison.
  struct EffectEntry {
    static constexpr uint32_t kUnlimited = 0xFFFFFFFF;
    double amount = 0.0;
    uint32_t roundsLeft = 0;
    bool flag = false;
  };

  // A person of the type, standing, facing right, with the default property set of the
  // manager; with a PERSON block its NAME, POSITION, PERSON_EIGENSCHAFTEN (a set of the
  // manager) and ANIMATIONEN (copies from the animation manager; a second value fills the
  // second table). A template read this way fires no create event: it has no world yet.
  Person(const PartikelInfo* type, const KVNode* block, const PersonenManager* manager,
         const AnimationManager* animations);
  // A living copy: every animation cloned, with properties, world, states, facing, the
  // poison list and the death kind; a new id and no second current animation.
  Person(const Person& other);
  Person& operator=(const Person&) = delete;
  ~Person() override;

  // The frame's movement: spends the frame step on steps of the current state with the
  // ground and climb checks after each, then the particle's contact work, the animation
  // choice; returns IsDead().
  bool MoveStep();

  // Decides death once, in this order: left the world (or lost its position), drowned
  // (sinks into state 9 with health 0), health used up. Then it stays dead until reset.
  bool IsDead() const override;
  virtual void ResetMovement();
  // Applies a movement command (the state numbers; 4 and 5 jump, 7 throws with the
  // parameter's vector); returns true.
  virtual bool Command(int32_t action, const CommandParam* param = nullptr);
  virtual void Heal(double /*amount*/, bool /*curesPoison*/, int32_t /*rounds*/, bool /*immediate*/) {}
  virtual void ApplyPoison(const Vector2& /*centre*/, const DistanceRamp* /*ramp*/, int32_t /*rounds*/) {}
  // Starts the named post-effect instances by the ramp's value at the person's distance
  // from the centre (the render-effect event); only worms show effects, a plain person
  // ignores it.
  virtual void ApplyPostEffectRamp(const Vector2& /*centre*/, const std::vector<std::u16string>& /*instances*/,
                                   const DistanceRamp& /*ramp*/) {}
  virtual Argb GetColour() const { return 0xFFFFFFFF; }
  // Chooses and advances the animations for the state (and the death animations).
  virtual void UpdateAnimation();
  virtual void AddWalked(const Vector2& /*step*/) {}
  virtual void AddDamage(double /*amount*/) {}
  virtual void OnKilled() {}

  int32_t GetMoveState() const { return m_state; }
  int32_t GetPreviousState() const { return m_previousState; }
  // The walking force of this frame, divided by the world's layer-property factor.
  void SetInputX(double value);
  void SetInputY(double value);
  void SetWorld(Welt* world) { m_world = world; }
  Welt* GetWorld() const { return m_world; }
  bool IsFacingRight() const { return m_facingRight; }
  void SetFacingRight(bool right) { m_facingRight = right; }
  int32_t GetDeathKind() const { return m_deathKind; }
  // The corpse is still to be stamped when the death animation ends.
  bool IsCorpsePending() const { return m_corpsePending; }
  double GetTimeBudget() const { return m_timeBudget; }

  // Marks the corpse to be stamped again and drops every poison and healing effect.
  void ClearEffects();
  // Once per round: effects lose a round (cures empty the poison list), then the sums.
  void AdvanceRoundEffects();
  void SumPoison();
  void SumHealing();

  PersonEigenschaften& GetProperties() { return m_properties; }
  const PersonEigenschaften& GetProperties() const { return m_properties; }
  Animation* GetAnimation(int32_t number) const;
  Animation* GetSecondAnimation(int32_t number) const;
  Animation* GetCurrentAnimation() const { return m_current; }
  Animation* GetCurrentSecondAnimation() const { return m_current2; }

  // Ground tests against the world's main game layer (open where there is no layer).
  bool CanStandAt(float x, float y) const;
  Vector2 FindGroundOffset(float x, float y) const;

  std::vector<EffectEntry> poison;
  bool poisonGiven = false;
  double poisonPerRound = 0.0;
  int32_t poisonRoundsLeft = 0;
  std::vector<EffectEntry> healing;
  bool healingGiven = false;
  double healingPerRound = 0.0;
  int32_t healingRoundsLeft = 0;

 protected:
  void CheckGround();
  void CheckClimb();
  // The type's worm-contact event for every worm (but itself) the person stands in.
  void CheckWormContact();
  // The routines of one step; true when the frame's work is done.
  bool WalkStep();
  bool ClimbStep();
  void SwimStep();
  void PlainPhysics();
  void SetStepVelocity();
  void StampCorpse();
  // Makes entry `number` of both tables current.
  void MakeCurrent(int32_t number);
  Vector2& Pos() { return *Partikel::GetPosition(); }
  Vector2& Speed() { return *Partikel::GetSpeed(); }
  Vector2& Size() { return *Partikel::GetSize(); }
  // Decides death once (IsDead asks it; a question that the first time settles the answer).
  bool DecideDeath();

  bool m_inputYGiven = false;
  bool m_inputXGiven = false;
  int32_t m_state = kStanding;
  int32_t m_previousState = kStanding;
  // The state a climb out of the terrain returns to.
  int32_t m_stateBeforeClimb = kStanding;
  bool m_facingRight = true;
  Vector2 m_lastPosition;
  double m_stepRate = 0.0;
  double m_timeBudget = 0.0;
  Welt* m_world = nullptr;
  PersonEigenschaften m_properties;
  std::array<std::unique_ptr<Animation>, kAnimationCount> m_animations;
  std::array<std::unique_ptr<Animation>, kAnimationCount> m_animations2;
  Animation* m_current = nullptr;
  Animation* m_current2 = nullptr;
  int32_t m_deathKind = kAlive;
  bool m_corpsePending = false;
  // Where the person last stood: the pixel under its feet.
  Vector2 m_groundContact;
};

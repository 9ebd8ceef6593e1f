// The soldier of a team: a person that belongs to a team, is steered by a control, holds a
// weapon, carries its own properties and statistics, books the damage of explosions until
// the next round, is poisoned and healed over rounds, fidgets while it waits, plays its death
// and leaves a grave, and draws itself with the team's colour, its aim and its label. The
// worm and team manager owns every worm; a team lists its worms without owning them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/person.h"
#include "objects/wormeigenschaften.h"

class Animation;
class Mannschaft;
class MyGlobals;
class PostEffectInstance;
class Steuerung;
class TexturPart;
class WormManager;
class Waffe;
struct DistanceRamp;

class Worm : public Person {
 public:
  // A push stronger than this throws the worm.
  static constexpr double kThrowImpulse = 10.0;
  static constexpr const char16_t* kChargeTexture = u"Kreis.png";
  static constexpr const char16_t* kArrowAnimation = u"Pfeilanimation";
  static constexpr const char16_t* kSwitchArrowAnimation = u"SwitchPfeilanimation";
  static constexpr const char16_t* kFirstWeapon = u"Bazooka";
  // Degrees a second the aim turns, and with the modifier held.
  static constexpr double kAimRate = 36.0;
  static constexpr double kFastAimRate = 72.0;
  // Strength a second a charging weapon gains while fire is held; full fires by itself.
  static constexpr double kChargeRate = 0.5;
  // The hold time the battle waits at least once the worm charges or fires.
  static constexpr double kFireHold = 1.0;
  // Jump kinds for GetJumpVector: forward, backward, high (combined: 1 forward, 5 high,
  // 2 short hop back, 6 back flip).
  static constexpr uint32_t kJumpForward = 1;
  static constexpr uint32_t kJumpBackward = 2;
  static constexpr uint32_t kJumpHigh = 4;
  // Entering water slows the worm to this top speed and air friction.
  static constexpr double kWaterMaxSpeed = 40.0;
  static constexpr double kWaterAirFriction = 10.0;

  // A worm of the type from a WORM block: the person from the block, the default preset,
  // the charge texture and arrows, the active control; then MANNSCHAFTS_ID,
  // WORM_EIGENSCHAFTEN, PFEIL_ANIMATION and SWITCHPFEIL_ANIMATION. Health = start health.
  // Without the game-wide object the process-wide one is used.
  Worm(const PartikelInfo* type, const KVNode* block, MyGlobals* globals = nullptr);
  // A copy with its own arrow animations and no effect instances; it joins the team.
  Worm(const Worm& other);
  Worm& operator=(const Worm&) = delete;
  ~Worm() override;

  // The turn (worm_turn.cpp). Per frame (the team's update): the control step, the
  // movement, the size, the effects, the teleporters, the arrows and the time on turn;
  // nothing while the status is 2.
  void FrameUpdate();
  // The control's actions: label mode, weapon panel, worm switch, walking and jumping, a
  // steered weapon's handlers, charging, the fire sequence and aiming.
  void FireStep();
  // Target, charge, weapon value and aim while the worm can fire its weapon.
  void ChargeStep();
  // The worm's own movement commands (the person's are replaced): water slows it, the
  // jet pack lifts it off the ground, a throw lifts it 2 pixels, jumps take the jump
  // vectors below and start falling.
  bool Command(int32_t action, const CommandParam* param = nullptr) override;
  // The take-off speed of a jump (kJump* flags); direction 0 the worm's facing, > 0 right,
  // < 0 left; kJumpBackward turns it round.
  Vector2 GetJumpVector(uint32_t flags, int32_t direction) const;
  // Where the weapon's shot leaves (its hand with `useCentre`), facing as the worm does
  // (direction 0), right (> 0) or left (< 0); the worm's position without a weapon.
  Vector2 GetShotPosition(int32_t direction, bool useCentre) const;
  // (1, 0) turned by the aim angle, mirrored when facing left.
  Vector2 GetAimDirection() const;
  // Current, standing or walking, and the weapon (if any) may fire now.
  bool CanMove() const;
  // Current, standing, with a weapon that may be aimed while it works.
  bool CanAim() const;
  // Current, standing or on the jet pack, with an active weapon that takes the steering.
  bool IsWeaponSteering() const;
  // The battle's turn: the control takes over (a weapon the team has run out of is put
  // away); the turn's charge and target are dropped at its end.
  void BeginTurn();
  void EndTurn();
  // Out of play, dead, or the weapon's uses spent and nothing left to wait for.
  bool IsTurnOver() const;
  // For the battle's end-of-turn test: standing, or dead (a corpse never holds a turn).
  bool IsAtRest() const;
  // At every turn change, for every worm: the afflictions count down, health takes the
  // healing, the pending damage and the poison, then death is decided and told.
  void NextRound();

  // A WORM entry of the team file: NAME, MANNSCHAFTS_ID, PERSONEN_EIGENSCHAFTEN.
  void Read(const KVNode* entry);
  void Write(KVNode* entry) const;

  Mannschaft* GetTeam() const { return m_team; }
  // Leaves the old team's list, joins the new one and takes its control.
  void SetTeam(Mannschaft* team);
  void SetName(const std::u16string& name);
  // The control of that name, else the control list's active one.
  void SetControlByName(const std::u16string& name);
  Steuerung* GetControl() const { return m_control; }
  void SetControl(Steuerung* control) { m_control = control; }
  WormEigenschaften& GetEigenschaften() { return m_eigenschaften; }
  const WormEigenschaften& GetEigenschaften() const { return m_eigenschaften; }

  double GetStrength() const { return m_strength; }
  void SetStrength(double strength) { m_strength = strength; }
  double GetAimAngle() const { return m_aimAngle; }
  void SetAimAngle(double degrees);
  // The computer's choice of target: the shot may go; worm switching is over.
  void SetTarget(const Vector2& point);
  const Vector2& GetTarget() const { return m_target; }
  bool IsTargetReady() const { return m_targetReady; }
  bool IsCurrent() const { return m_isCurrent; }
  void SetCurrent(bool current) { m_isCurrent = current; }
  bool IsFiring() const { return m_firing && !m_fireDone; }
  void SetFiring(bool firing) { m_firing = firing; }
  bool HasActed() const { return m_fireLatch; }
  bool IsStanding() const { return GetMoveState() == kStanding; }
  // Within the radius of the worm's centre.
  bool ContainsPoint(const Vector2& point) const;
  // The ramp's value at the worm's rim distance from the point; 0 without a ramp or
  // outside it.
  double DistanceFalloff(const Vector2& point, const DistanceRamp* ramp) const;
  Waffe* GetWeapon() const { return m_weapon; }
  void SetWeapon(Waffe* weapon);
  // True without a weapon, else whether the weapon is still unused this turn.
  bool CanAct() const;
  // Current, standing, holding a weapon that may fire and has ammunition.
  bool CanFireWeapon() const;
  double GetPendingDamage() const { return m_pendingDamage; }
  void SetPendingDamage(double damage) { m_pendingDamage = damage; }

  bool HasDiedThisRound() const { return m_diedThisRound; }
  void SetDiedThisRound(bool died) { m_diedThisRound = died; }
  void StartDeathAnimation() {
    m_deathStarted = true;
    m_deathAnimationRunning = true;
  }
  bool IsDeathAnimationDone() const { return !m_deathAnimationRunning; }
  bool IsDeathStarted() const { return m_deathStarted; }
  void ClearDeathFlags();

  // Statistics at the end of a round and of a game; the control lets the worm go.
  void EndRoundStatistics();
  void EndGameStatistics();
  // Afflictions gone; then the round (and game) statistics start from 0.
  void ResetRound();
  void ResetGame();

  void ApplyExplosion(const Vector2* centre, const DistanceRamp* impulse,
                      const DistanceRamp* damage) override;
  void ApplyPoison(const Vector2& centre, const DistanceRamp* ramp, int32_t rounds) override;
  void Heal(double amount, bool curesPoison, int32_t rounds, bool immediate) override;
  void AddWalked(const Vector2& step) override;
  void AddDamage(double amount) override;
  void OnKilled() override;
  Argb GetColour() const override;
  // The person's reset, full health, no afflictions, and a first weapon when it has none.
  virtual void Reset();
  void UpdateAnimation() override;
  // Arms (or creates) the named effect instances by the worm's distance from the point.
  void ApplyPostEffectRamp(const Vector2& centre, const std::vector<std::u16string>& names,
                           const DistanceRamp& ramp) override;
  const std::vector<std::unique_ptr<PostEffectInstance>>& Effects() const { return m_effects; }

  // Drawing: screen = world x zoom + offset. Colour -1 (0xFFFFFFFF) is the plain colour.
  bool DrawSprites(const Vector2& offset, const Vector2& zoom, Argb colour, bool tint);
  bool DrawAim(const Vector2& offset, const Vector2& zoom, Argb colour);
  void DrawLabel(const Vector2& offset, const Vector2& zoom);
  bool DrawRenderExtra(const Vector2& offset, const Vector2& zoom);
  // The label's text as it stands (name, health, poison and healing lines).
  std::u16string LabelText() const;

  // A language text with the worm's name for %s and the number for %d, shown as a floating
  // line and in the message log in the team colour; nothing when the key is missing.
  void ShowMessage(const char16_t* key, int32_t number) const;
  // The text's one %s and one %d (in either order) filled in; every other character as it
  // stands, so a text is never a format.
  static std::u16string FillText(const std::u16string& text, const std::u16string& name, int32_t number);
  // The worm's distance from the point measured from its rim: 0 inside.
  double RimDistance(const Vector2& point) const;

  const Animation* GetArrowAnimation() const { return m_arrow.get(); }
  const Animation* GetSwitchArrowAnimation() const { return m_switchArrow.get(); }
  double GetIdleTimer() const { return m_idleTimer; }
  // The dot drawn along the aim while the weapon charges ("Kreis.png" by default).
  void SetChargeTexture(const TexturPart* texture) { m_chargeTexture = texture; }
  MyGlobals* GetGlobals() const { return m_globals; }

  // 2 keeps the worm from being stepped and drawn; 3 keeps its death animation from
  // running (the battle sets it).
  int32_t status = 0;

 protected:
  void ChooseStandAnimation();
  // Makes entry i of both tables current and restarts each that exists.
  void SetAnimation(int32_t i);
  void AddCameraJob() const;
  WormManager* Manager() const;
  // The shot of the fire sequence leaves: the fire pair's overlay has played to the
  // threshold (or there is none to wait for).
  bool FireAnimationReached() const;
  void ReleaseShot();
  void Aim(double step, bool clearsSwitch);

 private:
  MyGlobals* m_globals;
  bool m_isCurrent = false;
  double m_aimAngle = 0.0;
  Steuerung* m_control = nullptr;
  WormEigenschaften m_eigenschaften;
  std::unique_ptr<Animation> m_arrow;
  std::unique_ptr<Animation> m_switchArrow;
  Waffe* m_weapon = nullptr;
  // The worm's own copies of its weapon's pose (the weapon's are shared templates), and
  // the templates they were made from.
  std::unique_ptr<Animation> m_pose[2];
  const Animation* m_poseSource[2] = {nullptr, nullptr};
  bool m_firing = false;
  bool m_fireDone = false;
  double m_fireThreshold = 0.5;
  double m_strength = 0.0;
  bool m_fireLatch = false;
  bool m_actionLatch = false;
  Vector2 m_target{0.0f, 0.0f};
  bool m_targetReady = false;
  bool m_fireRequested = false;
  const TexturPart* m_chargeTexture = nullptr;
  double m_pendingDamage = 0.0;
  Mannschaft* m_team = nullptr;
  std::vector<std::unique_ptr<PostEffectInstance>> m_effects;
  double m_idleTimer = -1.0;
  // What entering water changes, as the worm was made.
  double m_startMaxSpeed = 0.0;
  double m_startAirFriction = 0.0;
  bool m_diedThisRound = false;
  bool m_deathStarted = false;
  bool m_deathAnimationRunning = false;
  // The measured label, kept until its text changes.
  mutable std::u16string m_labelText;
  mutable int32_t m_labelWidth = 0;
  mutable int32_t m_labelHeight = 0;
};

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

  // A worm of the type from a WORM block: the person from the block, the default preset,
  // the charge texture and arrows, the active control; then MANNSCHAFTS_ID,
  // WORM_EIGENSCHAFTEN, PFEIL_ANIMATION and SWITCHPFEIL_ANIMATION. Health = start health.
  // Without the game-wide object the process-wide one is used.
  Worm(const PartikelInfo* type, const KVNode* block, MyGlobals* globals = nullptr);
  // A copy with its own arrow animations and no effect instances; it joins the team.
  Worm(const Worm& other);
  Worm& operator=(const Worm&) = delete;
  ~Worm() override;

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

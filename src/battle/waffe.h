// The base of every weapon and tool a worm can use: the keys all weapons share, each team's
// ammunition, whether a worm may fire now, the shot position by aim angle, the shot sounds
// and the description box. The weapon set owns the weapons for the whole run; each weapon
// class reads its own keys after these and overrides some of the virtual operations.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class APIContext;
class Animation;
class KVNode;
class Mannschaft;
class MyGlobals;
class Objekt;
class PartikelInfo;
class SoundSet;
struct TexturePartRecord;
class Waffe;

// One entry of the shot-position table: the worm's hand and the muzzle at an aim angle,
// both in fractions of the worm's size.
struct ShotPosEntry {
  Vector2 centre{0.0f, 0.0f};
  Vector2 shotPos{0.0f, 0.0f};
  double winkel = 0.0;
};

// One team's stock of one weapon.
class WaffenTeamRecord {
 public:
  WaffenTeamRecord(Mannschaft* team, const Waffe& weapon);

  // An override above 0 always allows, below 0 never; else ammunition left (or unlimited)
  // and the teams' round number has reached the start round.
  bool CanUse() const;
  // Unlimited ammunition (negative) stays as it is. With a message the change is told in the
  // team's colour over the battle and in its message list.
  void AddAmmo(int32_t delta, bool message);

  Mannschaft* team;
  APIContext* context;
  MyGlobals* globals;
  int32_t ammunition;
  int32_t startRound;
  int32_t availabilityOverride = 0;
  uint8_t flag = 1;
  std::u16string textId;
};

// How the description box and its text look.
struct TextBoxStyle {
  int32_t border = 0;
  Argb boxColours[3] = {0, 0, 0};
  Argb textColour = 0;
  Argb effectColour = 0;
  // The halo's radius, and its directions and rings.
  double effectValue = 0.0;
  int32_t effectParams[2] = {0, 0};
  Vector2 position{0.0f, 0.0f};
  int32_t font = 0;
  uint8_t flag = 0;
  // Multiplies every colour.
  Argb tint = 0xFFFFFFFF;
};

// The box moved back onto the screen: by what passes the right or bottom edge, then by what
// passes the left or top edge.
Rect KeepOnScreen(Rect box, int32_t screenWidth, int32_t screenHeight);

// Draws a framed box with the text centred in it. Without a rectangle the box is the
// text's measured size from the style's position plus the border on each side. The box is
// kept on the screen.
void DrawTextBox(APIContext* context, MyGlobals* globals, const std::u16string& text, const Rect* rect,
                 const TextBoxStyle& style);

class Waffe {
 public:
  static constexpr double kDefaultWormGraceTime = 0.5;

  // Reads the shared keys of the weapon's block (null: every default).
  Waffe(const KVNode* block, MyGlobals* globals, APIContext* context);
  virtual ~Waffe();
  Waffe(const Waffe&) = delete;
  Waffe& operator=(const Waffe&) = delete;

  // The virtual slots, in the order the weapons override them. The input handlers get the
  // frame time where a weapon steers with it.
  virtual bool TakesSteering() const { return false; }
  virtual void OnLeft(double /*step*/) {}
  virtual void OnRight(double /*step*/) {}
  virtual void OnUp(double /*step*/) {}
  virtual void OnDown(double /*step*/) {}
  virtual void OnAction() {}
  virtual void OnPlace(double /*step*/) {}
  virtual void OnClick(const Vector2& /*worldPosition*/) {}
  // The weapon takes a value (keys 1 to 0) through Arm.
  virtual bool HasSetting() const { return false; }
  virtual void Arm(double value);
  virtual bool NeedsTarget() const { return false; }
  virtual bool Charges() const { return false; }
  virtual double GetStrength() const { return 0.0; }
  // The worm may aim it freely while it works.
  virtual bool FiresContinuously() const { return false; }
  // The worm turned its aim while the weapon works.
  virtual void SetAim(const Vector2& /*position*/, const Vector2& /*direction*/) {}
  // At the start of a new game and of each further round.
  virtual void ResetForGame() {}
  virtual bool IsActive() const { return m_active != 0; }
  virtual bool NotUsedThisTurn() const { return m_usesThisTurn == 0; }
  virtual bool IsExhausted() const { return m_usesThisTurn >= m_usesPerTurn; }
  virtual bool CanFireNow() const { return !m_active && !IsExhausted(); }
  virtual void Update(double step) { m_turnTimer += step; }
  // The aim and readouts, in the level's render pass (screen = world * scale + offset).
  virtual void DrawAim(const Vector2& /*offset*/, const Vector2& /*scale*/, bool /*flag*/) {}
  // The render-extra pass; true when something was drawn.
  virtual bool DrawExtra(const Vector2& /*offset*/, const Vector2& /*scale*/) { return false; }
  // The description panel: the weapon's text (with its details when the style's flag asks
  // for them) in a text box; nothing when the weapon has no text to show.
  virtual void DrawDescription(const TextBoxStyle& style);
  virtual std::optional<std::u16string> DescriptionText(bool /*details*/) const { return std::nullopt; }
  virtual const PartikelInfo* GetProjectile() const { return nullptr; }
  // Where the camera should look for the weapon's effect; false when it has none.
  virtual bool GetCameraTarget(Vector2& /*out*/) const { return false; }
  virtual bool AllowsCameraTarget() const { return true; }
  virtual bool FireTest(const Objekt& /*worm*/) const { return true; }
  // An object the weapon keeps outside the particle list and the worm manager (the
  // walkers it sends), so that the camera and the turn find it by id like any other.
  virtual Objekt* FindOwnedObject(uint32_t /*id*/) const { return nullptr; }
  // At every turn change, before the turn's counts are reset.
  virtual void Cancel() {}

  // The one entry by which a worm fires: refused (0) when the weapon is spent or not ready
  // or the worm's team has nothing left of it; else the weapon's own fire operation.
  int32_t Fire(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double strength,
               const Vector2& target);
  bool CanFire(const Objekt& worm) const { return !IsExhausted() && FireTest(worm); }
  bool HasAmmoFor(const Objekt& worm) const;
  int32_t GetAmmoForTeam(const Mannschaft* team) const;
  WaffenTeamRecord* FindTeamRecord(const Mannschaft* team);
  const WaffenTeamRecord* FindTeamRecord(const Mannschaft* team) const;
  void AddTeamRecord(Mannschaft* team);
  void ClearTeamRecords();
  // At every turn change: cancels, resets the turn's counts and charges the team that fired
  // it this turn one unit.
  void NewTurn();

  // Where the shot leaves a worm standing at `base` (its feet) of that size, by the aim
  // angle; the hand instead of the muzzle with `useCentre`.
  Vector2 GetShotPosition(const Vector2& base, const Vector2& wormSize, bool mirrored, double aimAngle,
                          bool useCentre) const;
  // A sound on every SHOT_SOUND_VERH-th shot of a turn.
  void PlayShotSound();

  // The worm's animation while holding (true) or firing it; the second variant draws over
  // the worm in the team colour. Null when the weapon names none.
  const Animation* GetAnimationId(bool held, bool secondVariant) const;
  bool GetFlagByDir(bool held) const { return m_playAnimation[held ? 0 : 1] != 0; }
  void GetAnimationAngles(double& low, double& high) const;
  int32_t GetControlType() const { return m_controlType; }
  uint8_t GetStateByte() const { return m_stateFlag; }
  void ResetStateByte() { m_stateFlag = 0; }
  static Waffe* FindByName(const std::vector<Waffe*>& list, const std::u16string& name);
  // Whether a fuse ticks as its time left goes from `before` to `after`: at each whole
  // second, and five times a second in the last second.
  static bool FuseTickDue(double before, double after);
  // The shot sounds' weights made cumulative (the last is 1).
  static std::vector<double> CumulativeWeights(const KVNode* weights, size_t count);
  // The countdown readout's text: whole numbers above 1, one decimal from 1 down.
  static std::u16string ReadoutText(double value);

  const std::u16string& GetName() const { return m_name; }
  const std::u16string& GetTextId() const { return m_textId; }
  const TexturePartRecord* GetPreview() const { return m_preview; }
  int32_t GetUsesPerTurn() const { return m_usesPerTurn; }
  int32_t GetUsesThisTurn() const { return m_usesThisTurn; }
  double GetWormGraceTime() const { return m_wormGraceTime; }
  double GetTurnTimer() const { return m_turnTimer; }
  int32_t GetAmmunition() const { return m_ammunition; }
  int32_t GetStartRound() const { return m_startRound; }
  int32_t GetShotSoundPeriod() const { return m_shotSoundPeriod; }
  const std::vector<SoundSet*>& GetShotSounds() const { return m_shotSounds; }
  const std::vector<double>& GetShotSoundWeights() const { return m_shotSoundWeights; }
  const std::vector<ShotPosEntry>& GetShotPositions() const { return m_shotPositions; }
  const std::vector<WaffenTeamRecord>& GetTeamRecords() const { return m_teamRecords; }
  const WaffenTeamRecord* GetCurrentRecord() const {
    return m_currentRecord >= 0 ? &m_teamRecords[size_t(m_currentRecord)] : nullptr;
  }
  bool GetCameraTargetFlag() const { return m_cameraTarget != 0; }
  bool FireAnimationToEnd() const { return m_fireAnimationToEnd != 0; }
  void GetAimAngles(double& low, double& high) const {
    low = m_aimAngles[0];
    high = m_aimAngles[1];
  }
  // False when the block named something that does not exist (a particle type, an
  // animation, a sound): the weapon is shown greyed and cannot be fired.
  bool IsUsable() const { return m_usable; }

 protected:
  // The weapon's own shot; the worm's fire path has checked everything before.
  virtual int32_t FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction,
                           double strength, const Vector2& target) = 0;
  // Marks the weapon unfireable and says why on stderr.
  void ReportMissing(const char* what, const std::u16string& name);

  // The pattern every weapon shares.
  // The particle type named by the block's PARTIKELINFO; an unknown name makes the weapon
  // unfireable, no name leaves it without a type (it then does nothing when fired).
  const PartikelInfo* ReadParticleType(const KVNode* block);
  // TICK_SOUNDS looked up with the block's SEARCHPATH; null when absent or missing.
  SoundSet* ReadTickSound(const KVNode* block);
  // Puts a shell of the type at the shot position flying along the direction at `speed`:
  // it ignores its shooter for the worm grace time, the camera follows it (at
  // `cameraRate`), the turn waits for it, a use is counted and the shot sound plays. The
  // shell's id, or nothing without a type.
  std::optional<uint32_t> LaunchShell(Objekt& worm, const PartikelInfo* type, const Vector2& shotPosition,
                                      const Vector2& direction, double speed, double cameraRate);
  // Follows the object with the camera (job flags 4, hold 2 s) and keeps the turn waiting
  // while it exists.
  void FollowAndHold(uint32_t id, double cameraRate);
  // The object with that id, or null when there is none (or no id).
  Objekt* FindObject(const std::optional<uint32_t>& id) const;
  // A tick when the whole seconds left change, and five times a second in the last second.
  void PlayFuseTicks(SoundSet* tick, double before, double after);
  // The countdown box over an object: "%.0f" above 1, else "%.1f". With a colour given
  // (the render-extra pass) only the box, in that colour.
  void DrawReadout(double value, const Vector2& at, const Vector2& offset, const Vector2& scale,
                   const Argb* extraColour);
  // The colour of the render-extra entry in force for weapons, when it draws anything.
  bool RenderExtraColour(Argb& colour) const;
  void PlaySound(SoundSet* set) const;

  MyGlobals* globals() const { return m_globals; }
  APIContext* context() const { return m_context; }
  // The language text of a key, or empty text.
  std::u16string Text(std::u16string_view key) const;

  std::u16string m_name = u"UNNAMED_WAFFE";
  std::u16string m_textId = u"TEXT_ID";
  const TexturePartRecord* m_preview = nullptr;
  MyGlobals* m_globals;
  APIContext* m_context;
  uint8_t m_active = 0;
  int32_t m_usesPerTurn = 1;
  int32_t m_usesThisTurn = 0;
  double m_wormGraceTime = kDefaultWormGraceTime;
  double m_turnTimer = 0.0;
  int32_t m_ammunition = 1;
  int32_t m_startRound = -1;
  std::vector<SoundSet*> m_shotSounds;
  std::vector<double> m_shotSoundWeights;
  int32_t m_shotSoundPeriod = 1;
  int32_t m_shotCounter = 0;
  std::vector<WaffenTeamRecord> m_teamRecords;
  // The record of the team that fired it this turn, as an index (the records may grow
  // during a turn); -1 for none.
  int32_t m_currentRecord = -1;
  uint8_t m_stateFlag = 0;
  int32_t m_controlType = 0;
  const Animation* m_animations[2][2] = {{nullptr, nullptr}, {nullptr, nullptr}};
  uint8_t m_playAnimation[2] = {0, 0};
  double m_animationAngles[2] = {-90.0, 90.0};
  uint8_t m_fireAnimationToEnd = 1;
  double m_aimAngles[2] = {-90.0, 90.0};
  std::vector<ShotPosEntry> m_shotPositions;
  uint8_t m_cameraTarget = 1;
  bool m_usable = true;
};

// The weapon as the worm that holds it asks it: may it fire now, does it charge or take a
// target, how does the worm hold and aim it. The weapon base (Waffe) answers these; the worm
// keeps its weapon without owning it, and the weapon set finds one by name (WeaponLookup).
#pragma once

#include <string>

class Animation;
class Worm;

class WormWeapon {
 public:
  virtual ~WormWeapon() = default;

  // Not used up this turn and its own fire test for this worm.
  virtual bool CanFire(Worm* worm) = 0;
  // The worm's team has ammunition for it and may use it in this round.
  virtual bool HasAmmoFor(Worm* worm) = 0;
  virtual bool CanFireNow() = 0;
  virtual bool NotUsedThisTurn() = 0;
  virtual bool Charges() = 0;
  virtual bool NeedsTarget() = 0;
  // The aim may be moved although the weapon cannot fire now.
  virtual bool AimsFreely() const = 0;
  // The worm's animation while it holds the weapon (held) or fires it, the body's or the
  // team-coloured layer's (second); null when the weapon has none.
  virtual Animation* GetAnimationId(bool held, bool second) const = 0;
  // Whether that pair plays, or stands at the frame the aim angle picks.
  virtual bool GetFlagByDir(bool held) const = 0;
  // The aim angles (degrees) that the first and the last frame of a still pair show.
  virtual void GetAnimationAngles(double& low, double& high) const = 0;
};

// The game's weapons by name (the weapon set's lookup, searched from the back).
class WeaponLookup {
 public:
  virtual ~WeaponLookup() = default;
  virtual WormWeapon* FindWeapon(const std::u16string& name) const = 0;
};

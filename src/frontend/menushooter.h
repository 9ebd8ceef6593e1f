// The first scene's shooting range: one worm of the scene aims and fires the weapons of the
// weapon set with the player's control, so the weapons can be tried before there is a
// battle. It stands for the worm's turn and control step of a battle (aiming, charging,
// firing, the turn change) only as far as shooting needs it, and goes when the battle
// replaces the first scene.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/gfxtypes.h"
#include "objects/worm.h"

class MyGlobals;
class Steuerung;
class Waffe;

class MenuShooter {
 public:
  // Degrees a second the aim turns, and with the modifier held.
  static constexpr double kAimRate = Worm::kAimRate;
  static constexpr double kFastAimRate = Worm::kFastAimRate;
  // The charge a second while fire is held.
  static constexpr double kChargeRate = Worm::kChargeRate;

  explicit MenuShooter(MyGlobals* globals);
  ~MenuShooter();
  MenuShooter(const MenuShooter&) = delete;
  MenuShooter& operator=(const MenuShooter&) = delete;

  // The worms that may shoot (the scene keeps them); the first living one takes the weapons
  // now, and whenever the one who had them falls, the next.
  void SetWorms(const std::vector<std::unique_ptr<Worm>>* worms);
  // One frame: the shooter's aim, facing, weapon choice, value keys and target from the
  // control's actions, the charge and the shot, every weapon's step, and a new turn once
  // the last shot has settled.
  void Update(double step, Steuerung* control);
  // The shooter's aim and the weapons' countdowns, in the world's view; the held weapon's
  // description in the screen's lower left corner over everything.
  void Render(const Vector2& offset, const Vector2& zoom);
  void RenderOverlay();

  Worm* GetShooter() const { return m_shooter; }
  Waffe* GetWeapon() const { return m_weapon; }
  // A click aims the held weapon rather than blasting the ground.
  bool TakesClicks() const;

 private:
  Worm* PickShooter() const;
  void Arm(Worm& shooter);
  void NextWeapon(int direction);
  void Shoot(Worm& shooter);

  MyGlobals* m_globals;
  const std::vector<std::unique_ptr<Worm>>* m_worms = nullptr;
  Worm* m_shooter = nullptr;
  Waffe* m_weapon = nullptr;
  bool m_charging = false;
  bool m_fireLatch = false;
  bool m_clickLatch = false;
  bool m_shotThisTurn = false;
};

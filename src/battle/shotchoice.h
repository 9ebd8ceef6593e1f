// The computer opponent's shots: for each weapon it may use and each enemy, one candidate
// found by the weapon's aiming kind. Ballistic weapons try every angle of the control's
// range, solve the launch speed that would carry the shell onto the target and fly it over
// the terrain snapshot pixel by pixel; straight shots are one line; weapons used at the
// feet (dynamite, mines, blows) go off where the shooter stands. The flights ignore wind
// and air friction (the control's wind factor is the knob that makes up for it).
//
// Everything here works on copies (ShotSetup, the terrain snapshot), so the planner can fly
// the shots on its own thread; the damage estimate and the random pick are the control's.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/gfxtypes.h"

class TerrainSnapshot;

// The aiming kinds of the weapon file ("STEUERUNGSTYP") the computer knows.
namespace ShotKind {
enum : int32_t { kBallistic = 0, kStraight = 1, kAtFeet = 4 };
}

struct ShotWorm {
  Vector2 position;
  Vector2 shotPosition;
  // The body: a circle around position + the centre offset.
  Vector2 centre;
  double radius = 0.0;
  bool enemy = false;
  bool shooter = false;

  bool Contains(const Vector2& p) const {
    const Vector2 d = centre - p;
    return double(d.x) * d.x + double(d.y) * d.y < radius * radius;
  }
};

struct ShotWeapon {
  int32_t kind = ShotKind::kBallistic;
  // The full launch speed, pixels / s.
  double speed = 0.0;
  // The shell's gravity factor, and its life in seconds (-1: it lives until it hits).
  double gravityFactor = 1.0;
  double life = -1.0;
};

struct ShotSetup {
  std::vector<ShotWorm> worms;
  int32_t shooter = -1;
  // The shooter's aim angle now (degrees, the worm's sign: negative is up).
  double aimAngle = 0.0;
  std::vector<ShotWeapon> weapons;
  // Smallest and largest angle and the step, degrees.
  std::array<double, 3> angles{-90.0, 90.0, 1.0};
  // The world's pull downwards, pixels / s².
  double gravity = 100.0;
};

struct ShotCandidate {
  int32_t weapon = -1;
  int32_t target = -1;
  Vector2 from;
  Vector2 to;
  Vector2 aimPoint;
  // Of the weapon's full launch speed, 0..1.
  double strength = 1.0;
  bool facingRight = true;
  // Degrees above the horizontal.
  double angle = 45.0;
  // The flight time in seconds: the number key the worm is given (fuse, lock time).
  double setting = 10.0;
  double error = 2147483647.0;
  Vector2 impact;
  double enemyDamage = 0.0;
  double ownDamage = 0.0;
  double score = 0.0;
};

struct ShotStats {
  int64_t flights = 0;
  int64_t steps = 0;
};

// One candidate per weapon and enemy (none for a kind the computer does not aim), in the
// order weapon by weapon, enemy by enemy. Stops early (with what it has) when cancelled.
std::vector<ShotCandidate> EvaluateShots(const TerrainSnapshot& terrain, const ShotSetup& setup,
                                         const std::atomic<bool>* cancel = nullptr, ShotStats* stats = nullptr);

// The pieces, for tests: the launch speed for the candidate's angle (strength and setting
// set; false when the angle has no such flight), and its flight over the terrain.
bool SolveBallistic(ShotCandidate& c, const ShotWeapon& weapon, double gravity);
void SimulateFlight(ShotCandidate& c, const ShotWeapon& weapon, double gravity, const TerrainSnapshot& terrain,
                    const ShotSetup& setup, ShotStats* stats = nullptr);
void SolveStraight(ShotCandidate& c, const ShotWeapon& weapon, const TerrainSnapshot& terrain);

// The number action (12 .. 21) that hands a setting to the worm.
int32_t SettingAction(double setting);

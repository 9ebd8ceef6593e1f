// The first scene's soldiers: a few worms of three teams standing on the menu world. They
// wait and fidget; a blast that a click sets off throws and hurts them, and once a hurt worm
// has come to rest its wounds count: a worm without health left plays its death and leaves
// a grave, and one that falls into the water drowns. The worms are copies of the roster's
// template worm and belong to this scene, not to a battle.
#pragma once

#include <memory>
#include <vector>

#include "engine/gfxtypes.h"

class Mannschaft;
class MyGlobals;
class Worm;

class MenuWorms {
 public:
  static constexpr int kTeamCount = 3;
  static constexpr int kWormsPerTeam = 2;
  // A blast's damage and push by the worm's distance from its rim (near, far value; near,
  // far distance).
  static constexpr double kDamage[4] = {45.0, 10.0, 0.0, 40.0};
  static constexpr double kImpulse[4] = {150.0, 40.0, 0.0, 90.0};
  // How long a hurt worm stands before its wounds count, and a drowned one stays in sight.
  static constexpr double kSettleSeconds = 0.8;
  static constexpr double kDrownedSeconds = 4.0;

  explicit MenuWorms(MyGlobals* globals);
  ~MenuWorms();
  MenuWorms(const MenuWorms&) = delete;
  MenuWorms& operator=(const MenuWorms&) = delete;

  // Spreads the worms along the ground of the game-wide world, above its water; nothing
  // without a template worm or a world.
  void Place();
  // Pushes and hurts every worm by its distance from the point.
  void Blast(const Vector2& point);
  // Once per frame: movement, animations, wounds that count, deaths.
  void Update();
  // The bodies in the team colours, then the labels.
  void Render(const Vector2& offset, const Vector2& zoom);

  const std::vector<std::unique_ptr<Worm>>& Worms() const { return m_worms; }

 private:
  struct State {
    double settle = 0.0;
    double drowned = 0.0;
  };
  MyGlobals* m_globals;
  std::vector<std::unique_ptr<Mannschaft>> m_teams;
  std::vector<std::unique_ptr<Worm>> m_worms;
  std::vector<State> m_states;
};

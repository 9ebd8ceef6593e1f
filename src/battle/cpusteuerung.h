// The computer opponent's control: its parameters from the key configuration (the weapons
// it may use, the angles it tries, the weights of its route targets, how often it walks, how
// long it pauses, how the wind blows on its turns) and the turn it plays through the same
// action states a player's keys give: it may walk and jump a planned route to a better
// place, then picks a weapon, an enemy and a shot, turns, aims, charges and lets go.
//
// The route and the shots are worked out by the planner (see RoutePlanner) from copies the
// control takes on the main thread; on its own thread in the game, inline for tests and
// headless battles. A new turn, TakeOver(nullptr) and destruction stop and join any plan
// under way before anything it used is let go.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "battle/navgraph.h"
#include "battle/routeplanner.h"
#include "battle/shotchoice.h"
#include "battle/steuerung.h"
#include "objects/distanceramp.h"

class MyGlobals;
class TerrainSnapshot;
class Waffe;

class CPUSteuerung : public Steuerung {
 public:
  // States of an action.
  enum State : int32_t { kNothing = 0, kDown = 1, kSingle = 2, kDouble = 3 };
  // What a turn is doing.
  enum Mode : int32_t { kChooseShot = 0, kWalk = 1, kAimAndFire = 2 };
  // The most route plans a turn walks (each walking plan counts two).
  static constexpr int32_t kPlanLimit = 10;

  explicit CPUSteuerung(std::u16string name = u"CPU");
  ~CPUSteuerung() override;

  void Update() override;
  void TakeOver(Worm* worm) override;
  // "NAME", then "WAFFEN", "WINKEL_PARAMS", "FAKTOREN", "BEWEGUNG", "PAUSE", "WINDSTÄRKE".
  void Save(KVNode* node) const override;
  // Each key when present: "WAFFEN" replaces the weapon names, the others overwrite their
  // values one by one (a key with fewer values keeps the rest). An angle step that is not
  // above 0 is refused (it would never reach the largest angle).
  void Load(const KVNode* node) override;

  // The mask plays no part: a state answers its query until it is consumed.
  bool IsSinglePress(int action, int) const override { return StateOf(action) == kSingle; }
  bool IsDoublePress(int action, int) const override { return StateOf(action) == kDouble; }
  bool IsDown(int action, int) const override { return StateOf(action) == kDown; }
  bool IsConsumed(int, int) const override { return false; }
  void Consume(int action, int) override { SetState(action, kNothing); }

  int32_t StateOf(int action) const { return IsAction(action) ? m_states[size_t(action)] : kNothing; }
  void SetState(int action, int32_t state) {
    if (IsAction(action)) m_states[size_t(action)] = state;
  }

  // The game plans on a thread of its own; tests and headless battles inline, so the same
  // seed plays the same battle. Switching stops a plan under way.
  void SetThreaded(bool threaded) { m_planner.SetThreaded(threaded); }
  bool IsThreaded() const { return m_planner.IsThreaded(); }
  // A plan (route or shots) is under way or its result not yet taken up.
  bool IsPlanning() const { return m_job != Job::kNone; }

  Worm* GetPerson() const { return m_person; }
  int32_t GetMode() const { return m_mode; }
  const std::vector<RouteStep>& GetRoute() const { return m_route; }
  int32_t GetRoutePosition() const { return m_routePosition; }
  const std::vector<ShotCandidate>& GetCandidates() const { return m_candidates; }
  int32_t GetChosenCandidate() const { return m_chosen; }
  int32_t GetPlanCount() const { return m_planCount; }
  double GetPauseTimer() const { return m_pauseTimer; }

  std::vector<std::u16string> weapons;
  // Smallest and largest angle and the step between tries, in degrees.
  std::array<double, 3> angles{-90.0, 90.0, 1.0};
  // Weights of a route target's shelter, solidity, view of enemies, view of friends and crates.
  std::array<double, 5> factors{1.0, 1.0, 4.0, -1.0, 4.0};
  // The chance of walking in a turn.
  double movement = 1.0;
  // Shortest and longest pause before an action, in seconds.
  std::array<double, 2> pause{1.0, 3.0};
  double windFactor = 1.0;

  // The damage the computer expects of a weapon around where its shot goes off: the worm
  // damage of the explosion its shell's kill (or collision) event sets off, looked up one
  // follow-up deep; for a blow, its damage within the reach of the shooter's body, which
  // spares the shooter itself. Nothing when the weapon hurts no one it knows of.
  struct DamageEstimate {
    DistanceRamp ramp;
    bool sparesShooter = false;
  };
  static std::optional<DamageEstimate> EstimateDamage(const Waffe& weapon, const MyGlobals& globals,
                                                      double shooterRadius);

 private:
  enum class Job { kNone, kRoute, kShots };

  MyGlobals* Globals() const;
  // Every living worm of the playing teams into enemies and own team (the person included).
  void SplitWorms();
  // The copies the planner works on.
  std::shared_ptr<const TerrainSnapshot> Terrain();
  PlanSnapshot MakePlanSnapshot() const;
  // Starts planning a route (the graph rebuilt first when it is dirty).
  void StartThinking();
  // The usable weapons and their candidates, flown by the planner.
  void ChooseShot();
  // A finished plan taken up; false while it runs.
  bool CollectPlan();
  void TakeUpRoute(PlanResult& result);
  void TakeUpShots(PlanResult& result);
  double DrawPause() const;
  void Walk();
  void AimAndFire();
  void Reset(Worm* worm);

  std::array<int32_t, Aktion::kCount> m_states{};
  Worm* m_person = nullptr;
  std::vector<Worm*> m_enemies;
  std::vector<Worm*> m_ownTeam;
  std::vector<Waffe*> m_usable;
  Waffe* m_chosenWeapon = nullptr;
  int32_t m_shotsTaken = 0;
  bool m_targetSet = false;
  std::vector<ShotCandidate> m_candidates;
  int32_t m_chosen = -1;
  std::vector<RouteStep> m_route;
  int32_t m_routePosition = -1;
  int32_t m_planCount = 0;
  std::unique_ptr<NavGraph> m_graph;
  std::shared_ptr<TerrainSnapshot> m_terrain;
  bool m_graphDirty = true;
  bool m_replan = false;
  int32_t m_mode = kChooseShot;
  double m_pauseTimer = 0.0;
  Job m_job = Job::kNone;
  // Declared last: destroyed first, so a plan under way is stopped before the rest goes.
  RoutePlanner m_planner;
};

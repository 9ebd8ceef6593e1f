// A headless battle watched frame by frame: every frame, every hand-over of the turn and
// the end are checked against what must always hold in a battle, and whatever broke is
// written down (with the frame) rather than stopping the battle.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "battle/headlessbattle.h"

class BattleHarness {
 public:
  explicit BattleHarness(HeadlessBattleConfig config);

  // Plays the battle to its end, then checks the end and the booking.
  HeadlessBattleResult Play();

  HeadlessBattle& Battle() { return m_battle; }
  // What broke, at most a few of each kind.
  const std::vector<std::string>& Failures() const { return m_failures; }
  std::string Report() const;

  // Each turn's team index in the configured order, and the seconds each turn lasted.
  const std::vector<int>& TurnTeams() const { return m_turnTeams; }
  int32_t Shots() const { return m_shots; }

  // Whether a battle stopped by a cap counts as broken (the planner on its own thread may
  // not keep up with a battle stepped faster than real time).
  bool requireDecision = true;

 private:
  void Fail(const std::string& kind, const std::string& what);
  void CheckFrame();
  void CheckTurn();
  void CheckEnd();
  int TeamIndex(const class Mannschaft* team) const;

  HeadlessBattle m_battle;
  std::vector<std::string> m_failures;
  std::map<std::string, int> m_counts;
  std::vector<int> m_turnTeams;
  std::vector<std::vector<int32_t>> m_turnAmmo;
  double m_heldThisTurn = 0.0;
  double m_latchedThisTurn = 0.0;
  double m_clockAtStart = 0.0;
  double m_lastClock = -1.0;
  double m_stillFor = 0.0;
  bool m_overMaximum = false;
  int32_t m_strayPlanFrames = 0;
  double m_maxClock = 0.0;
  int32_t m_shots = 0;
  int32_t m_usedBefore = 0;
};

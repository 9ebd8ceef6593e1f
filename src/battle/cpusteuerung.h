// The computer opponent's control: its parameters from the key configuration (the weapons
// it may use, the angles it tries, the weights of its route targets, how often it walks, how
// long it pauses, how the wind blows on its turns) and the action states it sets for its worm.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "battle/steuerung.h"

class CPUSteuerung : public Steuerung {
 public:
  // States of an action.
  enum State : int32_t { kNothing = 0, kDown = 1, kSingle = 2, kDouble = 3 };

  explicit CPUSteuerung(std::u16string name = u"CPU");

  void Update() override {}
  // "NAME", then "WAFFEN", "WINKEL_PARAMS", "FAKTOREN", "BEWEGUNG", "PAUSE", "WINDSTÄRKE".
  void Save(KVNode* node) const override;
  // Each key when present: "WAFFEN" replaces the weapon names, the others overwrite their
  // values one by one (a key with fewer values keeps the rest).
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

 private:
  std::array<int32_t, Aktion::kCount> m_states{};
};

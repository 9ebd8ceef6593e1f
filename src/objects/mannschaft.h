// A team as its worms see it: its name, colour, id, the name of its control, its worms in
// play order (not owned) and the worm whose turn it is. The worm and team manager owns the
// teams; the full team (statistics, bar, names) grows on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class KVNode;
class Worm;

class Mannschaft {
 public:
  Mannschaft() = default;
  Mannschaft(const Mannschaft&) = delete;
  Mannschaft& operator=(const Mannschaft&) = delete;

  const std::u16string& GetName() const { return m_name; }
  void SetName(std::u16string name) { m_name = std::move(name); }
  Argb GetColour() const { return m_colour; }
  void SetColour(Argb colour) { m_colour = colour; }
  int32_t GetId() const { return m_id; }
  void SetId(int32_t id) { m_id = id; }
  const std::u16string& GetSteuerung() const { return m_steuerung; }
  void SetSteuerungName(std::u16string name) { m_steuerung = std::move(name); }

  int32_t GetWormCount() const { return int32_t(m_worms.size()); }
  // Null when i is out of range.
  Worm* GetWorm(int32_t i) const { return i >= 0 && i < GetWormCount() ? m_worms[size_t(i)] : nullptr; }
  // Unless it is already listed.
  void AddWorm(Worm* worm);
  // Every occurrence; the current worm too when it is that one.
  void RemoveWorm(Worm* worm);
  const std::vector<Worm*>& Worms() const { return m_worms; }

  Worm* GetCurrentWorm() const { return m_current; }
  void SetCurrentWorm(Worm* worm) { m_current = worm; }

  // A MANNSCHAFT block of the team file. Reading applies NAME, COLOR (hexadecimal ARGB),
  // ID, ANZ_WON, ANZ_LOST, TIME (seconds, with their fraction) and STEUERUNG over what the
  // team holds; missing keys keep it. Writing puts the same keys in that order.
  void Read(const KVNode& block);
  void Write(KVNode* block) const;

  // Wins and losses over every game played, and the seconds the team has been at turn.
  int32_t wins = 0;
  int32_t losses = 0;
  double time = 0.0;
  // Wins and losses of the game being played, added to the totals when it ends.
  int32_t winsThisGame = 0;
  int32_t lossesThisGame = 0;

 private:
  std::u16string m_name = u"UNNAMED_MANNSCHAFT";
  Argb m_colour = 0xFFFFFFFF;
  int32_t m_id = 0;
  std::u16string m_steuerung = u"DEFAULT";
  std::vector<Worm*> m_worms;
  Worm* m_current = nullptr;
};

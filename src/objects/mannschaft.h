// A team as its worms see it: its name, colour, id, the name of its control, its worms in
// play order (not owned) and the worm whose turn it is. The worm and team manager owns the
// teams; the full team (statistics, bar, names) grows on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

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

 private:
  std::u16string m_name = u"UNNAMED_MANNSCHAFT";
  Argb m_colour = 0xFFFFFFFF;
  int32_t m_id = 0;
  std::u16string m_steuerung = u"DEFAULT";
  std::vector<Worm*> m_worms;
  Worm* m_current = nullptr;
};

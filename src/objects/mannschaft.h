// A team as its worms see it: its name, colour, id, the name of its control, its worms in
// play order (not owned) and the worm whose turn it is. The worm and team manager owns the
// teams; the full team (statistics, bar, names) grows on this.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "battle/wertanimator.h"
#include "engine/gfxtypes.h"
#include "platform/random.h"

class KVNode;
class Namen;
class Objekt;
class Welt;
class Worm;
class WormManager;

// Inserts at a random place of the list, as the play orders are built: into an empty list or
// a list of one it appends; else i = rand() % count, appended when i is the last index,
// otherwise put in front of element i (so never directly in front of the last element).
// The draw is the game's generator, so a seed fixes the turn order.
template <class T>
size_t RandomInsert(std::vector<T>& list, T item) {
  if (list.empty()) {
    list.push_back(item);
    return 0;
  }
  const size_t i = size_t(platform::Rand()) % list.size();
  if (i + 1 == list.size()) {
    list.push_back(item);
    return i + 1;
  }
  list.insert(list.begin() + std::ptrdiff_t(i), item);
  return i;
}

// A team's bar in the battle display: the team's name and colour, the row it glides to and
// the team's total health gliding to its latest value.
class TeamBar {
 public:
  TeamBar();
  // Immediately: the value stands there and is recorded as the bar's full length. Else the
  // value glides there over half a second.
  void SetValue(double value, bool immediate);
  // The bar glides to that row over `speed` seconds (0: at once); nothing when it already
  // heads there.
  void SetTarget(double position, double speed);
  void Update(double step);
  // Where the value glides from (start) or to.
  double GetValue(bool start) const { return start ? m_value.GetStart() : m_value.GetTarget(); }
  double GetCurrentValue() const { return m_value.GetValue(); }
  double GetPosition() const { return m_position.GetValue(); }
  double GetRecorded() const { return m_recorded; }

  std::u16string name = u"UNNAMED_MANNSCHAFT";
  Argb colour = 0xFF000000;

 private:
  WertAnimator m_position;
  WertAnimator m_value;
  double m_recorded = 100.0;
};

class Mannschaft {
 public:
  // A bare team (the team file reads one over this).
  Mannschaft() = default;
  // A new team of the roster: the next id of the manager's counter, the "DEFAULT" control,
  // a team name and colour no team bears yet, and as many copies of the template worm as a
  // new team fields (none without a template), each named after a worm name the team does
  // not use yet when nameWorms is set. The manager owns the worms from now on; the caller
  // hands the team to it (`WormManager::AddTeam`).
  Mannschaft(WormManager& manager, bool nameWorms);
  Mannschaft(const Mannschaft&) = delete;
  Mannschaft& operator=(const Mannschaft&) = delete;

  const std::u16string& GetName() const { return m_name; }
  void SetName(std::u16string name) {
    m_name = std::move(name);
    m_bar.name = m_name;
  }
  Argb GetColour() const { return m_colour; }
  void SetColour(Argb colour) {
    m_colour = colour;
    m_bar.colour = colour;
  }
  int32_t GetId() const { return m_id; }
  void SetId(int32_t id) { m_id = id; }
  const std::u16string& GetSteuerung() const { return m_steuerung; }
  // The team's control by name: every worm of the team takes the control of that name, or
  // the default control when there is none of that name.
  void SetSteuerung(const std::u16string& name);
  // A worm name from the name lists that none of the team's worms bears yet (drawn in a
  // shuffled order), or a taken one at random when every name is taken; empty when the
  // lists hold no worm names.
  std::u16string PickUnusedWormName(const Namen& names) const;

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

  // The game being played: the worms taking part, the front one at turn (or next).
  const std::vector<Worm*>& PlayOrder() const { return m_playOrder; }
  void GetPlayOrder(std::vector<Worm*>& out) const { out = m_playOrder; }
  // Set while the team is at turn.
  bool IsSelected() const { return m_selected; }
  void SetSelected(bool on) { m_selected = on; }
  // An empty play order for a new game.
  void ResetForGame();
  // Adds the worm at a random place of the play order, places it in the world (at the
  // position when one is given) and resets it; false for a worm already taking part.
  bool AddWormToPlayOrder(Worm* worm, Welt* world, const Vector2* position);
  // Up to n worms not yet taking part, from the front of the worm list, placed at random;
  // returns how many were added.
  int32_t AddWormsToPlayOrder(int32_t n, Welt* world);
  // The last worm of the worm list not yet taking part, placed at the position.
  bool AddOneWormToPlayOrder(const Vector2& position, Welt* world);
  // Places and resets the worms of the play order again for a further round.
  void PlaceWorms(Welt* world);
  // Turns the play order on to the next worm that is not dead (the front one again when
  // all are); null with no worm taking part. The worm becomes the current one.
  Worm* NextWorm();
  int32_t CountLivingWorms() const;
  // The health of the living worms taking part.
  double TotalHealth() const;
  void CollectLivingWorms(std::vector<Objekt*>& out) const;
  TeamBar& Bar() { return m_bar; }
  const TeamBar& Bar() const { return m_bar; }
  // Per frame: every worm of the play order takes its frame step (from the back), then the
  // bar follows the team's total health.
  void Update();

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
  std::vector<Worm*> m_playOrder;
  Worm* m_current = nullptr;
  bool m_selected = false;
  TeamBar m_bar;
};

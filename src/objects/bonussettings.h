// The named sets that say how bonus crates drop, and the one a level has chosen. For now a
// set carries only its name; the crate types, chances and counts join it with the crate
// drop itself. The game-wide object keeps the settings for the whole run.
#pragma once

#include <string>
#include <vector>

struct BonusSet {
  std::u16string name = u"DEFAULT";

  const std::u16string& GetName() const { return name; }
};

class BonusSettings {
 public:
  BonusSettings() = default;
  BonusSettings(const BonusSettings&) = delete;
  BonusSettings& operator=(const BonusSettings&) = delete;

  // Appends a set; a set named "DEFAULT" also replaces the default set (the last one wins).
  void AddSet(const BonusSet& set);
  // The first set of that name becomes current; no name, or one no set has, selects the
  // default set.
  void Select(const std::u16string* name);

  const BonusSet& GetCurrent() const { return *m_current; }
  const BonusSet& GetDefault() const { return m_default; }
  const std::vector<BonusSet>& GetSets() const { return m_sets; }

 private:
  std::vector<BonusSet> m_sets;
  BonusSet m_default;
  const BonusSet* m_current = &m_default;
};

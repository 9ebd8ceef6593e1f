#include "objects/bonussettings.h"

void BonusSettings::AddSet(const BonusSet& set) {
  // Appending may move the list, so a current set in it is found again by position.
  const bool currentIsDefault = m_current == &m_default;
  const size_t currentIndex = currentIsDefault ? 0 : size_t(m_current - m_sets.data());
  m_sets.push_back(set);
  if (set.name == u"DEFAULT") m_default = set;
  m_current = currentIsDefault ? &m_default : &m_sets[currentIndex];
}

void BonusSettings::Select(const std::u16string* name) {
  m_current = &m_default;
  if (!name) return;
  for (const BonusSet& set : m_sets) {
    if (set.name == *name) {
      m_current = &set;
      return;
    }
  }
}

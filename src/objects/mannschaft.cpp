// A team's worm list.
#include "objects/mannschaft.h"

#include <algorithm>

void Mannschaft::AddWorm(Worm* worm) {
  if (worm && std::find(m_worms.begin(), m_worms.end(), worm) == m_worms.end()) m_worms.push_back(worm);
}

void Mannschaft::RemoveWorm(Worm* worm) {
  m_worms.erase(std::remove(m_worms.begin(), m_worms.end(), worm), m_worms.end());
  if (m_current == worm) m_current = nullptr;
}

// A team's worm list.
#include "objects/mannschaft.h"

#include <algorithm>
#include <cstdlib>

#include "engine/kvnode.h"
#include "platform/text.h"

void Mannschaft::AddWorm(Worm* worm) {
  if (worm && std::find(m_worms.begin(), m_worms.end(), worm) == m_worms.end()) m_worms.push_back(worm);
}

void Mannschaft::RemoveWorm(Worm* worm) {
  m_worms.erase(std::remove(m_worms.begin(), m_worms.end(), worm), m_worms.end());
  if (m_current == worm) m_current = nullptr;
}

void Mannschaft::Read(const KVNode& block) {
  block.Read(u"NAME", m_name);
  std::u16string colour;
  if (block.Read(u"COLOR", colour)) {
    const std::string digits = platform::U16ToUtf8(colour);
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str()) m_colour = Argb(value);
  }
  block.Read(u"ID", m_id);
  block.Read(u"ANZ_WON", wins);
  block.Read(u"ANZ_LOST", losses);
  block.Read(u"TIME", time);
  block.Read(u"STEUERUNG", m_steuerung);
}

void Mannschaft::Write(KVNode* block) const {
  if (!block) return;
  block->AddChildWith(u"NAME", m_name);
  block->AddChild(u"COLOR")->AddHex(int(m_colour));
  block->AddChildWith(u"ID", int(m_id));
  block->AddChildWith(u"ANZ_WON", int(wins));
  block->AddChildWith(u"ANZ_LOST", int(losses));
  block->AddChildWith(u"TIME", time);
  block->AddChildWith(u"STEUERUNG", m_steuerung);
}

// The screen base: slots, hover test and fades.
#include "engine/guidrawklasse.h"

#include <algorithm>

#include "engine/apicontext.h"
#include "engine/apiinput.h"

GUIDrawKlasse::GUIDrawKlasse(int count, APIContext* context)
    : m_context(context ? context : APIContext::Get()) {
  count = std::max(count, 0);
  m_elements.resize(size_t(count));
  m_visible.assign(size_t(count), false);
}

GUIDrawKlasse::~GUIDrawKlasse() {
  m_elements.clear();
  m_visible.clear();
  m_fades.clear();
}

GUIElement* GUIDrawKlasse::GetElement(int slot) const {
  if (slot < 0 || size_t(slot) >= m_elements.size()) return nullptr;
  return m_elements[size_t(slot)].get();
}

void GUIDrawKlasse::SetElement(int slot, GUIElement* element) {
  if (slot < 0 || size_t(slot) >= m_elements.size()) {
    delete element;
    return;
  }
  m_elements[size_t(slot)].reset(element);
}

bool GUIDrawKlasse::IsVisible(int slot) const {
  return slot >= 0 && size_t(slot) < m_visible.size() && m_visible[size_t(slot)];
}

void GUIDrawKlasse::SetVisible(int slot, bool visible) {
  if (slot >= 0 && size_t(slot) < m_visible.size()) m_visible[size_t(slot)] = visible;
}

GUIElement* GUIDrawKlasse::GetHoveredElement() const {
  return m_hoveredAlive.expired() ? nullptr : m_hovered;
}

void GUIDrawKlasse::ForgetHovered() {
  m_hovered = nullptr;
  m_hoveredAlive.reset();
  m_hoveredRecord = nullptr;
}

GUIFadeRecord* GUIDrawKlasse::FindFadeRecord(const GUIElement* element) const {
  // A record of a deleted element never matches, even when a new element took its address.
  for (size_t i = m_fades.size(); i-- > 0;)
    if (m_fades[i]->element == element && m_fades[i]->ElementExists()) return m_fades[i].get();
  return nullptr;
}

void GUIDrawKlasse::ClearElements() {
  for (auto& element : m_elements) element.reset();
  ForgetHovered();
  screenFlags[0] = screenFlags[1] = 0;
  screenValue = 0;
  m_fades.clear();
}

bool GUIDrawKlasse::UpdateHover(const InputState* mouse) {
  ForgetHovered();
  if (!mouse) return false;
  GUIElement* hit = nullptr;
  for (size_t slot = m_elements.size(); slot-- > 0 && !hit;)
    if (m_elements[slot] && m_visible[slot]) hit = m_elements[slot]->HitTest(mouse->mouseX, mouse->mouseY);
  if (!hit) return false;
  m_hovered = hit;
  m_hoveredAlive = hit->LifeToken();
  m_hoveredRecord = FindFadeRecord(hit);
  if (!m_hoveredRecord) {
    auto record = std::make_unique<GUIFadeRecord>();
    record->element = hit;
    record->elementAlive = hit->LifeToken();
    m_hoveredRecord = record.get();
    m_fades.push_back(std::move(record));
  }
  return true;
}

void GUIDrawKlasse::UpdateFades() {
  const double step = m_context && m_context->timer ? m_context->timer->realStep : 0.0;
  for (size_t i = m_fades.size(); i-- > 0;) {
    GUIFadeRecord* record = m_fades[i].get();
    // An element deleted since the last frame takes its record with it.
    if (!record->ElementExists()) {
      if (record == m_hoveredRecord) ForgetHovered();
      m_fades.erase(m_fades.begin() + ptrdiff_t(i));
      continue;
    }
    record->age += step;
    const GUIBehaviour& behaviour = record->element->GetBehaviour();
    m_fadeIn = behaviour.fadeIn;
    m_fadeOut = behaviour.fadeOut;
    if (record == m_hoveredRecord) {
      if (m_fadeIn <= 0.0)
        record->level = 1.0;
      else
        record->level = std::max(0.0, std::min(1.0, record->level + step / m_fadeIn));
      continue;
    }
    if (m_fadeOut > 0.0)
      record->level = std::max(0.0, std::min(1.0, record->level - step / m_fadeOut));
    else
      record->level = 0.0;
    if (record->level <= 0.0) m_fades.erase(m_fades.begin() + ptrdiff_t(i));
  }
}

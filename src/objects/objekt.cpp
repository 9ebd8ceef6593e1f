// Object base: ids, names and the reading of the common keys.
#include "objects/objekt.h"

#include "engine/animation.h"
#include "engine/kvnode.h"

namespace {

// One counter for the whole run, so an id never names two objects.
uint32_t g_nextId = 0;

std::u16string DefaultName(uint32_t id) {
  std::string digits = std::to_string(id);
  return u"UNNAMED_OBJEKT_" + std::u16string(digits.begin(), digits.end());
}

}  // namespace

uint32_t Objekt::PeekNextId() { return g_nextId; }
void Objekt::SetNextId(uint32_t next) { g_nextId = next; }

Objekt::Objekt(const KVNode* node) : m_id(g_nextId++) {
  m_name = DefaultName(m_id);
  if (!node) return;
  node->Read(u"NAME", m_name);
  node->Read(u"HEALTH", m_health);
  node->Read(u"RENDER_EXTRA_ID", m_renderExtraId);
  if (const KVNode* types = node->GetChild(0, u"RENDER_EXTRA_TYPEN"))
    for (unsigned i = 0; i < types->GetValueCount(); ++i)
      m_renderExtraTypes.push_back(types->GetValue(i)->Text());
}

Objekt::Objekt(const Objekt& other)
    : m_name(other.m_name),
      m_id(g_nextId++),
      m_health(other.m_health),
      m_renderExtraId(other.m_renderExtraId),
      m_extraAnimationNames(other.m_extraAnimationNames),
      m_renderExtraTypes(other.m_renderExtraTypes) {
  m_extraAnimations.reserve(other.m_extraAnimations.size());
  for (const auto& animation : other.m_extraAnimations)
    m_extraAnimations.push_back(animation ? animation->Clone() : nullptr);
}

Objekt::~Objekt() = default;

void Objekt::Kill(const CommandParam*, int32_t) {}
void Objekt::Revive(const CommandParam*, int32_t) {}
void Objekt::ApplyExplosion(const Vector2*, const DistanceRamp*, const DistanceRamp*) {}
void Objekt::OnIdChanged(uint32_t) {}

uint32_t Objekt::AssignNewId() {
  const uint32_t old = m_id;
  m_id = g_nextId++;
  OnIdChanged(old);
  return m_id;
}

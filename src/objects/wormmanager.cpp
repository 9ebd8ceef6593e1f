// Worms and persons by id, presets and teams.
#include "objects/wormmanager.h"

#include <cstdio>

#include "engine/kvnode.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "platform/text.h"

namespace {

Objekt* FindIn(const std::vector<std::unique_ptr<Objekt>>& list, uint32_t id) {
  for (const auto& object : list)
    if (object->HasId(id)) return object.get();
  return nullptr;
}

}  // namespace

WormManager::WormManager() {
  m_presets.push_back(std::make_unique<WormEigenschaften>());
  m_defaultPreset = m_presets.back().get();
}

// The worms go before the teams they refer to.
WormManager::~WormManager() {
  m_worms.clear();
  m_defaultWorm.reset();
}

void WormManager::Load(const KVNode* block) {
  PersonenManager::Load(block);
  if (!block) return;
  for (unsigned i = 0, n = block->CountChildren(u"WORMEIGENSCHAFTEN"); i < n; ++i)
    AddPreset(std::make_unique<WormEigenschaften>(block->GetChild(i, u"WORMEIGENSCHAFTEN")));
  const KVNode* record = block->GetChild(0, u"DEFAULT_WORM");
  if (!record) return;
  const PartikelInfo* type = ReadTemplateType(*record);
  const KVNode* inner = record->GetChild(0, u"WORM");
  if (!type || !inner) {
    std::fprintf(stderr,
                 "Krumbolt: DEFAULT_WORM without a particle type or a WORM block; no template worm\n");
    return;
  }
  // The template waits for the battle: no world to act on yet, so no create event.
  Partikel::QuietCreation quiet;
  m_defaultWorm = std::make_unique<Worm>(type, inner, m_globals);
}

void WormManager::AddWorm(std::unique_ptr<Objekt> worm) {
  if (worm) m_worms.push_back(std::move(worm));
}

Objekt* WormManager::FindWormById(uint32_t id) const { return FindIn(m_worms, id); }

void WormManager::CollectWorms(std::vector<Objekt*>& out) const {
  for (const auto& worm : m_worms) out.push_back(worm.get());
}

const WormEigenschaften& WormManager::FindPreset(const std::u16string* name) const {
  if (name)
    for (size_t i = m_presets.size(); i-- > 0;)
      if (m_presets[i]->name == *name) return *m_presets[i];
  return *m_defaultPreset;
}

void WormManager::AddPreset(std::unique_ptr<WormEigenschaften> preset) {
  if (!preset) return;
  m_presets.push_back(std::move(preset));
  if (m_presets.back()->name == u"DEFAULT") m_defaultPreset = m_presets.back().get();
}

Mannschaft* WormManager::AddTeam(std::unique_ptr<Mannschaft> team) {
  if (!team) return nullptr;
  m_teams.push_back(std::move(team));
  return m_teams.back().get();
}

Mannschaft* WormManager::FindTeamById(int32_t id) const {
  for (const auto& team : m_teams)
    if (team->GetId() == id) return team.get();
  return nullptr;
}

Mannschaft* WormManager::TeamOf(const Objekt& worm) const {
  const Worm* w = dynamic_cast<const Worm*>(&worm);
  return w ? w->GetTeam() : nullptr;
}

Argb WormManager::TeamColour(const Mannschaft* team) const { return team ? team->GetColour() : 0xFFFFFFFF; }

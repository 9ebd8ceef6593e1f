// Person property sets and person templates.
#include "objects/personenmanager.h"

#include <cstdio>

#include "engine/kvnode.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/simservices.h"
#include "platform/text.h"

PersonenManager::PersonenManager() {
  m_sets.push_back(std::make_unique<PersonEigenschaften>());
  m_default = m_sets.back().get();
}

PersonenManager::~PersonenManager() = default;

void PersonenManager::Load(const KVNode* block) {
  // The game's particle list and animations, unless the caller named its own.
  const SimServices* services = SimServices::Current();
  if (!m_particles) m_particles = services->particles;
  if (!m_animations) m_animations = services->animations;
  if (!block) return;

  for (unsigned i = 0, n = block->CountChildren(u"PERSONENEIGENSCHAFTEN"); i < n; ++i) {
    m_sets.push_back(std::make_unique<PersonEigenschaften>(block->GetChild(i, u"PERSONENEIGENSCHAFTEN")));
    if (m_sets.back()->name == u"DEFAULT") m_default = m_sets.back().get();
  }

  for (unsigned i = 0, n = block->CountChildren(u"PERSON"); i < n; ++i) {
    const KVNode* record = block->GetChild(i, u"PERSON");
    const PartikelInfo* type = ReadTemplateType(*record);
    const KVNode* inner = record->GetChild(0, u"PERSON");
    if (!type || !inner) continue;
    // Templates wait for the battle: no world to act on yet, so no create event.
    Partikel::QuietCreation quiet;
    AddPerson(std::make_unique<Person>(type, inner, this, m_animations));
  }
}

const PartikelInfo* PersonenManager::ReadTemplateType(const KVNode& record) {
  const PartikelInfo* type = nullptr;
  if (const KVNode* direct = record.GetChild(0, u"PARTIKEL_INFO_DIREKT")) {
    auto info = std::make_unique<PartikelInfo>(direct);
    type = info.get();
    if (m_particles)
      m_particles->AddInfo(std::move(info));
    else
      m_orphanTypes.push_back(std::move(info));
  }
  if (const KVNode* indirect = record.GetChild(0, u"PARTIKEL_INFO_INDIREKT")) {
    const KVValue* name = indirect->GetValue(0);
    type = name && m_particles ? m_particles->FindInfo(name->Text()) : nullptr;
    if (!type)
      std::fprintf(stderr, "Krumbolt: template: no particle type \"%s\"; the template is left out\n",
                   name ? platform::U16ToUtf8(name->Text()).c_str() : "");
  }
  return type;
}

Person* PersonenManager::FindPerson(const std::u16string* name) const {
  if (!name) return nullptr;
  for (size_t i = m_persons.size(); i-- > 0;)
    if (m_persons[i]->GetName() == *name) return m_persons[i].get();
  return nullptr;
}

Person* PersonenManager::FindPersonById(uint32_t id) const {
  for (const auto& person : m_persons)
    if (person->HasId(id)) return person.get();
  return nullptr;
}

const PersonEigenschaften& PersonenManager::FindEigenschaften(const std::u16string* name) const {
  if (name)
    for (size_t i = m_sets.size(); i-- > 0;)
      if (m_sets[i]->name == *name) return *m_sets[i];
  return *m_default;
}

void PersonenManager::AddPerson(std::unique_ptr<Person> person) {
  if (person) m_persons.push_back(std::move(person));
}

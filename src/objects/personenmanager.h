// The person manager: the person property sets and the person templates read from the
// roster documents ("worms_default.wrm", then "teams.man"), found by name or id. The worm
// and team manager derives from it and hands it the same documents first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "objects/personeigenschaften.h"

class AnimationManager;
class KVNode;
class PartikelInfo;
class PartikelListe;
class Person;

class PersonenManager {
 public:
  // The built-in default set only.
  PersonenManager();
  virtual ~PersonenManager();
  PersonenManager(const PersonenManager&) = delete;
  PersonenManager& operator=(const PersonenManager&) = delete;

  // Where the templates' particle types and animations come from; without them a direct
  // type is still read but not registered, and templates get no animations.
  void SetSources(PartikelListe* particles, const AnimationManager* animations) {
    m_particles = particles;
    m_animations = animations;
  }

  // Appends the document's PERSONENEIGENSCHAFTEN sets (one named "DEFAULT" becomes the
  // default set) and its PERSON templates. A null block reads nothing.
  virtual void Load(const KVNode* block);

  // The template of that object name, searched from the last; null for no name or none.
  Person* FindPerson(const std::u16string* name) const;
  Person* FindPerson(const std::u16string& name) const { return FindPerson(&name); }
  // The template with that id, searched from the first; null when none has it.
  Person* FindPersonById(uint32_t id) const;
  // The set of that name, searched from the last; the default set for no name or none.
  const PersonEigenschaften& FindEigenschaften(const std::u16string* name) const;
  const PersonEigenschaften& FindEigenschaften(const std::u16string& name) const {
    return FindEigenschaften(&name);
  }
  // The manager owns the person from now on.
  void AddPerson(std::unique_ptr<Person> person);
  // The particle type of a template record: its PARTIKEL_INFO_DIREKT block (registered with
  // the particle list, or kept here without one) or the type its PARTIKEL_INFO_INDIREKT
  // names; null, with a message, when a named type is unknown.
  const PartikelInfo* ReadTemplateType(const KVNode& record);

  const std::vector<std::unique_ptr<Person>>& GetPersons() const { return m_persons; }
  const std::vector<std::unique_ptr<PersonEigenschaften>>& GetEigenschaften() const { return m_sets; }
  const PersonEigenschaften& GetDefault() const { return *m_default; }

 protected:
  PartikelListe* m_particles = nullptr;
  const AnimationManager* m_animations = nullptr;

 private:
  std::vector<std::unique_ptr<Person>> m_persons;
  // Direct types read without a particle list to register them with.
  std::vector<std::unique_ptr<PartikelInfo>> m_orphanTypes;
  std::vector<std::unique_ptr<PersonEigenschaften>> m_sets;
  const PersonEigenschaften* m_default = nullptr;
};

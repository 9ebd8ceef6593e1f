// Particles by id.
#include "objects/partikelliste.h"

void PartikelListe::Add(std::unique_ptr<Objekt> particle) {
  if (particle) m_particles.push_back(std::move(particle));
}

Objekt* PartikelListe::FindById(uint32_t id) const {
  for (size_t i = m_particles.size(); i-- > 0;)
    if (m_particles[i]->HasId(id)) return m_particles[i].get();
  return nullptr;
}

void PartikelListe::CollectAll(std::vector<Objekt*>& out) const {
  for (const auto& particle : m_particles) out.push_back(particle.get());
}

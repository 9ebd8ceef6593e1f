// The game-wide list of particles as the game-wide object asks it: lookup by id and the
// collection of every particle. It stands for the particle list (PartikelListe) until the
// particles are built, which bring their types, the per-frame update and drawing and the
// second, never-thinned list that the lookup searches first.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "objects/objekt.h"

class PartikelListe {
 public:
  PartikelListe() = default;
  PartikelListe(const PartikelListe&) = delete;
  PartikelListe& operator=(const PartikelListe&) = delete;

  // The list owns the particle from now on.
  void Add(std::unique_ptr<Objekt> particle);
  // The particle of that id, searched from the back; null when none has it.
  Objekt* FindById(uint32_t id) const;
  // Appends every particle, in list order.
  void CollectAll(std::vector<Objekt*>& out) const;
  size_t GetCount() const { return m_particles.size(); }

 private:
  std::vector<std::unique_ptr<Objekt>> m_particles;
};

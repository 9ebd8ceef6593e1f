// What the wind needs of the particle list to blow particles of its own types in along the
// top of the world (PartikelListe::FindInfo, Partikel::Partikel and PartikelListe::Add).
// The particle list implements it when it joins the tree; until then NoWindParticles stands
// in: it knows no particle type, so the wind spawns nothing.
#pragma once

#include <string>

#include "engine/gfxtypes.h"

// A particle type; defined by the particle list.
class PartikelInfo;

class WindParticleList {
 public:
  virtual ~WindParticleList() = default;
  // The particle type of that name, searching the registered types from the last to the
  // first; null for an unknown or empty name.
  virtual const PartikelInfo* FindInfo(const std::u16string& name) const = 0;
  // A new particle of that type at the position with no start speed (the further
  // constructor arguments -1, 0, 2147483647 and 0), taken into the list, which owns it.
  virtual void Add(const PartikelInfo& type, const Vector2& position) = 0;
};

class NoWindParticles final : public WindParticleList {
 public:
  const PartikelInfo* FindInfo(const std::u16string&) const override { return nullptr; }
  void Add(const PartikelInfo&, const Vector2&) override {}
};

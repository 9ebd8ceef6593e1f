// The explosion definitions of "explosionen.exp": each names the particle types of the
// visible blast one of which an explosion spawns at its centre, scaled by its radius. The
// game-wide object keeps the table for the whole run.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/gfxtypes.h"

class KVNode;
class PartikelInfo;
class PartikelListe;
struct DistanceRamp;

class ExplosionDef {
 public:
  // "NAME" and "PARTIKEL_NAMEN", each name resolved in the particle list (null: none); a
  // name that no type carries is left out and reported.
  ExplosionDef(const KVNode* block, PartikelListe* particles);

  // One particle of a type picked uniformly from the list, at the position, standing
  // still, in the type's own colour and draw layer, its size multiplied by the damage
  // ramp's far distance (the explosion's radius), added to the list. Nothing without
  // types or a list. The worm-damage and impulse ramps are not used.
  void SpawnRandomPartikel(const Vector2& position, const DistanceRamp& damage,
                           const DistanceRamp& wormDamage, const DistanceRamp& impulse) const;

  const std::u16string& GetName() const { return m_name; }
  const std::vector<const PartikelInfo*>& GetTypes() const { return m_types; }

 private:
  std::u16string m_name = u"UNNAMED_EXPLOSION";
  std::vector<const PartikelInfo*> m_types;
  PartikelListe* m_particles;
};

class ExplosionTable {
 public:
  ExplosionTable();
  ~ExplosionTable();
  ExplosionTable(const ExplosionTable&) = delete;
  ExplosionTable& operator=(const ExplosionTable&) = delete;

  // One definition per "EXPLOSION" block, in file order, appended; a null root loads
  // nothing. Read after the particle types, whose names the definitions take.
  void Load(const KVNode* root, PartikelListe* particles);
  // The last definition whose name equals the name exactly; null for a null name or none.
  const ExplosionDef* Find(const std::u16string* name) const;
  void Clear();
  size_t Size() const { return m_defs.size(); }

 private:
  std::vector<std::unique_ptr<ExplosionDef>> m_defs;
};

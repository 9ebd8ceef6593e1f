// Explosion definitions and the blast particle.
#include "objects/explosiontable.h"

#include <cstdio>

#include "engine/kvnode.h"
#include "objects/distanceramp.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "platform/random.h"
#include "platform/text.h"

ExplosionDef::ExplosionDef(const KVNode* block, PartikelListe* particles) : m_particles(particles) {
  if (!block) return;
  if (const KVNode* name = block->GetChild(0, u"NAME"); name && name->GetValueCount() > 0)
    m_name = name->GetValue(0)->Text();
  if (const KVNode* names = block->GetChild(0, u"PARTIKEL_NAMEN"))
    for (unsigned i = 0; i < names->GetValueCount(); ++i) {
      const std::u16string& typeName = names->GetValue(i)->Text();
      if (const PartikelInfo* type = particles ? particles->FindInfo(typeName) : nullptr)
        m_types.push_back(type);
      else
        std::fprintf(stderr, "explosionen.exp: explosion \"%s\": no particle type \"%s\"\n",
                     platform::U16ToUtf8(m_name).c_str(), platform::U16ToUtf8(typeName).c_str());
    }
}

void ExplosionDef::SpawnRandomPartikel(const Vector2& position, const DistanceRamp& damage,
                                       const DistanceRamp&, const DistanceRamp&) const {
  if (m_types.empty() || !m_particles) return;
  // Every type equally likely: rand / 32768 stays below 1.
  const size_t index = size_t(platform::Rand()) * m_types.size() / size_t(platform::kRandMax + 1);
  const Vector2 still(0.0f, 0.0f);
  auto blast =
      std::make_unique<Partikel>(m_types[index], &position, &still, 0xFFFFFFFF, 0, Partikel::kTypeLayer);
  blast->ScaleSize(damage.farDistance);
  m_particles->Add(std::move(blast));
}

ExplosionTable::ExplosionTable() = default;
ExplosionTable::~ExplosionTable() = default;

void ExplosionTable::Load(const KVNode* root, PartikelListe* particles) {
  if (!root) return;
  for (unsigned i = 0, n = root->CountChildren(u"EXPLOSION"); i < n; ++i)
    m_defs.push_back(std::make_unique<ExplosionDef>(root->GetChild(i, u"EXPLOSION"), particles));
}

const ExplosionDef* ExplosionTable::Find(const std::u16string* name) const {
  if (!name) return nullptr;
  for (size_t i = m_defs.size(); i-- > 0;)
    if (m_defs[i]->GetName() == *name) return m_defs[i].get();
  return nullptr;
}

void ExplosionTable::Clear() { m_defs.clear(); }

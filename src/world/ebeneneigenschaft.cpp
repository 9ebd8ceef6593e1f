#include "world/ebeneneigenschaft.h"

#include "engine/kvnode.h"

EbenenEigenschaft::EbenenEigenschaft(const KVNode* node) {
  if (!node) return;
  node->Read(u"NAME", name);
  node->Read(u"GRAVITATION", gravity.x, 0);
  node->Read(u"GRAVITATION", gravity.y, 1);
}

EbenenEigenschaften::EbenenEigenschaften() { m_sets.push_back(std::make_unique<EbenenEigenschaft>()); }

void EbenenEigenschaften::Load(const KVNode* root) {
  if (!root) return;
  for (const auto& child : root->Children())
    if (child->Name() == u"EBENENEIGENSCHAFTEN")
      m_sets.push_back(std::make_unique<EbenenEigenschaft>(child.get()));
}

const EbenenEigenschaft& EbenenEigenschaften::Find(const std::u16string* name) const {
  if (name)
    for (const auto& set : m_sets)
      if (set->name == *name) return *set;
  return GetDefault();
}

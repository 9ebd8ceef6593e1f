// The name every control keeps in the key configuration.
#include "battle/steuerung.h"

#include "engine/kvnode.h"

void Steuerung::Save(KVNode* node) const {
  if (node) node->AddChildWith(u"NAME", m_name);
}

void Steuerung::Load(const KVNode* node) {
  if (node) node->Read(u"NAME", m_name);
}

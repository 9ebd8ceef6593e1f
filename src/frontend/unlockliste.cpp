// Reading and writing the campaign progress.
#include "frontend/unlockliste.h"

#include "engine/kvnode.h"

void UnlockListe::Load(std::u16string_view path) {
  std::unique_ptr<KVNode> root = LoadKVFile(path);
  if (!root) return;
  for (unsigned i = 0; i < root->GetValueCount(); ++i) m_keys.push_back(root->GetValue(i)->Text());
}

bool UnlockListe::Save(std::u16string_view path) const {
  KVNode root(u"UNLOCK");
  for (const auto& key : m_keys) root.InsertValue(std::make_unique<KVValue>(key));
  return SaveKVFile(path, root, true);
}

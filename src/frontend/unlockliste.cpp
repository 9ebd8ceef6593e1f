// Reading and writing the campaign progress.
#include "frontend/unlockliste.h"

#include <algorithm>

#include "engine/kvnode.h"

void UnlockListe::Load(std::u16string_view path) {
  PlayerFile file = LoadPlayerFile(path, u"UNLOCK");
  m_fileState = file.state;
  if (file.root)
    for (unsigned i = 0; i < file.root->GetValueCount(); ++i) m_keys.push_back(file.root->GetValue(i)->Text());
  m_loadedKeys = m_keys;
}

bool UnlockListe::Save(std::u16string_view path) const {
  const bool changed = m_keys != m_loadedKeys;
  // Progress that could not be read in full is only written when this run earned more: an
  // unchanged list would replace the player's file with less than it holds.
  if (!changed && (m_fileState == PlayerFileState::Unreadable || m_fileState == PlayerFileState::Damaged))
    return false;
  KVNode root(u"UNLOCK");
  for (const auto& key : m_keys) root.InsertValue(std::make_unique<KVValue>(key));
  return SavePlayerFileOver(path, m_fileState, root, "campaign progress");
}

void UnlockListe::Unlock(const std::u16string& key) {
  if (key.empty() || IsUnlocked(key)) return;
  m_keys.push_back(key);
}

bool UnlockListe::IsUnlocked(std::u16string_view key) const {
  return std::find(m_keys.begin(), m_keys.end(), key) != m_keys.end();
}

#include "engine/soundset.h"

#include "engine/apisound.h"
#include "engine/searchpath.h"

SoundSet::SoundSet(APISound* sound, int copyCount, const SoundKey& key)
    : m_sound(sound), m_fileName(key.fileName ? *key.fileName : std::u16string()) {
  m_buffers.resize(size_t(copyCount > 0 ? copyCount : 0));
  if (!m_sound) return;
  if (key.searchPath) {
    for (int i = 0; i < key.searchPath->GetCount(); ++i) {
      std::u16string folder = key.searchPath->GetFolder(i);
      if (m_sound->LoadWave(copyCount, m_buffers, JoinPath(folder, m_fileName), key.archive)) {
        m_foundFolder = folder;
        m_triedFolders.clear();
        return;
      }
      m_triedFolders.push_back(std::move(folder));
    }
    m_failedOverPath = true;
  } else {
    m_sound->LoadWave(copyCount, m_buffers, m_fileName, key.archive);
  }
}

bool SoundSet::Matches(const SoundKey& key) const {
  std::u16string_view name = key.fileName ? std::u16string_view(*key.fileName) : std::u16string_view();
  if (name != m_fileName) return false;
  if (!key.searchPath || key.searchPath->Contains(m_foundFolder)) return true;
  if (!m_failedOverPath || int(m_triedFolders.size()) != key.searchPath->GetCount()) return false;
  for (int i = 0; i < key.searchPath->GetCount(); ++i)
    if (m_triedFolders[size_t(i)] != key.searchPath->GetFolder(i)) return false;
  return true;
}

int SoundSet::UsableCount() const {
  int n = 0;
  for (const auto& b : m_buffers)
    if (b) ++n;
  return n;
}

SoundSet* SoundCache::FindOrCreate(const SoundKey& key) {
  for (const auto& set : m_sets)
    if (set->Matches(key)) return set.get();
  m_sets.push_back(std::make_unique<SoundSet>(m_sound, m_copyCount, key));
  return m_sets.back().get();
}

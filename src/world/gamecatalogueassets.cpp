// The game's answers to the catalogue's requests: the texture cache and the animations.
#include "engine/animationmanager.h"
#include "engine/texturdefcache.h"
#include "world/catalogueassets.h"

const TexturePartRecord* GameCatalogueAssets::GetTexture(const std::u16string& file,
                                                         const SearchPath& searchPath,
                                                         const std::u16string* partName) {
  return m_cache ? m_cache->Get(file, &searchPath, partName, m_archive) : nullptr;
}

std::unique_ptr<BewegteAnimation> GameCatalogueAssets::CreateBewegteAnimation(std::u16string_view name) {
  return m_animations ? m_animations->CreateBewegteAnimation(name) : nullptr;
}

void GameCatalogueAssets::ReleaseUntilUsed(const TexturePartRecord* picture) {
  if (m_cache) m_cache->Release(picture);
}

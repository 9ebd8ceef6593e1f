// Worms and persons by id.
#include "objects/wormmanager.h"

namespace {

Objekt* FindIn(const std::vector<std::unique_ptr<Objekt>>& list, uint32_t id) {
  for (const auto& object : list)
    if (object->HasId(id)) return object.get();
  return nullptr;
}

}  // namespace

void WormManager::AddWorm(std::unique_ptr<Objekt> worm) {
  if (worm) m_worms.push_back(std::move(worm));
}

Objekt* WormManager::FindWormById(uint32_t id) const { return FindIn(m_worms, id); }

void WormManager::CollectWorms(std::vector<Objekt*>& out) const {
  for (const auto& worm : m_worms) out.push_back(worm.get());
}

// The crate drop at a turn change.
#include <memory>

#include "objects/bonussettings.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/welt.h"

void BonusSettings::DropCrates() {
  if (!m_host) return;
  BonusSet& set = *m_current;
  // While the maximum lies in the world the chance does not grow either.
  if (set.maxLying != -1 && int64_t(ResolveCurrent()->size()) >= set.maxLying) return;
  if (!(set.Chance() > platform::RandFraction())) {
    ++set.turnsWithoutDrop;
    return;
  }
  set.turnsWithoutDrop = 0;
  const int32_t count =
      platform::TruncToInt(set.countMin + (set.countMax - set.countMin) * platform::RandFraction());
  Welt* world = m_host->GetWorld();
  PartikelListe* particles = m_host->GetParticles();
  for (int32_t i = 0; i < count; ++i) {
    Vector2 position;
    // A world without a place for a crate gives up after a bounded search; the crate is
    // left out.
    if (!world || !world->FindDropPosition(position, Welt::DropParameters{0.0, 2000.0, 50.0})) continue;
    const std::u16string* typeName = set.PickCrateType();
    const PartikelInfo* type = typeName && particles ? particles->FindInfo(*typeName) : nullptr;
    if (!type) continue;
    auto crate = std::make_unique<Partikel>(type, &position, nullptr, 0xFFFFFFFF, 0, 0);
    const uint32_t id = crate->GetId();
    particles->Add(std::move(crate));
    m_host->FollowCrate(id);
    set.droppedIds.push_back(id);
  }
  if (count > 0) m_host->AnnounceDrop();
}

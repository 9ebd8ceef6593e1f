// Craters in the first scene.
#include "frontend/menucraters.h"

#include <vector>

#include "engine/myglobals.h"
#include "objects/distanceramp.h"
#include "objects/partikelliste.h"
#include "world/welt.h"

bool MenuCraters::Blast(const Vector2& point) {
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
  if (!land) return false;
  // A click into the open sky carves nothing.
  bool nearTerrain = false;
  const int32_t r = int32_t(kRadius);
  for (int32_t dy = -r; dy <= r && !nearTerrain; dy += 4)
    for (int32_t dx = -r; dx <= r && !nearTerrain; dx += 4)
      nearTerrain =
          dx * dx + dy * dy <= r * r && land->IsSolidAt(int32_t(point.x) + dx, int32_t(point.y) + dy);
  if (!nearTerrain) return false;

  std::vector<RemovedPixel> removed;
  world->CarveCrater(point, kRadius, &removed, -1, true);
  PartikelListe* particles = m_globals->GetPartikelListe();
  const DistanceRamp ramp{kEarthSpeed[0], kEarthSpeed[1], kEarthSpeed[2], kEarthSpeed[3]};
  particles->SpawnErdePartikel(removed, point, ramp);
  if (const PartikelInfo* blast = particles->FindInfo(kBlastType)) {
    const Vector2 still(0.0f, 0.0f);
    auto particle = std::make_unique<Partikel>(blast, &point, &still, 0xFFFFFFFF, 0);
    particle->ScaleSize(kRadius);
    particles->Add(std::move(particle));
  }
  return true;
}

void MenuCraters::Update() {
  if (m_globals) m_globals->GetPartikelListe()->Update();
}

void MenuCraters::Render(const Vector2& offset, const Vector2& scale, int32_t layer) {
  if (m_globals) m_globals->GetPartikelListe()->Render(offset, scale, 0xFFFFFFFF, layer);
}

// Explosions in the first scene.
#include "frontend/menucraters.h"

#include <string>

#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/myglobals.h"
#include "objects/eventtable.h"
#include "objects/explosionsevent.h"
#include "objects/partikelliste.h"
#include "world/welt.h"

namespace {

// What explodes: a point of the world that belongs to no list.
class BlastPoint final : public Objekt {
 public:
  explicit BlastPoint(const Vector2& at) : m_position(at) {}
  Vector2* GetPosition() override { return &m_position; }
  Vector2* GetSize() override { return &m_size; }
  Vector2* GetSpeed() override { return &m_speed; }

 private:
  Vector2 m_position;
  Vector2 m_size{0.0f, 0.0f};
  Vector2 m_speed{0.0f, 0.0f};
};

}  // namespace

ExplosionsEvent* MenuCraters::FindExplosion() const {
  EventTable* events = m_globals ? m_globals->GetEventTable() : nullptr;
  const std::u16string name = kBlastEvent;
  return events ? dynamic_cast<ExplosionsEvent*>(events->Find(&name)) : nullptr;
}

bool MenuCraters::Blast(const Vector2& point) {
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
  ExplosionsEvent* explosion = FindExplosion();
  if (!land || !explosion) return false;
  // A click into the open sky sets off nothing.
  bool nearTerrain = false;
  const int32_t r = int32_t(explosion->GetRadius());
  for (int32_t dy = -r; dy <= r && !nearTerrain; dy += 4)
    for (int32_t dx = -r; dx <= r && !nearTerrain; dx += 4)
      nearTerrain =
          dx * dx + dy * dy <= r * r && land->IsSolidAt(int32_t(point.x) + dx, int32_t(point.y) + dy);
  if (!nearTerrain) return false;
  BlastPoint target(point);
  m_globals->GetEventTable()->Run(kBlastEvent, target);
  return true;
}

void MenuCraters::Update() {
  if (!m_globals) return;
  m_globals->GetPartikelListe()->Update();
  if (const FrameTimer* timer = m_globals->GetContext()->timer.get())
    m_globals->GetEventTable()->UpdateAll(*timer);
}

void MenuCraters::Render(const Vector2& offset, const Vector2& scale, int32_t layer) {
  if (m_globals) m_globals->GetPartikelListe()->Render(offset, scale, 0xFFFFFFFF, layer);
}

// A team's worm list.
#include "objects/mannschaft.h"

#include <algorithm>
#include <cstdlib>

#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/namen.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "world/welt.h"
#include "platform/text.h"

Mannschaft::Mannschaft(WormManager& manager, bool nameWorms) : m_id(manager.NextTeamId()) {
  SetName(manager.PickUnusedTeamName());
  SetColour(manager.PickUnusedColour());
  const Worm* model = manager.GetDefaultWorm();
  if (!model) return;
  const MyGlobals* globals = manager.GetGlobals();
  // A team file keeps no more worms per team than this.
  const int32_t count = std::min(globals ? globals->newTeamWormCount : WormManager::kMaxWormsPerTeam,
                                 WormManager::kMaxWormsPerTeam);
  const Namen* names = globals ? globals->GetNamen() : nullptr;
  for (int32_t i = 0; i < count; ++i) {
    auto worm = std::make_unique<Worm>(*model);
    worm->SetTeam(this);
    if (nameWorms && names)
      if (std::u16string name = PickUnusedWormName(*names); !name.empty()) worm->SetName(name);
    manager.AddWorm(std::move(worm));
  }
}

void Mannschaft::SetSteuerung(const std::u16string& name) {
  m_steuerung = name;
  for (size_t i = m_worms.size(); i-- > 0;) m_worms[i]->SetControlByName(name);
}

std::u16string Mannschaft::PickUnusedWormName(const Namen& names) const {
  std::vector<std::u16string> taken;
  for (const Worm* worm : m_worms) taken.push_back(worm->GetName());
  return Namen::FirstUnused(names.PickNames(-1), taken);
}

void Mannschaft::AddWorm(Worm* worm) {
  if (worm && std::find(m_worms.begin(), m_worms.end(), worm) == m_worms.end()) m_worms.push_back(worm);
}

namespace {

// The world's spawn search sees a worm through this.
class WormPlacement final : public PlaceableObject {
 public:
  explicit WormPlacement(Worm& worm) : m_worm(worm) {}
  Vector2 GetSize() const override { return *m_worm.GetSize(); }
  Vector2& GetPosition() override { return *m_worm.GetPosition(); }

 private:
  Worm& m_worm;
};

void Place(Worm& worm, Welt* world, const Vector2* position) {
  worm.SetWorld(world);
  if (!world) return;
  const Vector2 size = *worm.GetSize();
  WormPlacement placement(worm);
  world->FindSpawnPosition(placement, std::max(size.x, size.y), position);
}

}  // namespace

TeamBar::TeamBar() {
  m_position.SetValue(0.0);
  m_position.Set(0.0);
  m_position.SetSpeed(nullptr);
  m_value.SetValue(0.0);
  m_value.Set(0.0);
  m_value.SetSpeed(nullptr);
}

void TeamBar::SetValue(double value, bool immediate) {
  if (immediate) {
    m_recorded = value;
    m_value.SetValue(value);
    m_value.Set(value);
    m_value.SetSpeed(nullptr);
    return;
  }
  m_value.Reset();
  m_value.Set(value);
  m_value.SetSpeed(0.5);
}

void TeamBar::SetTarget(double position, double speed) {
  if (m_position.GetTarget() == position) return;
  m_position.Reset();
  m_position.Set(position);
  m_position.SetSpeed(speed);
}

void TeamBar::Update(double step) {
  m_position.Step(step);
  m_value.Step(step);
}

void Mannschaft::ResetForGame() {
  m_playOrder.clear();
  m_current = nullptr;
  m_bar.SetValue(0.0, true);
}

void Mannschaft::Update() {
  for (size_t i = m_playOrder.size(); i-- > 0;) m_playOrder[i]->FrameUpdate();
  const double total = TotalHealth();
  if (total != m_bar.GetValue(false)) m_bar.SetValue(total, false);
}

bool Mannschaft::AddWormToPlayOrder(Worm* worm, Welt* world, const Vector2* position) {
  if (!worm || std::find(m_playOrder.begin(), m_playOrder.end(), worm) != m_playOrder.end()) return false;
  RandomInsert(m_playOrder, worm);
  Place(*worm, world, position);
  worm->Reset();
  m_bar.SetValue(TotalHealth(), true);
  return true;
}

int32_t Mannschaft::AddWormsToPlayOrder(int32_t n, Welt* world) {
  int32_t added = 0;
  for (Worm* worm : m_worms) {
    if (added >= n) break;
    if (AddWormToPlayOrder(worm, world, nullptr)) ++added;
  }
  return added;
}

bool Mannschaft::AddOneWormToPlayOrder(const Vector2& position, Welt* world) {
  for (size_t i = m_worms.size(); i-- > 0;)
    if (AddWormToPlayOrder(m_worms[i], world, &position)) return true;
  return false;
}

void Mannschaft::PlaceWorms(Welt* world) {
  for (Worm* worm : m_playOrder) {
    worm->Reset();
    Place(*worm, world, nullptr);
  }
  m_bar.SetValue(TotalHealth(), true);
}

Worm* Mannschaft::NextWorm() {
  if (m_playOrder.empty()) return nullptr;
  for (size_t i = 0; i < m_playOrder.size(); ++i) {
    std::rotate(m_playOrder.begin(), m_playOrder.begin() + 1, m_playOrder.end());
    if (!m_playOrder.front()->IsDead()) break;
  }
  m_current = m_playOrder.front();
  return m_current;
}

int32_t Mannschaft::CountLivingWorms() const {
  return int32_t(std::count_if(m_playOrder.begin(), m_playOrder.end(), [](const Worm* w) { return !w->IsDead(); }));
}

double Mannschaft::TotalHealth() const {
  double sum = 0.0;
  for (const Worm* worm : m_playOrder)
    if (!worm->IsDead()) sum += worm->GetHealth();
  return sum;
}

void Mannschaft::CollectLivingWorms(std::vector<Objekt*>& out) const {
  for (Worm* worm : m_playOrder)
    if (!worm->IsDead()) out.push_back(worm);
}

void Mannschaft::RemoveWorm(Worm* worm) {
  m_worms.erase(std::remove(m_worms.begin(), m_worms.end(), worm), m_worms.end());
  m_playOrder.erase(std::remove(m_playOrder.begin(), m_playOrder.end(), worm), m_playOrder.end());
  if (m_current == worm) m_current = nullptr;
}

void Mannschaft::Read(const KVNode& block) {
  block.Read(u"NAME", m_name);
  std::u16string colour;
  if (block.Read(u"COLOR", colour)) {
    const std::string digits = platform::U16ToUtf8(colour);
    char* end = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &end, 16);
    if (end != digits.c_str()) m_colour = Argb(value);
  }
  block.Read(u"ID", m_id);
  block.Read(u"ANZ_WON", wins);
  block.Read(u"ANZ_LOST", losses);
  block.Read(u"TIME", time);
  block.Read(u"STEUERUNG", m_steuerung);
  m_bar.name = m_name;
  m_bar.colour = m_colour;
}

void Mannschaft::Write(KVNode* block) const {
  if (!block) return;
  block->AddChildWith(u"NAME", m_name);
  block->AddChild(u"COLOR")->AddHex(int(m_colour));
  block->AddChildWith(u"ID", int(m_id));
  block->AddChildWith(u"ANZ_WON", int(wins));
  block->AddChildWith(u"ANZ_LOST", int(losses));
  block->AddChildWith(u"TIME", time);
  block->AddChildWith(u"STEUERUNG", m_steuerung);
}

// The first scene's worms.
#include "frontend/menuworms.h"

#include "engine/apicontext.h"
#include "engine/myglobals.h"
#include "objects/distanceramp.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

constexpr const char16_t* kNames[MenuWorms::kTeamCount * MenuWorms::kWormsPerTeam] = {
    u"Bruno", u"Frieda", u"Kuno", u"Lotte", u"Anton", u"Greta"};
constexpr int kColours[MenuWorms::kTeamCount] = {5, 1, 9};

}  // namespace

MenuWorms::MenuWorms(MyGlobals* globals) : m_globals(globals) {}

MenuWorms::~MenuWorms() {
  // The worms leave their teams' lists before the teams go.
  m_worms.clear();
}

void MenuWorms::Place() {
  WormManager* manager = m_globals ? m_globals->GetWormManager() : nullptr;
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  const Worm* templateWorm = manager ? manager->GetDefaultWorm() : nullptr;
  Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
  if (!templateWorm || !land) return;
  m_worms.clear();
  m_states.clear();
  m_teams.clear();
  for (int t = 0; t < kTeamCount; ++t) {
    auto team = std::make_unique<Mannschaft>();
    team->SetId(1000 + t);
    team->SetColour(m_globals->teamColours[kColours[t]]);
    m_teams.push_back(std::move(team));
  }
  const Rect r = world->GetWorldRect();
  const double water = world->WaterSurfaceY();
  const int count = kTeamCount * kWormsPerTeam;
  // Evenly along the middle of the world, the teams taking turns, each worm on the first
  // ground from the top; a column whose ground lies under the water is left out.
  const int32_t left = r.left + (r.right - r.left) / 5;
  const int32_t span = (r.right - r.left) * 3 / 5;
  for (int i = 0; i < count; ++i) {
    const int32_t x = left + span * i / (count - 1);
    int32_t y = r.top;
    while (y < r.bottom && !land->IsSolidAt(x, y)) ++y;
    if (y >= r.bottom || y - 1 > water) continue;
    auto worm = std::make_unique<Worm>(*templateWorm);
    worm->SetWorld(world);
    *worm->GetPosition() = Vector2(float(x) + 0.5f, float(y - 1));
    worm->SetTeam(m_teams[size_t(i % kTeamCount)].get());
    worm->SetName(kNames[i]);
    worm->Reset();
    worm->SetFacingRight(i % 2 == 0);
    m_worms.push_back(std::move(worm));
    m_states.push_back({});
  }
}

void MenuWorms::Blast(const Vector2& point) {
  const DistanceRamp damage{kDamage[0], kDamage[1], kDamage[2], kDamage[3]};
  const DistanceRamp impulse{kImpulse[0], kImpulse[1], kImpulse[2], kImpulse[3]};
  for (size_t i = 0; i < m_worms.size(); ++i) {
    if (m_worms[i]->IsDead()) continue;
    m_worms[i]->ApplyExplosion(&point, &impulse, &damage);
    m_states[i].settle = 0.0;
  }
}

void MenuWorms::Update() {
  const double step = m_globals && m_globals->GetContext() && m_globals->GetContext()->timer
                          ? m_globals->GetContext()->timer->gameStep
                          : 0.0;
  for (size_t i = 0; i < m_worms.size(); ++i) {
    Worm& worm = *m_worms[i];
    State& state = m_states[i];
    if (!worm.IsVisible() && worm.IsDeathAnimationDone()) continue;
    worm.MoveStep();
    // The wounds count once the worm has come to rest, as they would at the round's end.
    if (worm.GetPendingDamage() > 0.0 && worm.IsStanding()) {
      state.settle += step;
      if (state.settle >= kSettleSeconds) {
        worm.SetHealth(worm.GetHealth() - worm.GetPendingDamage());
        worm.SetPendingDamage(0.0);
        state.settle = 0.0;
      }
    }
    if (!worm.IsDead()) continue;
    if (worm.GetDeathKind() == Person::kDrowned || worm.GetDeathKind() == Person::kLeftWorld) {
      state.drowned += step;
      if (state.drowned >= kDrownedSeconds || worm.GetDeathKind() == Person::kLeftWorld)
        worm.SetVisible(false);
    } else if (!worm.IsDeathStarted()) {
      worm.StartDeathAnimation();
    }
  }
}

void MenuWorms::Render(const Vector2& offset, const Vector2& zoom) {
  for (size_t i = m_worms.size(); i-- > 0;) m_worms[i]->DrawSprites(offset, zoom, 0xFFFFFFFF, true);
  for (size_t i = m_worms.size(); i-- > 0;)
    if (m_worms[i]->IsVisible() && !m_worms[i]->IsDead()) m_worms[i]->DrawLabel(offset, zoom);
}

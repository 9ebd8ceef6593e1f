// A battle on the menu level with two idle teams (each turn runs out on the clock), and what
// happens in it as the game's weapons and events would have it happen: a chain of gates, a
// shield with a rocket flying at it, a cloud of poison gas at a team's worms. Shared by the
// battle tests and the pictures taken of them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "battle/headlessbattle.h"
#include "battle/level.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/myglobals.h"
#include "objects/eventtable.h"
#include "objects/kraftfeld.h"
#include "objects/kraftfeldliste.h"
#include "objects/mannschaft.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "objects/teleporterliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "posteffects/mype_kinds.h"
#include "posteffects/myposteffect.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace battle_moments {

inline HeadlessBattleConfig IdleBattle(uint32_t seed, double turnSeconds, bool openGL = false) {
  HeadlessBattleConfig config;
  config.level = u"mainmenu.lvl";
  config.seed = seed;
  config.wormsPerTeam = 2;
  HeadlessBattleConfig::Team idle;
  idle.control = HeadlessBattleConfig::Control::kIdle;
  config.teams = {idle, idle};
  config.roundTime = turnSeconds;
  config.openGL = openGL;
  return config;
}

// Steps until `done` holds; false when it still does not after `frames` frames.
template <class Done>
bool StepUntil(HeadlessBattle& battle, int frames, Done done) {
  for (int i = 0; i < frames && !done(); ++i)
    if (!battle.Step()) break;
  return done();
}

// The gate weapon fired by the active worm, its chain placed at the points; the chain closes
// when it is as long as the weapon allows, or on the action key.
inline bool PlaceGates(Level& level, MyGlobals& globals, const std::vector<Vector2>& points) {
  Worm* worm = level.GetActiveWorm();
  Waffe* beamer = globals.GetWaffenSet()->FindByName(u"Beamer");
  if (!worm || !beamer) return false;
  if (beamer->Fire(*worm, *worm->GetPosition(), {1.0f, 0.0f}, 1.0, {}) != 1) return false;
  for (const Vector2& p : points) beamer->OnClick(p);
  beamer->OnAction();
  return globals.GetTeleporterListe()->GetPending().empty();
}
inline bool PlaceGates(HeadlessBattle& battle, const std::vector<Vector2>& points) {
  return PlaceGates(battle.GetLevel(), battle.Globals(), points);
}

// The shield weapon fired by the active worm at the point: the field it raised.
inline Kraftfeld* RaiseShield(Level& level, MyGlobals& globals, const Vector2& at) {
  Worm* worm = level.GetActiveWorm();
  Waffe* shield = globals.GetWaffenSet()->FindByName(u"Schild");
  if (!worm || !shield) return nullptr;
  if (shield->Fire(*worm, *worm->GetPosition(), {1.0f, 0.0f}, 1.0, at) != 1) return nullptr;
  const auto& fields = globals.GetKraftfeldListe()->GetActive();
  return fields.empty() ? nullptr : fields.back().get();
}
inline Kraftfeld* RaiseShield(HeadlessBattle& battle, const Vector2& at) {
  return RaiseShield(battle.GetLevel(), battle.Globals(), at);
}

// A bazooka's rocket flying from `from` with that speed.
inline uint32_t FireRocket(HeadlessBattle& battle, const Vector2& from, const Vector2& speed) {
  PartikelListe& particles = *battle.Globals().GetPartikelListe();
  const PartikelInfo* rocket = particles.FindInfo(u"RAKETE");
  if (!rocket) return 0;
  auto shell = std::make_unique<Partikel>(rocket, &from, &speed, 0xFFFFFFFF, 0);
  const uint32_t id = shell->GetId();
  particles.Add(std::move(shell));
  return id;
}

// Poison gas bursting at each of the team's worms, as a gas grenade's does: a puff of smoke
// at the worm takes the event (and dies of it).
inline void GasAt(MyGlobals& globals, const Mannschaft& team) {
  PartikelListe& particles = *globals.GetPartikelListe();
  const PartikelInfo* puff = particles.FindInfo(u"Rauch");
  ASSERT_NE(puff, nullptr);
  for (Worm* worm : team.PlayOrder()) {
    const Vector2 at = *worm->GetPosition() + Vector2(0.0f, -10.0f);
    auto source = std::make_unique<Partikel>(puff, &at, nullptr, 0xFFFFFFFF, 0);
    Partikel* raw = source.get();
    particles.Add(std::move(source));
    globals.GetEventTable()->Run(u"Gas", *raw);
  }
}
inline void GasAt(HeadlessBattle& battle, const Mannschaft& team) { GasAt(battle.Globals(), team); }

// The wobble on the effect list, if any.
inline MyPostEffect* ListedWobble(MyGlobals& globals) {
  for (MyPostEffect* effect : globals.GetPostEffects()->GetActiveList())
    if (dynamic_cast<MyPE_Wobble*>(effect)) return effect;
  return nullptr;
}
inline MyPostEffect* ListedWobble(HeadlessBattle& battle) { return ListedWobble(battle.Globals()); }

// No game layer has ground there.
inline bool IsAir(HeadlessBattle& battle, const Vector2& p) {
  for (const auto& layer : battle.Globals().GetWelt()->GameLayers())
    if (!layer->IsEmptyAt(p.x, p.y)) return false;
  return true;
}

}  // namespace battle_moments

// Every weapon of the shipped weapon file played in a battle by scripted worms: two teams
// take turns on the menu level, each turn a worm takes the next weapon and plays it with the
// keys and the mouse as a player would (aim and charge, click a target, steer what was sent
// out, place gates and pictures, switch worms). Shared by the battle test and the pictures
// taken of it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>

#include "battle/headlessbattle.h"
#include "battle/level.h"
#include "battle/waffe.h"
#include "battle/waffen_werkzeug.h"
#include "battle/waffenset.h"
#include "engine/myglobals.h"
#include "objects/kraftfeldliste.h"
#include "objects/mannschaft.h"
#include "objects/partikel.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/teleporterliste.h"
#include "objects/worm.h"
#include "platform/text.h"
#include "posteffects/posteffectinstance.h"
#include "support/battle_harness.h"
#include "support/user_folder.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace battle_weapons {

inline constexpr uint8_t kSpace = 57, kLeft = 203, kRight = 205, kUp = 200, kTab = 15, kThree = 4;

inline std::string U8(const std::u16string& s) { return platform::U16ToUtf8(s); }

// The order the worms use them in: the tools first, while every worm lives, the heavy
// weapons last.
inline const char16_t* const kOrder[] = {u"Wurmwechsel", u"Teleport", u"Beamer",     u"Schild",      u"Rausch",
                                  u"Jetpack",     u"Bauen",    u"Schlaeger",  u"Flammenwerfer", u"Erosion",
                                  u"Auto",        u"Laeufer",  u"Flugzeug",   u"Gewehr",      u"Bazooka",
                                  u"Lenkrakete",  u"Granate",  u"Dynamit",    u"Mine",        u"Luftschlag",
                                  u"Armageddon"};
inline constexpr size_t kWeapons = sizeof kOrder / sizeof kOrder[0];

// What was seen of a weapon during its turn.
struct Seen {
  bool selected = false, active = false, used = false;
  int32_t turn = -1;
  Vector2 start{0.0f, 0.0f}, target{0.0f, 0.0f}, end{0.0f, 0.0f};
  float highest = 1e9f;
  size_t gatesBefore = 0, gatesAfter = 0, fieldsAfter = 0;
  int flames = 0;
  int32_t solidBefore = 0, solidAfter = 0;
  bool switched = false;
  bool dazzledInItsTurn = false;
  // Runners by id with the life they had left when last seen; one gone with time to spare
  // met something.
  std::map<uint32_t, double> runnerLife;
  bool runnerMetSomething = false;
};

struct Plan {
  HeadlessBattle* battle = nullptr;
  int32_t turn = -1;
  int64_t start = 0;
  size_t next = 0;
  Waffe* weapon = nullptr;
  const Worm* firstWorm = nullptr;
  bool turnOver = false;
  double clockLeft = 0.0;
  // The dazzle's effects were seen running (they start when its turn ends).
  bool dazzled = false;
  std::map<std::u16string, Seen> seen;
  bool armed = false;
};

inline Vector2 At(const Worm& worm) { return *const_cast<Worm&>(worm).GetPosition(); }

inline int32_t SolidAround(MyGlobals& g, const Vector2& c, int32_t r) {
  Landschaft* land = g.GetWelt() ? g.GetWelt()->GetGameLandschaft() : nullptr;
  int32_t n = 0;
  for (int32_t y = int32_t(c.y) - r; land && y <= int32_t(c.y) + r; ++y)
    for (int32_t x = int32_t(c.x) - r; x <= int32_t(c.x) + r; ++x) n += land->IsSolidAt(float(x), float(y));
  return n;
}

inline const Worm* NearestEnemy(HeadlessBattle& battle, const Worm& worm) {
  const Worm* best = nullptr;
  float bestD = 1e30f;
  for (Mannschaft* team : battle.Teams())
    for (Worm* w : team->Worms())
      if (!w->IsDead() && w->GetTeam() != worm.GetTeam()) {
        const float d = (At(*w) - At(worm)).LengthSq();
        if (d < bestD) bestD = d, best = w;
      }
  return best;
}

inline void Key(InputState& in, uint8_t key, bool down = true) { in.keyboard.keys[key] = down ? 0x80 : 0; }

// The keys and the mouse of one frame of a weapon's turn, `t` frames after it began.
inline void Play(Plan& p, const std::u16string& name, InputState& in, const Worm& worm, int64_t t) {
  MyGlobals& g = p.battle->Globals();
  Seen& s = p.seen[name];
  const Vector2 me = At(worm);
  const Worm* enemy = NearestEnemy(*p.battle, worm);
  const Vector2 foe = enemy ? At(*enemy) : me + Vector2(200.0f, 0.0f);
  auto tap = [&](uint8_t key, int64_t from, int64_t length = 5) {
    if (t >= from && t < from + length) Key(in, key);
  };
  auto click = [&](const Vector2& where, int64_t from) {
    g.cursorPoint = where;
    if (t >= from && t < from + 5) in.buttons[0] = 0x80;
  };
  // Face the enemy first.
  if (t < 3 && (foe.x > me.x) != worm.IsFacingRight()) Key(in, foe.x > me.x ? kRight : kLeft);
  if (name == u"Wurmwechsel") {
    tap(kSpace, 20);
    tap(kTab, 60);
  } else if (name == u"Teleport") {
    if (t == 0) s.target = me + Vector2(me.x > foe.x ? 120.0f : -120.0f, -100.0f);
    click(s.target, 10);
    tap(kSpace, 30);
  } else if (name == u"Beamer") {
    tap(kSpace, 10);
    for (int i = 0; i < 3; ++i)
      if (t >= 40 + 40 * i && t < 80 + 40 * i) click(me + Vector2(-150.0f + 150.0f * float(i), -60.0f), 40 + 40 * i);
  } else if (name == u"Schild") {
    tap(kThree, 5);
    click(me, 10);
    tap(kSpace, 30);
  } else if (name == u"Rausch") {
    tap(kThree, 5);
    tap(kSpace, 20);
  } else if (name == u"Jetpack") {
    tap(kSpace, 10);
    if (t >= 30 && t < 120) Key(in, kUp);
    if (t >= 120 && t < 160) Key(in, kRight);
    tap(kSpace, 260);
  } else if (name == u"Bauen") {
    if (t == 0) s.target = me + Vector2(0.0f, -90.0f);
    tap(kSpace, 10);
    if (t >= 30 && t < 60) Key(in, kUp);
    if (t >= 80) click(s.target, 80);
  } else if (name == u"Schlaeger" || name == u"Dynamit" || name == u"Mine" || name == u"Armageddon") {
    tap(kSpace, 10);
  } else if (name == u"Flammenwerfer") {
    if (t >= 5 && t < 60) Key(in, kUp);
    tap(kSpace, 65);
    if (t >= 80 && t < 140) Key(in, kUp);
  } else if (name == u"Erosion") {
    if (t == 0) s.target = foe + Vector2(0.0f, 8.0f);
    click(s.target, 10);
    tap(kSpace, 30);
  } else if (name == u"Auto") {
    tap(kSpace, 10);
    if (t >= 30 && t < 200) Key(in, foe.x > me.x ? kRight : kLeft);
    tap(kSpace, 260);
  } else if (name == u"Laeufer") {
    // Sent off, they go off at whatever they meet.
    tap(kSpace, 10);
  } else if (name == u"Flugzeug") {
    tap(kSpace, 10);
    if (t >= 60 && t < 120) Key(in, foe.x > me.x ? kRight : kLeft);
    tap(kSpace, 200);
  } else if (name == u"Gewehr") {
    tap(kSpace, 10);
    tap(kSpace, 100);
  } else if (name == u"Luftschlag" || name == u"Lenkrakete") {
    click(foe, 10);
    tap(kSpace, 30, name == u"Lenkrakete" ? 80 : 5);
  } else {
    // The bazooka and the grenade: charge a second and let go.
    if (t >= 10 && t < 20) Key(in, kUp);
    if (t >= 30 && t < 130) Key(in, kSpace);
  }
}


// The script of both teams: each turn takes the next weapon of kOrder.
inline ScriptedSteuerung::Script WeaponScript(std::shared_ptr<Plan> plan) {
  return [plan](InputState& in, const Worm* worm, int64_t frame) {
    std::memset(in.keyboard.keys, 0, sizeof in.keyboard.keys);
    in.buttons[0] = 0;
    HeadlessBattle* battle = plan->battle;
    if (!worm || !battle) return;
    Level& level = battle->GetLevel();
    MyGlobals& g = battle->Globals();
    if (!plan->armed) {
      // Every weapon from the first round on and without running out; worms that last.
      plan->armed = true;
      for (Waffe* w : g.GetWaffenSet()->Weapons())
        for (Mannschaft* team : battle->Teams())
          if (WaffenTeamRecord* r = w->FindTeamRecord(team)) r->availabilityOverride = 1;
      for (Mannschaft* team : battle->Teams())
        for (Worm* w : team->Worms()) w->SetHealth(1000.0);
    }
    if (level.GetTurnCount() != plan->turn) {
      plan->turn = level.GetTurnCount();
      plan->start = frame;
      plan->weapon = nullptr;
      plan->firstWorm = worm;
      plan->turnOver = false;
      if (plan->next < kWeapons) {
        const std::u16string name = kOrder[plan->next++];
        plan->weapon = g.GetWaffenSet()->FindByName(name);
        if (plan->weapon) {
          Seen& s = plan->seen[name];
          s.turn = plan->turn;
          s.start = At(*worm);
          s.gatesBefore = g.GetTeleporterListe()->GetPlaced().size();
          level.GetActiveWorm()->SetWeapon(plan->weapon);
          level.SetSelectedWeapon(plan->weapon);
          s.selected = level.GetActiveWorm()->GetWeapon() == plan->weapon;
          const Vector2 builder = At(*worm) + Vector2(0.0f, -90.0f);
          s.solidBefore = name == u"Bauen" ? SolidAround(g, builder, 40) : 0;
        }
      }
    }
    if (!plan->weapon) return;
    Play(*plan, plan->weapon->GetName(), in, *worm, frame - plan->start);
  };
}

inline HeadlessBattleConfig WeaponBattle(std::shared_ptr<Plan> plan, bool openGL = false) {
  HeadlessBattleConfig config;
  config.level = u"mainmenu.lvl";
  config.seed = 5;
  config.wormsPerTeam = 3;
  config.roundTime = 20.0;
  config.maxTurns = int32_t(kWeapons) + 3;
  HeadlessBattleConfig::Team team;
  team.control = HeadlessBattleConfig::Control::kScripted;
  team.script = WeaponScript(plan);
  config.teams = {team, team};
  config.openGL = openGL;
  return config;
}

}  // namespace battle_weapons

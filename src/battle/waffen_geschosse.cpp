// Shells and timed charges: launch, homing, fuses, mines and their description panels.
#include "battle/waffen_geschosse.h"

#include <algorithm>
#include <cmath>

#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/objekt.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"

namespace {

std::u16string Integer(double v) { return platform::FormatW(u"%d", platform::TruncToInt(v)); }

}  // namespace

// ---- Bazooka and Gewehr -------------------------------------------------------

Bazooka::Bazooka(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (block) block->Read(u"MAX_STRENGTH", m_maxStrength);
  m_maxStrength = std::max(m_maxStrength, 0.0);
}

int32_t Bazooka::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction,
                          double strength, const Vector2&) {
  const auto id = LaunchShell(worm, m_type, shotPosition, direction, m_maxStrength * strength, 3.0);
  if (!id) return 0;
  m_shellId = id;
  return 1;
}

std::optional<std::u16string> Bazooka::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"BAZOOKA_BESCHREIBUNG");
  return text;
}

int32_t Gewehr::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                         const Vector2&) {
  const auto id = LaunchShell(worm, m_type, shotPosition, direction, m_maxStrength, 4.0);
  if (!id) return 0;
  m_shellId = id;
  return 1;
}

std::optional<std::u16string> Gewehr::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details && m_usesPerTurn >= 2)
    text += u"\n" + Text(u"SHOTS_LEFT") + u" " + Integer(m_usesPerTurn - m_usesThisTurn);
  return text;
}

// ---- HomingMissle ---------------------------------------------------------------

HomingMissle::HomingMissle(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (!block) return;
  block->Read(u"MAX_STRENGTH", m_maxStrength);
  block->Read(u"TIME_TO_AUFSCHALTUNG", m_lockTime);
  block->Read(u"WINKEL_SPEED", m_turnRate);
  block->Read(u"FLUG_SPEED", m_topSpeed);
  block->Read(u"FLUG_BESCHLEUNIGUNG", m_acceleration);
  block->Read(u"MAX_FLUG_ZEIT", m_homingLimit);
  // Out of range: nothing negative.
  for (double* v : {&m_maxStrength, &m_lockTime, &m_turnRate, &m_topSpeed, &m_acceleration})
    *v = std::max(*v, 0.0);
}

void HomingMissle::Arm(double value) {
  m_lockTime = value;
  Waffe::Arm(value);
}

int32_t HomingMissle::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction,
                               double strength, const Vector2& target) {
  const auto id = LaunchShell(worm, m_type, shotPosition, direction, m_maxStrength * strength, 3.0);
  if (!id) return 0;
  m_shellId = id;
  m_target = target;
  m_active = 1;
  m_flightTime = 0.0;
  Objekt* shell = FindObject(m_shellId);
  m_flightSpeed = shell ? shell->GetSpeed()->Length() : 0.0;
  return 1;
}

void HomingMissle::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_type) return;
  m_flightTime += step;
  Objekt* shell = FindObject(m_shellId);
  if (!shell) {
    m_active = 0;
    return;
  }
  if (!(m_flightTime > m_lockTime && m_flightTime <= m_homingLimit)) return;
  Vector2& speed = *shell->GetSpeed();
  const Vector2 position = *shell->GetPosition();
  if (m_flightSpeed < m_topSpeed) m_flightSpeed = std::min(m_flightSpeed + step * m_acceleration, m_topSpeed);
  // A shell standing still or sitting on the target has no direction to turn from or to:
  // it keeps its speed this frame.
  const Vector2 toTarget = m_target - position;
  if (speed.LengthSq() == 0.0f || toTarget.LengthSq() == 0.0f) return;
  const Vector2 d = platform::Normalize(speed);
  const Vector2 w = platform::Normalize(toTarget);
  auto angleBetween = [](const Vector2& a, const Vector2& b) {
    return std::acos(std::clamp(double(a.x) * b.x + double(a.y) * b.y, -1.0, 1.0));
  };
  const double a0 = angleBetween(d, w);
  const double turn = m_turnRate * step * Partikel::kDegToRad;
  Vector2 next = w;
  if (a0 > turn) {
    auto rotate = [&](double angle) {
      const float c = float(std::cos(angle)), s = float(std::sin(angle));
      return Vector2(d.x * c - d.y * s, d.x * s + d.y * c);
    };
    next = rotate(turn);
    if (angleBetween(next, w) > a0) next = rotate(-turn);
  }
  speed = platform::Normalize(next) * float(m_flightSpeed);
}

Objekt* HomingMissle::CountingDown() const {
  if (!m_active || m_lockTime <= m_flightTime) return nullptr;
  return FindObject(m_shellId);
}

void HomingMissle::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (Objekt* shell = CountingDown())
    DrawReadout(m_lockTime - m_flightTime, *shell->GetPosition(), offset, scale, nullptr);
}

bool HomingMissle::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  Objekt* shell = CountingDown();
  if (!shell || !RenderExtraColour(colour)) return false;
  DrawReadout(m_lockTime - m_flightTime, *shell->GetPosition(), offset, scale, &colour);
  return true;
}

std::optional<std::u16string> HomingMissle::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details)
    text += u"\n" + Text(u"HOMING_BESCHREIBUNG") + u"\n" + Text(u"AUFSCHALTZEIT") + u" " +
            Integer(m_lockTime) + u" " + Text(u"SEKUNDEN");
  return text;
}

// ---- Granate ------------------------------------------------------------------

Granate::Granate(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (block) {
    block->Read(u"MAX_STRENGTH", m_maxStrength);
    block->Read(u"MAX_TIMER", m_maxFuse);
    block->Read(u"USE_TIMER", m_useTimer);
  }
  m_maxStrength = std::max(m_maxStrength, 0.0);
  m_maxFuse = std::max(m_maxFuse, 0.0);
  // A fuse longer than the longest allowed would burn until a value key is pressed.
  m_fuse = std::min(kDefaultFuse, m_maxFuse);
}

void Granate::Arm(double value) {
  m_fuse = std::min(value, m_maxFuse);
  Waffe::Arm(value);
}

int32_t Granate::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction,
                          double strength, const Vector2&) {
  const auto id = LaunchShell(worm, m_type, shotPosition, direction, m_maxStrength * strength, 3.0);
  if (!id) return 0;
  m_shellId = id;
  m_active = 1;
  m_flightTime = 0.0;
  return 1;
}

void Granate::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_type) return;
  Objekt* shell = FindObject(m_shellId);
  if (!shell) {
    m_active = 0;
    return;
  }
  m_flightTime += step;
  if (m_useTimer && m_flightTime >= m_fuse) {
    shell->Kill(nullptr, 0);
    m_active = 0;
  }
}

Objekt* Granate::CountingDown() const { return m_active && m_useTimer ? FindObject(m_shellId) : nullptr; }

void Granate::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (Objekt* shell = CountingDown())
    DrawReadout(m_fuse - m_flightTime, *shell->GetPosition(), offset, scale, nullptr);
}

bool Granate::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  Objekt* shell = CountingDown();
  if (!shell || !RenderExtraColour(colour)) return false;
  DrawReadout(m_fuse - m_flightTime, *shell->GetPosition(), offset, scale, &colour);
  return true;
}

std::optional<std::u16string> Granate::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details && m_useTimer)
    text += u"\n" + Text(u"TIMER") + u" " + Integer(m_fuse) + u" " + Text(u"SEKUNDEN");
  return text;
}

// ---- Dynamit ------------------------------------------------------------------

Dynamit::Dynamit(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (block) block->Read(u"MAX_TIMER", m_fuse);
  m_fuse = std::max(m_fuse, 0.0);
  m_tick = ReadTickSound(block);
}

int32_t Dynamit::FireImpl(Objekt&, const Vector2& shotPosition, const Vector2&, double, const Vector2&) {
  PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  if (m_active || !m_type || !list) return 0;
  // No speed given: the charge takes its type's own start speed.
  auto charge = std::make_unique<Partikel>(m_type, &shotPosition, nullptr, 0xFFFFFFFF, 0);
  m_chargeId = charge->GetId();
  list->Add(std::move(charge));
  ++m_usesThisTurn;
  m_active = 1;
  m_burnTime = 0.0;
  m_turnTimer = 0.0;
  FollowAndHold(*m_chargeId, -1.0);
  return 1;
}

void Dynamit::Update(double step) {
  Waffe::Update(step);
  if (!m_active) return;
  Objekt* charge = FindObject(m_chargeId);
  if (!charge) {
    m_active = 0;
    return;
  }
  const double before = m_fuse - m_burnTime;
  m_burnTime += step;
  PlayFuseTicks(m_tick, before, m_fuse - m_burnTime);
  if (m_burnTime >= m_fuse) {
    charge->Kill(nullptr, 0);
    m_active = 0;
  }
}

std::optional<std::u16string> Dynamit::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) {
    if (m_active)
      text += Text(u"DYNAMIT_R\u00DCCKZUG");
    else
      text += Text(u"TIMER") + u" " + Integer(m_fuse) + u" " + Text(u"SEKUNDEN");
  }
  return text;
}

// ---- Mine ---------------------------------------------------------------------

Mine::Mine(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (block) {
    block->Read(u"TIMER", m_fuseBase, 0);
    block->Read(u"TIMER", m_fuseSpread, 1);
    block->Read(u"AUFSCHALT_TIME", m_armingDelay);
    block->Read(u"AUFSCHALT_DIST", m_triggerDistance);
  }
  for (double* v : {&m_fuseBase, &m_fuseSpread, &m_armingDelay, &m_triggerDistance}) *v = std::max(*v, 0.0);
  m_tick = ReadTickSound(block);
}

int32_t Mine::FireImpl(Objekt&, const Vector2& shotPosition, const Vector2&, double, const Vector2&) {
  PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  if (m_active || !m_type || !list) return 0;
  auto mine = std::make_unique<Partikel>(m_type, &shotPosition, nullptr, 0xFFFFFFFF, 0);
  Record record;
  record.fuse = platform::RandFraction() * m_fuseSpread + m_fuseBase;
  record.armingLeft = m_armingDelay;
  record.id = mine->GetId();
  m_mines.push_back(record);
  list->Add(std::move(mine));
  ++m_usesThisTurn;
  m_active = 1;
  m_turnTimer = 0.0;
  m_sinceLaid = 0.0;
  return 1;
}

void Mine::Update(double step) {
  Waffe::Update(step);
  std::vector<Objekt*>& worms = m_worms;
  worms.clear();
  if (m_globals) m_globals->GetWormManager()->CollectWorms(worms);
  for (size_t i = m_mines.size(); i-- > 0;) {
    Record& record = m_mines[i];
    Objekt* mine = m_globals ? m_globals->FindObject(record.id) : nullptr;
    if (!mine) {
      m_mines.erase(m_mines.begin() + std::ptrdiff_t(i));
      continue;
    }
    if (record.triggered) {
      const double before = record.fuse - record.burnTime;
      record.burnTime += step;
      PlayFuseTicks(m_tick, before, record.fuse - record.burnTime);
      if (record.burnTime > record.fuse) {
        // Its kill events run, and it may change the terrain as it goes.
        CommandParam params[2];
        params[0].flag = params[1].flag = 1;
        mine->Kill(params, 2);
        m_mines.erase(m_mines.begin() + std::ptrdiff_t(i));
      }
      continue;
    }
    if (record.armingLeft > 0.0) record.armingLeft -= step;
    if (record.armingLeft > 0.0) continue;
    const Vector2 at = *mine->GetPosition();
    for (size_t w = worms.size(); w-- > 0;)
      if ((*worms[w]->GetPosition() - at).Length() < m_triggerDistance) {
        record.triggered = true;
        break;
      }
  }
  if (m_active) {
    m_sinceLaid += step;
    if (m_sinceLaid >= m_armingDelay) m_active = 0;
  }
}

std::optional<std::u16string> Mine::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_active ? u"MINE_R\u00DCCKZUG" : u"MINE_BESCHREIBUNG");
  return text;
}

// The particle: construction from its type, the frame step, death and drawing.
#include "objects/partikel.h"

#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/partikelinfo.h"
#include "objects/partikelliste.h"
#include "objects/renderextra.h"
#include "objects/simservices.h"
#include "platform/numeric.h"
#include "world/landstamp.h"
#include "world/watersurface.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

// Create events run inside constructors, so a chain of them nests.
int32_t g_createDepth = 0;

// Children spawned in one update at most; the rest of a longer wait is dropped. An absurd
// spawn rate would otherwise make millions of particles in one frame.
constexpr int32_t kMaxSpawnsPerUpdate = 1000;

const PartikelInfo& DefaultType() {
  static const PartikelInfo type(nullptr);
  return type;
}

float Channel(Argb c, int shift) { return float((c >> shift) & 0xFF) / 255.0f; }

uint32_t PackChannel(float v, int shift) {
  v = std::clamp(v, 0.0f, 1.0f);
  return uint32_t(platform::TruncInRange(v * 255.0f + 0.5f)) << shift;
}

Argb Modulate(Argb a, Argb b) {
  Argb out = 0;
  for (int shift : {24, 16, 8, 0}) out |= PackChannel(Channel(a, shift) * Channel(b, shift), shift);
  return out;
}

Argb WithAlphaScaled(Argb colour, double t) {
  const uint32_t alpha = uint32_t(platform::TruncInRange(double(colour >> 24) * t));
  return (colour & 0x00FFFFFF) | (std::min<uint32_t>(alpha, 255) << 24);
}

Vector2 Lerp(const Vector2& a, const Vector2& b, double t) {
  return Vector2(float(a.x + (b.x - a.x) * t), float(a.y + (b.y - a.y) * t));
}

bool SamePixel(const Vector2& a, const Vector2& b) {
  return platform::TruncToInt(a.x) == platform::TruncToInt(b.x) &&
         platform::TruncToInt(a.y) == platform::TruncToInt(b.y);
}

bool Finite(const Vector2& v) { return std::isfinite(v.x) && std::isfinite(v.y); }

}  // namespace

Partikel::QuietCreation::QuietCreation() : m_saved(g_createDepth) { g_createDepth = kMaxCreateDepth; }

Partikel::QuietCreation::~QuietCreation() { g_createDepth = m_saved; }

Partikel::Partikel(const PartikelInfo* type, const Vector2* position, const Vector2* speed, Argb colour,
                   int32_t generation, int32_t drawLayer, const KVNode* node)
    : Objekt(node), m_services(SimServices::Current()), m_type(type ? type : &DefaultType()) {
  const PartikelInfo& t = *m_type;
  m_colour = m_currentColour = Modulate(t.DrawColour(), colour);
  m_animation = t.PickAnimation();
  m_position = position ? *position : t.DrawInitPosition();
  m_previousPosition = m_position;
  m_speed = speed ? *speed : t.DrawInitSpeed();
  m_baseSize = t.DrawSize();

  m_gravity = t.gravity.Draw();
  m_angle = m_startAngle = t.startAngle.Draw();
  m_maxSpeed = t.maxSpeed.Draw();
  m_spin = m_startSpin = t.spin.DrawSymmetric();
  if (t.rotateWithCollision != 0 && !t.rotateWithDirection) m_spin = 0.0;
  m_collisionFriction = t.collisionFriction.Draw();
  m_airFriction = t.airFriction.Draw();
  m_windFactor = t.windFactor.Draw();
  m_lifetimeLeft = t.lifetime.Draw();
  if (m_lifetimeLeft <= 0.0) m_state |= DeathParam::kAge;
  m_hasLifetime = m_lifetimeLeft > 0.0;
  m_fadeIn = t.fadeIn.Draw();
  m_fadeOut = t.fadeOut.Draw();

  m_shape = t.collisionShape;
  m_changesTerrain = t.changesLayer;
  m_canBeDeleted = t.canBeDeleted;
  if (m_shape == 4 && m_angle == 0.0 && m_spin == 0.0) m_shape = 3;
  // A mask needs a frame; without an animation the particle collides as its box.
  if ((m_shape == 3 || m_shape == 4) && !m_animation) m_shape = 2;

  m_generation = generation;
  m_drawLayer = drawLayer == kTypeLayer ? t.drawLayer : drawLayer;
  m_visible = t.draw;

  m_childBudget = t.DrawMaxChildren();
  m_hasChildBudget = m_childBudget >= 0;
  if (m_generation > t.DrawRecursion()) m_state |= DeathParam::kNoChildren;
  m_spawnRate = t.spawnRate.Draw();

  if (g_createDepth < kMaxCreateDepth) {
    ++g_createDepth;
    RunEvent(t.PickCreateEvent());
    --g_createDepth;
  }
}

Partikel::Partikel(const Partikel& other)
    : Objekt(other),
      m_services(other.m_services),
      m_position(other.m_position),
      m_previousPosition(other.m_previousPosition),
      m_speed(other.m_speed),
      m_size(other.m_size),
      m_baseSize(other.m_baseSize),
      m_angle(other.m_angle),
      m_startAngle(other.m_startAngle),
      m_gravity(other.m_gravity),
      m_extraAcceleration(other.m_extraAcceleration),
      m_maxSpeed(other.m_maxSpeed),
      m_airFriction(other.m_airFriction),
      m_spin(other.m_spin),
      m_startSpin(other.m_startSpin),
      m_collisionFriction(other.m_collisionFriction),
      m_windFactor(other.m_windFactor),
      m_lifetimeLeft(other.m_lifetimeLeft),
      m_hasLifetime(other.m_hasLifetime),
      m_fadeIn(other.m_fadeIn),
      m_fadeOut(other.m_fadeOut),
      m_age(other.m_age),
      m_shape(other.m_shape),
      m_changesTerrain(other.m_changesTerrain),
      m_canBeDeleted(other.m_canBeDeleted),
      m_collided(other.m_collided),
      m_impactSpeed(other.m_impactSpeed),
      m_contact(other.m_contact),
      m_animation(other.m_animation ? other.m_animation->Clone() : nullptr),
      m_state(other.m_state),
      m_colour(other.m_colour),
      m_currentColour(other.m_currentColour),
      m_type(other.m_type),
      m_childBudget(other.m_childBudget),
      m_childrenSpawned(other.m_childrenSpawned),
      m_hasChildBudget(other.m_hasChildBudget),
      m_spawnRate(other.m_spawnRate),
      m_visible(other.m_visible),
      m_spawnTimer(other.m_spawnTimer),
      m_generation(other.m_generation),
      m_spawning(other.m_spawning),
      m_drawLayer(other.m_drawLayer),
      m_dead(other.m_dead),
      m_sizeScale(other.m_sizeScale),
      m_ignore(other.m_ignore),
      m_renderExtrasPending(other.m_renderExtrasPending) {}

Partikel::~Partikel() {
  // Every entry is released whether or not its use was added: a release never goes below
  // zero.
  if (RenderExtraListe* extras = m_services->renderExtras) {
    for (size_t i = m_type->renderExtraTypes.size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(m_type->renderExtraTypes[i])) e->ReleaseUse();
    for (size_t i = GetRenderExtraTypes().size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(GetRenderExtraTypes()[i])) e->ReleaseUse();
  }
}

double Partikel::Step() const {
  const FrameTimer* timer = m_services->Timer();
  return timer ? timer->gameStep : 0.0;
}

void Partikel::RunEvent(const std::u16string& name) {
  if (!name.empty() && m_services->events) m_services->events->Run(name, *this);
}

void Partikel::OnIdChanged(uint32_t oldId) {
  if (m_owner) m_owner->Rekey(*this, oldId);
}

int32_t Partikel::GetPartikelTyp() const { return m_type->partikelTyp; }

void Partikel::Kill(const CommandParam* params, int32_t count) {
  bool fire = true;
  if (params && count > 0) fire = params[0].flag != 0;
  if (params && count > 1) m_changesTerrain = params[1].flag != 0;
  if (m_dead) return;
  // Dead before the event runs, so an event that kills its target again does nothing.
  m_dead = true;
  if (fire) RunEvent(m_type->PickKillEvent());
}

void Partikel::Revive(const CommandParam*, int32_t) { m_dead = false; }

bool Partikel::IsDead() const { return m_dead || (m_type->death && m_type->death->Matches(m_state)); }

void Partikel::ScaleSize(double factor) {
  m_size *= float(factor);
  m_baseSize *= float(factor);
  m_sizeScale = factor;
}

void Partikel::Update(bool animate) {
  const double dt = Step();
  SimServices& services = *m_services;
  const PartikelInfo& t = *m_type;

  m_collided = false;
  if (animate && m_animation) {
    m_animation->Update(dt);
    if (m_animation->IsFinished()) m_state |= DeathParam::kAnimationEnd;
  }

  Vector2 wind(0.0f, 0.0f);
  if (m_windFactor != 0.0 && services.wind)
    if (const Wind* current = services.wind->GetCurrentWind())
      wind = current->ForceOnParticle(m_position) * float(m_windFactor);
  const Vector2 gravity = services.world ? services.world->GetGravity() : Vector2(0.0f, 100.0f);
  const Vector2 acceleration = gravity * float(m_gravity) + m_extraAcceleration + wind;
  m_speed += acceleration * float(dt);

  double s = m_speed.Length();
  if (s > m_maxSpeed) {
    const double excess = (s - m_maxSpeed) * dt * m_airFriction;
    const double slowed = std::max(s - excess, m_maxSpeed);
    m_speed = m_speed / float(s) * float(slowed);
    s = m_speed.Length();
  }

  m_previousPosition = m_position;
  const Vector2 target = m_position + m_speed * float(dt);
  m_age += dt;
  // A position or speed that is no longer a number would walk the terrain without end.
  if (!Finite(target) || !Finite(m_speed)) {
    m_dead = true;
    return;
  }

  if (m_age < m_fadeIn) {
    const double f = m_age / m_fadeIn;
    m_size = Lerp(m_baseSize * float(t.sizingIn), m_baseSize, f);
    m_currentColour = t.fadingIn ? WithAlphaScaled(m_colour, f) : m_colour;
  } else if (m_shape == 0 && m_hasLifetime && m_age > m_lifetimeLeft - m_fadeOut) {
    const double f = m_fadeOut > 0.0 ? std::clamp((m_lifetimeLeft - m_age) / m_fadeOut, 0.0, 1.0) : 0.0;
    m_size = Lerp(m_baseSize * float(t.sizingOut), m_baseSize, f);
    m_currentColour = t.fadingOut ? WithAlphaScaled(m_colour, f) : m_colour;
  } else {
    m_size = m_baseSize;
    m_currentColour = m_colour;
  }

  if (!t.rotateWithDirection) {
    m_angle += dt * m_spin;
  } else {
    const double x = m_speed.x, y = m_speed.y;
    double a;
    if (x > 0.0)
      a = std::atan(y / x);
    else if (x < 0.0)
      a = std::atan(y / x) + 3.141592653589793;
    else
      a = y < 0.0 ? 4.71238898038469 : 1.5707963267948966;
    m_angle = a * kRadToDeg + m_startAngle;
  }

  if (services.water) {
    const double w = services.water->GetSurfaceY();
    if (m_position.y < w && w < target.y) RunEvent(t.PickEnterWaterEvent());
  }

  if (m_shape == 0 || (!t.checkExact && SamePixel(target, m_position))) {
    m_position = target;
  } else {
    const Vector2 from = t.checkExact ? m_position : target;
    if (MoveWithCollision(from, target, m_contact, m_position)) {
      if (s != 0.0) {
        m_collided = true;
        m_impactSpeed = m_speed;
        Bounce(s);
      }
      RunEvent(t.PickCollideEvent());
    }
  }

  for (size_t i = m_ignore.size(); i-- > 0;) {
    CollisionIgnore& record = m_ignore[i];
    record.seconds -= dt;
    const bool gone = record.seconds <= 0.0 || (services.worms && record.object &&
                                                !services.worms->ContainsPoint(*record.object, target));
    if (gone) m_ignore.erase(m_ignore.begin() + std::ptrdiff_t(i));
  }

  if (t.collisionWorm && services.worms) {
    // The list's memory is kept from one call to the next; an event run from the loop
    // that comes back here finds it taken and makes its own.
    thread_local std::vector<Objekt*> kept;
    std::vector<Objekt*> worms = std::move(kept);
    worms.clear();
    services.worms->CollectWorms(worms);
    for (size_t i = worms.size(); i-- > 0;) {
      Objekt* worm = worms[i];
      if (!worm || !services.worms->ContainsPoint(*worm, m_position)) continue;
      const bool ignored = std::any_of(m_ignore.begin(), m_ignore.end(),
                                       [&](const CollisionIgnore& r) { return r.object == worm; });
      if (!ignored) RunEvent(t.PickWormCollideEvent());
    }
    kept = std::move(worms);
  }

  if (t.checkForceFields && services.forceFields) services.forceFields->ApplyFields(*this);
  if (t.checkTeleporter && services.teleporters) services.teleporters->TryTeleport(*this);

  if (m_collided && (s < 1.0 / dt || SamePixel(m_position, m_previousPosition)))
    m_state |= DeathParam::kAtRest;
  else
    m_state &= ~uint32_t(DeathParam::kAtRest);
  if (services.world) {
    const Rect box{platform::TruncToInt(m_position.x - m_size.x / 2.0f),
                   platform::TruncToInt(m_position.y - m_size.y / 2.0f),
                   platform::TruncToInt(m_position.x + m_size.x / 2.0f),
                   platform::TruncToInt(m_position.y + m_size.y / 2.0f)};
    if (services.world->OutsideCode(box) != 0) m_state |= DeathParam::kOutside;
  }
  if (!(m_state & DeathParam::kAge)) {
    m_lifetimeLeft -= dt;
    if (m_lifetimeLeft <= 0.0) m_state |= DeathParam::kAge;
  }

  SpawnChildren(dt);
}

void Partikel::SpawnChildren(double dt) {
  if ((m_state & DeathParam::kNoChildren) || !m_spawning) return;
  m_spawnTimer += dt;
  if (m_spawnRate > 0.0) SpawnDue();
}

void Partikel::SpawnDue() {
  const double interval = 1.0 / m_spawnRate;
  PartikelListe* list = m_services->particles;
  for (int32_t made = 0; m_spawnTimer > interval; ++made) {
    if (made == kMaxSpawnsPerUpdate) {
      m_spawnTimer = 0.0;
      break;
    }
    if (m_hasChildBudget && m_childrenSpawned >= m_childBudget) {
      m_state |= DeathParam::kNoChildren;
      break;
    }
    const PartikelInfo* childType = list ? list->FindInfo(m_type->PickChildType()) : nullptr;
    if (childType) {
      const Vector2 offset = (m_type->spawnOffset + m_type->DrawSpawnPosition()) * float(m_sizeScale);
      const Vector2 at = m_position + offset;
      auto child =
          std::make_unique<Partikel>(childType, &at, nullptr, m_colour, m_generation + 1, m_drawLayer);
      child->m_ignore = m_ignore;
      child->ScaleSize(m_sizeScale);
      list->Add(std::move(child));
    }
    m_spawnTimer -= interval;
    ++m_childrenSpawned;
  }
}

void Partikel::OnDeath() {
  Welt* world = m_services->world;
  const AnimationFrame* frame = m_animation ? m_animation->GetCurrentFrame() : nullptr;
  if (m_changesTerrain && m_collided && world && frame && frame->texture && frame->texture->texture) {
    const Vector2 half = m_size / 2.0f;
    const Rect box{platform::TruncToInt(m_position.x - half.x), platform::TruncToInt(m_position.y - half.y),
                   platform::TruncToInt(m_position.x + half.x), platform::TruncToInt(m_position.y + half.y)};
    const double rotation = m_angle;
    LandStamp stamp(frame->texture->texture, frame->rect, box, &half, &rotation, true, m_currentColour,
                    LandStamp::kSourceAlpha, LandStamp::kInvSourceAlpha, false);
    world->StampIntoLayer(stamp, -1, nullptr);
  }
  RunEvent(m_type->PickDeleteEvent());
}

void Partikel::ActivateRenderExtras() {
  if (!m_renderExtrasPending) return;
  if (RenderExtraListe* extras = m_services->renderExtras) {
    for (size_t i = m_type->renderExtraTypes.size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(m_type->renderExtraTypes[i])) e->AddUse();
    for (size_t i = GetRenderExtraTypes().size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(GetRenderExtraTypes()[i])) e->AddUse();
  }
  m_renderExtrasPending = false;
}

bool Partikel::Render(const Vector2& offset, const Vector2& scale, Argb colour, int32_t layer, float pivot) {
  if (m_renderExtrasPending) ActivateRenderExtras();
  if (!m_visible || m_drawLayer != layer || !m_animation) return false;
  const AnimationFrame* frame = m_animation->GetCurrentFrame();
  APIGraphics* graphics = m_services->Graphics();
  SpriteRenderer* renderer = graphics ? graphics->GetSpriteRenderer() : nullptr;
  if (!frame || !frame->texture || !renderer) return false;
  const float frameWidth = float(frame->rect.right - frame->rect.left);
  const float frameHeight = float(frame->rect.bottom - frame->rect.top);
  if (frameWidth == 0.0f || frameHeight == 0.0f) return false;
  Vector2 drawScale(m_size.x / frameWidth * scale.x, m_size.y / frameHeight * scale.y);
  const Argb c = colour == 0xFFFFFFFF ? m_currentColour : colour;
  const double a = std::fmod(m_angle, 360.0);
  const float top = (m_position.y - m_size.y * pivot) * scale.y + offset.y;
  if (!(m_type->rotateMirror && a > 90.0 && a < 270.0)) {
    const Vector2 place((m_position.x - m_size.x / 2.0f) * scale.x + offset.x, top);
    const Vector2 centre(m_size.x / 2.0f * scale.x, m_size.y / 2.0f * scale.y);
    return renderer->DrawTransformedTex(frame->texture, &frame->rect, &drawScale, &centre,
                                        m_angle * kDegToRad, &place, c);
  }
  drawScale.x = -drawScale.x;
  const Vector2 place((m_size.x / 2.0f + m_position.x) * scale.x + offset.x, top);
  const Vector2 centre(-m_size.x / 2.0f * scale.x, m_size.y / 2.0f * scale.y);
  return renderer->DrawTransformedTex(frame->texture, &frame->rect, &drawScale, &centre,
                                      (a - 180.0) * kDegToRad, &place, c);
}

bool Partikel::RenderExtra(const Vector2& offset, const Vector2& scale, int32_t layer) {
  RenderExtraListe* extras = m_services->renderExtras;
  ::RenderExtra* entry = extras ? extras->GetCurrent() : nullptr;
  uint32_t colour = 0;
  if (!entry || !entry->GetColour(::RenderExtra::kParticles, colour, m_type->renderExtraId) ||
      colour < 0x01000000)
    return false;
  return Render(offset, scale, colour, layer, 0.5f) && (colour & 0x00FFFFFF) != 0;
}

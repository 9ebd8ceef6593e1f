// Force fields: reading the types, the ring test, killing and bouncing, limits and drawing.
#include "objects/kraftfeld.h"

#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/partikel.h"
#include "objects/renderextra.h"
#include "objects/simservices.h"
#include "platform/numeric.h"
#include "platform/text.h"

namespace {

// The game's sprite renderer, as the particles draw with it.
SpriteRenderer* Sprites(const SimServices& services) {
  APIGraphics* graphics = services.Graphics();
  return graphics ? graphics->GetSpriteRenderer() : nullptr;
}

// The colour with its alpha scaled by alpha / 255, as the product with white of that alpha.
Argb WithAlpha(Argb colour, int32_t alpha) {
  const float a = float(colour >> 24) / 255.0f * float(alpha) / 255.0f;
  const uint32_t packed = uint32_t(platform::TruncInRange(std::clamp(a, 0.0f, 1.0f) * 255.0f + 0.5f));
  return (colour & 0x00FFFFFF) | (packed << 24);
}

void DrawFrame(SpriteRenderer* sprites, const Animation* animation, const Rect& dst, Argb colour) {
  const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
  if (!sprites || !frame || !frame->texture) return;
  sprites->DrawRect(frame->texture->texture, &frame->rect, &dst, SpriteRenderer::kStretch,
                    SpriteRenderer::kStretch, colour);
}

double Distance(const Vector2& a, const Vector2& b) {
  const double dx = double(a.x) - b.x, dy = double(a.y) - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

Kraftfeld::Kraftfeld(const KVNode* node, const LoadSources& sources)
    : Objekt(node), m_services(SimServices::Current()), m_sound(sources.sound) {
  if (!node) return;
  if (const KVNode* radius = node->GetChild(0, u"RADIUS"))
    for (unsigned i = 0; i < radius->GetValueCount() && i < 4; ++i)
      m_radius[i] = radius->GetValue(i)->AsDouble();
  float x = 0.0f, y = 0.0f;
  if (node->Read(u"POSITION", x, 0) && node->Read(u"POSITION", y, 1)) m_position = Vector2(x, y);
  bool on = false;
  double limit = 0.0;
  if (node->Read(u"TIMER", on, 0) && node->Read(u"TIMER", limit, 1)) {
    m_timeLimited = on;
    m_timeLimit = limit;
  }
  if (node->Read(u"ROUND", on, 0) && node->Read(u"ROUND", limit, 1)) {
    m_roundLimited = on;
    m_roundLimit = limit;
  }
  int32_t hits = 0;
  if (node->Read(u"HITS", on, 0) && node->Read(u"HITS", hits, 1)) {
    m_hitLimited = on;
    m_hitLimit = hits;
  }
  if (const KVNode* extras = node->GetChild(0, u"EXTRA_ANIMATIONEN")) {
    for (unsigned i = 0; i < extras->CountChildren(u"EINTRAG"); ++i) {
      const KVNode* entry = extras->GetChild(i, u"EINTRAG");
      if (entry->GetValueCount() < 2) continue;
      ExtraAnimations().push_back(
          sources.animations ? sources.animations->CreateAnimation(entry->GetValue(0)->Text()) : nullptr);
      ExtraAnimationNames().push_back(entry->GetValue(1)->Text());
    }
  }
  const SearchPath searchPath(node->GetChild(0, u"SEARCHPATH"));
  m_createSounds.Read(*node, u"ON_CREATE_SOUNDS", u"ON_CREATE_SOUND_PROP", searchPath, sources);
  m_destroySounds.Read(*node, u"ON_DESTROY_SOUNDS", u"ON_DESTROY_SOUND_PROP", searchPath, sources);
  m_hitSounds.Read(*node, u"ON_HIT_SOUNDS", u"ON_HIT_SOUND_PROP", searchPath, sources);
}

Kraftfeld::Kraftfeld(const Kraftfeld& other)
    : Objekt(other),
      m_services(other.m_services),
      m_sound(other.m_sound),
      m_position(other.m_position),
      m_timeLimited(other.m_timeLimited),
      m_roundLimited(other.m_roundLimited),
      m_hitLimited(other.m_hitLimited),
      m_elapsed(other.m_elapsed),
      m_timeLimit(other.m_timeLimit),
      m_rounds(other.m_rounds),
      m_roundLimit(other.m_roundLimit),
      m_hits(other.m_hits),
      m_hitLimit(other.m_hitLimit),
      m_createSounds(other.m_createSounds),
      m_destroySounds(other.m_destroySounds),
      m_hitSounds(other.m_hitSounds) {
  std::copy(std::begin(other.m_radius), std::end(other.m_radius), m_radius);
}

Kraftfeld::~Kraftfeld() {
  // Only what OnCreate took: a type or a clone that never went into play releases nothing
  // that other objects hold.
  if (!m_usesTaken) return;
  if (RenderExtraListe* extras = m_services->renderExtras)
    for (size_t i = GetRenderExtraTypes().size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(GetRenderExtraTypes()[i])) e->ReleaseUse();
}

void Kraftfeld::OnCreate() {
  m_createSounds.Play(m_sound);
  if (m_usesTaken) return;
  if (RenderExtraListe* extras = m_services->renderExtras)
    for (size_t i = GetRenderExtraTypes().size(); i-- > 0;)
      if (::RenderExtra* e = extras->FindLast(GetRenderExtraTypes()[i])) e->AddUse();
  m_usesTaken = true;
}

void Kraftfeld::OnDestroy() { m_destroySounds.Play(m_sound); }

bool Kraftfeld::Contains(const Vector2& p) const {
  const double dx = double(p.x) - m_position.x, dy = double(p.y) - m_position.y;
  return m_radius[3] * m_radius[3] > 0.75 * (dx * dx + dy * dy);
}

bool Kraftfeld::IsFinished() const {
  return (m_timeLimited && m_elapsed >= m_timeLimit) || (m_roundLimited && m_rounds >= m_roundLimit) ||
         (m_hitLimited && m_hits >= m_hitLimit);
}

void Kraftfeld::Update(double dt) {
  if (m_timeLimited) m_elapsed += dt;
}

void Kraftfeld::Render(const Vector2&, const Vector2&) {}

bool Kraftfeld::RenderExtra(const Vector2&, const Vector2&) { return false; }

void Kraftfeld::PlayHitSound() { m_hitSounds.Play(m_sound); }

KillKraftfeld::KillKraftfeld(const KVNode* node, const LoadSources& sources) : Kraftfeld(node, sources) {
  if (!node) return;
  if (const KVNode* kinds = node->GetChild(0, u"TYPEN"))
    for (unsigned i = 0; i < kinds->GetValueCount(); ++i) m_kinds |= uint32_t(kinds->GetValue(i)->AsInt());
  std::u16string animation;
  if (node->Read(u"ANIMATION", animation) && sources.animations)
    m_animation = sources.animations->CreateAnimation(animation);
  std::u16string colour;
  if (node->Read(u"COLORKEY", colour)) m_colour = platform::WToUL16(colour);
}

KillKraftfeld::KillKraftfeld(const KillKraftfeld& other)
    : Kraftfeld(other), m_kinds(other.m_kinds), m_colour(other.m_colour) {
  if (other.m_animation) {
    m_animation = other.m_animation->Clone();
    m_animation->Restart(-1);
  }
}

KillKraftfeld::~KillKraftfeld() = default;

std::unique_ptr<Kraftfeld> KillKraftfeld::Clone() const { return std::make_unique<KillKraftfeld>(*this); }

bool KillKraftfeld::MatchesKind(const Partikel& object) const {
  return (uint32_t(object.GetPartikelTyp()) & m_kinds) != 0;
}

void KillKraftfeld::ApplyTo(Partikel& object) {
  if (!MatchesKind(object)) return;
  const double d = Distance(*GetPosition(), *object.GetPosition());
  if (!(GetInnerRadius() < d && d < GetOuterRadius())) return;
  CountHit();
  object.Kill(nullptr, 0);
  PlayHitSound();
}

void KillKraftfeld::Update(double dt) {
  // The time of a time-limited field counts here too, or a "TIMER" field would never end.
  Kraftfeld::Update(dt);
  if (m_animation) m_animation->Update(dt);
  for (auto& extra : ExtraAnimations())
    if (extra) extra->Update(dt);
}

int32_t KillKraftfeld::DrawAlpha() const {
  if (GetHitLimit() == 0) return 0;
  // A field that no number of hits ends keeps its look, however many it has taken.
  if (!HasHitLimit()) return 255;
  const double share = 1.0 - double(GetHits()) / double(GetHitLimit());
  return std::clamp(platform::TruncToInt(share * 255.0), 0, 255);
}

Rect KillKraftfeld::ScreenRect(const Vector2& o, const Vector2& s) {
  const Vector2 p = *GetPosition();
  const double r = GetOuterRadius();
  return Rect{platform::TruncToInt((p.x - r) * s.x + o.x), platform::TruncToInt((p.y - r) * s.y + o.y),
              platform::TruncToInt((p.x + r) * s.x + o.x), platform::TruncToInt((p.y + r) * s.y + o.y)};
}

void KillKraftfeld::Render(const Vector2& offset, const Vector2& scale) {
  if (!m_animation) return;
  DrawFrame(Sprites(Services()), m_animation.get(), ScreenRect(offset, scale),
            WithAlpha(m_colour, DrawAlpha()));
}

bool KillKraftfeld::RenderExtra(const Vector2& offset, const Vector2& scale) {
  RenderExtraListe* extras = Services().renderExtras;
  ::RenderExtra* entry = extras ? extras->GetCurrent() : nullptr;
  uint32_t colour = 0;
  if (!entry || !entry->GetColour(::RenderExtra::kForceFields, colour, GetRenderExtraId()) ||
      (colour >> 24) == 0)
    return false;
  SpriteRenderer* sprites = Sprites(Services());
  const Rect dst = ScreenRect(offset, scale);
  const Argb drawn = WithAlpha(colour, DrawAlpha());
  for (size_t i = 0; i < ExtraAnimations().size(); ++i)
    if (ExtraAnimations()[i] && entry->HasName(&ExtraAnimationNames()[i]))
      DrawFrame(sprites, ExtraAnimations()[i].get(), dst, drawn);
  return (colour & 0x00FFFFFF) != 0;
}

SchubsKraftfeld::SchubsKraftfeld(const KVNode* node, const LoadSources& sources)
    : KillKraftfeld(node, sources) {
  if (node) node->Read(u"REIBUNG", m_friction);
}

std::unique_ptr<Kraftfeld> SchubsKraftfeld::Clone() const { return std::make_unique<SchubsKraftfeld>(*this); }

void SchubsKraftfeld::ApplyTo(Partikel& object) {
  if (!MatchesKind(object)) return;
  const Vector2 centre = *GetPosition();
  const Vector2 previous = object.GetPreviousPosition();
  const double d = Distance(centre, *object.GetPosition());
  const double before = Distance(centre, previous);
  // At the centre there is no direction to push along: the object stays as it is.
  if (d == 0.0 || before == 0.0) return;
  const double outer = GetOuterRadius(), inner = GetInnerRadius();
  const bool crossed = (before < outer && outer <= d) || (outer <= before && d < outer) ||
                       (before < inner && inner <= d) || (inner <= before && d < inner);
  if (!crossed) return;
  CountHit();
  const double nx = (double(previous.x) - centre.x) / before, ny = (double(previous.y) - centre.y) / before;
  const double tx = -ny, ty = nx;
  Vector2& v = *object.GetSpeed();
  const double speed = std::sqrt(double(v.x) * v.x + double(v.y) * v.y);
  if (speed > 0.0) {
    const double ux = v.x / speed, uy = v.y / speed;
    const double along = tx * ux + ty * uy;
    const double k = speed * (1.0 - m_friction);
    v = Vector2(float((2.0 * along * tx - ux) * k), float((2.0 * along * ty - uy) * k));
  }
  const double to = before > d ? outer + 1.0 : inner - 1.0;
  *object.GetPosition() = Vector2(float(centre.x + nx * to), float(centre.y + ny * to));
  PlayHitSound();
}

// Teleporter gates: reading a type, copying it into a gate, and sending objects on.
#include "objects/teleporter.h"

#include <algorithm>

#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apigraphics.h"
#include "engine/kvnode.h"
#include "engine/searchpath.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/renderextra.h"
#include "objects/simservices.h"
#include "platform/numeric.h"
#include "platform/random.h"

namespace {

// Keeps the particle type's create event from firing while a type is made: the temporary
// lives until the base particle is built.
const PartikelInfo* Quietly(const PartikelInfo* type, const Partikel::QuietCreation&) { return type; }

// The game's sprite renderer, as the particles draw with it.
SpriteRenderer* Sprites(const SimServices& services) {
  APIGraphics* graphics = services.Graphics();
  return graphics ? graphics->GetSpriteRenderer() : nullptr;
}

bool DrawFrame(SpriteRenderer* sprites, const Animation* animation, const Rect& dst, Argb colour) {
  const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
  if (!sprites || !frame || !frame->texture) return false;
  return sprites->DrawRect(frame->texture->texture, &frame->rect, &dst, SpriteRenderer::kStretch,
                           SpriteRenderer::kStretch, colour);
}

}  // namespace

Teleporter::Teleporter(const PartikelInfo* type, const KVNode& section, const LoadSources& sources)
    : Partikel(Quietly(type, Partikel::QuietCreation()), nullptr, nullptr, 0xFFFFFFFF, 0, kTypeLayer,
               &section),
      m_sound(sources.sound) {
  *GetPosition() = Vector2(0.0f, 0.0f);
  *GetSize() = Vector2(0.0f, 0.0f);
  std::u16string name = u"UNNAMED_TRANSPORTER";
  section.Read(u"NAME", name);
  SetName(std::move(name));

  // Keys with too few values count as absent.
  double a = 0.0, b = 0.0;
  if (section.Read(u"MAX_DIST", a, 0) && section.Read(u"MAX_DIST", b, 1)) m_maxDistance = a * b;
  section.Read(u"TIME_OUT", m_timeOut);
  section.Read(u"USE_PHYSIK", m_usesPhysics);
  if (const KVNode* names = section.GetChild(0, u"ANIMATIONEN"); names && sources.animations)
    for (unsigned i = 0; i < names->GetValueCount() && i < unsigned(kAnimationCount); ++i)
      m_animations[i] = sources.animations->CreateAnimation(names->GetValue(i)->Text());
  if (const KVNode* extras = section.GetChild(0, u"EXTRA_ANIMATIONEN")) {
    for (unsigned i = 0; i < extras->CountChildren(u"EINTRAG"); ++i) {
      const KVNode* entry = extras->GetChild(i, u"EINTRAG");
      if (entry->GetValueCount() < 2) continue;
      ExtraAnimations().push_back(
          sources.animations ? sources.animations->CreateAnimation(entry->GetValue(0)->Text()) : nullptr);
      ExtraAnimationNames().push_back(entry->GetValue(1)->Text());
    }
  }
  const SearchPath searchPath(section.GetChild(0, u"SEARCHPATH"));
  m_sounds.Read(section, u"ON_TELEPORT_SOUNDS", u"ON_TELEPORT_SOUND_PROP", searchPath, sources);
}

Teleporter::Teleporter(const Teleporter& other)
    : Partikel(other),
      m_sound(other.m_sound),
      m_pairColour(other.m_pairColour),
      m_maxDistance(other.m_maxDistance),
      m_usesPhysics(other.m_usesPhysics),
      m_timeOut(other.m_timeOut),
      m_sounds(other.m_sounds) {
  SetName(other.GetName() + u"_Copy");
  for (int i = 0; i < kAnimationCount; ++i)
    if (other.m_animations[i]) m_animations[i] = other.m_animations[i]->Clone();
}

Teleporter::~Teleporter() = default;

void Teleporter::Link(Teleporter* a, Teleporter* b) {
  if (!a || !b || a == b) return;
  if (std::find(a->m_linked.begin(), a->m_linked.end(), b) != a->m_linked.end()) return;
  a->m_linked.push_back(b);
  Link(b, a);
}

Vector2 Teleporter::GetCentre() {
  const Vector2 p = *GetPosition();
  return Vector2(p.x, p.y - GetSize()->y / 2.0f);
}

bool Teleporter::TryTeleport(Objekt& object) {
  if (m_timeOutTimer > 0.0) return false;
  Vector2* where = object.GetPosition();
  if (!where) return false;
  const Vector2 d = *where - GetCentre();
  if (!(double(d.x) * d.x + double(d.y) * d.y < m_maxDistance)) return false;
  const uint32_t id = object.GetId();
  if (std::find(m_recentIds.begin(), m_recentIds.end(), id) != m_recentIds.end() || m_linked.empty())
    return false;

  std::vector<Teleporter*> candidates = m_linked;
  const size_t n = candidates.size();
  if (n > 1) {
    for (size_t k = 0; k < 2 * n + 1; ++k) {
      const size_t j = size_t(platform::Rand()) % n;
      Teleporter* moved = candidates[j];
      candidates.erase(candidates.begin() + std::ptrdiff_t(j));
      candidates.push_back(moved);
    }
  }
  Teleporter* target = nullptr;
  for (size_t i = n; i-- > 0;) {
    if (candidates[i]->IsReady()) {
      target = candidates[i];
      break;
    }
  }
  if (!target) return false;

  // The speed stays as it was: what flies in flies out.
  *where = target->GetCentre();
  m_recentIds.push_back(id);
  target->m_recentIds.push_back(id);
  m_timeOutTimer = m_timeOut;
  target->m_timeOutTimer = m_timeOut;
  m_sounds.Play(m_sound);
  return true;
}

void Teleporter::Update(double dt) {
  if (m_usesPhysics) Partikel::Update(true);
  for (auto& animation : m_animations)
    if (animation) animation->Update(dt);
  for (size_t i = ExtraAnimations().size(); i-- > 0;)
    if (ExtraAnimations()[i]) ExtraAnimations()[i]->Update(dt);

  // Measured from the position, not the centre, as the reach was always kept.
  const ObjectFinder* finder = Services().objects;
  const Vector2 here = *GetPosition();
  for (size_t i = m_recentIds.size(); i-- > 0;) {
    Objekt* object = finder ? finder->FindObject(m_recentIds[i]) : nullptr;
    const Vector2* at = object ? object->GetPosition() : nullptr;
    bool keep = false;
    if (at) {
      const Vector2 d = *at - here;
      keep = double(d.x) * d.x + double(d.y) * d.y < m_maxDistance;
    }
    if (!keep) m_recentIds.erase(m_recentIds.begin() + std::ptrdiff_t(i));
  }
  if (m_timeOutTimer > 0.0) m_timeOutTimer -= dt;
}

Rect Teleporter::ScreenRect(const Vector2& offset, const Vector2& scale) {
  const Vector2 p = *GetPosition(), s = *GetSize();
  return Rect{platform::TruncToInt((p.x - s.x / 2.0f) * scale.x + offset.x),
              platform::TruncToInt((p.y - s.y) * scale.y + offset.y),
              platform::TruncToInt((s.x / 2.0f + p.x) * scale.x + offset.x),
              platform::TruncToInt(p.y * scale.y + offset.y)};
}

void Teleporter::Render(const Vector2& offset, const Vector2& scale) {
  SpriteRenderer* sprites = Sprites(Services());
  if (!sprites) return;
  const Rect dst = ScreenRect(offset, scale);
  DrawFrame(sprites, m_animations[IsReady() ? kIdle : kResting].get(), dst, 0xFFFFFFFF);
  DrawFrame(sprites, m_animations[kOverlay].get(), dst, m_pairColour);
}

bool Teleporter::RenderExtra(const Vector2& offset, const Vector2& scale) {
  if (!IsReady()) return false;
  RenderExtraListe* extras = Services().renderExtras;
  ::RenderExtra* entry = extras ? extras->GetCurrent() : nullptr;
  uint32_t colour = 0;
  if (!entry || !entry->GetColour(::RenderExtra::kTeleporters, colour, GetRenderExtraId()) ||
      (colour >> 24) == 0)
    return false;
  SpriteRenderer* sprites = Sprites(Services());
  const Rect dst = ScreenRect(offset, scale);
  for (size_t i = 0; i < ExtraAnimations().size(); ++i)
    if (ExtraAnimations()[i] && entry->HasName(&ExtraAnimationNames()[i]))
      DrawFrame(sprites, ExtraAnimations()[i].get(), dst, colour);
  return true;
}

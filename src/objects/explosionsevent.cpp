// Explosions and animated explosions.
#include "objects/explosionsevent.h"

#include <algorithm>
#include <cmath>

#include "engine/animation.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/texturdefcache.h"
#include "objects/eventhost.h"
#include "objects/eventkeys.h"
#include "objects/explosiontable.h"
#include "objects/objekt.h"
#include "objects/partikelliste.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/landstamp.h"
#include "world/welt.h"

ExplosionsEvent::ExplosionsEvent(const KVNode* section, EventHost& host) : Event(section, host) {
  eventkeys::Read(section, u"DESTROY_SRC", destroySource);
  if (section && section->GetChild(0, u"SCHADEN"))
    wormDamage = damage = eventkeys::ReadRamp(section, u"SCHADEN");
  if (section && section->GetChild(0, u"SCHADEN_WORMS"))
    wormDamage = eventkeys::ReadRamp(section, u"SCHADEN_WORMS");
  impulse = eventkeys::ReadRamp(section, u"IMPULS");
  eventkeys::Read(section, u"EXPLOSION_NAME", explosionName);
  eventkeys::Read(section, u"ERDE_SIZE_MULTIPLIER", earthSize);
  eventkeys::Read(section, u"PARTIKEL_DICHTE", density, 0);
  // A density of 0 means 1; a negative one would turn the stride negative.
  if (density <= 0.0) density = 1.0;
  eventkeys::Read(section, u"PARTIKEL_DICHTE", strideMin, 1);
  eventkeys::Read(section, u"PARTIKEL_DICHTE", strideMax, 2);
}

int32_t ExplosionsEvent::EarthStride(int32_t earthStep) const {
  const double maximum = strideMax >= 0 ? double(strideMax) : 25.0 * earthStep;
  const int32_t n = platform::TruncToInt(std::max(double(strideMin), std::min(maximum, earthStep * density)));
  // A stride below one would never advance through the pixels.
  return std::max(n, 1);
}

void ExplosionsEvent::Cut(const Vector2& centre, std::vector<RemovedPixel>& removed) {
  if (Welt* world = Host().GetWelt()) world->CarveCrater(centre, GetRadius(), &removed, -1, true);
}

void ExplosionsEvent::DestroySource(Objekt& target) {
  CommandParam silent;
  silent.flag = 0;
  target.Kill(&silent, 1);
}

void ExplosionsEvent::Execute(Objekt& target) {
  // A copy: the target may move or die while the explosion works.
  const Vector2 centre = target.GetPosition() ? *target.GetPosition() : Vector2(0.0f, 0.0f);
  std::vector<RemovedPixel> removed;
  Cut(centre, removed);
  if (PartikelListe* particles = Host().GetPartikelListe())
    particles->SpawnErdePartikel(removed, centre, impulse, &earthSize, EarthStride(Host().GetEarthStep()));
  if (ExplosionTable* explosions = Host().GetExplosionTable())
    if (const ExplosionDef* blast = explosions->Find(&explosionName))
      blast->SpawnRandomPartikel(centre, damage, wormDamage, impulse);
  std::vector<Objekt*> victims;
  Host().CollectObjects(victims);
  for (size_t i = victims.size(); i-- > 0;)
    if (victims[i]) victims[i]->ApplyExplosion(&centre, &impulse, &wormDamage);
  if (destroySource) DestroySource(target);
  Event::Execute(target);
}

AnimiertesExplosionsEvent::AnimiertesExplosionsEvent(const KVNode* section, EventHost& host)
    : ExplosionsEvent(section, host) {
  for (const std::u16string& name : eventkeys::ReadTexts(section, u"ANIMATIONEN")) {
    if (std::unique_ptr<Animation> animation = host.CreateAnimation(name))
      m_animations.push_back(std::move(animation));
    else
      eventkeys::Report(GetName(), u"names no animation", name);
  }
}

AnimiertesExplosionsEvent::~AnimiertesExplosionsEvent() = default;

void AnimiertesExplosionsEvent::Update(const FrameTimer& timer) {
  for (const auto& animation : m_animations) animation->Update(timer.realStep);
}

int32_t AnimiertesExplosionsEvent::EarthStride(int32_t earthStep) const {
  const int32_t n =
      platform::TruncToInt(std::max(double(strideMin), std::min(double(strideMax), earthStep * density)));
  // 0 leaves the stride to the game's setting; below 0 the pixels would never be stepped
  // through.
  return n < 0 ? 1 : n;
}

void AnimiertesExplosionsEvent::Cut(const Vector2& centre, std::vector<RemovedPixel>& removed) {
  const AnimationFrame* frame = nullptr;
  if (!m_animations.empty()) {
    const size_t index = m_animations.size() >= 2 ? size_t(platform::Rand()) % m_animations.size() : 0;
    frame = m_animations[index]->GetCurrentFrame();
  }
  Welt* world = Host().GetWelt();
  // Without a frame to cut with, the explosion cuts its disc.
  if (!frame || !frame->texture || !frame->texture->texture || !world) {
    ExplosionsEvent::Cut(centre, removed);
    return;
  }
  const double r = GetRadius();
  const Rect destination{platform::TruncToInt(centre.x - r), platform::TruncToInt(centre.y - r),
                         platform::TruncToInt(centre.x + r), platform::TruncToInt(centre.y + r)};
  const Vector2 pivot(float((frame->rect.right - frame->rect.left) / 2),
                      float((frame->rect.bottom - frame->rect.top) / 2));
  const double rotation = 0.0;
  LandStamp stamp(frame->texture->texture, frame->rect, destination, &pivot, &rotation, true, 0xFFFFFFFF,
                  LandStamp::kSourceAlpha, LandStamp::kInvSourceAlpha, false);
  world->CarveShape(stamp, &removed, -1, true);
}

void AnimiertesExplosionsEvent::DestroySource(Objekt& target) { target.Kill(nullptr, 0); }

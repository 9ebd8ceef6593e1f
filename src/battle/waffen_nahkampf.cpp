// Close combat and area weapons: the melee blow, the flame thrower, the erosion and the
// walking runners.
#include "battle/waffen_nahkampf.h"

#include <algorithm>
#include <cstdio>

#include "battle/cameramanager.h"
#include "engine/animation.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/camerajoblist.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/spriterenderer.h"
#include "engine/texturdefcache.h"
#include "objects/distanceramp.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "objects/person.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

// The turn waits while the object exists (the battle's tracked object), without the camera.
void HoldTurnFor(MyGlobals* globals, uint32_t id) {
  if (CameraJobList* jobs = globals ? globals->GetCameraJobs() : nullptr)
    jobs->Add(CameraJob(globals, id, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
}

// -1 .. 1 from one draw of the game's generator.
double Spread() { return platform::RandFraction() * 2.0 - 1.0; }

}  // namespace

bool PlaysToAnEnd(const Animation* animation) {
  return animation && animation->GetFrameLimit() >= 1 && animation->GetSpeed() > 0.0;
}

// ---- Nahkampfwaffe -------------------------------------------------------------

Nahkampfwaffe::Nahkampfwaffe(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  if (block) {
    block->Read(u"MAX_IMPULS", m_impulse);
    block->Read(u"MAX_SCHADEN", m_damage);
    if (const KVNode* fixed = block->GetChild(0, u"FESTE_DIR"); fixed && fixed->GetValueCount() >= 2) {
      m_fixedGiven = true;
      m_fixed = Vector2(float(fixed->GetValue(0)->AsDouble()), float(fixed->GetValue(1)->AsDouble()));
    }
  }
  if (const Animation* swing = GetAnimationId(false, false)) m_swing = swing->Clone();
}

Nahkampfwaffe::~Nahkampfwaffe() = default;

int32_t Nahkampfwaffe::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                                const Vector2&) {
  if (m_active || !m_globals) return 0;
  std::vector<Objekt*> worms;
  m_globals->GetWormManager()->CollectWorms(worms);
  const Worm* shooter = dynamic_cast<const Worm*>(&worm);
  const double shooterRadius = shooter ? shooter->GetEigenschaften().radius : 0.0;
  for (Objekt* object : worms) {
    Worm* victim = dynamic_cast<Worm*>(object);
    if (!victim || object == &worm) continue;
    const Vector2 centre = *victim->GetPosition() + victim->GetProperties().centre;
    const double reach = shooterRadius + victim->GetEigenschaften().radius;
    if (!(double((centre - shotPosition).Length()) < reach)) continue;
    // The victim is pushed away from a point just behind it: along the aim, or along the
    // fixed direction mirrored to the side the shooter faces.
    Vector2 push = direction;
    if (m_fixedGiven) push = direction.x > 0.0f ? m_fixed : Vector2(-m_fixed.x, m_fixed.y);
    const Vector2 blow = centre - push;
    const DistanceRamp impulse{m_impulse, m_impulse, 0.0, reach};
    const DistanceRamp damage{m_damage, m_damage, 0.0, reach};
    victim->ApplyExplosion(&blow, &impulse, &damage);
    if (CameraManager* camera = m_globals->GetCamera())
      camera->AddJob(CameraJob(m_globals, victim->GetId(), CameraJob::kTimed, 2.0, 0.0, false, 3.0), false);
    m_globals->busyTime = 2.0;
  }
  m_active = 1;
  if (m_swing) m_swing->Restart(-1);
  return 1;
}

void Nahkampfwaffe::Update(double step) {
  Waffe::Update(step);
  if (!m_active) return;
  // A swing that is not played, missing or looping ends the use at once.
  if (m_playAnimation[1] && PlaysToAnEnd(m_swing.get())) {
    m_swing->Update(step);
    if (!m_swing->IsFinished()) return;
  }
  m_active = 0;
  ++m_usesThisTurn;
}

std::optional<std::u16string> Nahkampfwaffe::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"NAHKAMPFWAFFE_BESCHREIBUNG");
  return text;
}

// ---- Flammenwerfer -------------------------------------------------------------

Flammenwerfer::Flammenwerfer(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (!block) return;
  block->Read(u"MAX_STRENGTH", m_speed);
  block->Read(u"MAX_TIME", m_sprayTime);
  block->Read(u"RANDOM", m_scatter.x, 0);
  block->Read(u"RANDOM", m_scatter.y, 1);
  block->Read(u"SPAWNSPEED", m_rate);
}

void Flammenwerfer::Spray(const Vector2& velocity) {
  PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  if (!list) return;
  auto flame = std::make_unique<Partikel>(m_type, &m_nozzle, &velocity, 0xFFFFFFFF, 0);
  if (Objekt* worm = FindObject(m_wormId))
    flame->AddCollisionIgnore(Partikel::MakeCollisionIgnore(worm, m_wormGraceTime));
  const uint32_t id = flame->GetId();
  list->Add(std::move(flame));
  HoldTurnFor(m_globals, id);
}

int32_t Flammenwerfer::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                                const Vector2&) {
  if (m_active || !m_type) return 0;
  m_wormId = worm.GetId();
  m_nozzle = shotPosition;
  Spray(platform::Normalize(direction) * float(m_speed));
  m_elapsed = 0.0;
  m_spawnTimer = 0.0;
  m_active = 1;
  m_nozzleDirection = direction;
  ++m_usesThisTurn;
  return 1;
}

void Flammenwerfer::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_type) return;
  m_elapsed += step;
  m_active = m_sprayTime >= m_elapsed ? 1 : 0;
  // Without a positive rate there is no interval between flames: only the first one flies.
  if (!(m_rate > 0.0)) return;
  const double interval = 1.0 / m_rate;
  m_spawnTimer += step;
  while (m_spawnTimer >= interval) {
    m_spawnTimer -= interval;
    Vector2 v = m_nozzleDirection;
    v.x = float(v.x + Spread() * m_scatter.x);
    v.y = float(v.y + Spread() * m_scatter.y);
    Spray(v * float(m_speed));
    PlayShotSound();
  }
}

void Flammenwerfer::SetAim(const Vector2& position, const Vector2& direction) {
  m_nozzle = position;
  m_nozzleDirection = direction;
}

std::optional<std::u16string> Flammenwerfer::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(u"FLAMMENWERFER_START");
  return text;
}

// ---- Erosion -------------------------------------------------------------------

Erosion::Erosion(const KVNode* block, MyGlobals* globals, APIContext* context) : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  m_most = 10 * (globals ? globals->earthStep : MyGlobals::kDefaultEarthStep);
  if (!block) return;
  double radius = m_radius;
  if (block->Read(u"RADIUS", radius)) {
    // No point lies inside a circle of no size: the bite's search would never end.
    if (radius > 0.0)
      m_radius = radius;
    else
      std::fprintf(stderr, "waffen.waf: %s: RADIUS %g refused, %g kept\n", platform::U16ToUtf8(m_name).c_str(),
                   radius, m_radius);
  }
  block->Read(u"RADIUS_DEL", m_biteRadius);
  block->Read(u"AMPLITUDE", m_amplitude);
  block->Read(u"USE_FALLOFF", m_softEdge);
  block->Read(u"MAX_TIMER", m_duration);
  block->Read(u"IMPULS", m_toss[0], 0);
  block->Read(u"IMPULS", m_toss[1], 1);
  block->Read(u"PARTIKELDICHTE", m_density, 0);
  if (m_density == 0.0) m_density = 1.0;
  block->Read(u"PARTIKELDICHTE", m_least, 1);
  block->Read(u"PARTIKELDICHTE", m_most, 2);
}

int32_t Erosion::BitesPerParticle() const {
  const int32_t step = m_globals ? m_globals->earthStep : MyGlobals::kDefaultEarthStep;
  double k = step * m_density;
  k = std::min(k, double(m_most));
  k = std::max(k, double(m_least));
  // Every k-th bite throws a crumb: k below 1 would divide by zero.
  return std::max(platform::TruncToInt(k), 1);
}

int32_t Erosion::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2& target) {
  if (m_active || !m_type) return 0;
  ++m_usesThisTurn;
  m_active = 1;
  m_centre = target;
  if (m_globals) {
    m_globals->busyTime = m_duration + 1.0;
    if (CameraManager* camera = m_globals->GetCamera()) camera->Shake(m_centre, m_amplitude, m_duration);
  }
  m_bites = 0;
  m_elapsed = 0.0;
  PlayShotSound();
  return 1;
}

void Erosion::Bite(const Vector2& at, int32_t perParticle) {
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  Landschaft* land = world ? world->GetGameLandschaft() : nullptr;
  if (!land) return;
  const uint32_t* pixel = land->PeekPixel(at.x, at.y);
  if (!pixel || !IsSolidPixel(*pixel)) return;
  // Only the surface is eaten: a solid pixel with open air below, left, right or above it.
  // Above is tested too, or flat ground, the commonest surface, would never be bitten.
  const bool surface = land->IsEmptyAt(at.x, at.y + 1.0f) || land->IsEmptyAt(at.x - 1.0f, at.y) ||
                       land->IsEmptyAt(at.x + 1.0f, at.y) || land->IsEmptyAt(at.x, at.y - 1.0f);
  if (!surface) return;
  const Argb colour = 0xFF000000u | (*pixel & 0x00FFFFFFu);
  ++m_bites;
  world->CarveCrater(at, m_biteRadius, nullptr, -1, m_softEdge);
  if (m_bites % perParticle != 0) return;
  if (PartikelListe* list = m_globals->GetPartikelListe())
    list->Add(std::make_unique<Partikel>(m_type, &at, nullptr, colour, 0));
}

void Erosion::TossStandingWorms() {
  std::vector<Objekt*> worms;
  m_globals->GetWormManager()->CollectWorms(worms);
  const double r2 = m_radius * m_radius;
  for (Objekt* object : worms) {
    Person* worm = dynamic_cast<Person*>(object);
    if (!worm || worm->GetMoveState() != Person::kStanding) continue;
    const Vector2 at = *worm->GetPosition();
    if (!(double((at - m_centre).LengthSq()) < r2)) continue;
    const double value = m_toss[0] + (m_toss[1] - m_toss[0]) * platform::RandFraction();
    const DistanceRamp impulse{value, value, 1.0, 50.0};
    const Vector2 from = at + Vector2(float(platform::RandFraction() * 60.0 - 30.0), 0.0f);
    worm->ApplyExplosion(&from, &impulse, nullptr);
  }
}

void Erosion::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_globals) return;
  m_elapsed += step;
  if (m_elapsed >= m_duration) {
    m_active = 0;
    return;
  }
  const int32_t tries = platform::TruncToInt(m_radius * m_radius * 16.0 / m_duration * step);
  const int32_t perParticle = BitesPerParticle();
  const double r2 = m_radius * m_radius;
  for (int32_t i = 0; i < tries; ++i) {
    double x = 0.0, y = 0.0;
    do {
      x = Spread() * m_radius;
      y = Spread() * m_radius;
    } while (x * x + y * y >= r2);
    Bite(m_centre + Vector2(float(x), float(y)), perParticle);
  }
  TossStandingWorms();
}

std::optional<std::u16string> Erosion::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"EROSION_BESCHREIBUNG");
  return text;
}

// ---- Selbstmoerder -------------------------------------------------------------

Selbstmoerder::Selbstmoerder(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  if (!block) return;
  block->Read(u"PERSON", m_templateName);
  block->Read(u"MAX_TIMER", m_life);
  block->Read(u"CAN_KILL", m_canKill);
  block->Read(u"KILL_ON_HINDERNISS", m_killOnObstacle);
  block->Read(u"ANZ_PERSONEN", m_count);
  block->Read(u"SPAWN_DELAY", m_spawnDelay);
  // Checked only once the persons are read (the game reads them first).
  if (globals && !m_templateName.empty() && !globals->GetWormManager()->GetPersons().empty() && !Template())
    ReportMissing("person", m_templateName);
}

Selbstmoerder::~Selbstmoerder() = default;

const Person* Selbstmoerder::Template() {
  if (!m_template && m_globals && !m_templateName.empty())
    m_template = m_globals->GetWormManager()->FindPerson(m_templateName);
  return m_template;
}

Objekt* Selbstmoerder::FindOwnedObject(uint32_t id) const {
  for (const Runner& runner : m_runners)
    if (runner.person->HasId(id)) return runner.person.get();
  return nullptr;
}

void Selbstmoerder::Walk(Runner& runner) {
  CommandParam param;
  param.flag = runner.direction > 0 ? 1 : 0;
  runner.person->Command(Person::kWalking, &param);
}

void Selbstmoerder::Send() {
  Runner runner;
  runner.person = std::make_unique<Person>(*m_template);
  *runner.person->GetPosition() = m_start;
  runner.person->SetWorld(m_globals->GetWelt());
  runner.direction = m_towardsRight ? 1 : -1;
  runner.lifeLeft = m_life;
  Walk(runner);
  if (Objekt* worm = FindObject(m_wormId))
    runner.person->AddCollisionIgnore(Partikel::MakeCollisionIgnore(worm, m_wormGraceTime));
  const uint32_t id = runner.person->GetId();
  m_runners.push_back(std::move(runner));
  HoldTurnFor(m_globals, id);
}

int32_t Selbstmoerder::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                                const Vector2&) {
  if (m_active || !m_globals || !Template()) return 0;
  m_runners.clear();
  m_spent.clear();
  m_towardsRight = direction.x >= 0.0f;
  m_start = shotPosition;
  m_wormId = worm.GetId();
  m_active = 1;
  Send();
  m_sent = 1;
  m_spawnTimer = 0.0;
  return 1;
}

void Selbstmoerder::ReturnToWorm() {
  if (CameraJobList* jobs = m_wormId && m_globals ? m_globals->GetCameraJobs() : nullptr)
    jobs->Add(CameraJob(m_globals, *m_wormId, CameraJob::kTimed, 2.0, 0.0, true, -1.0));
}

void Selbstmoerder::Update(double step) {
  Waffe::Update(step);
  m_spent.clear();
  if (!m_active) return;
  if (m_sent < m_count) {
    m_spawnTimer += step;
    if (m_spawnTimer >= m_spawnDelay) {
      ++m_sent;
      m_spawnTimer -= m_spawnDelay;
      Send();
    }
  }
  for (size_t i = m_runners.size(); i-- > 0;) {
    Runner& runner = m_runners[i];
    Person& person = *runner.person;
    person.MoveStep();
    runner.lifeLeft -= step;
    bool explode = runner.lifeLeft <= 0.0 || person.IsDead();
    const int32_t state = person.GetMoveState();
    int32_t last = state;
    if (state == Person::kStanding && runner.lastState == Person::kWalking) {
      // Walking, then standing: it ran into something.
      if (m_killOnObstacle) {
        explode = true;
      } else {
        runner.direction = -runner.direction;
        Walk(runner);
      }
    } else if (state == Person::kStanding) {
      // Landed (or sent out) standing: it walks on. It counts as walking from here, or a
      // wall right in its way would stop it at every step without ever counting as one,
      // and it would stand there until its time ran out.
      Walk(runner);
      last = person.GetMoveState();
    }
    runner.lastState = last;
    if (explode) {
      person.Kill(nullptr, 0);
      m_runners.erase(m_runners.begin() + std::ptrdiff_t(i));
    }
  }
  if (m_runners.empty() && m_sent >= m_count) {
    m_active = 0;
    ++m_usesThisTurn;
    ReturnToWorm();
  }
}

void Selbstmoerder::OnAction() {
  if (!m_active || !m_canKill) return;
  for (size_t i = m_runners.size(); i-- > 0;) {
    m_runners[i].person->Kill(nullptr, 0);
    m_spent.push_back(std::move(m_runners[i].person));
  }
  m_runners.clear();
  m_active = 0;
  ++m_usesThisTurn;
  ReturnToWorm();
}

void Selbstmoerder::Cancel() {
  m_spent.clear();
  if (!m_active) return;
  m_runners.clear();
  m_active = 0;
}

void Selbstmoerder::DrawRunner(const Person& runner, const Vector2& offset, const Vector2& scale) const {
  SpriteRenderer* renderer =
      m_context && m_context->graphics ? m_context->graphics->GetSpriteRenderer() : nullptr;
  const Animation* animation = runner.GetCurrentAnimation();
  const AnimationFrame* frame = animation ? animation->GetCurrentFrame() : nullptr;
  if (!renderer || !frame || !frame->texture) return;
  Person& person = const_cast<Person&>(runner);
  const Vector2 pos = *person.GetPosition(), size = *person.GetSize();
  const float fw = float(frame->rect.right - frame->rect.left), fh = float(frame->rect.bottom - frame->rect.top);
  if (fw == 0.0f || fh == 0.0f) return;
  const float side = runner.IsFacingRight() ? 1.0f : -1.0f;
  const Vector2 stretch(side * size.x / fw * scale.x, size.y / fh * scale.y);
  const Vector2 place((pos.x - side * size.x / 2.0f) * scale.x + offset.x, (pos.y - size.y) * scale.y + offset.y);
  const Vector2 centre(0.0f, 0.0f);
  renderer->DrawTransformedTex(frame->texture, &frame->rect, &stretch, &centre, 0.0, &place,
                               runner.GetCurrentColour());
}

void Selbstmoerder::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (!m_active) return;
  for (const Runner& runner : m_runners) {
    DrawRunner(*runner.person, offset, scale);
    const Vector2 corner = *runner.person->GetPosition() - *runner.person->GetSize() / 3.0f;
    DrawReadout(runner.lifeLeft, corner, offset, scale, nullptr);
  }
}

bool Selbstmoerder::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  if (!m_active || m_runners.empty() || !RenderExtraColour(colour)) return false;
  for (const Runner& runner : m_runners) {
    runner.person->RenderExtra(offset, scale, 0);
    const Vector2 corner = *runner.person->GetPosition() - *runner.person->GetSize() / 3.0f;
    DrawReadout(runner.lifeLeft, corner, offset, scale, &colour);
  }
  return true;
}

std::optional<std::u16string> Selbstmoerder::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_name + (m_active ? u"_BESCHREIBUNG" : u"_START"));
  return text;
}

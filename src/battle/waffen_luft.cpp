// Attacks from the air: the air strike's row, the armageddon rain and the steered plane.
#include "battle/waffen_luft.h"

#include <algorithm>
#include <cmath>

#include "battle/cameramanager.h"
#include "engine/apicontext.h"
#include "engine/apisound.h"
#include "engine/camerajoblist.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/searchpath.h"
#include "engine/soundset.h"
#include "objects/objekt.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/welt.h"

namespace {

// A warhead dropped from the sky: the camera follows it (when the weapon asks for that) and
// the turn waits while it falls.
uint32_t DropWarhead(MyGlobals* globals, const PartikelInfo* type, const Vector2& at, const Vector2& velocity,
                     bool cameraTarget) {
  auto warhead = std::make_unique<Partikel>(type, &at, &velocity, 0xFFFFFFFF, 0);
  const uint32_t id = warhead->GetId();
  if (cameraTarget)
    if (CameraManager* camera = globals->GetCamera())
      camera->AddJob(CameraJob(globals, id, CameraJob::kFollows, 0.0, 2.0, true, 0.5), true);
  globals->GetPartikelListe()->Add(std::move(warhead));
  if (CameraJobList* jobs = globals->GetCameraJobs())
    jobs->Add(CameraJob(globals, id, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
  return id;
}

// Forgets the warheads that are gone, from the last to the first.
void ForgetGone(MyGlobals* globals, std::vector<uint32_t>& ids) {
  for (size_t i = ids.size(); i-- > 0;)
    if (!globals->FindObject(ids[i])) ids.erase(ids.begin() + std::ptrdiff_t(i));
}

Vector2 ReadVector(const KVNode* block, std::u16string_view key, Vector2 value) {
  if (block) {
    block->Read(key, value.x, 0);
    block->Read(key, value.y, 1);
  }
  return value;
}

// A zero vector stays zero instead of turning into no number.
Vector2 NormalizeOrZero(const Vector2& v) {
  return v.LengthSq() > 0.0f ? platform::Normalize(v) : Vector2(0.0f, 0.0f);
}

}  // namespace

// ---- AirStrike ------------------------------------------------------------------

AirStrike::AirStrike(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  double speed = 500.0;
  Vector2 angle(1.0f, 1.0f);
  if (block) {
    block->Read(u"ANZAHL_SPRENGK\u00D6PFE", m_count);
    block->Read(u"DELAY", m_delay);
    block->Read(u"ABSTAND_TOP", m_topOffset);
    block->Read(u"INIT_SPEED", speed);
    angle = ReadVector(block, u"WINKEL", angle);
    block->Read(u"BREITE", m_width);
  }
  m_count = std::max(m_count, 0);
  // A WINKEL without a vertical part would divide by zero: the bombs fall straight down.
  m_slope = angle.y != 0.0f ? Vector2(angle.x / angle.y, 1.0f) : Vector2(0.0f, 1.0f);
  m_velocity = platform::Normalize(m_slope) * float(speed);
}

int32_t AirStrike::FireImpl(Objekt&, const Vector2&, const Vector2& direction, double,
                            const Vector2& target) {
  const Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  if (!m_type || !world) return 0;
  m_warheads.clear();
  m_active = 1;
  m_dropTimer = 0.0;
  m_dropped = 0;
  ++m_usesThisTurn;
  m_fromLeft = direction.x > 0.0f;
  const float top = float(double(world->GetWorldRect().top) + m_topOffset);
  const float dy = target.y - top;
  const float s = m_slope.x;
  m_rowStart = Vector2(m_fromLeft ? target.x - s * dy : target.x + s * dy, top);
  PlayShotSound();
  return 1;
}

void AirStrike::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_globals) return;
  m_dropTimer += step;
  while (m_dropTimer >= m_delay) {
    ++m_dropped;
    m_dropTimer -= m_delay;
    if (m_dropped > m_count) break;
    // Warhead k of n sits at (k - 1/2) / n of the row, so the row is centred on the line
    // through the target and a single warhead falls on it.
    const double offset = m_width / m_count * (m_dropped - 0.5) - m_width / 2.0;
    const float vx = std::fabs(m_velocity.x);
    Vector2 at = m_rowStart, velocity(m_fromLeft ? vx : -vx, m_velocity.y);
    at.x = float(m_fromLeft ? m_rowStart.x + offset : m_rowStart.x - offset);
    m_warheads.push_back(DropWarhead(m_globals, m_type, at, velocity, GetCameraTargetFlag()));
  }
  ForgetGone(m_globals, m_warheads);
  if (m_dropped >= m_count && m_warheads.empty()) m_active = 0;
}

std::optional<std::u16string> AirStrike::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"AIRSTRIKE_BESCHREIBUNG");
  return text;
}

// ---- Armageddon ------------------------------------------------------------------

Armageddon::Armageddon(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (block) {
    block->Read(u"ANZAHL_SPRENGK\u00D6PFE", m_count);
    if (block->Read(u"DELAY", m_shortest, 0)) m_longest = m_shortest;
    block->Read(u"DELAY", m_longest, 1);
    block->Read(u"ABSTAND_TOP", m_topOffset);
    block->Read(u"ABSTAND_LR", m_sideMargin);
    block->Read(u"INIT_SPEED", m_speed);
  }
  m_count = std::max(m_count, 0);
  m_left = NormalizeOrZero(ReadVector(block, u"WINKEL_L", m_left));
  m_right = NormalizeOrZero(ReadVector(block, u"WINKEL_R", m_right));
}

void Armageddon::DrawInterval() {
  m_interval = platform::RandFraction() * (m_longest - m_shortest) + m_shortest;
}

int32_t Armageddon::FireImpl(Objekt&, const Vector2&, const Vector2&, double, const Vector2&) {
  const Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  if (!m_type || !world) return 0;
  m_warheads.clear();
  m_active = 1;
  m_dropped = 0;
  m_dropTimer = 0.0;
  ++m_usesThisTurn;
  DrawInterval();
  const Rect r = world->GetWorldRect();
  m_startHeight = float(r.top + m_topOffset);
  m_zoneA = float(r.right + m_sideMargin);
  m_zoneB = float(r.left - m_sideMargin);
  PlayShotSound();
  return 1;
}

void Armageddon::Update(double step) {
  Waffe::Update(step);
  if (!m_active || !m_globals) return;
  m_dropTimer += step;
  // An interval of no length would drop the whole rain in one frame and then spin: the
  // count still ends the loop.
  while (m_dropTimer >= m_interval) {
    ++m_dropped;
    m_dropTimer -= m_interval;
    DrawInterval();
    if (m_dropped > m_count) break;
    const float t = float(platform::RandFraction());
    const Vector2 between = m_left + (m_right - m_left) * t;
    const float x = float(platform::RandFraction() * (m_zoneB - m_zoneA) + m_zoneA);
    // Directions that cancel out give no direction: that warhead is left out.
    if (between.LengthSq() == 0.0f) continue;
    const Vector2 velocity = platform::Normalize(between) * float(m_speed);
    m_warheads.push_back(
        DropWarhead(m_globals, m_type, Vector2(x, m_startHeight), velocity, GetCameraTargetFlag()));
  }
  ForgetGone(m_globals, m_warheads);
  if (m_dropped >= m_count && m_warheads.empty()) m_active = 0;
}

std::optional<std::u16string> Armageddon::DescriptionText(bool details) const {
  if (m_active) return std::nullopt;
  std::u16string text = Text(m_textId);
  if (details) text += u"\n" + Text(u"ARMAGEDDON_BESCHREIBUNG");
  return text;
}

// ---- Flugzeug ---------------------------------------------------------------------

Flugzeug::Flugzeug(const KVNode* block, MyGlobals* globals, APIContext* context)
    : Waffe(block, globals, context) {
  m_type = ReadParticleType(block);
  if (!block) return;
  block->Read(u"WINKEL_SPEED", m_turnRate);
  block->Read(u"FLUG_SPEED", m_topSpeed);
  block->Read(u"INIT_FLUG_SPEED", m_startSpeed);
  block->Read(u"FLUG_BESCHLEUNIGUNG", m_acceleration);
  block->Read(u"MAX_LEBENS_ZEIT", m_lifeTime);
  m_topSpeed = std::max(m_topSpeed, 0.0);
  std::u16string name;
  APISound* sound = m_context ? m_context->sound : nullptr;
  if (sound && block->Read(u"FLUGSOUND", name) && !name.empty()) {
    const SearchPath path(block->GetChild(0, u"SEARCHPATH"));
    SoundSet* set =
        sound->Cache().FindOrCreate({&name, &path, m_globals ? m_globals->GetArchive() : nullptr});
    // Without its sound the plane flies silently.
    if (set && (!sound->HasDevice() || set->UsableCount() > 0))
      m_sound = std::make_unique<SoundRequest>(sound, set, APISound::kDefaultVolume, 0, 0.0, 0.0,
                                               SoundRequest::kLooping);
  }
}

Flugzeug::~Flugzeug() { StopSound(); }

void Flugzeug::StopSound() {
  if (m_sound) m_sound->Stop();
}

int32_t Flugzeug::FireImpl(Objekt& worm, const Vector2& shotPosition, const Vector2& direction, double,
                           const Vector2&) {
  PartikelListe* list = m_globals ? m_globals->GetPartikelListe() : nullptr;
  if (!m_type || !list) return 0;
  m_active = 1;
  m_speed = m_startSpeed;
  // With y growing downwards, -45 climbs to the right and 225 to the left.
  m_heading = direction.x > 0.0f ? -45.0 : 225.0;
  m_launchPoint = shotPosition;
  // No speed given: the plane takes its type's own start speed.
  auto plane = std::make_unique<Partikel>(m_type, &shotPosition, nullptr, 0xFFFFFFFF, 0);
  plane->AddCollisionIgnore(Partikel::MakeCollisionIgnore(&worm, m_wormGraceTime));
  m_planeId = plane->GetId();
  if (CameraManager* camera = m_globals->GetCamera())
    camera->AddJob(CameraJob(m_globals, *m_planeId, CameraJob::kFollows, 0.0, 2.0, true, -1.0), true);
  list->Add(std::move(plane));
  if (CameraJobList* jobs = m_globals->GetCameraJobs())
    jobs->Add(CameraJob(m_globals, *m_planeId, CameraJob::kFollows, 0.0, 0.0, true, -1.0));
  m_flightTime = 0.0;
  m_detonate = false;
  ++m_usesThisTurn;
  PlayShotSound();
  if (m_sound) m_sound->PlayNow(SoundRequest::kLooping);
  return 1;
}

void Flugzeug::Update(double step) {
  Waffe::Update(step);
  if (!m_active) {
    StopSound();
    return;
  }
  m_flightTime += step;
  Objekt* plane = FindObject(m_planeId);
  if (!plane) {
    m_active = 0;
    StopSound();
    return;
  }
  const Welt* world = m_globals->GetWelt();
  if (world && plane->GetPosition()->y > world->WaterSurfaceY()) {
    plane->Kill(nullptr, 0);
    return;
  }
  m_speed = std::clamp(m_speed + step * m_acceleration, 0.0, m_topSpeed);
  const double heading = m_heading * Partikel::kDegToRad;
  *plane->GetSpeed() = Vector2(float(std::cos(heading)), float(std::sin(heading))) * float(m_speed);
  if (m_flightTime > m_lifeTime || m_detonate) plane->Kill(nullptr, 0);
}

void Flugzeug::Cancel() {
  if (m_active)
    if (Objekt* plane = FindObject(m_planeId)) plane->Kill(nullptr, 0);
  StopSound();
  m_active = 0;
}

void Flugzeug::DrawAim(const Vector2& offset, const Vector2& scale, bool) {
  if (Objekt* plane = Plane())
    DrawReadout(m_lifeTime - m_flightTime, *plane->GetPosition(), offset, scale, nullptr);
}

bool Flugzeug::DrawExtra(const Vector2& offset, const Vector2& scale) {
  Argb colour = 0;
  Objekt* plane = Plane();
  if (!plane || !RenderExtraColour(colour)) return false;
  DrawReadout(m_lifeTime - m_flightTime, *plane->GetPosition(), offset, scale, &colour);
  return true;
}

std::optional<std::u16string> Flugzeug::DescriptionText(bool details) const {
  std::u16string text = Text(m_textId) + u"\n";
  if (details) text += Text(m_active ? u"FLUGZEUG_CANCEL" : u"FLUGZEUG_START");
  return text;
}

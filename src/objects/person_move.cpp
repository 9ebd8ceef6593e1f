// Person movement: the frame step over the state routines, pixel steps along the ground,
// climbing out of the terrain, swimming, and the ground and climb checks after every step.
#include <algorithm>
#include <cmath>

#include "objects/partikelinfo.h"
#include "objects/person.h"
#include "objects/simservices.h"
#include "platform/numeric.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

// Steps of one frame at most: far beyond any speed the data gives, but a bound, so a
// person with an absurd speed costs a frame and never hangs it.
constexpr int kMaxStepsPerFrame = 4096;

}  // namespace

bool Person::MoveStep() {
  m_timeBudget += Step();
  if (!m_inputXGiven) ExtraAcceleration().x = 0.0f;
  if (!m_inputYGiven) ExtraAcceleration().y = 0.0f;
  ExtraAcceleration().x = std::clamp(ExtraAcceleration().x, -200.0f, 200.0f);
  ExtraAcceleration().y = std::clamp(ExtraAcceleration().y, -500.0f, 500.0f);
  m_inputXGiven = m_inputYGiven = false;

  for (int steps = 0;; ++steps) {
    if (steps == kMaxStepsPerFrame) {
      m_timeBudget = 0.0;
      break;
    }
    bool done = true;
    bool swimming = false;
    // The state is read anew every round: a command given by a check acts at once.
    switch (m_state) {
      case kJetpack:
        if (ExtraAcceleration().x != 0.0f) m_facingRight = ExtraAcceleration().x > 0.0f;
        PlainPhysics();
        break;
      case kWalking:
      case kRunning:
        done = WalkStep();
        break;
      case kFalling:
      case kThrown:
        PlainPhysics();
        break;
      case kClimbing:
        done = ClimbStep();
        break;
      case kInWater:
        SwimStep();
        swimming = true;
        break;
      default:
        m_timeBudget = 0.0;
        break;
    }
    m_lastPosition = Pos();
    if (!swimming) {
      CheckGround();
      CheckClimb();
      m_lastPosition = Pos();
    }
    if (done) break;
  }

  if (GetInfo() && GetInfo()->rotateWithNormal != 0 && !GetInfo()->rotateWithDirection)
    OnCollide(false, Pos(), nullptr);
  CheckWormContact();
  SpawnChildren(Step());
  UpdateAnimation();
  return DecideDeath();
}

void Person::CheckWormContact() {
  const SimServices& services = Services();
  if (!GetInfo() || !GetInfo()->collisionWorm || !services.worms) return;
  std::vector<Objekt*> worms;
  services.worms->CollectWorms(worms);
  const auto& ignores = GetCollisionIgnores();
  for (size_t i = worms.size(); i-- > 0;) {
    Objekt* worm = worms[i];
    if (!worm || !services.worms->ContainsPoint(*worm, Pos())) continue;
    bool ignored = false;
    for (const CollisionIgnore& record : ignores) ignored = ignored || record.object == worm;
    if (!ignored) RunEvent(GetInfo()->PickWormCollideEvent());
  }
}

void Person::PlainPhysics() {
  Partikel::Update(false);
  m_timeBudget = 0.0;
}

void Person::SwimStep() {
  Speed().x = 0.0f;
  if (m_world) {
    const double surface = m_world->WaterSurfaceY();
    if (Pos().y > surface) ExtraAcceleration().y = float((surface - Pos().y) * 0.3 - m_world->GetGravity().y);
  }
  PlainPhysics();
}

void Person::SetStepVelocity() {
  switch (m_state) {
    case kWalking:
      Speed() = Vector2(float(m_properties.walkSpeed), 0.0f);
      break;
    case kRunning:
      Speed() = Vector2(float(m_properties.runSpeed), 0.0f);
      break;
    case kClimbing:
      Speed() = Vector2(0.0f, 50.0f);
      break;
    case kJetpack:
    case kFalling:
      return;
    default:
      break;
  }
  if (!m_facingRight && (m_state == kWalking || m_state == kRunning)) Speed().x = -Speed().x;
  m_stepRate = Speed().Length();
  // A person without speed stays where it is (the step routines treat it as blocked).
  if (m_stepRate > 0.0) Speed() = Speed() / float(m_stepRate);
}

bool Person::WalkStep() {
  SetStepVelocity();
  if (!(m_stepRate > 0.0)) {
    m_timeBudget = 0.0;
    Command(kStanding);
    return true;
  }
  const Vector2 next = Pos() + Speed();
  if (!CanStandAt(next.x, next.y)) {
    m_timeBudget = 0.0;
    Command(kStanding);
    return true;
  }
  const double stepTime = 1.0 / m_stepRate;
  if (stepTime > m_timeBudget) return true;
  AddWalked(Speed());
  Pos() += Speed();
  Pos() += FindGroundOffset(Pos().x, Pos().y);
  m_timeBudget -= stepTime;
  return false;
}

bool Person::ClimbStep() {
  SetStepVelocity();
  if (!(m_stepRate > 0.0)) {
    m_timeBudget = 0.0;
    return true;
  }
  const double stepTime = 1.0 / m_stepRate;
  if (stepTime > m_timeBudget) return true;
  Pos().y -= 1.0f;
  m_timeBudget -= stepTime;
  return false;
}

bool Person::CanStandAt(float x, float y) const {
  const Landschaft* land = m_world ? m_world->GetGameLandschaft() : nullptr;
  if (!land) return true;
  const uint32_t* pixel = land->PeekPixel(x, y);
  if (!pixel || IsEmptyPixel(*pixel)) return true;
  int32_t row = 0;
  return land->FindSurfaceY(platform::TruncToInt(x), platform::TruncToInt(y), m_properties.maxStep, row);
}

Vector2 Person::FindGroundOffset(float x, float y) const {
  const Landschaft* land = m_world ? m_world->GetGameLandschaft() : nullptr;
  if (!land) return {};
  const int32_t n = m_properties.maxStep;
  Vector2 offset(0.0f, float(-n - 2));
  const int32_t column = platform::TruncToInt(x);
  const int32_t top = platform::TruncToInt(double(y) - n);
  bool previousEmpty = true;
  bool found = false;
  for (int32_t k = -1; k < 2 * n; ++k) {
    const uint32_t* pixel = land->PeekPixel(column, int32_t(int64_t(top) + k));
    if (!pixel) return {};
    if (IsSolidPixel(*pixel)) {
      if (k > 0 && previousEmpty) {
        found = true;
        break;
      }
      previousEmpty = false;
    } else {
      previousEmpty = true;
    }
    offset.y += 1.0f;
  }
  if (!found) return Vector2(0.0f, float(n + 1));
  if (!CanStandAt(x + offset.x, y + offset.y)) return {};
  return offset;
}

void Person::CheckGround() {
  const Vector2 below = Pos() + Vector2(0.0f, 1.0f);
  if (m_state != kFalling && m_state != kThrown) {
    const Landschaft* land = m_world ? m_world->GetGameLandschaft() : nullptr;
    const uint32_t* pixel = land ? land->PeekPixel(below.x, below.y) : nullptr;
    if (!pixel) {
      if (m_state != kJetpack) Command(kFalling);
    } else if (IsSolidPixel(*pixel)) {
      m_groundContact = below;
    } else if (FindGroundOffset(Pos().x, Pos().y).y > float(m_properties.maxStep)) {
      if (m_state != kJetpack) Command(kFalling);
    }
  } else if (HasCollided()) {
    Command(kStanding);
    Pos().y = std::trunc(Pos().y);
    const double impact = GetImpactSpeed().Length();
    if (impact > m_properties.landingSpeed[0]) AddDamage(m_properties.LandingDamage(impact));
  }
}

void Person::CheckClimb() {
  if (CanStandAt(Pos().x, Pos().y)) {
    if (m_state == kClimbing) m_state = m_stateBeforeClimb;
  } else if (m_state != kClimbing) {
    m_previousState = m_state;
    m_stateBeforeClimb = m_state;
    m_state = kClimbing;
  }
}

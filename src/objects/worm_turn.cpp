// Worm: the frame step, the control step with walking, jumping, a steered weapon, charging,
// the fire sequence and aiming, the worm's movement commands, and the turn operations the
// battle calls (begin, end, turn over, the end-of-turn processing of health and death).
#include <algorithm>
#include <cmath>

#include "battle/steuerung.h"
#include "battle/waffe.h"
#include "engine/animation.h"
#include "engine/myglobals.h"
#include "objects/simservices.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "posteffects/posteffectinstance.h"
#include "world/landschaft.h"
#include "world/welt.h"

namespace {

// What the game-wide object is asked for when there is none (tests of a lone worm).
struct TurnFields {
  double* hold;
  int32_t* panelRequest;
  int32_t* switchRequest;
  uint8_t* switchOpen;
  bool switchAlways;
  Vector2 cursor;
};

TurnFields FieldsOf(MyGlobals* globals) {
  static double hold = 0.0;
  static int32_t panel = 0, request = 0;
  static uint8_t open = 0;
  if (!globals) return {&hold, &panel, &request, &open, false, Vector2(0.0f, 0.0f)};
  return {&globals->busyTime,     &globals->panelRequest, &globals->switchWormRequest,
          &globals->switchOpen,   globals->switchAlways != 0, globals->cursorPoint};
}

bool Walking(int32_t state) { return state == Person::kWalking || state == Person::kRunning; }

}  // namespace

void Worm::FrameUpdate() {
  if (status == 2) return;
  FireStep();
  MoveStep();
  SetSize(m_eigenschaften.size);
  const double step = Step();
  for (size_t i = m_effects.size(); i-- > 0;) {
    m_effects[i]->Update(&step);
    if (m_effects[i]->IsFinished()) m_effects.erase(m_effects.begin() + std::ptrdiff_t(i));
  }
  if (Services().teleporters) Services().teleporters->TryTeleport(*this);
  if (m_arrow) m_arrow->Update(step);
  if (m_switchArrow) m_switchArrow->Update(step);
  if (m_isCurrent) m_eigenschaften.timeOnTurn[WormEigenschaften::kRound] += step;
}

void Worm::FireStep() {
  using namespace Aktion;
  Steuerung* control = m_control;
  const TurnFields turn = FieldsOf(m_globals);
  const double step = Step();

  if (control && control->IsDown(kLabelMode, Steuerung::kPrimary)) {
    control->Consume(kLabelMode, Steuerung::kPrimary);
    if (WormManager* manager = Manager()) manager->labelMode = (manager->labelMode + 1) % 5;
  }
  if (!m_isCurrent || !control) {
    if (Walking(m_state)) Command(kStanding);
    return;
  }
  auto down = [control](int action) { return control->IsDown(action, Steuerung::kRaw); };

  if (control->IsDown(kWeaponPanel, Steuerung::kPrimary)) {
    control->Consume(kWeaponPanel, Steuerung::kPrimary);
    *turn.panelRequest = 3;
  }
  if ((turn.switchAlways || *turn.switchOpen) && control->IsDown(kNextWorm, Steuerung::kPrimary)) {
    control->Consume(kNextWorm, Steuerung::kPrimary);
    *turn.switchRequest = 1;
  }

  // Walking and jumping.
  if (!CanMove()) {
    if (Walking(m_state)) Command(kStanding);
  } else {
    const bool left = down(kLeft), right = down(kRight);
    if (left || right) {
      *turn.switchOpen = 0;
      Command(down(kModifier) ? kRunning : kWalking);
      m_facingRight = right;
    } else if (Walking(m_state)) {
      Command(kStanding);
    }
    CommandParam jump;
    if (control->IsDoublePress(kJump, Steuerung::kPrimary)) {
      control->Consume(kJump, Steuerung::kPrimary);
      *turn.switchOpen = 0;
      jump.flag = 1;
      Command(kJumping, &jump);
    } else if (control->IsSinglePress(kJump, Steuerung::kPrimary)) {
      control->Consume(kJump, Steuerung::kPrimary);
      *turn.switchOpen = 0;
      Command(kJumping, &jump);
    }
    if (control->IsDoublePress(kBackJump, Steuerung::kSecondary)) {
      control->Consume(kBackJump, Steuerung::kSecondary);
      *turn.switchOpen = 0;
      jump.flag = 1;
      Command(kJumpingBack, &jump);
    } else if (control->IsSinglePress(kBackJump, Steuerung::kPrimary)) {
      control->Consume(kBackJump, Steuerung::kPrimary);
      *turn.switchOpen = 0;
      jump.flag = 0;
      Command(kJumpingBack, &jump);
    }
  }

  // A weapon that takes the steering while it works (a car, a plane, the jet pack).
  const bool steering = IsWeaponSteering();
  if (steering) {
    const struct {
      int action;
      void (Waffe::*handler)(double);
    } keys[] = {{kLeft, &Waffe::OnLeft}, {kRight, &Waffe::OnRight}, {kUp, &Waffe::OnUp}, {kDown, &Waffe::OnDown}};
    for (const auto& key : keys)
      if (down(key.action)) {
        *turn.switchOpen = 0;
        (m_weapon->*key.handler)(step);
      }
    if (down(kFire) && !m_fireLatch) {
      *turn.switchOpen = 0;
      m_weapon->OnAction();
      m_fireLatch = true;
    }
    if (down(kTarget)) {
      m_weapon->OnPlace(step);
      if (!m_actionLatch) {
        *turn.switchOpen = 0;
        m_weapon->OnClick(turn.cursor);
        m_actionLatch = true;
      }
    } else {
      m_actionLatch = false;
    }
  }

  // Charging and the fire sequence.
  if (!steering && CanFireWeapon()) {
    if (!m_fireLatch) ChargeStep();
    if (m_fireRequested && m_targetReady) {
      // A new sequence once the last one has released its shot.
      if (!m_firing || m_fireDone) {
        for (auto& pose : m_pose)
          if (pose) pose->Restart(-1);
        m_firing = true;
        m_fireDone = false;
        m_fireThreshold = 0.5;
      }
      if (FireAnimationReached()) ReleaseShot();
    }
  }

  // A weapon that may be aimed while it works follows the aim.
  if (CanAim() && m_weapon->IsActive()) {
    Aim(step, false);
    m_weapon->SetAim(GetShotPosition(0, false), GetAimDirection());
  }

  if (m_fireLatch && !down(kFire)) m_fireLatch = false;
}

void Worm::ChargeStep() {
  using namespace Aktion;
  Steuerung* control = m_control;
  if (!m_weapon || !control) return;
  const TurnFields turn = FieldsOf(m_globals);
  auto down = [control](int action) { return control->IsDown(action, Steuerung::kRaw); };
  auto hold = [&turn]() { *turn.hold = std::max(*turn.hold, kFireHold); };

  if (!m_weapon->NeedsTarget()) {
    m_targetReady = true;
  } else if (down(kTarget)) {
    *turn.switchOpen = 0;
    m_targetReady = true;
    m_target = turn.cursor;
  }

  const bool fire = down(kFire);
  // With worm switching open the first press of fire only closes it.
  auto closesSwitch = [&]() {
    if (!*turn.switchOpen) return false;
    m_fireLatch = true;
    *turn.switchOpen = 0;
    return true;
  };
  if (!m_weapon->Charges()) {
    if (fire) {
      hold();
      if (closesSwitch()) return;
      m_fireRequested = true;
      m_targetReady = true;
    }
  } else if (!fire || m_fireLatch) {
    // Letting go fires with what was charged.
    if (m_strength != 0.0) {
      hold();
      m_fireRequested = true;
      m_targetReady = true;
    }
  } else {
    if (closesSwitch()) return;
    hold();
    m_strength = std::min(m_strength + Step() * kChargeRate, 1.0);
    if (m_strength >= 1.0) {
      m_fireRequested = true;
      m_targetReady = true;
    }
  }

  if (m_weapon->HasSetting())
    for (int k = 0; k < 10; ++k)
      if (down(kNumber1 + k)) m_weapon->Arm(double(k + 1));

  Aim(Step(), true);
}

void Worm::Aim(double step, bool clearsSwitch) {
  using namespace Aktion;
  if (!m_control) return;
  const TurnFields turn = FieldsOf(m_globals);
  const double rate = m_control->IsDown(kModifier, Steuerung::kRaw) ? kFastAimRate : kAimRate;
  if (m_control->IsDown(kUp, Steuerung::kRaw)) {
    m_aimAngle -= rate * step;
    if (clearsSwitch) *turn.switchOpen = 0;
  }
  if (m_control->IsDown(kDown, Steuerung::kRaw)) {
    m_aimAngle += rate * step;
    if (clearsSwitch) *turn.switchOpen = 0;
  }
  m_aimAngle = std::clamp(m_aimAngle, -90.0, 90.0);
}

bool Worm::FireAnimationReached() const {
  if (!m_weapon || !m_weapon->GetFlagByDir(false)) return true;
  const Animation* overlay = m_weapon->GetAnimationId(false, true);
  if (!overlay) return true;
  // The worm plays its own copy of the fire pair; until it shows it, nothing has played.
  const Animation* playing =
      m_poseSource[0] == m_weapon->GetAnimationId(false, false) && m_poseSource[1] == overlay ? m_pose[1].get()
                                                                                              : nullptr;
  const Animation& a = playing ? *playing : *overlay;
  const size_t frames = a.GetFrameOrder().size();
  // An overlay that cannot play (no frames, no speed) does not keep the shot back.
  if (frames == 0 || !(a.GetSpeed() > 0.0)) return true;
  if (!playing) return false;
  // Frames played count too: a looping or one-frame overlay never shows the threshold's
  // position but still plays its length.
  return a.GetProgress() >= m_fireThreshold || a.GetFramesPlayed() >= m_fireThreshold * double(frames);
}

void Worm::ReleaseShot() {
  m_weapon->Fire(*this, GetShotPosition(0, false), GetAimDirection(), m_strength, m_target);
  m_eigenschaften.weaponsUsed[WormEigenschaften::kRound] += 1;
  m_strength = 0.0;
  m_fireLatch = true;
  m_targetReady = false;
  m_fireRequested = false;
  m_fireDone = true;
}

Vector2 Worm::GetAimDirection() const {
  const float angle = float(m_aimAngle * kDegToRad);
  Vector2 direction(std::cos(angle), std::sin(angle));
  if (!m_facingRight) direction.x = -direction.x;
  return direction;
}

Vector2 Worm::GetShotPosition(int32_t direction, bool useCentre) const {
  Worm& self = *const_cast<Worm*>(this);
  if (!m_weapon) return self.Pos();
  const bool right = direction == 0 ? m_facingRight : direction > 0;
  return m_weapon->GetShotPosition(self.Pos(), self.Size(), !right, m_aimAngle, useCentre);
}

bool Worm::CanMove() const {
  return m_isCurrent && (m_state == kStanding || Walking(m_state)) && (!m_weapon || m_weapon->CanFireNow());
}

bool Worm::CanAim() const {
  return m_isCurrent && m_state == kStanding && m_weapon && m_weapon->FiresContinuously();
}

bool Worm::IsWeaponSteering() const {
  return m_isCurrent && (m_state == kStanding || m_state == kJetpack) && m_weapon && m_weapon->IsActive() &&
         m_weapon->TakesSteering();
}

Vector2 Worm::GetJumpVector(uint32_t flags, int32_t direction) const {
  bool right = m_facingRight;
  if (direction > 0) right = true;
  if (direction < 0) right = false;
  if (flags & kJumpBackward) right = !right;
  const double jump = m_properties.jumpSpeed;
  double x = (right ? 1.0 : -1.0) * jump, y = -jump;
  const bool forward = flags & kJumpForward, high = flags & kJumpHigh;
  if (forward && high) {
    x *= 0.5;
    y *= 2.0;
  } else if (high) {
    x *= 0.2;
    y *= 3.0;
  } else if (!forward) {
    x *= 0.5;
    y *= 0.5;
  }
  return Vector2(float(x), float(y));
}

bool Worm::Command(int32_t action, const CommandParam* param) {
  // The ground in the worm's column within its step height: the row found, if any.
  auto ground = [this](int32_t& row) {
    const Landschaft* land = m_world ? m_world->GetGameLandschaft() : nullptr;
    return land && land->FindSurfaceY(platform::TruncToInt(Pos().x), platform::TruncToInt(Pos().y),
                                      m_properties.maxStep, row);
  };
  int32_t row = 0;
  switch (action) {
    case kInWater:
      SetMaxSpeed(kWaterMaxSpeed);
      SetAirFriction(kWaterAirFriction);
      break;
    case kWalking:
      if (param) m_facingRight = param->flag != 0;
      break;
    case kFalling:
      Speed() = Vector2(0.0f, 0.0f);
      break;
    case kJetpack:
      Speed() = Vector2(0.0f, -100.0f);
      if (ground(row)) Pos().y = float(row - 2);
      break;
    case kThrown:
      Pos().y -= 2.0f;
      if (param) Speed() = param->vector;
      break;
    case kJumping:
    case kJumpingBack:
      if (m_state != kFalling) {
        SetAnimation(kAnimSpringen);
        if (ground(row)) Pos().y = float(row - 1);
        const bool big = param && param->flag >= 1;
        const uint32_t flags = action == kJumping ? (big ? kJumpForward | kJumpHigh : kJumpForward)
                                                  : (big ? kJumpBackward | kJumpHigh : kJumpBackward);
        Speed() = GetJumpVector(flags, 0);
        m_previousState = kFalling;
      }
      m_state = kFalling;
      return true;
    default:
      break;
  }
  m_state = action;
  return true;
}

void Worm::BeginTurn() {
  m_isCurrent = true;
  // A turn counts as a round of each effect, but does not end one the turn has just begun.
  for (size_t i = m_effects.size(); i-- > 0;) {
    m_effects[i]->StartIfDue();
    m_effects[i]->AddRound();
  }
  if (m_weapon && !m_weapon->HasAmmoFor(*this)) SetWeapon(nullptr);
  if (m_control) m_control->TakeOver(this);
}

void Worm::EndTurn() {
  m_isCurrent = false;
  for (const auto& effect : m_effects) effect->Stop();
  m_strength = 0.0;
  m_targetReady = false;
  m_fireRequested = false;
}

bool Worm::IsTurnOver() const {
  // A worm that died in its turn (drowned, left the world) has nothing left to do.
  if (status != 0 || IsDead()) return true;
  if (!m_weapon) return false;
  return m_weapon->IsExhausted() && *FieldsOf(m_globals).hold <= 0.0;
}

bool Worm::IsAtRest() const { return IsStanding() || IsDead(); }

void Worm::NextRound() {
  AdvanceRoundEffects();
  m_firing = false;
  m_fireDone = true;
  m_fireThreshold = 0.5;
  const bool deadBefore = IsDead();
  SetHealth(GetHealth() + healingPerRound - m_pendingDamage - poisonPerRound);
  const bool deadNow = IsDead();
  m_diedThisRound = false;
  if (m_control) m_control->ConsumeAll();
  if (!deadBefore && deadNow) {
    m_deathStarted = false;
    m_diedThisRound = true;
    ShowMessage(u"NEXT_ROUND_WORM_TOT", 0);
    m_effects.clear();
  } else {
    if (m_pendingDamage > 0.0) ShowMessage(u"NEXT_ROUND_WORM", platform::TruncToInt(m_pendingDamage));
    if (poisonPerRound > 0.0) ShowMessage(u"NEXT_ROUND_WORM_GIFT", platform::TruncToInt(poisonPerRound));
    if (healingPerRound > 0.0) ShowMessage(u"NEXT_ROUND_WORM_HEALING", platform::TruncToInt(healingPerRound));
  }
  m_pendingDamage = 0.0;
}

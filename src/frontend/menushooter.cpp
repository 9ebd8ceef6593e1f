// The first scene's shooting range.
#include "frontend/menushooter.h"

#include <algorithm>
#include <cmath>

#include "battle/steuerung.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/camerajoblist.h"
#include "engine/myglobals.h"
#include "objects/partikel.h"
#include "objects/worm.h"

namespace {

constexpr float kDescriptionMargin = 16.0f;
constexpr int32_t kDescriptionBorder = 10;

}  // namespace

MenuShooter::MenuShooter(MyGlobals* globals) : m_globals(globals) {}

MenuShooter::~MenuShooter() {
  // The set's records name the scene's team, which goes with the scene.
  if (m_globals && m_shooter) m_globals->GetWaffenSet()->ClearTeamRecords();
}

void MenuShooter::SetWorms(const std::vector<std::unique_ptr<Worm>>* worms) {
  m_worms = worms;
  m_shooter = nullptr;
  m_weapon = nullptr;
  // The shooter takes the weapons at once, so the scene's first frame already shows him
  // holding one.
  if (Worm* shooter = PickShooter()) {
    m_shooter = shooter;
    Arm(*shooter);
  }
}

Worm* MenuShooter::PickShooter() const {
  if (!m_worms) return nullptr;
  for (const auto& worm : *m_worms)
    if (worm && !worm->IsDead() && worm->IsVisible()) return worm.get();
  return nullptr;
}

bool MenuShooter::TakesClicks() const {
  // A target to pick, or gates and pictures to place.
  return m_shooter && m_weapon && (m_weapon->NeedsTarget() || (m_weapon->IsActive() && m_weapon->TakesSteering()));
}

void MenuShooter::Arm(Worm& shooter) {
  WaffenSet* set = m_globals->GetWaffenSet();
  set->ClearTeamRecords();
  set->AddTeamRecords(shooter.GetTeam());
  // The range never runs out of anything.
  for (Waffe* weapon : set->Weapons())
    if (WaffenTeamRecord* record = weapon->FindTeamRecord(shooter.GetTeam()))
      record->availabilityOverride = 1;
  shooter.SetCurrent(true);
  m_weapon = shooter.GetWeapon();
  if (!m_weapon && !set->Weapons().empty()) m_weapon = set->Weapons().front();
  shooter.SetWeapon(m_weapon);
}

void MenuShooter::NextWeapon(int direction) {
  const std::vector<Waffe*>& weapons = m_globals->GetWaffenSet()->Weapons();
  if (weapons.empty() || !m_shooter) return;
  auto at = std::find(weapons.begin(), weapons.end(), m_weapon);
  size_t i = at == weapons.end() ? 0 : size_t(at - weapons.begin());
  // The next weapon that can be fired at all; weapons the file could not make work are
  // passed over.
  for (size_t tried = 0; tried < weapons.size(); ++tried) {
    i = (i + weapons.size() + size_t(direction)) % weapons.size();
    if (weapons[i]->IsUsable()) break;
  }
  m_weapon = weapons[i];
  m_shooter->SetWeapon(m_weapon);
  m_shooter->SetStrength(0.0);
  m_charging = false;
}

void MenuShooter::Shoot(Worm& shooter) {
  if (m_weapon->Fire(shooter, shooter.GetShotPosition(0, false), shooter.GetAimDirection(), shooter.GetStrength(),
                     shooter.GetTarget()) != 0)
    m_shotThisTurn = true;
  shooter.SetStrength(0.0);
  m_charging = false;
}

void MenuShooter::Update(double step, Steuerung* control) {
  if (!m_globals) return;
  WaffenSet* set = m_globals->GetWaffenSet();
  // The scene's timed camera jobs, which the weapons' shots keep busy; the battle steps
  // them itself.
  if (CameraJobList* jobs = m_globals->GetCameraJobs()) jobs->Update();
  set->UpdateAll(step);

  Worm* shooter = PickShooter();
  if (shooter != m_shooter) {
    // A shooter that died is still in the scene's list; one that left it is not touched.
    if (m_shooter && m_worms)
      for (const auto& worm : *m_worms)
        if (worm.get() == m_shooter) m_shooter->SetCurrent(false);
    m_shooter = shooter;
    m_weapon = nullptr;
    m_charging = false;
    if (shooter) Arm(*shooter);
  }

  // A new turn once the last shot has come to rest: nothing burns, nothing is followed.
  const bool busy = m_globals->GetCameraJobs() && !m_globals->GetCameraJobs()->Jobs().empty();
  bool anyActive = false;
  for (const Waffe* weapon : set->Weapons()) anyActive = anyActive || weapon->IsActive();
  if (m_shotThisTurn && !busy && !anyActive) {
    set->ResetTurnCounts();
    m_shotThisTurn = false;
  }
  if (!shooter || !m_weapon || !control) return;

  using namespace Aktion;
  // A weapon that takes the steering while it works (the car, the plane, the jet pack, the
  // gates, the builder, the runners) gets the arrows, fire and the mouse, as in a battle.
  if (m_weapon->IsActive() && m_weapon->TakesSteering()) {
    const struct {
      int action;
      void (Waffe::*handler)(double);
    } steer[] = {{kLeft, &Waffe::OnLeft}, {kRight, &Waffe::OnRight}, {kUp, &Waffe::OnUp}, {kDown, &Waffe::OnDown}};
    for (const auto& key : steer)
      if (control->IsDown(key.action, Steuerung::kRaw)) (m_weapon->*key.handler)(step);
    const bool fire = control->IsDown(kFire, Steuerung::kRaw);
    if (fire && !m_fireLatch) m_weapon->OnAction();
    m_fireLatch = fire;
    const bool click = control->IsDown(kTarget, Steuerung::kRaw);
    if (click) {
      m_weapon->OnPlace(step);
      if (!m_clickLatch) m_weapon->OnClick(m_globals->cursorPoint);
    }
    m_clickLatch = click;
    return;
  }
  if (control->IsDown(kLeft, Steuerung::kRaw)) shooter->SetFacingRight(false);
  if (control->IsDown(kRight, Steuerung::kRaw)) shooter->SetFacingRight(true);
  const double rate = control->IsDown(kModifier, Steuerung::kRaw) ? kFastAimRate : kAimRate;
  if (control->IsDown(kUp, Steuerung::kRaw)) shooter->SetAimAngle(shooter->GetAimAngle() - rate * step);
  if (control->IsDown(kDown, Steuerung::kRaw)) shooter->SetAimAngle(shooter->GetAimAngle() + rate * step);
  if (!m_charging && control->IsSinglePress(kNextWorm, Steuerung::kPrimary)) {
    control->Consume(kNextWorm, Steuerung::kPrimary);
    NextWeapon(+1);
  }
  if (m_weapon->HasSetting())
    for (int k = 0; k < 10; ++k)
      if (control->IsDown(kNumber1 + k, Steuerung::kRaw)) m_weapon->Arm(double(k + 1));
  if (m_weapon->NeedsTarget() && control->IsDown(kTarget, Steuerung::kRaw))
    shooter->SetTarget(m_globals->cursorPoint);

  const bool fireDown = control->IsDown(kFire, Steuerung::kRaw);
  const bool ready = m_weapon->CanFire(*shooter) && m_weapon->HasAmmoFor(*shooter) &&
                     (!m_weapon->NeedsTarget() || shooter->IsTargetReady());
  if (!ready) {
    shooter->SetStrength(0.0);
    m_charging = false;
  } else if (m_weapon->Charges()) {
    // Held fire charges, and a release or a full charge fires.
    if (fireDown && !m_fireLatch) {
      m_charging = true;
      shooter->SetStrength(std::min(shooter->GetStrength() + step * kChargeRate, 1.0));
      if (shooter->GetStrength() >= 1.0) Shoot(*shooter);
    } else if (!fireDown && m_charging) {
      Shoot(*shooter);
    }
  } else if (fireDown && !m_fireLatch) {
    shooter->SetStrength(1.0);
    Shoot(*shooter);
  }
  // One shot per press of fire, and a full charge does not fire again while it is held.
  m_fireLatch = fireDown && (m_fireLatch || !m_charging);
  // A weapon that works on after the shot (the flame thrower) follows the aim.
  if (m_weapon->FiresContinuously() && m_weapon->IsActive())
    m_weapon->SetAim(shooter->GetShotPosition(0, false), shooter->GetAimDirection());
}

void MenuShooter::Render(const Vector2& offset, const Vector2& zoom) {
  if (!m_globals) return;
  if (m_shooter && !m_shooter->IsDead()) m_shooter->DrawAim(offset, zoom, 0xFFFFFFFF);
  m_globals->GetWaffenSet()->DrawAll(offset, zoom, false);
}

void MenuShooter::RenderOverlay() {
  if (!m_globals || !m_weapon || !m_shooter) return;
  APIContext* context = m_globals->GetContext();
  APIGraphics* graphics = context ? context->graphics : nullptr;
  if (!graphics) return;
  TextBoxStyle style;
  style.border = kDescriptionBorder;
  // A dark box with a light frame (the box drawing takes the second colour first).
  style.boxColours[0] = 0xFFFFFFFF;
  style.boxColours[1] = 0xC0000000;
  style.textColour = 0xFFFFFFFF;
  style.flag = 1;
  style.position = Vector2(kDescriptionMargin, float(graphics->GetScreenHeight()) - 140.0f);
  m_weapon->DrawDescription(style);
}

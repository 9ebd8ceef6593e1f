// Worm: construction, copies, the team file's entry, the reactions to explosions, poison,
// healing and death, the statistics, the reset and the animation choice. Drawing is in
// worm_draw.cpp.
#include "objects/worm.h"

#include <algorithm>
#include <cmath>

#include "battle/camerajob.h"
#include "battle/cameramanager.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/animation.h"
#include "engine/animationmanager.h"
#include "engine/apicontext.h"
#include "engine/camerajoblist.h"
#include "engine/kvnode.h"
#include "engine/messagepanel.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "engine/texturdefcache.h"
#include "objects/distanceramp.h"
#include "objects/mannschaft.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "posteffects/posteffectinstance.h"
#include "posteffects/posteffectlibrary.h"

namespace {

MyGlobals* Resolve(MyGlobals* globals) {
  if (globals) return globals;
  APIContext* context = APIContext::Get();
  return context ? dynamic_cast<MyGlobals*>(context->globals.get()) : nullptr;
}

WormManager* ManagerOf(MyGlobals* globals) { return globals ? globals->GetWormManager() : nullptr; }
const AnimationManager* AnimationsOf(MyGlobals* globals) {
  return globals ? globals->GetAnimationManager() : nullptr;
}

// The ramp's value at distance d when d lies within it (ends included), clamped between
// its two values or not.
bool RampAt(const DistanceRamp& ramp, double d, bool clamp, double& value) {
  if (!(ramp.nearDistance <= d && d <= ramp.farDistance)) return false;
  value = clamp ? *ramp.At(d) : ramp.Interpolate(d);
  return true;
}

uint32_t Rounds(int32_t rounds) { return rounds < 0 ? Person::EffectEntry::kUnlimited : uint32_t(rounds); }

}  // namespace

Worm::Worm(const PartikelInfo* type, const KVNode* block, MyGlobals* globals)
    : Person(type, block, ManagerOf(Resolve(globals)), AnimationsOf(Resolve(globals))),
      m_globals(Resolve(globals)) {
  WormManager* manager = Manager();
  if (manager) m_eigenschaften = manager->GetDefaultPreset();
  m_startMaxSpeed = GetMaxSpeed();
  m_startAirFriction = GetAirFriction();
  const AnimationManager* animations = AnimationsOf(m_globals);
  if (animations) {
    if (TexturDefCache* cache = animations->GetTexturDefCache())
      m_chargeTexture = cache->Get(kChargeTexture, nullptr, nullptr, m_globals->GetArchive());
    m_arrow = animations->CreateAnimation(kArrowAnimation);
    m_switchArrow = animations->CreateAnimation(kSwitchArrowAnimation);
  }
  if (m_globals && m_globals->GetSteuerungListe()) m_control = m_globals->GetSteuerungListe()->GetActive();

  if (block) {
    int32_t teamId = 0;
    if (manager && block->Read(u"MANNSCHAFTS_ID", teamId))
      if (Mannschaft* team = manager->FindTeamById(teamId)) SetTeam(team);
    std::u16string preset;
    if (manager && block->Read(u"WORM_EIGENSCHAFTEN", preset)) {
      m_eigenschaften = manager->FindPreset(&preset);
      m_properties = m_eigenschaften;
      Size() = m_eigenschaften.size;
    }
    std::u16string arrow;
    if (block->Read(u"PFEIL_ANIMATION", arrow))
      m_arrow = animations ? animations->CreateAnimation(arrow) : nullptr;
    if (block->Read(u"SWITCHPFEIL_ANIMATION", arrow))
      m_switchArrow = animations ? animations->CreateAnimation(arrow) : nullptr;
  }
  SetHealth(m_eigenschaften.startHealth);
  m_pendingDamage = 0.0;
  m_current = nullptr;
  m_current2 = nullptr;
}

Worm::Worm(const Worm& other)
    : Person(other),
      m_globals(other.m_globals),
      m_isCurrent(other.m_isCurrent),
      m_aimAngle(other.m_aimAngle),
      m_control(other.m_control),
      m_eigenschaften(other.m_eigenschaften),
      m_weapon(other.m_weapon),
      m_fireThreshold(other.m_fireThreshold),
      m_strength(other.m_strength),
      m_targetReady(other.m_targetReady),
      m_fireRequested(other.m_fireRequested),
      m_chargeTexture(other.m_chargeTexture),
      m_pendingDamage(other.m_pendingDamage),
      m_team(other.m_team),
      m_startMaxSpeed(other.m_startMaxSpeed),
      m_startAirFriction(other.m_startAirFriction) {
  if (other.m_arrow) m_arrow = other.m_arrow->Clone();
  if (other.m_switchArrow) m_switchArrow = other.m_switchArrow->Clone();
  if (m_team) m_team->AddWorm(this);
}

Worm::~Worm() {
  m_effects.clear();
  m_arrow.reset();
  m_switchArrow.reset();
  m_current = nullptr;
  m_current2 = nullptr;
}

WormManager* Worm::Manager() const { return ManagerOf(m_globals); }

void Worm::Read(const KVNode* entry) {
  if (!entry) return;
  std::u16string name;
  if (entry->Read(u"NAME", name)) SetName(name);
  int32_t teamId = 0;
  if (WormManager* manager = Manager(); manager && entry->Read(u"MANNSCHAFTS_ID", teamId))
    if (Mannschaft* team = manager->FindTeamById(teamId)) SetTeam(team);
  if (const KVNode* block = entry->GetChild(0, u"PERSONEN_EIGENSCHAFTEN")) {
    const WormEigenschaften read(block);
    m_eigenschaften = read;
    m_properties = read;
    Size() = read.size;
  }
  SetHealth(m_eigenschaften.startHealth);
}

void Worm::Write(KVNode* entry) const {
  if (!entry) return;
  entry->AddChildWith(u"NAME", GetName());
  if (m_team) entry->AddChildWith(u"MANNSCHAFTS_ID", int(m_team->GetId()));
  m_eigenschaften.Write(entry->AddChild(u"PERSONEN_EIGENSCHAFTEN"));
}

void Worm::SetTeam(Mannschaft* team) {
  if (m_team) m_team->RemoveWorm(this);
  m_team = team;
  if (!team) return;
  team->AddWorm(this);
  SetControlByName(team->GetSteuerung());
}

void Worm::SetName(const std::u16string& name) {
  Objekt::SetName(name);
  m_labelText.clear();
}

void Worm::SetControlByName(const std::u16string& name) {
  SteuerungListe* controls = m_globals ? m_globals->GetSteuerungListe() : nullptr;
  if (!controls) return;
  Steuerung* control = controls->FindByName(name);
  m_control = control ? control : controls->GetActive();
}

void Worm::SetAimAngle(double degrees) { m_aimAngle = std::clamp(degrees, -90.0, 90.0); }

void Worm::SetTarget(const Vector2& point) {
  m_target = point;
  m_targetReady = true;
  if (m_globals) m_globals->switchOpen = 0;
}

bool Worm::ContainsPoint(const Vector2& point) const {
  const Vector2 centre = *const_cast<Worm*>(this)->Partikel::GetPosition() + m_properties.centre;
  const Vector2 d = centre - point;
  const double r = m_eigenschaften.radius;
  return double(d.x) * d.x + double(d.y) * d.y < r * r;
}

double Worm::RimDistance(const Vector2& point) const {
  const Vector2 centre = *const_cast<Worm*>(this)->Partikel::GetPosition() + m_properties.centre;
  const float d = (centre - point).Length() - float(m_eigenschaften.radius);
  return d < 0.0f ? 0.0 : double(d);
}

double Worm::DistanceFalloff(const Vector2& point, const DistanceRamp* ramp) const {
  double value = 0.0;
  if (!ramp || !RampAt(*ramp, RimDistance(point), false, value)) return 0.0;
  return value;
}

void Worm::SetWeapon(Waffe* weapon) {
  m_weapon = weapon;
  m_firing = false;
}

bool Worm::CanAct() const { return !m_weapon || m_weapon->NotUsedThisTurn(); }

bool Worm::CanFireWeapon() const {
  return m_isCurrent && GetMoveState() == kStanding && m_weapon && m_weapon->CanFire(*this) &&
         m_weapon->HasAmmoFor(*this);
}

void Worm::ClearDeathFlags() {
  m_diedThisRound = false;
  m_deathStarted = false;
  m_deathAnimationRunning = false;
}

void Worm::EndRoundStatistics() {
  m_eigenschaften.AddRoundIntoGame();
  m_isCurrent = false;
  if (m_control) m_control->TakeOver(nullptr);
}

void Worm::EndGameStatistics() {
  m_eigenschaften.AddRoundIntoGame();
  m_eigenschaften.AddGameIntoTotal();
  m_isCurrent = false;
  if (m_control) m_control->TakeOver(nullptr);
}

namespace {

void ClearAfflictions(Person& person) {
  person.SetVisible(true);
  person.poison.clear();
  person.poisonGiven = false;
  person.poisonPerRound = 0.0;
  person.healing.clear();
  person.healingGiven = false;
  person.healingPerRound = 0.0;
}

}  // namespace

void Worm::ResetRound() {
  ClearAfflictions(*this);
  m_eigenschaften.ClearLayer(WormEigenschaften::kRound);
}

void Worm::ResetGame() {
  ClearAfflictions(*this);
  m_eigenschaften.ClearLayer(WormEigenschaften::kRound);
  m_eigenschaften.ClearLayer(WormEigenschaften::kGame);
}

void Worm::AddCameraJob() const {
  if (!m_globals || !m_globals->GetCamera()) return;
  m_globals->GetCamera()->AddJob(CameraJob(m_globals, GetId(), CameraJob::kTimed, 2.0, 0.0, false, 4.0),
                                 false);
}

void Worm::ApplyExplosion(const Vector2* centre, const DistanceRamp* impulse, const DistanceRamp* damage) {
  if (!centre) return;
  const double d = RimDistance(*centre);
  double v = 0.0;
  if (impulse && RampAt(*impulse, d, true, v)) {
    const Vector2 away = (Pos() + m_properties.centre) - *centre;
    const float reach = float(d + m_eigenschaften.radius);
    // A worm right at the centre has no direction away from it: it goes straight up.
    Vector2 push(0.0f, float(-v));
    if (reach > 0.0f && (away.x != 0.0f || away.y != 0.0f)) push = away / reach * float(v);
    if (v > kThrowImpulse) {
      CommandParam param;
      param.vector = push;
      Command(kThrown, &param);
    }
    AddCameraJob();
  }
  if (damage && RampAt(*damage, d, true, v)) {
    m_pendingDamage += v;
    m_eigenschaften.damageTaken[WormEigenschaften::kRound] += v;
    // The kill is the shooter's when the victim actually dies (OnKilled), not here, where a
    // healing before the round's end may still save it.
    if (WormManager* manager = Manager())
      if (Worm* shooter = manager->GetCurrentWorm())
        shooter->m_eigenschaften.damageDealt[WormEigenschaften::kRound] += v;
    AddCameraJob();
  }
}

void Worm::ApplyPoison(const Vector2& centre, const DistanceRamp* ramp, int32_t rounds) {
  if (poisonGiven || !ramp) return;
  double v = 0.0;
  if (!RampAt(*ramp, RimDistance(centre), true, v)) return;
  poison.push_back({v, Rounds(rounds), false});
  poisonGiven = true;
}

void Worm::Heal(double amount, bool curesPoison, int32_t rounds, bool immediate) {
  if (IsDead()) return;
  if (!immediate) {
    if (healingGiven) return;
    healingGiven = true;
    healing.push_back({amount, Rounds(rounds), curesPoison});
    return;
  }
  if (curesPoison) poison.clear();
  SetHealth(GetHealth() + amount);
  ShowMessage(u"WORM_HEAL", platform::TruncToInt(amount));
}

void Worm::AddWalked(const Vector2& step) {
  m_eigenschaften.walked[WormEigenschaften::kRound] += step.Length();
}

void Worm::AddDamage(double amount) {
  m_eigenschaften.damageTaken[WormEigenschaften::kRound] += amount;
  m_pendingDamage += amount;
}

void Worm::OnKilled() {
  m_eigenschaften.died[WormEigenschaften::kRound] += 1;
  if (WormManager* manager = Manager())
    if (Worm* shooter = manager->GetCurrentWorm(); shooter && shooter != this)
      shooter->m_eigenschaften.enemiesKilled[WormEigenschaften::kRound] += 1;
}

Argb Worm::GetColour() const { return m_team ? m_team->GetColour() : 0xFFFFFFFF; }

void Worm::Reset() {
  ResetMovement();
  SetHealth(m_eigenschaften.startHealth);
  SetMaxSpeed(m_startMaxSpeed);
  SetAirFriction(m_startAirFriction);
  m_pendingDamage = 0.0;
  poison.clear();
  poisonGiven = false;
  poisonPerRound = 0.0;
  healing.clear();
  healingGiven = false;
  healingPerRound = 0.0;
  if (!m_weapon && m_globals && m_globals->GetWaffenSet())
    m_weapon = m_globals->GetWaffenSet()->FindByName(kFirstWeapon);
}

void Worm::ApplyPostEffectRamp(const Vector2& centre, const std::vector<std::u16string>& names,
                               const DistanceRamp& ramp) {
  double v = 0.0;
  if (!RampAt(ramp, RimDistance(centre), false, v) || v <= 0.0) return;
  for (const std::u16string& name : names) {
    PostEffectInstance* found = nullptr;
    for (const auto& effect : m_effects)
      if (effect->GetName() == name) found = effect.get();
    if (found) {
      found->Arm();
      found->AddStrength(&v);
      continue;
    }
    PostEffectLibrary* library = m_globals ? m_globals->GetPostEffects() : nullptr;
    std::unique_ptr<PostEffectInstance> effect = library ? library->CreateInstance(name) : nullptr;
    if (!effect) continue;
    effect->Bind();
    effect->Arm();
    effect->SetStrength(&v);
    m_effects.push_back(std::move(effect));
  }
}

std::u16string Worm::FillText(const std::u16string& text, const std::u16string& name, int32_t number) {
  std::u16string out;
  bool nameDone = false, numberDone = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'%' && i + 1 < text.size()) {
      const char16_t c = text[i + 1];
      if (c == u's' && !nameDone) {
        out += name;
        nameDone = true;
        ++i;
        continue;
      }
      if ((c == u'd' || c == u'i') && !numberDone) {
        out += platform::FormatW(u"%d", number);
        numberDone = true;
        ++i;
        continue;
      }
      if (c == u'%') {
        out += u'%';
        ++i;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

void Worm::ShowMessage(const char16_t* key, int32_t number) const {
  APIContext* context = m_globals ? m_globals->GetContext() : nullptr;
  const Sprache* language = context ? context->language.get() : nullptr;
  const std::u16string* text = language ? language->GetText(key) : nullptr;
  if (!text) return;
  const std::u16string line = FillText(*text, GetName(), number);
  const Argb colour = GetColour();
  m_globals->messagePanel1.Add(std::make_unique<MessageLabel>(line, colour, 0.75, 10.0));
  m_globals->fadingTextList.Add(std::make_unique<FadingTextLabel>(line, colour));
}

void Worm::SetAnimation(int32_t i) {
  if (i < 0 || i >= kAnimationCount) return;
  MakeCurrent(i);
  if (m_current) m_current->Restart(-1);
  if (m_current2) m_current2->Restart(-1);
}

void Worm::UpdateAnimation() {
  const bool dead = GetDeathKind() != kAlive;
  bool choose = m_state != m_previousState || dead || !m_current || m_current->IsFinished();
  bool stillPair = false;
  if (choose && dead && m_deathAnimationRunning && status != 3) {
    bool any = false, playing = false;
    for (int i = kAnimTot; i < kAnimTot + 9; ++i) {
      any = any || m_animations[i];
      playing = playing || (m_current && m_current == m_animations[i].get());
    }
    if (!any) {
      m_deathAnimationRunning = false;
    } else {
      choose = false;
      if (!playing) {
        int32_t i;
        do i = kAnimTot + platform::Rand() % 9;
        while (!m_animations[i]);
        SetAnimation(i);
        if (m_globals) {
          const CameraJob job(m_globals, GetId(), CameraJob::kTimed, 2.0, 0.0, false, 4.0);
          if (m_globals->GetCamera()) m_globals->GetCamera()->AddJob(job, true);
          if (m_globals->GetCameraJobs()) m_globals->GetCameraJobs()->Add(job);
        }
      } else if (m_current->IsFinished() && IsVisible()) {
        SetVisible(false);
        StampCorpse();
        m_deathAnimationRunning = false;
      }
    }
  } else if (choose && status != 3) {
    m_deathAnimationRunning = false;
  }
  if (choose) {
    switch (m_state) {
      case kJetpack:
        SetAnimation(kAnimJetpack);
        break;
      case kStanding:
        ChooseStandAnimation();
        break;
      case kWalking:
        SetAnimation(kAnimLaufen);
        break;
      case kRunning:
        SetAnimation(kAnimRennen);
        break;
      case kJumping:
        SetAnimation(kAnimSpringen);
        break;
      case kFalling:
      case kThrown:
        SetAnimation(kAnimFallen);
        break;
      case kClimbing:
        SetAnimation(kAnimKlettern);
        break;
      case kInWater:
        if (!m_current || m_current != m_animations[kAnimErsoffen].get()) SetAnimation(kAnimErsoffen);
        break;
      default:
        break;  // the backward jump keeps what plays
    }
  }
  if (m_state == kStanding && !dead) ChooseStandAnimation();
  // A weapon pose that the aim positions stands still.
  if (m_current && m_weapon && m_current == m_pose[0].get()) stillPair = !m_weapon->GetFlagByDir(!IsFiring());
  const double step = Step();
  if (!stillPair) {
    if (m_current) m_current->Update(step);
    if (m_current2) m_current2->Update(step);
  }
  if (m_animations[kAnimFadenkreuz]) m_animations[kAnimFadenkreuz]->Update(step);
  if (m_animations2[kAnimFadenkreuz]) m_animations2[kAnimFadenkreuz]->Update(step);
  m_previousState = m_state;
}

void Worm::ChooseStandAnimation() {
  const bool alive = GetDeathKind() == kAlive;
  const bool poisoned = poisonPerRound > 0.0;
  // A poisoned worm without its own stand stands as a healthy one.
  const int32_t base = poisoned && m_animations[kAnimKrank] ? kAnimKrank : kAnimStehen;
  auto is = [this](int32_t i) { return m_current && m_current == m_animations[i].get(); };
  auto isIn = [&](int32_t first) {
    for (int32_t i = first; i < first + 9; ++i)
      if (is(i)) return true;
    return false;
  };

  if (!IsCurrent()) {
    if (!(is(kAnimStehen) || isIn(kAnimDaddel) || isIn(kAnimTot) || isIn(kAnimKrank))) SetAnimation(base);
    if (is(kAnimStehen) || is(base)) {
      m_idleTimer -= Step();
      if (!is(base)) SetAnimation(base);
      if (m_idleTimer <= 0.0 && alive) {
        // Only fidgets the worm has: a worm without any waits again instead of searching.
        const int32_t first = poisoned ? kAnimKrank + 1 : kAnimDaddel;
        const int32_t count = poisoned ? 8 : 9;
        bool any = false;
        for (int32_t i = first; i < first + count; ++i) any = any || m_animations[i];
        if (any) {
          int32_t i;
          do i = first + platform::Rand() % count;
          while (!m_animations[i]);
          SetAnimation(i);
        } else {
          m_idleTimer = platform::Rand() / 32767.0 * 2.0 + 3.0;
        }
      }
    } else if (m_current && m_current->IsFinished() && alive) {
      SetAnimation(base);
      m_idleTimer = platform::Rand() / 32767.0 * 2.0 + 3.0;
    }
    return;
  }

  const Animation* main = nullptr;
  const Animation* second = nullptr;
  bool held = true;
  if (m_weapon) {
    if (CanFireWeapon() && !IsFiring()) {
      main = m_weapon->GetAnimationId(true, false);
      second = m_weapon->GetAnimationId(true, true);
    } else if (IsFiring()) {
      held = false;
      main = m_weapon->GetAnimationId(false, false);
      second = m_weapon->GetAnimationId(false, true);
    }
  }
  if (!main) {
    if (!(is(kAnimStehen) || is(base))) SetAnimation(base);
    return;
  }
  if (m_poseSource[0] != main || m_poseSource[1] != second) {
    m_pose[0] = main->Clone();
    m_pose[1] = second ? second->Clone() : nullptr;
    m_poseSource[0] = main;
    m_poseSource[1] = second;
  }
  if (m_current != m_pose[0].get()) {
    m_current = m_pose[0].get();
    m_current2 = m_pose[1].get();
    m_current->Restart(-1);
    if (m_current2) m_current2->Restart(-1);
  }
  if (!m_weapon->GetFlagByDir(held)) {
    double low = -90.0, high = 90.0;
    m_weapon->GetAnimationAngles(low, high);
    const double a = std::clamp(m_aimAngle, std::min(low, high), std::max(low, high));
    double t =
        a >= 0.0 ? (high != 0.0 ? (1.0 - a / high) * 0.5 : 0.5) : (low != 0.0 ? a / low * 0.5 + 0.5 : 0.5);
    t = std::clamp(t, 0.0, 1.0);
    m_current->SetPosition(t);
    if (m_current2) m_current2->SetPosition(t);
  }
}

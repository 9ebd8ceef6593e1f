// The computer control: its parameters in the key configuration and its turn.
#include "battle/cpusteuerung.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "battle/terrainsnapshot.h"
#include "battle/waffe.h"
#include "battle/waffen_nahkampf.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "objects/bonussettings.h"
#include "objects/eventtable.h"
#include "objects/explosionsevent.h"
#include "objects/mannschaft.h"
#include "objects/partikelinfo.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "world/landschaft.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

template <size_t N>
void ReadValues(const KVNode* node, std::u16string_view key, std::array<double, N>& out) {
  for (unsigned i = 0; i < N; ++i) node->Read(key, out[i], i);
}

template <size_t N>
void WriteValues(KVNode* node, std::u16string name, const std::array<double, N>& values) {
  KVNode* child = node->AddChild(std::move(name));
  for (double v : values) child->InsertValue(std::make_unique<KVValue>(v));
}

bool Usable(const Worm* w) { return w && !const_cast<Worm*>(w)->IsDead() && w->status != 2; }

}  // namespace

CPUSteuerung::CPUSteuerung(std::u16string name) : Steuerung(std::move(name)) {}

CPUSteuerung::~CPUSteuerung() { m_planner.Cancel(); }

void CPUSteuerung::Save(KVNode* node) const {
  if (!node) return;
  Steuerung::Save(node);
  KVNode* names = node->AddChild(u"WAFFEN");
  for (const std::u16string& w : weapons) names->InsertValue(std::make_unique<KVValue>(w));
  WriteValues(node, u"WINKEL_PARAMS", angles);
  WriteValues(node, u"FAKTOREN", factors);
  node->AddChildWith(u"BEWEGUNG", movement);
  WriteValues(node, u"PAUSE", pause);
  node->AddChildWith(u"WINDSTÄRKE", windFactor);
}

void CPUSteuerung::Load(const KVNode* node) {
  if (!node) return;
  Steuerung::Load(node);
  if (const KVNode* names = node->GetChild(0, u"WAFFEN")) {
    weapons.clear();
    for (unsigned i = 0; i < names->GetValueCount(); ++i) weapons.push_back(names->GetValue(i)->Text());
  }
  const double step = angles[2];
  ReadValues(node, u"WINKEL_PARAMS", angles);
  if (!(angles[2] > 0.0) || !std::isfinite(angles[2])) {
    std::fprintf(stderr, "keyconfig: an angle step of %g is refused, %g is kept\n", angles[2], step);
    angles[2] = step;
  }
  ReadValues(node, u"FAKTOREN", factors);
  node->Read(u"BEWEGUNG", movement);
  ReadValues(node, u"PAUSE", pause);
  node->Read(u"WINDSTÄRKE", windFactor);
}

MyGlobals* CPUSteuerung::Globals() const { return m_person ? m_person->GetGlobals() : nullptr; }

void CPUSteuerung::Reset(Worm* worm) {
  // Nothing of the last turn is let go while a plan may still read it.
  m_planner.Cancel();
  m_job = Job::kNone;
  m_person = worm;
  m_enemies.clear();
  m_ownTeam.clear();
  m_usable.clear();
  m_route.clear();
  m_candidates.clear();
  m_chosen = -1;
  m_routePosition = -1;
  m_pauseTimer = 1.0;
  m_graphDirty = true;
  // The copy and the graph stay for the next turn: the copy is taken again in place, the
  // graph built again over what the ground changed. The battle's end lets both go.
  if (!worm) {
    m_terrain.reset();
    m_graph.reset();
  }
  m_replan = false;
  m_states.fill(kNothing);
  m_chosenWeapon = nullptr;
  m_shotsTaken = 0;
  m_targetSet = false;
}

void CPUSteuerung::TakeOver(Worm* worm) {
  Reset(worm);
  m_planCount = movement > platform::RandFraction() ? 0 : 1;
  m_mode = kChooseShot;
  if (!worm) return;
  if (m_planCount == 0) StartThinking();
  if (MyGlobals* g = Globals())
    if (WindManager* wind = g->GetWindManager()) wind->NewRound(windFactor);
}

void CPUSteuerung::SplitWorms() {
  m_enemies.clear();
  m_ownTeam.clear();
  MyGlobals* g = Globals();
  WormManager* manager = g ? g->GetWormManager() : nullptr;
  if (!manager || !m_person) return;
  const Mannschaft* mine = m_person->GetTeam();
  for (Mannschaft* team : manager->PlayingTeams())
    for (Worm* w : team->Worms()) {
      if (!Usable(w) && w != m_person) continue;
      (team == mine ? m_ownTeam : m_enemies).push_back(w);
    }
}

std::shared_ptr<const TerrainSnapshot> CPUSteuerung::Terrain() {
  if (m_terrain && !m_graphDirty) return m_terrain;
  MyGlobals* g = Globals();
  Welt* welt = g ? g->GetWelt() : nullptr;
  Landschaft* land = welt ? welt->GetGameLandschaft() : nullptr;
  // The last copy is taken again in place when no plan holds it any more (none is under
  // way, so none can): no new pages to fault in at every turn.
  if (!m_terrain || m_terrain.use_count() != 1 || m_planner.Busy()) m_terrain = std::make_shared<TerrainSnapshot>();
  if (land)
    m_terrain->Retake(*land);
  else
    *m_terrain = TerrainSnapshot();
  return m_terrain;
}

PlanSnapshot CPUSteuerung::MakePlanSnapshot() const {
  PlanSnapshot p;
  Worm& w = *m_person;
  p.person = *w.GetPosition();
  p.shotOffset = w.GetShotPosition(0, false) - p.person;
  p.climb = w.GetProperties().maxStep;
  const uint32_t kinds[4] = {1, 5, 2, 6};
  for (int d = 0; d < 2; ++d)
    for (int k = 0; k < 4; ++k) p.jumps[size_t(d * 4 + k)] = w.GetJumpVector(kinds[k], d == 0 ? 1 : -1);
  MyGlobals* g = w.GetGlobals();
  Welt* welt = g ? g->GetWelt() : nullptr;
  const double factor = w.GetInfo() ? w.GetInfo()->gravity.base : 1.0;
  p.gravity = (welt ? double(welt->GetGravity().y) : 0.0) * factor;
  p.waterY = welt ? welt->WaterSurfaceY() : 1e30;
  for (Worm* e : m_enemies) p.enemies.push_back(e->GetShotPosition(0, false));
  for (Worm* f : m_ownTeam)
    if (f != m_person) p.friends.push_back(f->GetShotPosition(0, false));
  if (BonusSettings* bonus = g ? g->GetBonusSettings() : nullptr)
    if (const std::vector<Objekt*>* crates = bonus->ResolveCurrent())
      for (Objekt* c : *crates) p.crates.push_back({*c->GetPosition(), *c->GetSize()});
  p.factors = factors;
  return p;
}

void CPUSteuerung::StartThinking() {
  if (!m_person) return;
  SplitWorms();
  const PlanSnapshot plan = MakePlanSnapshot();
  // The graph of the last plan goes with the job: searched again as it is, or built again
  // on a new copy of the ground when that has changed.
  std::shared_ptr<const TerrainSnapshot> terrain;
  if (m_graphDirty || !m_graph) {
    terrain = Terrain();
    m_graphDirty = false;
  }
  m_job = Job::kRoute;
  m_planner.Start([terrain, plan, graph = std::shared_ptr<NavGraph>(std::move(m_graph))](
                      const std::atomic<bool>& cancel) mutable {
    PlanResult r;
    r.graph = std::make_unique<NavGraph>();
    if (graph) std::swap(*r.graph, *graph);
    r.graph->SetLazyViews(true);
    if (terrain && !r.graph->Build(*terrain, plan, &cancel)) {
      r.cancelled = cancel.load(std::memory_order_relaxed);
      return r;
    }
    r.route = r.graph->Plan(plan, &cancel);
    r.cancelled = cancel.load(std::memory_order_relaxed);
    return r;
  });
}

void CPUSteuerung::ChooseShot() {
  m_usable.clear();
  m_candidates.clear();
  m_chosen = -1;
  MyGlobals* g = Globals();
  WaffenSet* set = g ? g->GetWaffenSet() : nullptr;
  if (set)
    for (Waffe* w : set->Weapons())
      if (w->HasAmmoFor(*m_person) && std::find(weapons.begin(), weapons.end(), w->GetName()) != weapons.end())
        m_usable.push_back(w);
  std::vector<Waffe*> tried;
  if (m_chosenWeapon)
    tried.push_back(m_chosenWeapon);
  else
    tried = m_usable;

  ShotSetup setup;
  setup.angles = angles;
  Welt* welt = g ? g->GetWelt() : nullptr;
  setup.gravity = welt ? double(welt->GetGravity().y) : 0.0;
  setup.aimAngle = m_person->GetAimAngle();
  auto add = [&](Worm* w, bool enemy) {
    ShotWorm s;
    s.position = *w->GetPosition();
    s.shotPosition = w->GetShotPosition(0, false);
    s.centre = s.position + w->GetProperties().centre;
    s.radius = w->GetEigenschaften().radius;
    s.enemy = enemy;
    s.shooter = w == m_person;
    if (s.shooter) setup.shooter = int32_t(setup.worms.size());
    setup.worms.push_back(s);
  };
  for (Worm* w : m_ownTeam) add(w, false);
  for (Worm* w : m_enemies) add(w, true);
  for (Waffe* w : tried) {
    ShotWeapon sw;
    sw.kind = w->GetControlType();
    sw.speed = w->GetStrength();
    if (const PartikelInfo* type = w->GetProjectile()) {
      sw.gravityFactor = type->gravity.base;
      sw.life = type->lifetime.base;
    }
    setup.weapons.push_back(sw);
  }
  std::shared_ptr<const TerrainSnapshot> terrain = Terrain();
  m_job = Job::kShots;
  m_planner.Start([terrain, setup, tried](const std::atomic<bool>& cancel) {
    PlanResult r;
    r.candidates = EvaluateShots(*terrain, setup, &cancel);
    r.cancelled = cancel.load(std::memory_order_relaxed);
    return r;
  });
  // The weapons the candidates name, kept in the planner's order.
  m_usable = tried;
}

std::optional<CPUSteuerung::DamageEstimate> CPUSteuerung::EstimateDamage(const Waffe& weapon, const MyGlobals& globals,
                                                                         double shooterRadius) {
  if (const auto* blow = dynamic_cast<const Nahkampfwaffe*>(&weapon)) {
    // The blow meets a body within the shooter's radius of its fist, which sits about one
    // radius from the shooter's feet.
    const double reach = 2.0 * std::max(0.0, shooterRadius);
    return DamageEstimate{DistanceRamp{blow->GetDamage(), blow->GetDamage(), 0.0, reach}, true};
  }
  const PartikelInfo* type = weapon.GetProjectile();
  const EventTable* events = globals.GetEventTable();
  if (!type || !events) return std::nullopt;
  auto explosionOf = [&](const std::u16string& name) -> const DistanceRamp* {
    const Event* e = events->Find(&name);
    if (const auto* x = dynamic_cast<const ExplosionsEvent*>(e)) return &x->wormDamage;
    if (!e) return nullptr;
    for (const std::u16string& next : e->GetEventNames())
      if (const auto* x = dynamic_cast<const ExplosionsEvent*>(events->Find(&next))) return &x->wormDamage;
    return nullptr;
  };
  for (const auto* list : {&type->eventKill, &type->eventCollide, &type->eventWormCollide})
    for (const std::u16string& name : list->names)
      if (const DistanceRamp* r = explosionOf(name)) return DamageEstimate{*r, false};
  return std::nullopt;
}

double CPUSteuerung::DrawPause() const { return platform::RandFraction() * (pause[1] - pause[0]) + pause[0]; }

void CPUSteuerung::TakeUpRoute(PlanResult& result) {
  if (result.graph) m_graph = std::move(result.graph);
  m_route = std::move(result.route);
  m_routePosition = m_route.empty() ? -1 : 0;
  const double p = m_planCount == 0 ? DrawPause() : 0.0;
  if (m_person && m_routePosition >= 0 && m_planCount < kPlanLimit) {
    m_pauseTimer = p;
    m_mode = kWalk;
    ++m_planCount;
  } else {
    m_mode = kChooseShot;
  }
  ++m_planCount;
}

void CPUSteuerung::TakeUpShots(PlanResult& result) {
  m_candidates = std::move(result.candidates);
  MyGlobals* g = Globals();
  const double radius = m_person ? m_person->GetEigenschaften().radius : 0.0;
  for (ShotCandidate& c : m_candidates) {
    const std::optional<DamageEstimate> estimate =
        g ? EstimateDamage(*m_usable[size_t(c.weapon)], *g, radius) : std::nullopt;
    if (!estimate) continue;
    for (Worm* e : m_enemies) c.enemyDamage += e->DistanceFalloff(c.impact, &estimate->ramp);
    for (Worm* o : m_ownTeam)
      if (!(estimate->sparesShooter && o == m_person)) c.ownDamage += o->DistanceFalloff(c.impact, &estimate->ramp);
    c.score = c.enemyDamage - 2.0 * c.ownDamage;
  }
  std::stable_sort(m_candidates.begin(), m_candidates.end(),
                   [](const ShotCandidate& a, const ShotCandidate& b) { return a.score > b.score; });
  const int32_t positive =
      int32_t(std::count_if(m_candidates.begin(), m_candidates.end(), [](const ShotCandidate& c) { return c.score > 0.0; }));
  if (!m_candidates.empty())
    m_chosen = platform::Rand() % (positive >= 1 ? positive : int32_t(m_candidates.size()));
  const double p = DrawPause();
  if (m_chosen < 0) return;
  m_pauseTimer = p;
  m_targetSet = false;
  m_graphDirty = true;
  m_mode = kAimAndFire;
  ++m_shotsTaken;
  m_chosenWeapon = m_usable[size_t(m_candidates[size_t(m_chosen)].weapon)];
  m_person->SetWeapon(m_chosenWeapon);
}

bool CPUSteuerung::CollectPlan() {
  if (m_job == Job::kNone) return true;
  std::optional<PlanResult> result = m_planner.TakeResult();
  if (!result) return false;
  const Job job = m_job;
  m_job = Job::kNone;
  if (result->cancelled) {
    m_mode = kChooseShot;
    return true;
  }
  if (job == Job::kRoute)
    TakeUpRoute(*result);
  else
    TakeUpShots(*result);
  return true;
}

void CPUSteuerung::Update() {
  if (!m_person || !m_person->IsCurrent()) {
    // The turn has gone elsewhere: whatever was being planned for it is of no more use.
    if (m_job != Job::kNone) {
      m_planner.Cancel();
      m_job = Job::kNone;
    }
    return;
  }
  if (m_mode == kWalk && (StateOf(Aktion::kLeft) == kDown || StateOf(Aktion::kRight) == kDown) &&
      m_person->GetMoveState() == Person::kStanding)
    m_replan = true;
  for (int a : {Aktion::kLeft, Aktion::kRight, Aktion::kUp, Aktion::kDown, Aktion::kFire}) SetState(a, kNothing);
  for (int a = Aktion::kNumber1; a <= Aktion::kNumber0; ++a) SetState(a, kNothing);

  const Job before = m_job;
  if (!CollectPlan()) return;
  // Shots taken up from the thread: the pause before aiming runs from the next frame, as
  // it does when the shots were flown inline.
  if (before == Job::kShots) return;

  if (m_mode == kWalk && m_routePosition != -1 && m_person->CanMove() && m_replan) {
    m_replan = false;
    StartThinking();
    return;
  }
  if (m_pauseTimer > 0.0) {
    MyGlobals* g = Globals();
    APIContext* ctx = g ? g->GetContext() : nullptr;
    m_pauseTimer -= (ctx && ctx->timer) ? ctx->timer->gameStep : FrameTimer::kMaxStep;
    return;
  }

  if (m_mode == kWalk && m_routePosition != -1) Walk();
  if (m_mode == kAimAndFire && m_chosen >= 0) AimAndFire();
  if (m_mode == kChooseShot) {
    if (m_person->CanMove() && m_planCount == 0) {
      StartThinking();
      return;
    }
    if (m_shotsTaken > 0 && !(m_chosenWeapon && !m_chosenWeapon->IsExhausted() && !m_person->IsFiring())) return;
    SplitWorms();
    ChooseShot();
    // Inline the candidates are in at once and the choice is made in this frame.
    CollectPlan();
  }
}

void CPUSteuerung::Walk() {
  Worm& w = *m_person;
  if (!w.CanMove() || m_routePosition < 0 || size_t(m_routePosition) >= m_route.size()) {
    if (m_routePosition >= 0 && size_t(m_routePosition) >= m_route.size()) m_replan = true;
    return;
  }
  RouteStep& step = m_route[size_t(m_routePosition)];
  Vector2& pos = *w.GetPosition();
  if (step.kind != 0) {
    if (w.IsFacingRight() != step.facingRight) w.SetFacingRight(step.facingRight);
    if (int32_t(pos.x) == int32_t(step.from.x)) {
      if (!step.started) {
        pos.y = step.from.y - 1.0f;
        if (step.kind == 5) SetState(Aktion::kJump, kDouble);
        if (step.kind == 1) SetState(Aktion::kJump, kSingle);
        if (step.kind == 6) SetState(Aktion::kBackJump, kDouble);
        if (step.kind == 2) SetState(Aktion::kBackJump, kSingle);
        step.started = true;
      } else if (w.GetMoveState() == Person::kStanding) {
        ++m_routePosition;
        m_replan = true;
      }
    } else {
      ++m_routePosition;
      m_replan = true;
    }
  } else {
    if (step.run) SetState(Aktion::kModifier, kDown);
    if (step.facingRight) {
      if (pos.x < step.to.x) {
        SetState(Aktion::kRight, kDown);
      } else {
        pos.x = step.to.x;
        ++m_routePosition;
      }
    } else {
      if (pos.x > step.to.x) {
        SetState(Aktion::kLeft, kDown);
      } else {
        pos.x = step.to.x;
        ++m_routePosition;
      }
    }
  }
  if (size_t(m_routePosition) >= m_route.size()) m_replan = true;
  if (m_routePosition == -1) m_mode = kChooseShot;
}

void CPUSteuerung::AimAndFire() {
  Worm& w = *m_person;
  const ShotCandidate& c = m_candidates[size_t(m_chosen)];
  if (!m_targetSet && w.CanFireWeapon()) {
    SetState(SettingAction(c.setting), kDown);
    w.SetTarget(c.aimPoint);
    m_targetSet = true;
    return;
  }
  const double aim = -w.GetAimAngle();
  if (!c.facingRight && w.IsFacingRight()) {
    SetState(Aktion::kLeft, kDown);
  } else if (c.facingRight && !w.IsFacingRight()) {
    SetState(Aktion::kRight, kDown);
  } else if (aim > c.angle + 1.0) {
    SetState(Aktion::kDown, kDown);
  } else if (c.angle - 1.0 > aim) {
    SetState(Aktion::kUp, kDown);
  } else if (c.strength > w.GetStrength() && !w.HasActed()) {
    if (w.CanFireWeapon()) {
      w.SetAimAngle(-c.angle);
      SetState(Aktion::kFire, kDown);
    }
  } else {
    m_mode = kChooseShot;
  }
}

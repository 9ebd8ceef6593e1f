// The battle's invariants, checked as it plays.
#include "support/battle_harness.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "battle/cpusteuerung.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/myglobals.h"
#include "objects/mannschaft.h"
#include "objects/partikel.h"
#include "objects/partikelliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"

namespace {

constexpr double kStep = HeadlessBattle::kFrameStep;

bool Finite(Objekt& o) {
  const Vector2* p = o.GetPosition();
  return p && std::isfinite(p->x) && std::isfinite(p->y);
}

std::vector<int32_t> Ammo(MyGlobals& globals, const Mannschaft* team) {
  std::vector<int32_t> out;
  for (const Waffe* w : globals.GetWaffenSet()->Weapons()) out.push_back(w->GetAmmoForTeam(team));
  return out;
}

}  // namespace

BattleHarness::BattleHarness(HeadlessBattleConfig config) : m_battle(std::move(config)) {
  m_battle.onFrame = [this](HeadlessBattle&) { CheckFrame(); };
  m_battle.onTurn = [this](HeadlessBattle&) { CheckTurn(); };
}

void BattleHarness::Fail(const std::string& kind, const std::string& what) {
  if (++m_counts[kind] > 3) return;
  std::ostringstream s;
  s << "frame " << m_battle.Frames() << ", turn " << m_battle.GetLevel().GetTurnCount() << ": " << kind << ": "
    << what;
  m_failures.push_back(s.str());
}

int BattleHarness::TeamIndex(const Mannschaft* team) const {
  const auto& teams = m_battle.Teams();
  const auto it = std::find(teams.begin(), teams.end(), team);
  return it == teams.end() ? -1 : int(it - teams.begin());
}

HeadlessBattleResult BattleHarness::Play() {
  if (!m_battle.Start()) return m_battle.Result();
  // The longest clock a worm can get: the base time with the largest turn-time value.
  double ratio = 0.0;
  for (const Mannschaft* team : m_battle.Teams())
    for (const Worm* worm : team->Worms()) ratio = std::max(ratio, worm->GetEigenschaften().turnTimeRange[1]);
  m_maxClock = m_battle.GetLevel().GetRoundTime() * (1.0 + ratio);
  CheckTurn();
  while (m_battle.Step()) {
  }
  CheckEnd();
  return m_battle.Result();
}

void BattleHarness::CheckFrame() {
  Level& level = m_battle.GetLevel();
  MyGlobals& g = m_battle.Globals();
  const WormManager& manager = *g.GetWormManager();
  Worm* active = level.GetActiveWorm();
  if (!active) {
    Fail("active worm", "none");
  } else if (manager.PlayingTeams().empty() || active->GetTeam() != manager.PlayingTeams().front()) {
    Fail("active worm", "not of the front team");
  }
  if (level.GetHoldTime() < -kStep - 1e-9) Fail("hold", std::to_string(level.GetHoldTime()));
  if (level.GetTurnTimeLeft() > m_maxClock + 1e-9) Fail("clock", std::to_string(level.GetTurnTimeLeft()));
  for (Mannschaft* team : m_battle.Teams())
    for (Worm* worm : team->Worms())
      if (!Finite(*worm)) Fail("position", "a worm's position is not a number");
  std::vector<Objekt*> objects;
  g.CollectObjects(objects);
  for (Objekt* o : objects)
    if (!Finite(*o)) {
      Fail("position", "an object's position is not a number");
      break;
    }
  // The maximum holds for the particles the list may thin (those it never thins, gates,
  // crates and the like, come on top). The list thins once a frame, as it updates; what
  // later steps of the frame add (a blast set off by a worm) waits for the next frame's
  // thinning, so only a list above the maximum at the end of two frames in a row is wrong.
  const int64_t thinnable = int64_t(g.GetPartikelListe()->MainList().size());
  if (thinnable > g.particleMaximum && m_overMaximum)
    Fail("particles", std::to_string(thinnable) + " thinnable and " +
                          std::to_string(g.GetPartikelListe()->KeptList().size()) + " kept");
  m_overMaximum = thinnable > g.particleMaximum;
  for (Mannschaft* team : m_battle.Teams())
    for (int32_t a : Ammo(g, team))
      if (a < -1) Fail("ammunition", std::to_string(a));
  // A computer control plans only for the worm at turn: a plan of a turn that ended stops
  // within a frame of the hand-over.
  bool strayPlan = false;
  if (SteuerungListe* controls = g.GetSteuerungListe())
    for (const auto& c : controls->Controls())
      if (auto* cpu = dynamic_cast<CPUSteuerung*>(c.get());
          cpu && cpu->IsPlanning() && (!active || active->GetControl() != cpu))
        strayPlan = true;
  m_strayPlanFrames = strayPlan ? m_strayPlanFrames + 1 : 0;
  if (m_strayPlanFrames > 2) Fail("planner", "a computer control plans for a worm not at turn");
  if (level.IsTurnLatched())
    m_latchedThisTurn += kStep;
  else if (level.GetHoldTime() > 0.0)
    m_heldThisTurn += kStep;
  // The clock never stands still longer than the hold's cap while the turn runs.
  if (!level.IsTurnLatched() && level.GetTurnTimeLeft() == m_lastClock)
    m_stillFor += kStep;
  else
    m_stillFor = 0.0;
  m_lastClock = level.GetTurnTimeLeft();
  if (m_stillFor > Level::kMaxContinuousHold + 2 * kStep) Fail("hold", "the clock stood longer than the cap");
  if (active) {
    const int32_t used = active->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound];
    if (used > m_usedBefore) m_shots += used - m_usedBefore;
    m_usedBefore = used;
  }
}

void BattleHarness::CheckTurn() {
  Level& level = m_battle.GetLevel();
  MyGlobals& g = m_battle.Globals();
  Worm* active = level.GetActiveWorm();
  const int team = active ? TeamIndex(active->GetTeam()) : -1;
  if (!m_turnTeams.empty()) {
    // The turn that ended ran its clock, plus the time the hold stopped the clock and the
    // hand-over took.
    const double lasted = m_battle.LastTurnSeconds();
    if (lasted > m_clockAtStart + m_heldThisTurn + m_latchedThisTurn + 2 * kStep)
      Fail("turn time", std::to_string(lasted) + " s");
    if (level.GetProcessingCount() != level.GetTurnCount() - 1)
      Fail("processing", std::to_string(level.GetProcessingCount()) + " runs for " +
                             std::to_string(level.GetTurnCount()) + " turns");
    if (team == m_turnTeams.back()) Fail("alternation", "the same team took the turn again");
    if (level.GetTeamChangeCount() != level.GetTurnCount()) Fail("team change", "a hand-over without one");
    // Only the team that was at turn can have spent ammunition; unlimited stays unlimited.
    const int previous = m_turnTeams.back();
    for (size_t t = 0; t < m_battle.Teams().size() && t < m_turnAmmo.size(); ++t) {
      const std::vector<int32_t> now = Ammo(g, m_battle.Teams()[t]);
      for (size_t w = 0; w < now.size(); ++w) {
        const int32_t before = m_turnAmmo[t][w];
        if (before == -1 && now[w] != -1) Fail("ammunition", "unlimited ammunition became limited");
        if (now[w] < before && int(t) != previous) Fail("ammunition", "a team not at turn lost ammunition");
      }
    }
  }
  if (active) {
    const double expected = level.GetRoundTime() * (1.0 + active->GetEigenschaften().turnTime);
    if (std::fabs(level.GetTurnTimeLeft() - expected) > 1e-9)
      Fail("clock", "the turn started with " + std::to_string(level.GetTurnTimeLeft()) + " s, not " +
                        std::to_string(expected));
  }
  m_turnTeams.push_back(team);
  m_turnAmmo.clear();
  for (Mannschaft* t : m_battle.Teams()) m_turnAmmo.push_back(Ammo(g, t));
  m_heldThisTurn = m_latchedThisTurn = 0.0;
  m_clockAtStart = level.GetTurnTimeLeft();
  m_usedBefore = active ? active->GetEigenschaften().weaponsUsed[WormEigenschaften::kRound] : 0;
}

void BattleHarness::CheckEnd() {
  Level& level = m_battle.GetLevel();
  MyGlobals& g = m_battle.Globals();
  const WormManager& manager = *g.GetWormManager();
  const HeadlessBattleResult result = m_battle.Result();
  if (!level.IsRoundDecided()) {
    if (requireDecision) Fail("end", "the round is not decided: stopped at the " + result.cappedBy + " cap");
    return;
  }
  if (manager.CountLivingTeams() > 1) Fail("end", "more than one team has living worms");

  // Booking: the ranking by health with stable ties, once only.
  const std::vector<std::u16string> keysBefore = g.GetUnlocks().GetKeys();
  level.UpdateRoundStatistics();
  const std::vector<Mannschaft*> ranking = level.GetRanking();
  for (size_t i = 1; i < ranking.size(); ++i)
    if (ranking[i - 1]->TotalHealth() < ranking[i]->TotalHealth()) Fail("ranking", "not ordered by health");
  std::vector<std::pair<int32_t, int32_t>> booked;
  for (Mannschaft* team : m_battle.Teams()) booked.push_back({team->winsThisGame, team->lossesThisGame});
  level.UpdateRoundStatistics();
  for (size_t t = 0; t < m_battle.Teams().size(); ++t)
    if (booked[t] != std::make_pair(m_battle.Teams()[t]->winsThisGame, m_battle.Teams()[t]->lossesThisGame))
      Fail("booking", "a second booking changed the wins or losses");
  if (level.GetRanking() != ranking) Fail("booking", "a second booking changed the ranking");
  bool humanSurvivor = false;
  for (Mannschaft* team : m_battle.Teams()) {
    const bool living = team->CountLivingWorms() > 0;
    if (level.IsDraw() && (team->winsThisGame != 0 || team->lossesThisGame != (living ? 0 : 1)))
      Fail("draw", "a draw booked a win or missed a loss");
    if (!level.IsDraw() && living && team->winsThisGame != 1) Fail("booking", "the survivor has no win");
    if (!living && team->lossesThisGame != 1) Fail("booking", "a beaten team has no loss");
    if (living && team->GetSteuerung() == u"DEFAULT") humanSurvivor = true;
  }
  if (!humanSurvivor && g.GetUnlocks().GetKeys() != keysBefore) Fail("unlock", "granted without a human survivor");
  if (!level.IsDraw() && !level.IsGameWon()) Fail("game", "one win is needed and the winner has it");
  level.EndRoundTeardown();
  if (SteuerungListe* controls = g.GetSteuerungListe())
    for (const auto& c : controls->Controls())
      if (auto* cpu = dynamic_cast<CPUSteuerung*>(c.get()); cpu && cpu->IsPlanning())
        Fail("planner", "still planning after the battle");
}

std::string BattleHarness::Report() const {
  std::string out;
  for (const std::string& f : m_failures) out += f + "\n";
  return out;
}

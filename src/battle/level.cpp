// The battle's lifecycle and turn cycle.
#include "battle/level.h"

#include <algorithm>
#include <cmath>

#include "battle/cameramanager.h"
#include "battle/camerajob.h"
#include "battle/humansteuerung.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/apiinput.h"
#include "engine/camerajoblist.h"
#include "engine/frametimer.h"
#include "engine/messagepanel.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/bonussettings.h"
#include "objects/eventtable.h"
#include "objects/kraftfeldliste.h"
#include "objects/mannschaft.h"
#include "objects/partikelliste.h"
#include "objects/teleporterliste.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/numeric.h"
#include "platform/random.h"
#include "platform/text.h"
#include "posteffects/posteffectlibrary.h"
#include "world/levelinfo.h"
#include "world/wassermanager.h"
#include "world/welt.h"
#include "world/wind.h"

namespace {

constexpr int32_t kPanelMargin = 10;
constexpr int32_t kPanelCellHeight = 50;
constexpr int32_t kPanelScreenGap = 100;

bool IsHumanControl(MyGlobals* globals, const Mannschaft& team) {
  SteuerungListe* controls = globals ? globals->GetSteuerungListe() : nullptr;
  Steuerung* control = controls ? controls->FindByName(team.GetSteuerung()) : nullptr;
  return dynamic_cast<HumanSteuerung*>(control) != nullptr;
}

double StatisticOf(const Worm& worm, int32_t statistic, int32_t period) {
  const WormEigenschaften& e = worm.GetEigenschaften();
  const int layer = std::clamp(period, 0, 2);
  switch (statistic) {
    case Level::kTimeOnTurn:
      return e.timeOnTurn[layer];
    case Level::kWalked:
      return e.walked[layer];
    case Level::kWeaponsUsed:
      return double(e.weaponsUsed[layer]);
    case Level::kDied:
      return double(e.died[layer]);
    case Level::kEnemiesKilled:
      return double(e.enemiesKilled[layer]);
    case Level::kDamageDealt:
      return e.damageDealt[layer];
    case Level::kDamageTaken:
      return e.damageTaken[layer];
    default:
      return 0.0;
  }
}

}  // namespace

Level::Level(MyGlobals* globals, APIContext* context)
    : m_context(context ? context : (globals ? globals->GetContext() : APIContext::Get())),
      m_globals(globals ? globals : dynamic_cast<MyGlobals*>(m_context->globals.get())) {
  m_panelAnimator.SetValue(0.0);
  m_panelAnimator.Set(0.0);
  m_panelAnimator.SetSpeed(0.001);
  m_panelAnimator.SetExponent(1.0);
}

Level::~Level() {
  // The worm at turn lets go of its control; the worms themselves belong to the worm manager.
  if (m_activeWorm) m_activeWorm->EndTurn();
}

bool Level::Start(const LevelInfo& level, uint32_t seed, const std::vector<TeamEntry>& teams, bool newGame,
                  std::u16string* error, MyLoadScreen* loadScreen, const std::function<bool()>& cancelled,
                  bool reuseWorld) {
  m_state &= ~kRunning;
  if (int32_t(teams.size()) < kMinTeams) {
    if (error) *error = u"A battle needs at least two teams.";
    return false;
  }
  if (SteuerungListe* controls = m_globals ? m_globals->GetSteuerungListe() : nullptr)
    controls->SetLevel(nullptr, nullptr);
  if (!Load(level, seed, loadScreen, error, cancelled, reuseWorld)) return false;
  if (!PlaceTeams(teams, &level, newGame, error)) return false;
  if (newGame)
    ResetForNewGame();
  else
    ResetForNextRound();
  if (WormManager* manager = m_globals->GetWormManager()) manager->BeginGame();
  BeginRound();
  SetRunning(true);
  return true;
}

bool Level::Load(const LevelInfo& level, uint32_t seed, MyLoadScreen* loadScreen, std::u16string* error,
                 const std::function<bool()>& cancelled, bool reuseWorld) {
  m_roundEnded = false;
  m_unlockKey = level.unlocks;
  if (!m_globals) {
    if (error) *error = u"The battle has no game-wide object.";
    return false;
  }
  if (m_activeWorm) {
    m_activeWorm->EndTurn();
    m_activeWorm = nullptr;
  }
  // The particles of the last battle go with its world.
  m_globals->GetPartikelListe()->Clear();
  Welt* built = m_globals->GetWelt();
  if (!reuseWorld || !built || !built->GetGameLandschaft()) {
    WorldBuildServices services;
    services.context = m_context;
    services.animations = m_globals->GetAnimationManager();
    services.textures = m_context->graphics ? m_context->graphics->GetTexturDefCache() : nullptr;
    services.archive = m_globals->GetArchive();
    services.cancelled = cancelled;
    std::unique_ptr<Welt> world = level.BuildWorld(loadScreen, services);
    if (cancelled && cancelled()) {
      if (error) *error = u"The level's build was cancelled.";
      return false;
    }
    if (!world || !world->GetGameLandschaft()) {
      if (error) *error = u"The level's world could not be built.";
      return false;
    }
    m_globals->SetWelt(std::move(world));
  }
  SceneManagers managers;
  managers.water = m_globals->GetWasserManager();
  managers.wind = m_globals->GetWindManager();
  managers.bonus = m_globals->GetBonusSettings();
  level.ApplyToScene(managers);
  if (CameraManager* camera = m_globals->GetCamera()) {
    camera->SetupForLevel(level);
    camera->SetEnabled(true);
  }
  // The battle's random draws follow from the seed alone.
  platform::SRand(seed);
  return true;
}

bool Level::PlaceTeams(const std::vector<TeamEntry>& teams, const LevelInfo* level, bool newGame,
                       std::u16string* error) {
  WormManager* manager = m_globals ? m_globals->GetWormManager() : nullptr;
  Welt* world = m_globals ? m_globals->GetWelt() : nullptr;
  if (int32_t(teams.size()) < kMinTeams) {
    if (error) *error = u"A battle needs at least two teams.";
    return false;
  }
  if (!manager || !world) {
    if (error) *error = u"There is no world to place the teams in.";
    return false;
  }
  for (const TeamEntry& entry : teams) {
    if (!entry.team || entry.team->Worms().empty()) {
      if (error) *error = u"A team of the battle has no worms.";
      return false;
    }
  }
  if (newGame) manager->ClearSelection();
  for (size_t t = 0; t < teams.size(); ++t) {
    Mannschaft* team = teams[t].team;
    if (!teams[t].control.empty()) team->SetSteuerung(teams[t].control);
    const size_t before = world->SpawnPositions().size();
    if (newGame) {
      team->ResetForGame();
      const TeamSetupEntry* slot = nullptr;
      if (level && t < level->defaultTeams.slots.size()) slot = &level->defaultTeams.slots[t];
      int32_t wanted = slot ? std::clamp(slot->wormCount, 1, team->GetWormCount()) : team->GetWormCount();
      int32_t added = 0;
      if (slot)
        for (const TeamPosition& p : slot->positions) {
          if (added >= wanted || p.third <= 0.0f) continue;
          if (team->AddOneWormToPlayOrder(Vector2(p.x, p.y), world)) ++added;
        }
      team->AddWormsToPlayOrder(wanted - added, world);
      manager->AddTeamToGame(team);
    } else {
      team->PlaceWorms(world);
    }
    // Each worm set down takes one place of the world's list.
    const size_t placed = world->SpawnPositions().size() - before;
    if (placed < team->PlayOrder().size()) {
      if (error)
        *error = u"The level has no room for every worm: the team \"" + team->GetName() + u"\" could not be placed.";
      return false;
    }
  }
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) {
    weapons->ClearTeamRecords();
    for (const TeamEntry& entry : teams) weapons->AddTeamRecords(entry.team);
  }
  return true;
}

void Level::ResetForNewGame() {
  if (WormManager* manager = m_globals->GetWormManager()) manager->ResetGameStatistics();
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) weapons->ResetAllForGame();
  m_ranking.clear();
  m_draw = false;
  m_roundProcessingStarted = false;
  m_turnOverLatched = false;
}

void Level::ResetForNextRound() {
  if (WormManager* manager = m_globals->GetWormManager()) manager->ResetRoundStatistics();
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) weapons->ResetAllForGame();
  m_ranking.clear();
  m_draw = false;
  m_roundProcessingStarted = false;
  m_turnOverLatched = false;
}

void Level::Reset() {
  // The text areas of the battle display are the display's; the logic keeps its messages.
}

void Level::BeginRound() {
  WormManager* manager = m_globals->GetWormManager();
  m_teamBars = manager ? &manager->GetBarList() : nullptr;
  m_globals->GetPartikelListe()->Clear();
  Reset();
  m_globals->busyTime = 0.0;
  m_continuousHold = 0.0;
  m_turnCount = 0;
  m_teamChanges = 0;
  m_processingRuns = 0;
  m_deathsPlaying = false;
  if (manager) {
    std::vector<Objekt*> worms;
    manager->CollectWorms(worms);
    for (Objekt* o : worms)
      if (Worm* worm = dynamic_cast<Worm*>(o)) worm->NextRound();
  }
  NextRound();
  m_state |= kRoundStarted;
  Reset();
}

void Level::SetRunning(bool running) {
  if (running)
    m_state |= kRunning;
  else
    m_state &= ~kRunning;
}

void Level::Update() {
  const FrameTimer* timer = m_context ? m_context->timer.get() : nullptr;
  if (!timer) return;
  Update(timer->gameStep, timer->realStep);
}

void Level::Update(double dt, double real) {
  const bool live = m_state == (kRunning | kRoundStarted);
  if (live) UpdateManagers(dt, real);
  m_panelAnimator.Step(dt * kPanelSpeedFactor);
  if (!live) return;
  UpdatePanelRequest();
  if (m_activeWorm) UpdateTurn(dt, real);
}

void Level::UpdateManagers(double dt, double real) {
  MyGlobals& g = *m_globals;
  if (PostEffectLibrary* effects = g.GetPostEffects()) effects->UpdateActive(dt);
  if (WaffenSet* weapons = g.GetWaffenSet()) weapons->UpdateAll(dt);
  g.GetPartikelListe()->Update();
  if (SteuerungListe* controls = g.GetSteuerungListe()) controls->Update();
  if (WormManager* manager = g.GetWormManager()) manager->Update(!m_roundEnded, dt, real);
  if (CameraManager* camera = g.GetCamera()) camera->Update(real, false);
  if (WasserManager* water = g.GetWasserManager()) water->Update();
  if (CameraJobList* jobs = g.GetCameraJobs()) jobs->Update();
  Welt* world = g.GetWelt();
  if (world) world->UnlockGameLayers();
  if (m_context->timer) g.GetEventTable()->UpdateAll(*m_context->timer);
  if (WindManager* wind = g.GetWindManager()) wind->Update(dt);
  g.GetKraftfeldListe()->Update(dt);
  g.GetTeleporterListe()->Update(dt);
  if (world && m_context->timer) world->Update(*m_context->timer);
  g.messagePanel1.Update(dt);
  g.messagePanel2.Update(dt);
  g.fadingTextList.Update();
}

void Level::UpdatePanelRequest() {
  int32_t& request = m_globals->panelRequest;
  if (request == 0) return;
  const bool open = request == 1 || (request == 3 && m_panelAnimator.GetTarget() == 0.0);
  if (open) {
    if (m_panelAnimator.GetValue() < 0.1 && m_activeWorm && m_activeWorm->CanAct()) {
      int32_t mouseX = 0, mouseY = 0, screenW = 0, screenH = 0;
      if (m_context->input) {
        mouseX = m_context->input->GetInputState()->mouseX;
        mouseY = m_context->input->GetInputState()->mouseY;
      }
      if (m_context->graphics) {
        screenW = int32_t(m_context->graphics->GetScreenWidth());
        screenH = int32_t(m_context->graphics->GetScreenHeight());
      }
      // A screen too small for the gaps keeps the panel at the gap.
      auto place = [](int32_t v, int32_t screen, int32_t size) {
        const int32_t hi = std::max(kPanelScreenGap, screen - size - kPanelScreenGap);
        return std::clamp(v, kPanelScreenGap, hi);
      };
      m_panelX = place(mouseX - m_panelWidth / 2, screenW, m_panelWidth);
      m_panelY = place(mouseY - (kPanelMargin + kPanelCellHeight / 2), screenH, m_panelHeight);
      m_panelAnimator.Reset();
      m_panelAnimator.Set(1.0);
      m_panelAnimator.SetSpeed(1.0 - m_panelAnimator.GetStart());
    }
  } else {
    m_panelAnimator.Reset();
    m_panelAnimator.Set(0.0);
    m_panelAnimator.SetSpeed(m_panelAnimator.GetStart());
  }
  request = 0;
}

void Level::UpdateTurn(double dt, double real) {
  MyGlobals& g = *m_globals;
  if (g.switchWormRequest) {
    if (Mannschaft* team = m_activeWorm->GetTeam()) SetActiveWorm(team->NextWorm());
    g.switchWormRequest = 0;
  }
  // The hold: an object that keeps the battle busy without end stops the clock at most
  // kMaxContinuousHold seconds in a row; then the hold counts as over. It counts down to 0
  // and no further.
  if (g.busyTime > 0.0)
    m_continuousHold += dt;
  else
    m_continuousHold = 0.0;
  g.busyTime = std::max(0.0, g.busyTime - dt);
  if (m_continuousHold >= kMaxContinuousHold) g.busyTime = 0.0;

  if (!m_turnOverLatched && !IsTurnOver()) {
    if (g.busyTime <= 0.0) m_turnTimeLeft -= dt;
    m_roundProcessingStarted = false;
  } else {
    m_turnOverLatched = true;
    if (!m_roundProcessingStarted) {
      m_handOverWorms.clear();
      if (WormManager* manager = g.GetWormManager()) manager->CollectWorms(m_handOverWorms);
      for (Objekt* o : m_handOverWorms)
        if (Worm* worm = dynamic_cast<Worm*>(o)) worm->NextRound();
      m_roundProcessingStarted = true;
      m_deathSeconds = 0.0;
      ++m_processingRuns;
    }
    // A decided round stays latched: the processing is not run again while the front end
    // waits to book it.
    const bool settled = AreWormsSettled();
    m_deathsPlaying = !settled;
    if (settled && !IsRoundDecided()) {
      NextRound();
      m_roundProcessingStarted = false;
      m_turnOverLatched = false;
    }
  }
  if (m_turnOverLatched) m_deathSeconds += dt;

  m_descriptionTimer -= real;
  if (m_selectedWeapon && m_selectedWeapon->HasSetting() && m_selectedWeapon->GetStateByte()) {
    if (m_descriptionTimer <= 0.0)
      m_descriptionTimer = kDescriptionTime;
    else if (m_descriptionTimer <= 0.5)
      m_descriptionTimer = kDescriptionTime - (0.5 - m_descriptionTimer);
    else
      m_descriptionTimer = kDescriptionTime - 0.5;
    m_selectedWeapon->ResetStateByte();
  }
}

bool Level::IsTurnOver() const {
  if (m_turnTimeLeft < 0.0) return true;
  if (!m_activeWorm || !m_activeWorm->IsTurnOver()) return false;
  // Every living worm must stand; a corpse does not hold the turn.
  const WormManager* manager = m_globals->GetWormManager();
  if (!manager) return true;
  for (const Mannschaft* team : manager->PlayingTeams())
    for (const Worm* worm : team->PlayOrder())
      if (!worm->IsAtRest()) return false;
  return true;
}

bool Level::AreWormsSettled() {
  for (Objekt* o : m_handOverWorms) {
    Worm* worm = dynamic_cast<Worm*>(o);
    if (!worm || !worm->HasDiedThisRound()) continue;
    if (!worm->IsDeathStarted()) {
      worm->StartDeathAnimation();
      m_deathSeconds = 0.0;
      return false;
    }
    // A death animation that never ends holds the hand-over no longer than this.
    if (!worm->IsDeathAnimationDone() && m_deathSeconds < kMaxDeathSeconds) return false;
    worm->ClearDeathFlags();
  }
  return true;
}

void Level::NextRound() {
  WormManager* manager = m_globals->GetWormManager();
  if (!manager) return;
  Mannschaft* oldTeam = m_activeWorm ? m_activeWorm->GetTeam() : nullptr;
  Mannschaft* newTeam = manager->NextTeam();
  ++m_turnCount;
  // The same team keeps the turn (only it has living worms left).
  if (newTeam == oldTeam) return;
  ++m_teamChanges;
  m_globals->panelRequest = 2;
  m_globals->switchWormRequest = 0;
  if (WaffenSet* weapons = m_globals->GetWaffenSet()) weapons->ResetTurnCounts();
  if (WindManager* wind = m_globals->GetWindManager()) wind->NewRound(1.0);
  m_globals->GetKraftfeldListe()->OnNewRound();
  m_globals->GetBonusSettings()->DropCrates();
  m_turnTimeLeft = m_baseTurnTime;
  Worm* worm = newTeam ? newTeam->NextWorm() : nullptr;
  if (!worm) return;
  newTeam->SetSelected(true);
  m_turnTimeLeft = m_baseTurnTime * (1.0 + worm->GetEigenschaften().turnTime);
  SetActiveWorm(worm);
  ShowNextRoundLabel(*worm, *newTeam);
}

void Level::ShowNextRoundLabel(const Worm& worm, const Mannschaft& team) {
  const std::u16string* format = m_context->language ? m_context->language->GetText(u"NEXT_ROUND") : nullptr;
  if (!format) return;
  const std::u16string text = platform::FormatW(*format, worm.GetName(), team.GetName());
  m_globals->messagePanel2.Add(std::make_unique<MessageLabel>(text, team.GetColour(), kLabelSeconds, kLabelSecond));
  m_globals->fadingTextList.Add(std::make_unique<FadingTextLabel>(text, team.GetColour()));
}

void Level::SetActiveWorm(Worm* worm) {
  if (!worm || worm == m_activeWorm) return;
  CameraManager* camera = m_globals->GetCamera();
  if (m_activeWorm) {
    if (Mannschaft* team = m_activeWorm->GetTeam()) team->SetSelected(false);
    m_activeWorm->EndTurn();
    if (camera) camera->RemoveJobsFor(m_activeWorm->GetId());
  }
  m_activeWorm = worm;
  worm->BeginTurn();
  if (Mannschaft* team = worm->GetTeam()) team->SetSelected(true);
  if (camera) {
    CameraJob job(m_globals, worm->GetId(), CameraJob::kFollows, 0.0, 0.0, true, kWormFollowRate);
    camera->AddJob(job, true);
  }
}

void Level::ReleaseActiveWorm() {
  if (m_activeWorm) {
    if (Mannschaft* team = m_activeWorm->GetTeam()) team->SetSelected(false);
    m_activeWorm->EndTurn();
    if (CameraManager* camera = m_globals->GetCamera()) camera->RemoveJobsFor(m_activeWorm->GetId());
    m_activeWorm = nullptr;
  }
  m_roundEnded = true;
}

bool Level::IsRoundDecided() const {
  if (m_roundEnded) return false;
  const WormManager* manager = m_globals->GetWormManager();
  return !manager || manager->CountLivingTeams() < 2;
}

void Level::UpdateRoundStatistics() {
  if (!IsRoundDecided() || !m_ranking.empty()) return;
  const WormManager* manager = m_globals->GetWormManager();
  for (Mannschaft* team : manager->PlayingTeams()) {
    auto at = std::find_if(m_ranking.begin(), m_ranking.end(),
                           [&](const Mannschaft* t) { return t->TotalHealth() < team->TotalHealth(); });
    m_ranking.insert(at, team);
  }
  const int32_t living = manager->CountLivingTeams();
  m_draw = living != 1;
  if (!m_draw)
    for (Mannschaft* team : m_ranking)
      if (team->CountLivingWorms() > 0 && IsHumanControl(m_globals, *team) && !m_unlockKey.empty())
        m_globals->GetUnlocks().Unlock(m_unlockKey);
  for (Mannschaft* team : m_ranking) {
    if (team->CountLivingWorms() == 0)
      ++team->lossesThisGame;
    else if (!m_draw)
      ++team->winsThisGame;
  }
}

bool Level::IsGameWon() const {
  return std::any_of(m_ranking.begin(), m_ranking.end(),
                     [&](const Mannschaft* t) { return t->winsThisGame >= m_winsNeeded; });
}

void Level::EndRoundContinue() {
  UpdateRoundStatistics();
  if (WormManager* manager = m_globals->GetWormManager()) manager->EndRound();
  if (CameraManager* camera = m_globals->GetCamera()) camera->ClearJobs();
  ReleaseActiveWorm();
}

void Level::EndRoundTeardown() {
  UpdateRoundStatistics();
  if (WormManager* manager = m_globals->GetWormManager()) manager->EndGame();
  if (CameraManager* camera = m_globals->GetCamera()) camera->ClearJobs();
  ReleaseActiveWorm();
}

Mannschaft* Level::GetActiveTeam() const { return m_activeWorm ? m_activeWorm->GetTeam() : nullptr; }

double Level::GetHoldTime() const { return m_globals->busyTime; }

Mannschaft* Level::GetPlayingTeamByIndex(int32_t i) const {
  const WormManager* manager = m_globals->GetWormManager();
  if (!manager || i < 0 || i >= int32_t(manager->PlayingTeams().size())) return nullptr;
  return manager->PlayingTeams()[size_t(i)];
}

TeamBar* Level::GetTeamBarByIndex(int32_t i) const {
  if (!m_teamBars || i < 0 || i >= int32_t(m_teamBars->size())) return nullptr;
  return (*m_teamBars)[size_t(i)];
}

void Level::FindStatisticExtreme(double& value, std::u16string& name, int32_t statistic, int32_t period,
                                 bool largest) const {
  double smallest = 2147483647.0, biggest = -2147483647.0;
  std::u16string smallName, bigName;
  for (size_t t = m_ranking.size(); t-- > 0;) {
    const std::vector<Worm*>& order = m_ranking[t]->PlayOrder();
    for (size_t i = order.size(); i-- > 0;) {
      const double v = StatisticOf(*order[i], statistic, period);
      if (v < smallest) {
        smallest = v;
        smallName = order[i]->GetName();
      }
      if (v > biggest) {
        biggest = v;
        bigName = order[i]->GetName();
      }
    }
  }
  value = largest ? biggest : smallest;
  name = largest ? bigName : smallName;
}

std::u16string Level::Text(const char16_t* key) const {
  const std::u16string* text = m_context->language ? m_context->language->GetText(key) : nullptr;
  return text ? *text : std::u16string(key);
}

std::u16string Level::FormatPairs(const char16_t* key, const std::vector<std::pair<int32_t, bool>>& which,
                                  int32_t period) const {
  std::vector<platform::FormatArg> args;
  std::vector<std::u16string> names(which.size());
  for (size_t i = 0; i < which.size(); ++i) {
    double value = 0.0;
    FindStatisticExtreme(value, names[i], which[i].first, period, which[i].second);
    args.emplace_back(std::u16string_view(names[i]));
    args.emplace_back(int64_t(platform::TruncToInt(value)));
  }
  return platform::FormatWArgs(Text(key), args);
}

std::u16string Level::BuildRoundEndHeadline() const {
  if (m_ranking.empty()) return u"";
  if (m_draw) return Text(u"ROUND_END_DRAW_HEADLINE");
  return platform::FormatW(Text(u"ROUND_END_WIN_HEADLINE"), m_ranking.front()->GetName());
}

std::u16string Level::BuildRoundEndTable(int32_t column) const {
  switch (column) {
    case 0:
      return Text(u"ROUND_END_COLUMN0");
    case 1:
      return FormatPairs(u"ROUND_END_COLUMN1",
                         {{kTimeOnTurn, true}, {kTimeOnTurn, false}, {kWalked, true}, {kWeaponsUsed, true}},
                         kThisRound);
    case 2:
      return Text(u"ROUND_END_COLUMN2");
    case 3:
      return FormatPairs(
          u"ROUND_END_COLUMN3",
          {{kEnemiesKilled, true}, {kEnemiesKilled, false}, {kDamageDealt, true}, {kDamageDealt, false}},
          kThisRound);
    default:
      return u"";
  }
}

std::u16string Level::BuildGameEndHeadline() const {
  if (m_ranking.empty()) return u"";
  const Mannschaft* winner = nullptr;
  for (const Mannschaft* team : m_ranking)
    if (team->winsThisGame >= m_winsNeeded) winner = team;
  return platform::FormatW(Text(u"GAME_END_HEADLINE"), winner ? winner->GetName() : std::u16string());
}

std::u16string Level::BuildGameEndTable(int32_t column) const {
  switch (column) {
    case 0:
      return Text(u"GAME_END_COLUMN0");
    case 1:
      return FormatPairs(u"GAME_END_COLUMN1",
                         {{kTimeOnTurn, true},
                          {kTimeOnTurn, false},
                          {kWalked, true},
                          {kWeaponsUsed, true},
                          {kEnemiesKilled, true},
                          {kEnemiesKilled, false},
                          {kDamageDealt, true},
                          {kDamageDealt, false}},
                         kThisGame);
    default:
      return u"";
  }
}

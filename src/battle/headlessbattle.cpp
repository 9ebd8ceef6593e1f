// A battle without a window, stepped by hand.
#include "battle/headlessbattle.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "battle/battledata.h"
#include "battle/cpusteuerung.h"
#include "battle/steuerungliste.h"
#include "battle/waffe.h"
#include "battle/waffenset.h"
#include "battle/waffenteams.h"
#include "engine/apicontext.h"
#include "engine/apigraphics.h"
#include "engine/frametimer.h"
#include "engine/kvnode.h"
#include "engine/myglobals.h"
#include "engine/sprache.h"
#include "objects/mannschaft.h"
#include "objects/worm.h"
#include "objects/wormmanager.h"
#include "platform/random.h"
#include "platform/text.h"
#include "world/levelinfo.h"

namespace {

constexpr uint8_t kKeyLeft = 203;
constexpr uint8_t kKeyRight = 205;
constexpr uint8_t kKeyUp = 200;
constexpr uint8_t kKeyDown = 208;
constexpr uint8_t kKeySpace = 57;

void SetKey(InputState& input, uint8_t key, bool down) { input.keyboard.keys[key] = down ? 0x80 : 0; }

uint64_t Mix(uint64_t hash, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  for (size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 1099511628211ull;
  }
  return hash;
}

template <class T>
uint64_t MixValue(uint64_t hash, T value) {
  return Mix(hash, &value, sizeof value);
}

Vector2 PositionOf(const Worm& worm) { return *const_cast<Worm&>(worm).GetPosition(); }

// The nearest living worm of another team, or null.
const Worm* NearestEnemy(const Worm& worm) {
  const WormManager* manager = worm.GetGlobals() ? worm.GetGlobals()->GetWormManager() : nullptr;
  if (!manager) return nullptr;
  const Worm* best = nullptr;
  double bestDistance = 0.0;
  for (const Mannschaft* team : manager->PlayingTeams()) {
    if (team == worm.GetTeam()) continue;
    for (const Worm* other : team->PlayOrder()) {
      if (other->IsDead()) continue;
      const double d = double((PositionOf(*other) - PositionOf(worm)).Length());
      if (!best || d < bestDistance) {
        best = other;
        bestDistance = d;
      }
    }
  }
  return best;
}

}  // namespace

ScriptedSteuerung::ScriptedSteuerung(APIContext* context, double step)
    : HumanSteuerung(context), m_step(step) {
  SetName(u"SCRIPT");
}

void ScriptedSteuerung::TakeOver(Worm* worm) { m_worm = worm; }

void ScriptedSteuerung::Update() {
  // Between its worm's turns the script sees no worm.
  const Worm* worm = m_worm && m_worm->IsCurrent() ? m_worm : nullptr;
  if (m_script) m_script(m_input, worm, m_frame);
  // Ticks follow the frames: 10 ms a frame.
  HumanSteuerung::Update(m_input, m_step, uint32_t(m_frame * 10));
  ++m_frame;
}

ScriptedSteuerung::Script HeadlessBattle::DefaultScript() {
  struct Plan {
    const Worm* worm = nullptr;
    int64_t start = 0;
    int64_t turnFrames = 0;
    int64_t aimFrames = 0;
    bool aimUp = true;
    int64_t chargeFrames = 0;
  };
  auto plan = std::make_shared<Plan>();
  return [plan](InputState& input, const Worm* worm, int64_t frame) {
    std::memset(input.keyboard.keys, 0, sizeof input.keyboard.keys);
    if (!worm) {
      plan->worm = nullptr;
      return;
    }
    if (plan->worm != worm) {
      // A new turn: its plan follows from the frame it starts in.
      plan->worm = worm;
      plan->start = frame;
      const int64_t r = frame * 2654435761ll;
      plan->aimUp = (r >> 3) % 4 != 0;
      plan->aimFrames = 10 + (r >> 5) % 60;
      plan->chargeFrames = 40 + (r >> 9) % 170;
      plan->turnFrames = 0;
      if (const Worm* enemy = NearestEnemy(*worm)) {
        const bool enemyRight = PositionOf(*enemy).x > PositionOf(*worm).x;
        if (enemyRight != worm->IsFacingRight()) plan->turnFrames = 3;
      }
    }
    const int64_t t = frame - plan->start;
    // Turn towards the enemy with a tap, aim, then hold the fire key.
    if (t < plan->turnFrames) {
      const bool enemyRight = !worm->IsFacingRight();
      SetKey(input, enemyRight ? kKeyRight : kKeyLeft, true);
      return;
    }
    const int64_t a = t - plan->turnFrames - 5;
    if (a >= 0 && a < plan->aimFrames) {
      SetKey(input, plan->aimUp ? kKeyUp : kKeyDown, true);
      return;
    }
    const int64_t c = a - plan->aimFrames - 5;
    if (c >= 0 && c < plan->chargeFrames) SetKey(input, kKeySpace, true);
  };
}

HeadlessBattle::HeadlessBattle(HeadlessBattleConfig config) : m_config(std::move(config)) {}

HeadlessBattle::~HeadlessBattle() {
  m_level.reset();
  if (m_globals && &WaffenTeams::Current() == m_globals->GetWormManager()) WaffenTeams::Install(nullptr);
  // The controls of the worms go after the game-wide object, which the worms are part of.
  if (m_context) m_context->globals.reset();
  m_scripted.clear();
  if (m_graphics && m_window) m_graphics->Release();
}

bool HeadlessBattle::Start() {
  if (m_started) return m_error.empty();
  m_started = true;
  m_context = std::make_unique<APIContext>();
  APIContext& context = *m_context;
  context.title = m_config.title;
  context.configuration = std::make_unique<KVNode>(u"Config");
  DisplayEnvironment display;
  display.adapterModes.push_back({1024, 768, 60, kFormatX8R8G8B8});
  m_graphics = std::make_unique<APIGraphics>(context, display);
  if (m_config.openGL) {
    std::string why;
    m_window = platform::Window::Create(m_config.title, 1024, 768, &why);
    if (!m_window) {
      m_error = u"No window for OpenGL: " + platform::Utf8ToU16(why);
      return false;
    }
    context.mainWindow = m_window.get();
  } else {
    m_graphics->UseNullDevice(true);
  }
  if (m_graphics->Create() != kResultOk && m_window) {
    m_error = u"The OpenGL device could not be made.";
    return false;
  }
  context.graphics = m_graphics.get();
  context.timer = std::make_unique<FrameTimer>();
  context.timer->gameStep = context.timer->realStep = kFrameStep;
  context.language = std::make_unique<Sprache>(context.configuration.get());
  auto globals = std::make_unique<MyGlobals>(&context);
  m_globals = globals.get();
  context.globals = std::move(globals);
  if (!m_globals->GetArchive()) {
    m_error = u"The content archive was not found.";
    return false;
  }
  context.language->LoadArchiveFile(u"sprache.lng", m_globals->GetArchive());
  m_globals->LoadSettings();
  m_globals->CreateDeviceObjects();
  BattleDataOptions options;
  options.playerRoster = false;
  LoadBattleData(*m_globals, context, options);

  std::unique_ptr<KVNode> document = LoadKVFromArchive(m_config.level, m_globals->GetArchive());
  if (!document) {
    m_error = u"The level \"" + m_config.level + u"\" is not in the content archive.";
    return false;
  }
  m_levelInfo = std::make_unique<LevelInfo>(
      document.get(),
      LevelSources{m_globals->GetLayerProperties(), m_globals->GetSettingKatalog(), m_globals->GetArchive()});
  m_levelInfo->Reseed(m_config.seed);

  WormManager& manager = *m_globals->GetWormManager();
  if (!manager.GetDefaultWorm()) {
    m_error = u"The roster has no template worm.";
    return false;
  }
  // The teams' names, colours and worms draw from the game's generator.
  platform::SRand(m_config.seed);
  m_globals->newTeamWormCount = std::clamp(m_config.wormsPerTeam, 1, WormManager::kMaxWormsPerTeam);
  SteuerungListe* controls = m_globals->GetSteuerungListe();
  std::vector<Level::TeamEntry> entries;
  for (size_t t = 0; t < m_config.teams.size(); ++t) {
    const HeadlessBattleConfig::Team& spec = m_config.teams[t];
    Mannschaft* team = manager.AddTeam(std::make_unique<Mannschaft>(manager, true));
    m_teams.push_back(team);
    Level::TeamEntry entry{team, u"DEFAULT"};
    if (spec.control == HeadlessBattleConfig::Control::kComputer) {
      entry.control = spec.strength;
      if (auto* cpu = dynamic_cast<CPUSteuerung*>(controls ? controls->FindByName(spec.strength) : nullptr))
        cpu->SetThreaded(m_config.threadedPlanner);
      else {
        m_error = u"There is no computer control \"" + spec.strength + u"\".";
        return false;
      }
    }
    entries.push_back(entry);
    m_scripted.push_back(nullptr);
    if (spec.control == HeadlessBattleConfig::Control::kScripted) {
      m_scripted.back() = std::make_unique<ScriptedSteuerung>(&context, kFrameStep);
      m_scripted.back()->SetScript(spec.script ? spec.script : DefaultScript());
    }
  }
  // Several teams of one level slot would take the same start positions: the level's
  // slots are used as they stand.
  m_level = std::make_unique<Level>(m_globals, &context);
  m_level->SetWinsNeeded(1);
  m_level->SetRoundTime(m_config.roundTime);
  if (!m_level->Load(*m_levelInfo, m_config.seed, nullptr, &m_error)) return false;
  if (!m_level->PlaceTeams(entries, m_levelInfo.get(), true, &m_error)) return false;
  // A scripted team's worms answer to its script; the team keeps the human control's name.
  for (size_t t = 0; t < m_teams.size(); ++t)
    if (m_scripted[t])
      for (Worm* worm : m_teams[t]->Worms()) worm->SetControl(m_scripted[t].get());
  m_level->ResetForNewGame();
  manager.BeginGame();
  m_level->BeginRound();
  m_level->SetRunning(true);
  m_lastTurnCount = m_level->GetTurnCount();
  m_lastWorm = m_level->GetActiveWorm();
  m_turnClock = m_level->GetTurnTimeLeft();
  return true;
}

bool HeadlessBattle::Step() {
  if (m_over || !m_started || !m_error.empty()) return false;
  FrameTimer& timer = *m_context->timer;
  timer.gameStep = timer.realStep = kFrameStep;
  timer.gameTotal += kFrameStep;
  timer.realTotal += kFrameStep;
  // The scripted controls are not in the control list: they read their input here.
  for (auto& control : m_scripted)
    if (control) control->Update();
  m_level->Update(kFrameStep, kFrameStep);
  ++m_frames;
  m_turnSeconds += kFrameStep;
  CheckTurnChange();
  if (onFrame) onFrame(*this);
  if (m_level->IsRoundDecided() && !m_level->AreDeathsPlaying()) {
    m_over = true;
  } else if (m_level->GetTurnCount() > m_config.maxTurns) {
    m_over = true;
    m_cappedBy = "turns";
  } else if (m_turnSeconds > m_turnClock + m_config.turnGrace + Level::kMaxContinuousHold) {
    m_over = true;
    m_cappedBy = "turn time";
  }
  return !m_over;
}

void HeadlessBattle::CheckTurnChange() {
  // A worm switch hands the rest of the turn to another worm of the team: the same turn.
  if (m_level->GetTurnCount() == m_lastTurnCount) {
    m_lastWorm = m_level->GetActiveWorm();
    return;
  }
  m_lastTurnCount = m_level->GetTurnCount();
  m_lastWorm = m_level->GetActiveWorm();
  m_lastTurnSeconds = m_turnSeconds;
  m_turnSeconds = 0.0;
  m_turnClock = m_level->GetTurnTimeLeft();
  if (onTurn) onTurn(*this);
}

HeadlessBattleResult HeadlessBattle::Run() {
  if (!m_started) Start();
  while (Step()) {
  }
  return Result();
}

HeadlessBattleResult HeadlessBattle::Result() const {
  HeadlessBattleResult r;
  r.started = m_started && m_error.empty();
  r.error = m_error;
  r.frames = m_frames;
  r.cappedBy = m_cappedBy;
  if (!r.started) return r;
  r.turns = m_level->GetTurnCount();
  const WormManager& manager = *m_globals->GetWormManager();
  r.decided = manager.CountLivingTeams() < 2;
  int32_t living = 0;
  for (size_t t = 0; t < m_teams.size(); ++t) {
    if (m_teams[t]->CountLivingWorms() > 0) {
      ++living;
      r.winner = int32_t(t);
    }
    std::vector<double> healths;
    for (const Worm* worm : m_teams[t]->Worms()) healths.push_back(worm->IsDead() ? 0.0 : worm->GetHealth());
    r.healths.push_back(healths);
    std::vector<int32_t> ammo;
    for (const Waffe* weapon : m_globals->GetWaffenSet()->Weapons()) ammo.push_back(weapon->GetAmmoForTeam(m_teams[t]));
    r.ammunition.push_back(ammo);
  }
  if (!r.decided || living != 1) r.winner = -1;
  r.draw = r.decided && living == 0;
  if (r.winner >= 0) r.winnerName = m_teams[size_t(r.winner)]->GetName();
  uint64_t hash = 14695981039346656037ull;
  hash = MixValue(hash, r.winner);
  hash = MixValue(hash, r.turns);
  hash = MixValue(hash, r.frames);
  for (const auto& team : r.healths)
    for (double h : team) hash = MixValue(hash, h);
  for (const auto& team : r.ammunition)
    for (int32_t a : team) hash = MixValue(hash, a);
  r.hash = hash;
  return r;
}

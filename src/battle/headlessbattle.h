// A whole battle without a window: the engine context on the null graphics device, a frame
// timer stepped by hand at 0.01 s, the content archive's data, a level built from a seed and
// teams of the template worm steered by scripted, idle human or computer controls. It steps
// the battle until the round is decided or a cap is reached and reports the result: the
// winner (or a draw), turns, frames, every worm's health, every team's ammunition and a hash
// of them. The same configuration gives the same result, bit for bit.
//
// One battle at a time per process: the battle installs the game's process-wide services
// (the team lookup of the weapons, the particles' services) while it lives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "battle/level.h"
#include "battle/humansteuerung.h"
#include "engine/apiinput.h"
#include "platform/window.h"

class APIContext;
class APIGraphics;
class LevelInfo;
class Mannschaft;
class MyGlobals;
class Worm;

// A human control whose input is the battle's script: the keys the script holds down this
// frame, with ticks that follow the frame count.
class ScriptedSteuerung : public HumanSteuerung {
 public:
  // The next frame's input: called once per frame before the control reads it, with the
  // worm the control drives while that worm is at turn (else null) and the frame number.
  using Script = std::function<void(InputState& input, const Worm* worm, int64_t frame)>;

  ScriptedSteuerung(APIContext* context, double step);
  void SetScript(Script script) { m_script = std::move(script); }
  void TakeOver(Worm* worm) override;
  void Update() override;
  InputState& Input() { return m_input; }
  const Worm* GetWorm() const { return m_worm; }

 private:
  Script m_script;
  InputState m_input;
  const Worm* m_worm = nullptr;
  double m_step;
  int64_t m_frame = 0;
};

struct HeadlessBattleConfig {
  // How the worms of a team are steered.
  enum class Control {
    kScripted,  // the script below (by default: aim, charge and fire a little differently each turn)
    kIdle,      // a human control that nobody touches: each turn runs out on the clock
    kComputer,  // a computer opponent of the strength named below
  };
  struct Team {
    Control control = Control::kComputer;
    // "CPU_LEICHT", "CPU_MITTEL" or "CPU_SCHWER" for kComputer.
    std::u16string strength = u"CPU_MITTEL";
    ScriptedSteuerung::Script script;
  };

  // A level file of the archive.
  std::u16string level = u"mainmenu.lvl";
  uint32_t seed = 1;
  int32_t wormsPerTeam = 2;
  std::vector<Team> teams = {Team{}, Team{}};
  // The computer's planner on its own thread rather than inline (results then vary).
  bool threadedPlanner = false;
  double roundTime = Level::kDefaultRoundTime;
  int32_t maxTurns = 300;
  // A turn may last its clock plus this long (the hold included) before the battle stops.
  double turnGrace = 10.0;
  // Names the per-user folder, so a battle never reads or writes the player's own files.
  std::u16string title = u"Krumbolt-headless";
  // Draws on OpenGL in a window of its own (offscreen under SDL_VIDEODRIVER=offscreen)
  // instead of the null device, so its frames can be looked at.
  bool openGL = false;
};

struct HeadlessBattleResult {
  bool started = false;
  std::u16string error;
  // The round was decided (else a cap stopped it).
  bool decided = false;
  bool draw = false;
  // Index into the configured teams; -1 for a draw or an undecided battle.
  int32_t winner = -1;
  std::u16string winnerName;
  int32_t turns = 0;
  int64_t frames = 0;
  // Which cap stopped the battle: "" none, "turns" or "turn time".
  std::string cappedBy;
  // Per team in configured order, per worm in the team's worm order.
  std::vector<std::vector<double>> healths;
  // Per team, per weapon of the weapon set (-1 unlimited).
  std::vector<std::vector<int32_t>> ammunition;
  uint64_t hash = 0;
};

class HeadlessBattle {
 public:
  static constexpr double kFrameStep = 0.01;

  explicit HeadlessBattle(HeadlessBattleConfig config);
  ~HeadlessBattle();
  HeadlessBattle(const HeadlessBattle&) = delete;
  HeadlessBattle& operator=(const HeadlessBattle&) = delete;

  // Loads the data, builds the level and starts the round; false (with the result's error)
  // when it cannot start.
  bool Start();
  // One frame: the timer, the controls' scripts, the level. False once the battle is over
  // (decided or capped).
  bool Step();
  // Start (unless started) and step to the end, calling the observers.
  HeadlessBattleResult Run();
  // The result as it stands.
  HeadlessBattleResult Result() const;

  // Observers: after every frame, and after every hand-over of the turn.
  std::function<void(HeadlessBattle&)> onFrame;
  std::function<void(HeadlessBattle&)> onTurn;

  Level& GetLevel() { return *m_level; }
  // The level description the battle was started from (null before Start).
  const LevelInfo* GetLevelInfo() const { return m_levelInfo.get(); }
  MyGlobals& Globals() { return *m_globals; }
  APIContext& Context() { return *m_context; }
  const HeadlessBattleConfig& Config() const { return m_config; }
  const std::vector<Mannschaft*>& Teams() const { return m_teams; }
  ScriptedSteuerung* ScriptedControl(size_t team) const {
    return team < m_scripted.size() ? m_scripted[team].get() : nullptr;
  }
  int64_t Frames() const { return m_frames; }
  // Seconds of game time the current turn has lasted.
  double TurnSeconds() const { return m_turnSeconds; }
  // Seconds the turn before lasted (its hand-over included).
  double LastTurnSeconds() const { return m_lastTurnSeconds; }
  // The clock the current turn started with.
  double TurnClock() const { return m_turnClock; }
  bool IsOver() const { return m_over; }

  // The default script: each turn it picks an aim and a charge from the frame it starts
  // in, turns towards the nearest enemy, aims, and holds Space to fire.
  static ScriptedSteuerung::Script DefaultScript();

 private:
  void CheckTurnChange();

  HeadlessBattleConfig m_config;
  std::unique_ptr<platform::Window> m_window;
  std::unique_ptr<APIContext> m_context;
  std::unique_ptr<APIGraphics> m_graphics;
  MyGlobals* m_globals = nullptr;
  std::unique_ptr<LevelInfo> m_levelInfo;
  std::unique_ptr<Level> m_level;
  std::vector<Mannschaft*> m_teams;
  std::vector<std::unique_ptr<ScriptedSteuerung>> m_scripted;
  std::u16string m_error;
  bool m_started = false;
  bool m_over = false;
  std::string m_cappedBy;
  int64_t m_frames = 0;
  double m_turnSeconds = 0.0;
  double m_lastTurnSeconds = 0.0;
  double m_turnClock = 0.0;
  int32_t m_lastTurnCount = 0;
  const Worm* m_lastWorm = nullptr;
};

// One battle: the running round's state (the worm at turn, the turn clock, the per-turn
// flags), the per-frame step of every game-wide manager in a fixed order, the end of a turn
// with every worm's end-of-turn processing and the deaths played one after another, the
// hand-over to the next team and worm, the round's decision, the booking of wins, losses and
// the campaign unlock, and the texts of the round-end and game-end screens.
//
// There is one Level for the whole run; each battle reuses it:
//   Start(...)                  or, step by step:
//   SetWinsNeeded, Load, PlaceTeams, ResetForNewGame / ResetForNextRound, SetRoundTime,
//   BeginRound, SetRunning(true);
//   then Update() once per frame until IsRoundDecided(); then UpdateRoundStatistics() and
//   EndRoundContinue() (another round follows) or EndRoundTeardown() (IsGameWon()).
// The logic needs no graphics device: the battle display draws from the queries below.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "battle/wertanimator.h"

class APIContext;
class LevelInfo;
class Mannschaft;
class MyGlobals;
class MyLoadScreen;
class Objekt;
class TeamBar;
class Waffe;
class Worm;

class Level {
 public:
  // Bits of the state.
  static constexpr uint32_t kRunning = 1;
  static constexpr uint32_t kRoundStarted = 2;
  static constexpr double kDefaultRoundTime = 40.0;
  static constexpr double kDescriptionTime = 5.0;
  static constexpr double kPanelSpeedFactor = 10.0;
  // The seconds the front end waits between the round's decision and its booking.
  static constexpr double kDecisionWait = 4.0;
  // The longest the hold may stop the turn clock without a break: an object that never
  // ends (a charge without a fuse, a placed object) does not hold the battle for ever.
  static constexpr double kMaxContinuousHold = 20.0;
  // The longest a death animation may hold the hand-over.
  static constexpr double kMaxDeathSeconds = 10.0;
  static constexpr int32_t kMinTeams = 2;
  // Camera follow rate on the worm at turn.
  static constexpr double kWormFollowRate = 4.0;
  // The turn-change label's time and its second value.
  static constexpr double kLabelSeconds = 5.0;
  static constexpr double kLabelSecond = 0.75;

  // Statistics of FindStatisticExtreme.
  enum Statistic : int32_t {
    kTimeOnTurn = 0,
    kWalked = 1,
    kWeaponsUsed = 2,
    kDied = 3,
    kEnemiesKilled = 4,
    kDamageDealt = 5,
    kDamageTaken = 6,
  };
  // Periods of FindStatisticExtreme.
  static constexpr int32_t kThisGame = 1;
  static constexpr int32_t kThisRound = 2;

  // One team of a battle to start: the team (owned by the worm manager) and, when set, the
  // control its worms take for this battle.
  struct TeamEntry {
    Mannschaft* team = nullptr;
    std::u16string control;
  };

  // Without a context the process-wide one is used; without globals the context's.
  explicit Level(MyGlobals* globals = nullptr, APIContext* context = nullptr);
  ~Level();
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;

  // The whole start of a battle's round: Load, PlaceTeams (a new game when newGame),
  // the resets, the round time, BeginRound and SetRunning(true). False with the reason in
  // `error` when the level cannot be built, fewer than two teams are given or a team's worms
  // cannot all be placed; the level then stays stopped.
  bool Start(const LevelInfo& level, uint32_t seed, const std::vector<TeamEntry>& teams, bool newGame,
             std::u16string* error = nullptr, MyLoadScreen* loadScreen = nullptr,
             const std::function<bool()>& cancelled = {}, bool reuseWorld = false);

  void SetWinsNeeded(int32_t wins) { m_winsNeeded = wins; }
  int32_t GetWinsNeeded() const { return m_winsNeeded; }
  void SetRoundTime(double seconds) { m_baseTurnTime = seconds; }
  double GetRoundTime() const { return m_baseTurnTime; }

  // Builds the level's world into the game-wide object, hands the level's water, wind and
  // bonus set to their managers, sets the camera up and seeds the game's generator. False
  // when no world could be built.
  // `cancelled`, when given, is asked during the build: true stops it (a quit while loading).
  // With reuseWorld the world the game-wide object holds is the level's, built already (the
  // first scene's); it is kept when it has ground.
  bool Load(const LevelInfo& level, uint32_t seed, MyLoadScreen* loadScreen = nullptr, std::u16string* error = nullptr,
            const std::function<bool()>& cancelled = {}, bool reuseWorld = false);
  // Puts the teams into the game. A new game: a fresh play order per team, one worm at each
  // of the level's weighted start positions of its slot, the rest at random; a further
  // round: the same worms placed again. Then every playing team gets full ammunition. False
  // when fewer than two teams are given or a worm finds no place.
  bool PlaceTeams(const std::vector<TeamEntry>& teams, const LevelInfo* level, bool newGame,
                  std::u16string* error = nullptr);
  void ResetForNewGame();
  void ResetForNextRound();
  // Clears the particles, runs every worm's end-of-turn processing and hands the first turn.
  void BeginRound();
  void SetRunning(bool running);
  uint32_t GetState() const { return m_state; }

  // One frame with the context's frame timer (its scaled and real step).
  void Update();
  // One frame: dt the scaled (game) step, real the real step.
  void Update(double dt, double real);

  bool IsTurnOver() const;
  bool AreWormsSettled();
  // The hand-over to the next team with a living worm and its next worm.
  void NextRound();
  void SetActiveWorm(Worm* worm);
  void ReleaseActiveWorm();
  bool IsRoundDecided() const;
  // Books the round once: the ranking, the draw, the unlock, wins and losses.
  void UpdateRoundStatistics();
  bool IsGameWon() const;
  void EndRoundContinue();
  void EndRoundTeardown();

  // Over the ranking: the largest or smallest value of a statistic (Statistic) for a period
  // (kThisGame, kThisRound), with the worm's name.
  void FindStatisticExtreme(double& value, std::u16string& name, int32_t statistic, int32_t period,
                            bool largest) const;
  std::u16string BuildRoundEndHeadline() const;
  std::u16string BuildRoundEndTable(int32_t column) const;
  std::u16string BuildGameEndHeadline() const;
  std::u16string BuildGameEndTable(int32_t column) const;

  // What the battle display and the tools read.
  Worm* GetActiveWorm() const { return m_activeWorm; }
  Mannschaft* GetActiveTeam() const;
  double GetTurnTimeLeft() const { return m_turnTimeLeft; }
  void SetTurnTimeLeft(double seconds) { m_turnTimeLeft = seconds; }
  // The hold time (seconds; the clock stands while it is above 0).
  double GetHoldTime() const;
  const std::vector<Mannschaft*>& GetRanking() const { return m_ranking; }
  bool IsDraw() const { return m_draw; }
  bool IsRoundEnded() const { return m_roundEnded; }
  bool IsTurnLatched() const { return m_turnOverLatched; }
  // Worms that died at the end of the turn are still playing their deaths.
  bool AreDeathsPlaying() const { return m_deathsPlaying; }
  bool IsRoundProcessingStarted() const { return m_roundProcessingStarted; }
  const std::u16string& GetUnlockKey() const { return m_unlockKey; }
  Mannschaft* GetPlayingTeamByIndex(int32_t i) const;
  TeamBar* GetTeamBarByIndex(int32_t i) const;
  const std::vector<TeamBar*>* GetTeamBars() const { return m_teamBars; }
  // Weapon panel: the weapon last taken (its description is shown), the animator's state.
  Waffe* GetSelectedWeapon() const { return m_selectedWeapon; }
  void SetSelectedWeapon(Waffe* weapon) { m_selectedWeapon = weapon; }
  double GetDescriptionTimer() const { return m_descriptionTimer; }
  const WertAnimator& GetPanelAnimator() const { return m_panelAnimator; }
  // Where the weapon store panel opens (screen position of its top left), set on opening.
  void SetPanelSize(int32_t width, int32_t height) {
    m_panelWidth = width;
    m_panelHeight = height;
  }
  int32_t GetPanelX() const { return m_panelX; }
  int32_t GetPanelY() const { return m_panelY; }

  // Counters for the battle's observers: turns handed over since BeginRound, hand-overs
  // that changed the team, and end-of-turn processing runs.
  int32_t GetTurnCount() const { return m_turnCount; }
  int32_t GetTeamChangeCount() const { return m_teamChanges; }
  int32_t GetProcessingCount() const { return m_processingRuns; }
  // Seconds the hold has stopped the clock without a break.
  double GetContinuousHold() const { return m_continuousHold; }

  MyGlobals* GetGlobals() const { return m_globals; }
  APIContext* GetContext() const { return m_context; }

 private:
  void UpdateManagers(double dt, double real);
  void UpdatePanelRequest();
  void UpdateTurn(double dt, double real);
  void ShowNextRoundLabel(const Worm& worm, const Mannschaft& team);
  std::u16string Text(const char16_t* key) const;
  // Four or eight name/value pairs into the text of a key.
  std::u16string FormatPairs(const char16_t* key, const std::vector<std::pair<int32_t, bool>>& which,
                             int32_t period) const;
  void Reset();

  APIContext* m_context;
  MyGlobals* m_globals;
  uint32_t m_state = 0;
  double m_baseTurnTime = kDefaultRoundTime;
  double m_turnTimeLeft = 0.0;
  const std::vector<TeamBar*>* m_teamBars = nullptr;
  Worm* m_activeWorm = nullptr;
  Waffe* m_selectedWeapon = nullptr;
  double m_descriptionTimer = 1.0;
  WertAnimator m_panelAnimator;
  int32_t m_panelWidth = 0, m_panelHeight = 0;
  int32_t m_panelX = 0, m_panelY = 0;
  std::vector<Mannschaft*> m_ranking;
  bool m_draw = false;
  int32_t m_winsNeeded = 1;
  std::u16string m_unlockKey;
  bool m_roundProcessingStarted = false;
  bool m_turnOverLatched = false;
  bool m_deathsPlaying = false;
  std::vector<Objekt*> m_handOverWorms;
  bool m_roundEnded = false;
  double m_continuousHold = 0.0;
  double m_deathSeconds = 0.0;
  int32_t m_turnCount = 0;
  int32_t m_teamChanges = 0;
  int32_t m_processingRuns = 0;
};
